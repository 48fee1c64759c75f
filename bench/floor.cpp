// The benchmark's floors: the least a Win32 program of this kind can be and
// do, built with the same toolchain and flags as the program.
//
//   floor.exe             the clock: a window with one static control that
//                         shows the local time, read at the start of each
//                         second by a one-shot timer set anew for it
//   floor.exe HH:MM:SS    armed: the same window, hidden; one one-shot timer
//                         for the start of that second, which starts the
//                         system's shutdown.exe -s -t 0 as the program does
//
// Built again with FLOOR_BARE: the bare floor of earlier benchmark runs, a
// shown window whose 60 ms timer does nothing. And with FLOOR_START: the
// work the program cannot avoid at start, and nothing more: the common
// controls 6 manifest and InitCommonControls, the program's three main
// window pictures through the same system decoder, drawn, and a
// notification icon; at the display's scale (the pictures made for 200 %
// above 100 %, the window and the icon at the scale's sizes).
#include <windows.h>

#ifdef FLOOR_START
#include <commctrl.h>
#include <ocidl.h>
#include <olectl.h>
#include <shellapi.h>

#undef IDC_HAND  // the system's cursor; the program's own is the one wanted here
#include "platform/win32/profile.h"
#include "resources/resource.h"
#else
#define PROFILE_STEP(step) ((void)0)
#define PROFILE_FLUSH() ((void)0)
#endif

namespace {

#if defined(FLOOR_BARE)
constexpr const wchar_t* kTitle = L"Bare floor";
#elif defined(FLOOR_START)
constexpr const wchar_t* kTitle = L"Start floor";
#else
constexpr const wchar_t* kTitle = L"Floor";
#endif
constexpr UINT_PTR kTimer = 1;
constexpr int kClockId = 1;  // the static's id, for the benchmark's probe

HWND g_clock;  // the static that shows the time

#if !defined(FLOOR_BARE) && !defined(FLOOR_START)
int g_armed = -1;  // the armed second of the day, or -1: the clock is shown

// Milliseconds until `second` of the day begins (the next second when -1),
// and a millisecond more, so the clock surely shows it.
UINT UntilSecond(int second) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    const int today = (now.wHour * 60 + now.wMinute) * 60 + now.wSecond;
    int ahead = second < 0 ? 1 : ((second - today) % 86400 + 86400) % 86400;
    if (ahead == 0) ahead = 86400;
    return static_cast<UINT>((ahead - 1) * 1000 + (1000 - now.wMilliseconds) + 1);
}

void ShowTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t text[9] = {
        static_cast<wchar_t>(L'0' + now.wHour / 10), static_cast<wchar_t>(L'0' + now.wHour % 10), L':',
        static_cast<wchar_t>(L'0' + now.wMinute / 10), static_cast<wchar_t>(L'0' + now.wMinute % 10), L':',
        static_cast<wchar_t>(L'0' + now.wSecond / 10), static_cast<wchar_t>(L'0' + now.wSecond % 10), 0};
    SetWindowTextW(g_clock, text);
}

void Fire() {
    wchar_t application[MAX_PATH];
    const UINT length = GetSystemDirectoryW(application, MAX_PATH);
    lstrcpyW(application + length, L"\\shutdown.exe");
    wchar_t line[] = L"shutdown.exe -s -t 0";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMINIMIZED;
    PROCESS_INFORMATION started{};
    if (CreateProcessW(application, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &started)) {
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
}

void Tick(HWND hwnd) {
    KillTimer(hwnd, kTimer);
    if (g_armed >= 0) return Fire();  // once
    ShowTime();
    SetTimer(hwnd, kTimer, UntilSecond(-1), nullptr);
}

void Start(HWND hwnd) {
    SetTimer(hwnd, kTimer, UntilSecond(g_armed), nullptr);
    if (g_armed < 0) ShowTime();
}

// HH:MM:SS as the second of the day, or -1.
int ParseArmed(const wchar_t* text) {
    if (!text || lstrlenW(text) != 8) return -1;
    auto two = [&](int at) { return (text[at] - L'0') * 10 + (text[at + 1] - L'0'); };
    return (two(0) * 60 + two(3)) * 60 + two(6);
}
#elif defined(FLOOR_BARE)
void Tick(HWND) {}
void Start(HWND hwnd) { SetTimer(hwnd, kTimer, 60, nullptr); }
#else
int g_dpi = 96;
IPicture* g_pictures[3];
constexpr int kPictures[3][3] = {{IDP_BANNER, 8, 8}, {IDP_PANEL, 8, 144}, {IDP_BUTTONS, 264, 144}};

IPicture* LoadPicture(HINSTANCE instance, int id) {
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));
    const DWORD size = found ? SizeofResource(instance, found) : 0;
    const void* bytes = found ? LockResource(LoadResource(instance, found)) : nullptr;
    HGLOBAL copy = bytes ? GlobalAlloc(GMEM_MOVEABLE, size) : nullptr;
    if (!copy) return nullptr;
    CopyMemory(GlobalLock(copy), bytes, size);
    GlobalUnlock(copy);
    IStream* stream = nullptr;
    IPicture* picture = nullptr;
    if (SUCCEEDED(CreateStreamOnHGlobal(copy, TRUE, &stream))) {
        OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                       reinterpret_cast<void**>(&picture));
        stream->Release();
    }
    return picture;
}

