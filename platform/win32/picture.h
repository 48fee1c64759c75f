// Pictures carried as RCDATA resources (JPEG, GIF) in a version for 100 %
// and one for 200 %, decoded by the system's own picture loader and drawn
// at the size of their place at the window's scale (platform/picture.h):
// as decoded when a version was made for that size, resampled otherwise.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include "platform/picture.h"
#include "platform/win32/handles.h"

namespace platform::win32 {

class Picture {
public:
    Picture() = default;
    // Picture `id` (its 100 % version, `natural` pixels at 100 %) for a place
    // of `place` pixels; empty when no version is there or none decodes.
    static Picture ForPlace(HINSTANCE instance, int id, PixelSize natural, PixelSize place);

    explicit operator bool() const { return picture_ || resampled_; }
    // Draws the picture at its place's size, its top-left corner at x, y;
    // where it is transparent what lies below shows through.
    void Draw(HDC dc, int x, int y) const;

private:
    PixelSize size_;
    // Drawn as decoded (a version made for the place) ...
    ComPtr<::IPicture> picture_;
    OLE_XSIZE_HIMETRIC width_hm_ = 0;
    OLE_YSIZE_HIMETRIC height_hm_ = 0;
    // ... or resampled to the place: premultiplied BGRA.
    UniqueBitmap resampled_;
    bool translucent_ = false;
};

}  // namespace platform::win32
