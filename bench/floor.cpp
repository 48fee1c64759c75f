// The floor for the benchmark: the least a Win32 program of this kind can be.
// A window with one static control and one 60 ms timer, built with the same
// toolchain and flags as the program. On each tick it reads the local time
// and writes it into the static when the second changed: the work the
// program cannot avoid either.
//
// Built a second time with FLOOR_BARE: the timer does nothing (the floor of
// earlier benchmark runs, kept for comparison).
#include <windows.h>

namespace {

#ifdef FLOOR_BARE
constexpr const wchar_t* kTitle = L"Bare floor";
#else
constexpr const wchar_t* kTitle = L"Floor";
#endif

HWND g_clock;  // the static that shows the time

void Tick() {
#ifndef FLOOR_BARE
    static WORD last_second = 0xFFFF;
    SYSTEMTIME now;
    GetLocalTime(&now);
    if (now.wSecond == last_second) return;
    last_second = now.wSecond;
    wchar_t text[9] = {
        static_cast<wchar_t>(L'0' + now.wHour / 10), static_cast<wchar_t>(L'0' + now.wHour % 10), L':',
        static_cast<wchar_t>(L'0' + now.wMinute / 10), static_cast<wchar_t>(L'0' + now.wMinute % 10), L':',
        static_cast<wchar_t>(L'0' + now.wSecond / 10), static_cast<wchar_t>(L'0' + now.wSecond % 10), 0};
    SetWindowTextW(g_clock, text);
#endif
}

LRESULT CALLBACK FloorProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_TIMER: Tick(); return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: return DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = FloorProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"TarnovelleFloor";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, kTitle, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                CW_USEDEFAULT, CW_USEDEFAULT, 468, 329, nullptr, nullptr, instance,
                                nullptr);
    g_clock = CreateWindowExW(0, L"STATIC", L"00:00:00", WS_CHILD | WS_VISIBLE, 10, 10, 100, 20,
                              hwnd, nullptr, instance, nullptr);
    SetTimer(hwnd, 1, 60, nullptr);
    ShowWindow(hwnd, SW_SHOW);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
