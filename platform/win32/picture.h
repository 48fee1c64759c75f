// Pictures carried as RCDATA resources (JPEG, GIF), decoded by the system's
// own picture loader and drawn at their natural size.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include "platform/win32/handles.h"

namespace platform::win32 {

class Picture {
public:
    Picture() = default;
    // Empty when the resource is missing or cannot be decoded.
    static Picture FromResource(HINSTANCE instance, int id);

    explicit operator bool() const { return static_cast<bool>(picture_); }
    void Draw(HDC dc, int x, int y, int cx, int cy) const;

private:
    ComPtr<::IPicture> picture_;
    OLE_XSIZE_HIMETRIC width_hm_ = 0;
    OLE_YSIZE_HIMETRIC height_hm_ = 0;
};

}  // namespace platform::win32
