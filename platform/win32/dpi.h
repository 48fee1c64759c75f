// The display scale of the program's windows, as Windows tells a program
// that is aware of the scale of each monitor (the manifest says so).
//
// Each window is laid out at its own monitor's DPI (platform/scale.h) and
// re-laid when Windows moves it to a monitor of another scale. The calls
// for this came with Windows 10 (1607); where they are missing, the program
// works at the system's DPI, as a program aware of the system's scale only.
#pragma once

#include <windows.h>

namespace platform::win32 {

// The DPI of the system, fixed for the program's life: the primary
// monitor's when the user signed in.
int SystemDpi();
// The DPI of the monitor a window is on (the system's where Windows cannot say).
int WindowDpi(HWND hwnd);
// A system metric (SM_CXICON, SM_CXSMICON, SM_CXCURSOR, ...) at a DPI.
int MetricForDpi(int index, int dpi);
// The window rectangle around a client rectangle at a DPI.
RECT FrameForClient(const RECT& client, DWORD style, DWORD ex_style, int dpi);
// Called as a window is made (WM_NCCREATE): where the program is aware of
// each monitor's scale without the later refinements (Windows 10 1607), its
// title bar and frame follow the window's DPI too.
void ScaleNonClientArea(HWND hwnd);

}  // namespace platform::win32
