// Test driver: looks at and drives the program's windows from another
// process on the same Wine desktop, with the messages a user's input
// produces. One command per run; results on standard output, one item per
// line; exit code 0 on success, 1 when what was asked for did not happen in
// time, 2 on a usage error.
//
//   serve                                many commands in one run, which
//                                        saves a Wine process start each:
//                                        one a line on standard input, its
//                                        arguments apart by tabs (UTF-8);
//                                        after a command's output, a line of
//                                        \x1e and its exit code
//   windows                              every top-level window
//   find TITLE [MS] [visible|hidden|any] [CLASS]
//                                        wait for a top-level window (of
//                                        that class: tooltips_class32 finds
//                                        a balloon by its text); its handle,
//                                        and at=HH:MM:SS.mmm, the local time
//                                        it was first seen
//   gone TITLE [MS]                      wait until no visible window has it
//   info HWND                            title, class, visibility, client rect
//   children HWND                        child controls, one per line
//   items HWND ID                        items of a list
//   select HWND ID TEXT [ID TEXT ...]    pick list items as a user would
//   press HWND ID [sync]                 click a push button; with sync,
//                                        return once the click was handled
//   dialog TITLE [MS]                    wait for a dialog box; its texts
//   focus HWND                           the control that has the focus
//   post HWND MSG WPARAM LPARAM [...]    post a message, or several in a row
//   send HWND MSG WPARAM LPARAM          send one, as the system does the
//                                        ones that cannot be posted
//   taskbar-created                      announce a new notification area
//   tooltips                             texts of visible tooltip windows
//   tray-forget HWND                     the notification area drops the icon
//                                        (HWND, 1), as a restarting shell does
//   menus                                size of each open pop-up menu
//   cover TITLE [full]                   another program's maximised window,
//                                        in the foreground, until closed; full:
//                                        borderless over the whole screen, as
//                                        a film plays, adding each character
//                                        typed into it to its title
//   at X Y                               the top-level window at a point of
//                                        the screen
//   files HWND                           the number of items the file list
//                                        of an open-file dialog shows
//   monitor X Y                          the work area of the monitor at a
//                                        point: left top right bottom
//   activate HWND                        bring a window to the foreground, as
//                                        a window switcher does
//   send-inside HWND MSG WPARAM L T R B  send a message whose lParam points to
//                                        the RECT L T R B, from inside the
//                                        window's process (inside.dll)
//   send-inside HWND contrast|count ...  the same hook: a contrast theme on or
//                                        off, or a count of what the window's
//                                        process holds (see inside.cpp)
//   decode PICTURE OUT.bmp [...]         decode JPEGs or GIFs as the program's
//                                        picture loader does, its transparent
//                                        parts white, into a 24-bit BMP
//   dpi                                  the display's pixels per inch, as
//                                        this process was told at its start
//
// And as a screen reader sees the windows, through Active Accessibility:
//   acc-children HWND                    the window's client object ("self"),
//                                        then each of its children: role,
//                                        role text, state, left top width
//                                        height, default action, name
//   acc-point X Y                        the element at a point of the screen
//   acc-do HWND NAME                     the default action of the child of
//                                        that name
//   acc-events MS                        for MS milliseconds, the focus and
//                                        alert events: kind, role, name
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>
#include <olectl.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::wstring Text(HWND hwnd) {
    wchar_t buffer[1024] = {};
    // WM_GETTEXT reaches another process's window whole.
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG,
                        2000, nullptr);
    return buffer;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t buffer[256] = {};
    GetClassNameW(hwnd, buffer, 256);
    return buffer;
}

// One line of output: line breaks inside a text are written as \n.
void Print(const std::wstring& raw) {
    std::wstring line;
    for (wchar_t c : raw) {
        if (c == L'\r') continue;
        if (c == L'\n') line += L"\\n";
        else line += c;
    }
    // UTF-8, so the test harness reads any text.
    const int n = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, out.data(), n, nullptr, nullptr);
    std::fputs(out.c_str(), stdout);
    std::fputs("\n", stdout);
}

std::wstring Hex(UINT_PTR value) {
    wchar_t buffer[32];
    std::swprintf(buffer, 32, L"0x%x", static_cast<unsigned>(value));
    return buffer;
}

std::wstring Num(long long value) { return std::to_wstring(value); }

