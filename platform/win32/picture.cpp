#include "platform/win32/picture.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace platform::win32 {

namespace {

const void* ResourceBytes(HINSTANCE instance, int id, DWORD& size) {
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /*RT_RCDATA*/);
    if (!found) return nullptr;
    size = SizeofResource(instance, found);
    HGLOBAL loaded = LoadResource(instance, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    return size ? bytes : nullptr;
}

ComPtr<::IPicture> Decode(HINSTANCE instance, int id) {
    ComPtr<::IPicture> picture;
    DWORD size = 0;
    const void* bytes = ResourceBytes(instance, id, size);
    if (!bytes) return picture;
    // The loader reads from a stream; the stream owns this copy.
    UniqueGlobal copy(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!copy) return picture;
    void* dest = GlobalLock(copy.get());
    if (!dest) return picture;
    std::memcpy(dest, bytes, size);
    GlobalUnlock(copy.get());
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(copy.get(), TRUE, stream.put()))) return picture;
    copy.release();  // the stream frees it now
    if (FAILED(OleLoadPicture(stream.get(), static_cast<LONG>(size), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(picture.put()))))
        picture.reset();
    return picture;
}

// The decoded picture's own size in pixels (its bitmap's), whatever the
// scale the loader assumed for its HIMETRIC extent.
PixelSize DecodedSize(::IPicture& picture) {
    SHORT type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    BITMAP bitmap{};
    if (SUCCEEDED(picture.get_Type(&type)) && type == PICTYPE_BITMAP &&
        SUCCEEDED(picture.get_Handle(&handle)) &&
        GetObjectW(reinterpret_cast<HGDIOBJ>(static_cast<UINT_PTR>(handle)), sizeof bitmap, &bitmap))
        return PixelSize{bitmap.bmWidth, std::abs(bitmap.bmHeight)};
    return PixelSize{};
}

// A 32-bit top-down DIB section; its bits through `bits`.
UniqueBitmap NewDib(HDC reference, PixelSize size, std::uint32_t*& bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.width;
    info.bmiHeader.biHeight = -size.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    UniqueBitmap dib(CreateDIBSection(reference, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
    bits = dib ? static_cast<std::uint32_t*>(pixels) : nullptr;
    return dib;
}

// The picture's pixels, premultiplied, with the picture's transparent parts
// transparent: it is drawn once on black and once on white, and a pixel
// that differs between the two is one the picture does not cover.
bool Pixelate(::IPicture& picture, PixelSize size, OLE_XSIZE_HIMETRIC width_hm,
              OLE_YSIZE_HIMETRIC height_hm, Pixels& out) {
    UniqueDc dc(CreateCompatibleDC(nullptr));
    if (!dc) return false;
    std::uint32_t* on_black = nullptr;
    std::uint32_t* on_white = nullptr;
    UniqueBitmap black = NewDib(dc.get(), size, on_black);
    UniqueBitmap white = NewDib(dc.get(), size, on_white);
    if (!on_black || !on_white) return false;
    const std::size_t count = static_cast<std::size_t>(size.width) * size.height;
    std::memset(on_black, 0x00, count * 4);
    std::memset(on_white, 0xFF, count * 4);
    for (HGDIOBJ target : {black.get(), white.get()}) {
        HGDIOBJ old = SelectObject(dc.get(), target);
        picture.Render(dc.get(), 0, 0, size.width, size.height, 0, height_hm, width_hm, -height_hm,
                       nullptr);
        SelectObject(dc.get(), old);
    }
    GdiFlush();
    out = Pixels{size.width, size.height, std::vector<std::uint32_t>(count)};
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t a = on_black[i] & 0xFFFFFF, b = on_white[i] & 0xFFFFFF;
        out.argb[i] = a == b ? (0xFF000000u | a) : 0u;
    }
    return true;
}

}  // namespace

Picture Picture::ForPlace(HINSTANCE instance, int id, PixelSize natural, PixelSize place) {
    Picture result;
    if (place.width <= 0 || place.height <= 0) return result;
    bool present[kPictureScaleCount];
    for (int i = 0; i < kPictureScaleCount; ++i) {
        DWORD size = 0;
        present[i] = ResourceBytes(instance, PictureVersionId(id, kPictureScales[i]), size);
    }
    const PictureChoice choice = ChoosePicture(natural, place, present);
    ComPtr<::IPicture> picture;
    if (choice.scale) picture = Decode(instance, PictureVersionId(id, choice.scale));
    if (!picture && choice.scale != 1) picture = Decode(instance, id);  // the 100 % one, enlarged
    if (!picture) return result;

    result.size_ = place;
    picture->get_Width(&result.width_hm_);
    picture->get_Height(&result.height_hm_);
    const PixelSize decoded = DecodedSize(*picture.get());
    if (decoded.width == place.width && decoded.height == place.height) {
        result.picture_ = std::move(picture);  // made for this place: drawn as it is
        return result;
    }
    Pixels pixels;
    if (decoded.width <= 0 || decoded.height <= 0 ||
        !Pixelate(*picture.get(), decoded, result.width_hm_, result.height_hm_, pixels))
        return Picture();
    const Pixels scaled = Resample(pixels, place.width, place.height);
    std::uint32_t* bits = nullptr;
    result.resampled_ = NewDib(nullptr, place, bits);
    if (!bits) return Picture();
    std::memcpy(bits, scaled.argb.data(), scaled.argb.size() * 4);
    for (std::uint32_t p : scaled.argb)
        if ((p >> 24) != 0xFF) result.translucent_ = true;
    return result;
}

void Picture::Draw(HDC dc, int x, int y) const {
    if (picture_) {
        picture_->Render(dc, x, y, size_.width, size_.height, 0, height_hm_, width_hm_, -height_hm_,
                         nullptr);
        return;
    }
    if (!resampled_) return;
    UniqueDc source(CreateCompatibleDC(dc));
    if (!source) return;
    HGDIOBJ old = SelectObject(source.get(), resampled_.get());
    if (translucent_) {
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        GdiAlphaBlend(dc, x, y, size_.width, size_.height, source.get(), 0, 0, size_.width,
                      size_.height, blend);
    } else {
        BitBlt(dc, x, y, size_.width, size_.height, source.get(), 0, 0, SRCCOPY);
    }
    SelectObject(source.get(), old);
}

}  // namespace platform::win32
