#include "platform/win32/dpi.h"

#include "platform/scale.h"

namespace platform::win32 {

namespace {

// A function of user32 that older Windows lacks; null there.
template <class Function>
Function User32(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                  : nullptr;
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using EnableNonClientDpiScalingFn = BOOL(WINAPI*)(HWND);

}  // namespace

int SystemDpi() {
    static const auto get = User32<GetDpiForSystemFn>("GetDpiForSystem");
    if (get)
        if (const UINT dpi = get()) return static_cast<int>(dpi);
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDefaultDpi;
}

int WindowDpi(HWND hwnd) {
    static const auto get = User32<GetDpiForWindowFn>("GetDpiForWindow");
    if (get && hwnd)
        if (const UINT dpi = get(hwnd)) return static_cast<int>(dpi);
    return SystemDpi();
}

int MetricForDpi(int index, int dpi) {
    static const auto get = User32<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    if (get) return get(index, static_cast<UINT>(dpi));
    return MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

RECT FrameForClient(const RECT& client, DWORD style, DWORD ex_style, int dpi) {
    static const auto adjust = User32<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    RECT frame = client;
    if (!adjust || !adjust(&frame, style, FALSE, ex_style, static_cast<UINT>(dpi))) {
        frame = client;
        AdjustWindowRectEx(&frame, style, FALSE, ex_style);
    }
    return frame;
}

void ScaleNonClientArea(HWND hwnd) {
    static const auto enable = User32<EnableNonClientDpiScalingFn>("EnableNonClientDpiScaling");
    if (enable) enable(hwnd);  // refused where Windows scales the frame anyway
}

}  // namespace platform::win32