HWND ParseHwnd(const wchar_t* text) {
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::wcstoul(text, nullptr, 0)));
}

BOOL CALLBACK Collect(HWND hwnd, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> TopLevel() {
    std::vector<HWND> found;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> found;
    EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&found));
    return found;
}

enum class Want { Any, Visible, Hidden };

HWND FindTop(const std::wstring& title, Want want, const wchar_t* window_class = nullptr) {
    for (HWND hwnd : TopLevel()) {
        const std::wstring cls = ClassOf(hwnd);
        // The notification icon's tooltip carries the program's name too.
        if (cls == L"tooltips_class32" && !window_class) continue;
        if (window_class && cls != window_class) continue;
        if (Text(hwnd) != title) continue;
        const bool visible = IsWindowVisible(hwnd);
        if (want == Want::Visible && !visible) continue;
        if (want == Want::Hidden && visible) continue;
        return hwnd;
    }
    return nullptr;
}

template <class F>
bool WaitFor(DWORD timeout_ms, F&& done) {
    const ULONGLONG until = GetTickCount64() + timeout_ms;
    for (;;) {
        if (done()) return true;
        if (GetTickCount64() >= until) return false;
        Sleep(25);
    }
}

std::wstring ListText(HWND list, int index) {
    const LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR) return {};
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
    SendMessageW(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buffer.data()));
    return buffer.data();
}

std::wstring ControlText(HWND child) {
    if (ClassOf(child) == L"ComboBox") {
        const LRESULT index = SendMessageW(child, CB_GETCURSEL, 0, 0);
        return index == CB_ERR ? L"" : ListText(child, static_cast<int>(index));
    }
    return Text(child);
}

DWORD Timeout(int argc, wchar_t** argv, int at, DWORD fallback) {
    return argc > at ? static_cast<DWORD>(std::wcstoul(argv[at], nullptr, 10)) : fallback;
}

LRESULT CALLBACK CoverProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    if (message == WM_CHAR) {
        const std::wstring title = Text(hwnd) + static_cast<wchar_t>(wparam);
        SetWindowTextW(hwnd, title.c_str());
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

// ---- Active Accessibility, as a screen reader uses it -------------------------

std::wstring Bstr(BSTR text) {
    std::wstring out = text ? text : L"";
    SysFreeString(text);
    return out;
}

VARIANT Self() {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = CHILDID_SELF;
    return v;
}

// One element: role, role text, state, place on the screen, default action, name.
std::wstring Describe(IAccessible* acc, VARIANT child) {
    BSTR name = nullptr, action = nullptr;
    acc->get_accName(child, &name);
    acc->get_accDefaultAction(child, &action);
    VARIANT role, state;
    VariantInit(&role);
    VariantInit(&state);
    acc->get_accRole(child, &role);
    acc->get_accState(child, &state);
    long x = 0, y = 0, w = 0, h = 0;
    acc->accLocation(&x, &y, &w, &h, child);
    const long role_number = role.vt == VT_I4 ? role.lVal : 0;
    wchar_t role_text[128] = {};
    GetRoleTextW(static_cast<DWORD>(role_number), role_text, 128);
    return Num(role_number) + L"\t" + role_text + L"\t" +
           Hex(state.vt == VT_I4 ? static_cast<UINT_PTR>(state.lVal) : 0) + L"\t" + Num(x) + L" " +
           Num(y) + L" " + Num(w) + L" " + Num(h) + L"\t" + Bstr(action) + L"\t" + Bstr(name);
}

IAccessible* ClientOf(HWND hwnd) {
    IAccessible* acc = nullptr;
    if (FAILED(AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&acc))))
        return nullptr;
    return acc;
}

// The children of an element, each as an object of its own (a null object
// for a child the parent answers for itself, with its id in `ids`).
std::vector<IAccessible*> ChildrenOf(IAccessible* parent, std::vector<long>& ids) {
    long count = 0;
    parent->get_accChildCount(&count);
    std::vector<VARIANT> children(static_cast<std::size_t>(count > 0 ? count : 0));
    long got = 0;
    if (count > 0) AccessibleChildren(parent, 0, count, children.data(), &got);
    std::vector<IAccessible*> out;
    for (long i = 0; i < got; ++i) {
        IAccessible* acc = nullptr;
        if (children[i].vt == VT_DISPATCH && children[i].pdispVal) {
            children[i].pdispVal->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&acc));
            children[i].pdispVal->Release();
        }
        out.push_back(acc);
        ids.push_back(children[i].vt == VT_I4 ? children[i].lVal : CHILDID_SELF);
    }
    return out;
}