void Paint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    PROFILE_STEP("paint begun");
    for (int i = 0; i < 3; ++i) {
        if (!g_pictures[i]) continue;
        OLE_XSIZE_HIMETRIC w;
        OLE_YSIZE_HIMETRIC h;
        g_pictures[i]->get_Width(&w);
        g_pictures[i]->get_Height(&h);
        const int cx = MulDiv(w, g_dpi, 2540), cy = MulDiv(h, g_dpi, 2540);
        g_pictures[i]->Render(dc, MulDiv(kPictures[i][1], g_dpi, 96), MulDiv(kPictures[i][2], g_dpi, 96),
                              cx, cy, 0, h, w, -h, nullptr);
    }
    EndPaint(hwnd, &ps);
    PROFILE_STEP("first paint");
    PROFILE_FLUSH();
}

NOTIFYICONDATAW g_icon{};

void Tick(HWND) {}
void Start(HWND hwnd) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const int scaled = g_dpi > 96 ? IDP_2X_OFFSET : 0;
    for (int i = 0; i < 3; ++i) g_pictures[i] = LoadPicture(instance, kPictures[i][0] + scaled);
    PROFILE_STEP("pictures decoded");
    g_icon.cbSize = sizeof g_icon;
    g_icon.hWnd = hwnd;
    g_icon.uID = 1;
    g_icon.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    g_icon.uCallbackMessage = WM_APP;
    const int icon = GetSystemMetrics(SM_CXSMICON);
    g_icon.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TRAY), IMAGE_ICON, icon, icon, 0));
    lstrcpyW(g_icon.szTip, kTitle);
    PROFILE_STEP("tray icon loaded");
    Shell_NotifyIconW(NIM_ADD, &g_icon);
    PROFILE_STEP("tray icon added");
}
#endif

LRESULT CALLBACK FloorProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_TIMER: Tick(hwnd); return 0;
#ifdef FLOOR_START
        case WM_PAINT: Paint(hwnd); return 0;
        case WM_DESTROY:
            Shell_NotifyIconW(NIM_DELETE, &g_icon);
            PostQuitMessage(0);
            return 0;
#else
        case WM_DESTROY: PostQuitMessage(0); return 0;
#endif
        default: return DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int width = 468, height = 329;
#ifdef FLOOR_START
    PROFILE_STEP("C runtime");
    InitCommonControls();
    PROFILE_STEP("common controls");
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    PROFILE_STEP("COM");
    HDC screen = GetDC(nullptr);
    g_dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    width = MulDiv(width, g_dpi, 96);
    height = MulDiv(height, g_dpi, 96);
#endif
#if !defined(FLOOR_BARE) && !defined(FLOOR_START)
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    g_armed = argc > 1 ? ParseArmed(argv[1]) : -1;
#endif
    WNDCLASSW wc{};
    wc.lpfnWndProc = FloorProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"TarnovelleFloor";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, kTitle, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                CW_USEDEFAULT, CW_USEDEFAULT, width, height, nullptr, nullptr, instance,
                                nullptr);
    PROFILE_STEP("window");
    g_clock = CreateWindowExW(0, L"STATIC", L"00:00:00", WS_CHILD | WS_VISIBLE, 10, 10, 100, 20,
                              hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kClockId)), instance,
                              nullptr);
    PROFILE_STEP("controls created");
    Start(hwnd);
#if !defined(FLOOR_BARE) && !defined(FLOOR_START)
    if (g_armed < 0) ShowWindow(hwnd, SW_SHOW);
#else
    ShowWindow(hwnd, SW_SHOW);
    PROFILE_STEP("shown");
#endif
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
