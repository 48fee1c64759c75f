#include "platform/win32/picture.h"

#include <cstring>

namespace platform::win32 {

Picture Picture::FromResource(HINSTANCE instance, int id) {
    Picture result;
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /*RT_RCDATA*/);
    if (!found) return result;
    const DWORD size = SizeofResource(instance, found);
    HGLOBAL loaded = LoadResource(instance, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes || size == 0) return result;

    // The loader reads from a stream; the stream owns this copy.
    UniqueGlobal copy(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!copy) return result;
    void* dest = GlobalLock(copy.get());
    if (!dest) return result;
    std::memcpy(dest, bytes, size);
    GlobalUnlock(copy.get());

    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(copy.get(), TRUE, stream.put()))) return result;
    copy.release();  // the stream frees it now

    if (FAILED(OleLoadPicture(stream.get(), static_cast<LONG>(size), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(result.picture_.put()))))
        return Picture();
    result.picture_->get_Width(&result.width_hm_);
    result.picture_->get_Height(&result.height_hm_);
    return result;
}

void Picture::Draw(HDC dc, int x, int y, int cx, int cy) const {
    if (!picture_) return;
    picture_->Render(dc, x, y, cx, cy, 0, height_hm_, width_hm_, -height_hm_, nullptr);
}

}  // namespace platform::win32