VOID CALLBACK HeardEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD,
                         DWORD) {
    IAccessible* acc = nullptr;
    VARIANT which;
    VariantInit(&which);
    if (FAILED(AccessibleObjectFromEvent(hwnd, static_cast<DWORD>(object), static_cast<DWORD>(child),
                                         &acc, &which)) || !acc)
        return;
    Print(std::wstring(event == EVENT_SYSTEM_ALERT ? L"alert" : L"focus") + L"\t" +
          Describe(acc, which));
    std::fflush(stdout);
    acc->Release();
}

// The picture in `path`, decoded by OleLoadPicture and drawn at its own size
// on white, written as a bottom-up 24-bit BMP: what the program draws for a
// picture made for its place, pixel for pixel.
bool DecodeToBmp(const wchar_t* path, const wchar_t* out) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const DWORD size = GetFileSize(file, nullptr);
    HGLOBAL bytes = GlobalAlloc(GMEM_MOVEABLE, size);
    DWORD got = 0;
    const bool read = bytes && ReadFile(file, GlobalLock(bytes), size, &got, nullptr) && got == size;
    CloseHandle(file);
    if (!read) return false;
    GlobalUnlock(bytes);
    IStream* stream = nullptr;
    IPicture* picture = nullptr;
    CoInitialize(nullptr);
    if (FAILED(CreateStreamOnHGlobal(bytes, TRUE, &stream)) ||
        FAILED(OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(&picture))))
        return false;
    OLE_HANDLE handle = 0;
    BITMAP bitmap{};
    OLE_XSIZE_HIMETRIC w_hm = 0;
    OLE_YSIZE_HIMETRIC h_hm = 0;
    picture->get_Handle(&handle);
    picture->get_Width(&w_hm);
    picture->get_Height(&h_hm);
    if (!GetObjectW(reinterpret_cast<HGDIOBJ>(static_cast<UINT_PTR>(handle)), sizeof bitmap, &bitmap))
        return false;
    const int w = bitmap.bmWidth, h = bitmap.bmHeight < 0 ? -bitmap.bmHeight : bitmap.bmHeight;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const int stride = (w * 3 + 3) & ~3;
    std::memset(bits, 0xFF, static_cast<size_t>(stride) * h);
    HGDIOBJ old = SelectObject(dc, dib);
    picture->Render(dc, 0, 0, w, h, 0, h_hm, w_hm, -h_hm, nullptr);
    GdiFlush();
    SelectObject(dc, old);
    BITMAPFILEHEADER header{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + stride * h),
                            0, 0, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    HANDLE target = CreateFileW(out, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    const bool ok = target != INVALID_HANDLE_VALUE &&
                    WriteFile(target, &header, sizeof header, &written, nullptr) &&
                    WriteFile(target, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr) &&
                    WriteFile(target, bits, static_cast<DWORD>(stride * h), &written, nullptr);
    if (target != INVALID_HANDLE_VALUE) CloseHandle(target);
    DeleteObject(dib);
    DeleteDC(dc);
    picture->Release();
    stream->Release();
    return ok;
}

int Usage() {
    Print(L"usage: driver COMMAND ...");
    return 2;
}

int Command(int argc, wchar_t** argv) {
    if (argc < 2) return Usage();
    const std::wstring command = argv[1];

    if (command == L"windows") {
        for (HWND hwnd : TopLevel()) {
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            Print(Hex(reinterpret_cast<UINT_PTR>(hwnd)) + L"\t" + Num(pid) + L"\t" + ClassOf(hwnd) +
                  L"\t" + (IsWindowVisible(hwnd) ? L"visible" : L"hidden") + L"\t" + Text(hwnd));
        }
        return 0;
    }
    if (command == L"find" && argc >= 3) {
        Want want = Want::Any;
        if (argc > 4 && std::wstring(argv[4]) == L"visible") want = Want::Visible;
        if (argc > 4 && std::wstring(argv[4]) == L"hidden") want = Want::Hidden;
        const wchar_t* window_class = argc > 5 ? argv[5] : nullptr;
        HWND found = nullptr;
        if (!WaitFor(Timeout(argc, argv, 3, 5000),
                     [&] { return (found = FindTop(argv[2], want, window_class)); }))
            return 1;
        SYSTEMTIME now;
        GetLocalTime(&now);
        wchar_t at[32];
        std::swprintf(at, 32, L"at=%02u:%02u:%02u.%03u", now.wHour, now.wMinute, now.wSecond,
                      now.wMilliseconds);
        Print(Hex(reinterpret_cast<UINT_PTR>(found)));
        Print(at);
        return 0;
    }
    if (command == L"gone" && argc >= 3) {
        return WaitFor(Timeout(argc, argv, 3, 5000),
                       [&] { return FindTop(argv[2], Want::Visible) == nullptr; })
                   ? 0
                   : 1;
    }
    if (command == L"info" && argc >= 3) {
        HWND hwnd = ParseHwnd(argv[2]);
        if (!IsWindow(hwnd)) return 1;
        RECT client{};
        GetClientRect(hwnd, &client);
        POINT origin{0, 0};
        ClientToScreen(hwnd, &origin);
        RECT window{};
        GetWindowRect(hwnd, &window);
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        const LONG ex_style = GetWindowLongW(hwnd, GWL_EXSTYLE);
        const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
        Print(L"title=" + Text(hwnd));
        Print(L"class=" + ClassOf(hwnd));
        Print(L"visible=" + Num(IsWindowVisible(hwnd) ? 1 : 0));
        Print(L"enabled=" + Num(IsWindowEnabled(hwnd) ? 1 : 0));
        Print(L"iconic=" + Num(IsIconic(hwnd) ? 1 : 0));
        Print(L"client_x=" + Num(origin.x));
        Print(L"client_y=" + Num(origin.y));
        Print(L"client_w=" + Num(client.right));
        Print(L"client_h=" + Num(client.bottom));
        Print(L"window_x=" + Num(window.left));
        Print(L"window_y=" + Num(window.top));
        Print(L"window_w=" + Num(window.right - window.left));
        Print(L"window_h=" + Num(window.bottom - window.top));
        Print(L"style=" + Hex(static_cast<DWORD>(style)));
        Print(L"ex_style=" + Hex(static_cast<DWORD>(ex_style)));
        Print(L"owner=" + Hex(reinterpret_cast<UINT_PTR>(GetWindow(hwnd, GW_OWNER))));
        Print(L"pid=" + Num(pid));
        return 0;
    }
    if (command == L"children" && argc >= 3) {
        HWND parent = ParseHwnd(argv[2]);
        if (!IsWindow(parent)) return 1;
        for (HWND child : Children(parent)) {
            if (GetParent(child) != parent) continue;
            RECT r{};
            GetWindowRect(child, &r);
            POINT at{r.left, r.top};
            ScreenToClient(parent, &at);
            Print(Num(GetDlgCtrlID(child)) + L"\t" + ClassOf(child) + L"\t" +
                  Num(IsWindowVisible(child) ? 1 : 0) + L"\t" + Num(IsWindowEnabled(child) ? 1 : 0) +
                  L"\t" + Num(at.x) + L"\t" + Num(at.y) + L"\t" + Num(r.right - r.left) + L"\t" +
                  Num(r.bottom - r.top) + L"\t" + Hex(reinterpret_cast<UINT_PTR>(child)) + L"\t" +
                  ControlText(child));
        }
        return 0;
    }
    if (command == L"items" && argc >= 4) {
        HWND list = GetDlgItem(ParseHwnd(argv[2]), static_cast<int>(std::wcstol(argv[3], nullptr, 0)));
        if (!list) return 1;
        const LRESULT count = SendMessageW(list, CB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) Print(ListText(list, i));
        return 0;
    }
    if (command == L"select" && argc >= 5 && argc % 2 == 1) {
        HWND parent = ParseHwnd(argv[2]);
        for (int at = 3; at + 1 < argc; at += 2) {
            const int id = static_cast<int>(std::wcstol(argv[at], nullptr, 0));
            HWND list = GetDlgItem(parent, id);
            if (!list) return 1;
            const LRESULT count = SendMessageW(list, CB_GETCOUNT, 0, 0);
            bool picked = false;
            for (int i = 0; i < count && !picked; ++i) {
                // Exact, case and all: the list's own search ignores case.
                if (ListText(list, i) != argv[at + 1]) continue;
                SendMessageW(list, CB_SETCURSEL, i, 0);
                SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(list));
                picked = true;
            }
            if (!picked) return 1;
        }
        return 0;
    }
    if (command == L"press" && argc >= 4) {
        HWND button = GetDlgItem(ParseHwnd(argv[2]), static_cast<int>(std::wcstol(argv[3], nullptr, 0)));
        if (!button) return 1;
        if (argc > 4 && std::wstring(argv[4]) == L"sync") {
            DWORD_PTR ignored = 0;
            return SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 60000, &ignored)
                       ? 0
                       : 1;
        }
        // Posted: the press may open a modal window that would hold a sent
        // message until it closes.
        PostMessageW(button, BM_CLICK, 0, 0);
        return 0;
    }
    if (command == L"dialog" && argc >= 3) {
        HWND dialog = nullptr;
        if (!WaitFor(Timeout(argc, argv, 3, 5000),
                     [&] { return (dialog = FindTop(argv[2], Want::Visible, L"#32770")); }))
            return 1;
        Print(L"hwnd=" + Hex(reinterpret_cast<UINT_PTR>(dialog)));
        DWORD pid = 0;
        GetWindowThreadProcessId(dialog, &pid);
        Print(L"pid=" + Num(pid));
        Print(L"owner=" + Hex(reinterpret_cast<UINT_PTR>(GetWindow(dialog, GW_OWNER))));
        for (HWND child : Children(dialog)) {
            const std::wstring cls = ClassOf(child);
            const LONG style = GetWindowLongW(child, GWL_STYLE);
            if (cls == L"Static" && (style & SS_TYPEMASK) == SS_ICON) {
                // A box without an icon keeps a hidden one.
                if (IsWindowVisible(child) && SendMessageW(child, STM_GETICON, 0, 0)) {
                    Print(L"icon=" + Num(GetDlgCtrlID(child)));
                    RECT r{};
                    GetWindowRect(child, &r);  // on the screen, for a look at its colours
                    Print(L"icon_rect=" + Num(r.left) + L" " + Num(r.top) + L" " +
                          Num(r.right - r.left) + L" " + Num(r.bottom - r.top));
                }
            }
            else if (cls == L"Static" || cls == L"Button")
                Print((cls == L"Static" ? L"text=" : L"button=") + Text(child));
        }
        return 0;
    }
    if (command == L"focus" && argc >= 3) {
        HWND hwnd = ParseHwnd(argv[2]);
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (!GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info)) return 1;
        Print(Num(info.hwndFocus ? GetDlgCtrlID(info.hwndFocus) : 0) + L"\t" +
              (info.hwndFocus ? ClassOf(info.hwndFocus) : L"") + L"\t" +
              Hex(reinterpret_cast<UINT_PTR>(info.hwndActive)));
        return 0;
    }
    if (command == L"post" && argc >= 6 && (argc - 3) % 3 == 0) {
        for (int at = 3; at + 2 < argc; at += 3)
            if (!PostMessageW(ParseHwnd(argv[2]), std::wcstoul(argv[at], nullptr, 0),
                              std::wcstoul(argv[at + 1], nullptr, 0),
                              static_cast<LPARAM>(std::wcstol(argv[at + 2], nullptr, 0))))
                return 1;
        return 0;
    }
    if (command == L"send" && argc >= 6) {
        // Not given up as hung: a program just let go on after a stop (as
        // after a sleep) has not looked at its messages for a while, and
        // answers once it does.
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(ParseHwnd(argv[2]), std::wcstoul(argv[3], nullptr, 0),
                                   std::wcstoul(argv[4], nullptr, 0),
                                   static_cast<LPARAM>(std::wcstol(argv[5], nullptr, 0)),
                                   SMTO_NORMAL, 60000, &result)
                   ? 0
                   : 1;
    }
    if (command == L"send-inside" && argc >= 4) {
        // Has inside.dll beside the driver act inside the window's process:
        // a message whose lParam points to a RECT, a contrast theme, a count.
        HWND hwnd = ParseHwnd(argv[2]);
        wchar_t dll[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, dll, MAX_PATH);
        std::wcscpy(std::wcsrchr(dll, L'\\') + 1, L"inside.dll");
        HMODULE inside = LoadLibraryW(dll);
        auto* hook = inside ? reinterpret_cast<HOOKPROC>(
                                  reinterpret_cast<void*>(GetProcAddress(inside, "InsideHook@12")))
                            : nullptr;
        if (!hook && inside)
            hook = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(inside, "InsideHook")));
        if (!hook) return 1;
        HHOOK hooked = SetWindowsHookExW(WH_GETMESSAGE, hook, inside, GetWindowThreadProcessId(hwnd, nullptr));
        if (!hooked) return 1;
        std::wstring text;
        for (int at = 3; at < argc; ++at) text += std::wstring(at > 3 ? L" " : L"") + argv[at];
        const ATOM atom = GlobalAddAtomW(text.c_str());
        wchar_t left[128];
        // The hook deletes the atom once the window has had the message.
        const bool done =
            atom && PostMessageW(hwnd, RegisterWindowMessageW(L"TarnovelleSendInside"), 0, atom) &&
            WaitFor(60000, [&] { return GlobalGetAtomNameW(atom, left, 128) == 0; });
        UnhookWindowsHookEx(hooked);
        if (!done && atom) GlobalDeleteAtom(atom);
        return done ? 0 : 1;
    }
    if (command == L"decode" && argc >= 4 && argc % 2 == 0) {
        for (int at = 2; at + 1 < argc; at += 2)
            if (!DecodeToBmp(argv[at], argv[at + 1])) return 1;
        return 0;
    }
    if (command == L"taskbar-created") {
        const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
        return PostMessageW(HWND_BROADCAST, message, 0, 0) ? 0 : 1;
    }
    if (command == L"tooltips") {
        for (HWND hwnd : TopLevel())
            if (ClassOf(hwnd) == L"tooltips_class32" && IsWindowVisible(hwnd)) Print(Text(hwnd));
        return 0;
    }
    if (command == L"tray-forget" && argc >= 3) {
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof data;
        data.hWnd = ParseHwnd(argv[2]);
        data.uID = 1;
        return Shell_NotifyIconW(NIM_DELETE, &data) ? 0 : 1;
    }
    if (command == L"menus") {
        for (HWND hwnd : TopLevel()) {
            if (ClassOf(hwnd) != L"#32768" || !IsWindowVisible(hwnd)) continue;
            RECT r{};
            GetWindowRect(hwnd, &r);
            Print(Num(r.left) + L"\t" + Num(r.top) + L"\t" + Num(r.right - r.left) + L"\t" +
                  Num(r.bottom - r.top));
        }
        return 0;
    }
    if (command == L"cover" && argc >= 3) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = CoverProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
        wc.lpszClassName = L"TarnovelleTestCover";
        RegisterClassW(&wc);
        const bool full = argc >= 4 && std::wstring(argv[3]) == L"full";
        HWND cover = full ? CreateWindowExW(0, wc.lpszClassName, argv[2], WS_POPUP, 0, 0,
                                            GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                            nullptr, nullptr, wc.hInstance, nullptr)
                          : CreateWindowExW(0, wc.lpszClassName, argv[2], WS_OVERLAPPEDWINDOW,
                                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                            nullptr, nullptr, wc.hInstance, nullptr);
        if (!cover) return 1;
        ShowWindow(cover, full ? SW_SHOW : SW_SHOWMAXIMIZED);
        SetForegroundWindow(cover);
        Print(Hex(reinterpret_cast<UINT_PTR>(cover)));
        std::fflush(stdout);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        return 0;
    }
    if (command == L"files" && argc >= 3) {
        for (HWND child : Children(ParseHwnd(argv[2])))
            if (ClassOf(child) == L"SysListView32") {
                Print(Num(SendMessageW(child, LVM_GETITEMCOUNT, 0, 0)));
                return 0;
            }
        return 1;
    }
    if (command == L"monitor" && argc >= 4) {
        const POINT point{static_cast<LONG>(std::wcstol(argv[2], nullptr, 10)),
                          static_cast<LONG>(std::wcstol(argv[3], nullptr, 10))};
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        if (!GetMonitorInfoW(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), &monitor)) return 1;
        const RECT& r = monitor.rcWork;
        Print(Num(r.left) + L" " + Num(r.top) + L" " + Num(r.right) + L" " + Num(r.bottom));
        return 0;
    }
    if (command == L"activate" && argc >= 3) {
        HWND hwnd = ParseHwnd(argv[2]);
        return IsWindow(hwnd) && SetForegroundWindow(hwnd) ? 0 : 1;
    }
    if (command == L"dpi") {
        HDC screen = GetDC(nullptr);
        Print(Num(GetDeviceCaps(screen, LOGPIXELSX)));
        ReleaseDC(nullptr, screen);
        return 0;
    }
    if (command.rfind(L"acc-", 0) == 0) CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (command == L"acc-children" && argc >= 3) {
        IAccessible* client = ClientOf(ParseHwnd(argv[2]));
        if (!client) return 1;
        Print(L"self\t" + Describe(client, Self()));
        std::vector<long> ids;
        for (IAccessible* child : ChildrenOf(client, ids)) {
            VARIANT id = Self();
            id.lVal = child ? CHILDID_SELF : ids.front();
            Print(L"child\t" + Describe(child ? child : client, id));
            ids.erase(ids.begin());
            if (child) child->Release();
        }
        client->Release();
        return 0;
    }
    if (command == L"acc-point" && argc >= 4) {
        const POINT point{static_cast<LONG>(std::wcstol(argv[2], nullptr, 10)),
                          static_cast<LONG>(std::wcstol(argv[3], nullptr, 10))};
        IAccessible* acc = nullptr;
        VARIANT child;
        VariantInit(&child);
        if (FAILED(AccessibleObjectFromPoint(point, &acc, &child)) || !acc) return 1;
        Print(Describe(acc, child));
        acc->Release();
        return 0;
    }
    if (command == L"acc-do" && argc >= 4) {
        IAccessible* client = ClientOf(ParseHwnd(argv[2]));
        if (!client) return 1;
        std::vector<long> ids;
        int result = 1;
        for (IAccessible* child : ChildrenOf(client, ids)) {
            if (!child) continue;
            BSTR name = nullptr;
            child->get_accName(Self(), &name);
            if (result && Bstr(name) == argv[3]) result = SUCCEEDED(child->accDoDefaultAction(Self())) ? 0 : 1;
            child->Release();
        }
        client->Release();
        return result;
    }
    if (command == L"acc-events" && argc >= 3) {
        HWINEVENTHOOK alert = SetWinEventHook(EVENT_SYSTEM_ALERT, EVENT_SYSTEM_ALERT, nullptr,
                                              HeardEvent, 0, 0, WINEVENT_OUTOFCONTEXT);
        HWINEVENTHOOK focus = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr,
                                              HeardEvent, 0, 0, WINEVENT_OUTOFCONTEXT);
        if (!alert || !focus) return 1;
        Print(L"listening");
        std::fflush(stdout);
        const ULONGLONG until = GetTickCount64() + Timeout(argc, argv, 2, 10000);
        for (ULONGLONG now = GetTickCount64(); now < until; now = GetTickCount64()) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(until - now), QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        }
        UnhookWinEvent(alert);
        UnhookWinEvent(focus);
        return 0;
    }
    if (command == L"at" && argc >= 4) {
        const POINT point{static_cast<LONG>(std::wcstol(argv[2], nullptr, 10)),
                          static_cast<LONG>(std::wcstol(argv[3], nullptr, 10))};
        HWND hwnd = WindowFromPoint(point);
        if (!hwnd) return 1;
        Print(Hex(reinterpret_cast<UINT_PTR>(GetAncestor(hwnd, GA_ROOT))));
        return 0;
    }
    return Usage();
}

std::wstring Wide(const std::string& utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                      nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

// Commands from standard input until it ends.
int Serve(wchar_t* self) {
    _setmode(_fileno(stdin), _O_BINARY);
    std::string line;
    for (int c = std::fgetc(stdin); c != EOF; c = std::fgetc(stdin)) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::wstring> words{self};
        std::size_t from = 0;
        for (std::size_t tab; (tab = line.find('\t', from)) != std::string::npos; from = tab + 1)
            words.push_back(Wide(line.substr(from, tab - from)));
        words.push_back(Wide(line.substr(from)));
        line.clear();
        std::vector<wchar_t*> args;
        for (std::wstring& word : words) args.push_back(word.data());
        args.push_back(nullptr);
        const int result = Command(static_cast<int>(words.size()), args.data());
        std::printf("\x1e%d\n", result);
        std::fflush(stdout);
        // Whatever the system sent this thread meanwhile (COM's own window).
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wstring(argv[1]) == L"serve") return Serve(argv[0]);
    return Command(argc, argv);
}
