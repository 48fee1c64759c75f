// The window as a whole: made from its design (class, styles, size, place,
// icons), shown, hidden and retitled.
#include "platform/win32/form_window.h"

#include <commctrl.h>

#include "platform/win32/dpi.h"
#include "platform/win32/profile.h"
#include "platform/win32/services.h"
#include "platform/win32/sound.h"

namespace platform::win32 {

namespace {

// How far from the work area's edges a notification stands (pixels at 100 %).
constexpr int kNotificationMargin = 12;

// The monitor the user works on: the foreground window's, or the mouse's.
RECT UsersMonitorArea() {
    HWND foreground = GetForegroundWindow();
    HMONITOR monitor = foreground ? MonitorFromWindow(foreground, MONITOR_DEFAULTTONULL) : nullptr;
    if (!monitor) {
        POINT cursor{};
        GetCursorPos(&cursor);
        monitor = MonitorFromPoint(cursor, MONITOR_DEFAULTTOPRIMARY);
    }
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (monitor && GetMonitorInfoW(monitor, &info)) return info.rcWork;
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

}  // namespace

DWORD FormWindow::Style() const {
    DWORD style = WS_CLIPCHILDREN;
    switch (design_.border) {
        case Border::FixedSingle:
            style |= WS_OVERLAPPED | WS_CAPTION;
            if (design_.control_box) style |= WS_SYSMENU;
            if (design_.min_button) style |= WS_MINIMIZEBOX;
            if (design_.max_button) style |= WS_MAXIMIZEBOX;
            break;
        case Border::FixedToolWindow: style |= WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU; break;
        case Border::None: style |= WS_POPUP; break;
    }
    return style;
}

DWORD FormWindow::ExStyle() const {
    DWORD ex_style = 0;
    if (design_.border == Border::FixedToolWindow || !design_.show_in_taskbar)
        ex_style |= WS_EX_TOOLWINDOW;
    if (design_.topmost) ex_style |= WS_EX_TOPMOST;
    // Without a frame, a window is on the taskbar and in the window switcher
    // only when it says so.
    if (design_.border == Border::None && design_.show_in_taskbar) ex_style |= WS_EX_APPWINDOW;
    return ex_style;
}

SIZE FormWindow::FrameSize(int dpi) const {
    const PixelSize client = ScaledClient(design_, dpi);
    const RECT frame = FrameForClient(RECT{0, 0, client.width, client.height}, Style(), ExStyle(), dpi);
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

void FormWindow::CreateWindowFromDesign() {
    const std::wstring class_name = std::wstring(kWindowClassPrefix) + design_.name;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &FormWindow::WindowProc;
    wc.hInstance = instance_;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /*IDC_ARROW*/);
    wc.lpszClassName = class_name.c_str();
    // A class outlives the window; registering it again fails harmlessly.
    RegisterClassExW(&wc);

    // The window takes the scale of the monitor it is made on; it is made
    // there at the size the system's scale gives, and sized again if its
    // monitor's scale is another.
    const bool placed = design_.centred || design_.notification;
    const RECT area = !placed                    ? RECT{}
                      : design_.on_users_monitor ? UsersMonitorArea()
                                                 : RECT{0, 0, GetSystemMetrics(SM_CXSCREEN),
                                                        GetSystemMetrics(SM_CYSCREEN)};
    auto place = [&](SIZE size, int dpi) {
        // A notification stands where Windows shows its own: in the work
        // area's bottom right corner, above the taskbar.
        if (design_.notification) {
            const int margin = ScaledPixels(kNotificationMargin, dpi);
            return POINT{area.right - size.cx - margin, area.bottom - size.cy - margin};
        }
        return POINT{area.left + (area.right - area.left - size.cx) / 2,
                     area.top + (area.bottom - area.top - size.cy) / 2};
    };
    SIZE size = FrameSize(SystemDpi());
    POINT at = placed ? place(size, SystemDpi()) : POINT{CW_USEDEFAULT, CW_USEDEFAULT};
    HWND created = CreateWindowExW(ExStyle(), class_name.c_str(), design_.caption, Style(), at.x, at.y,
                                   size.cx, size.cy, nullptr, nullptr, instance_, this);
    if (!created) Raise(static_cast<long>(GetLastError()), L"The window could not be created");
    PROFILE_STEP("window");
    dpi_ = WindowDpi(hwnd_);
    fonts_.SetDpi(dpi_);  // none made yet
    if (const SIZE own = FrameSize(dpi_); own.cx != size.cx || own.cy != size.cy) {
        size = own;
        at = placed ? place(size, dpi_) : at;
        SetWindowPos(hwnd_, nullptr, at.x, at.y, size.cx, size.cy,
                     (placed ? 0 : SWP_NOMOVE) | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // A new shell announces itself to every window, and the shell tells the
    // icon's events, also when the program runs elevated and the shell does not.
    ChangeWindowMessageFilterEx(hwnd_, TaskbarCreatedMessage(), MSGFLT_ALLOW, nullptr);
    ChangeWindowMessageFilterEx(hwnd_, kMsgTrayIcon, MSGFLT_ALLOW, nullptr);
    PROFILE_STEP("window placed");
    LoadIcons();
    PROFILE_STEP("title bar icons");
}

// The title bar's and the task switcher's icons, at the sizes the system
// uses at the window's scale: made for that size, never stretched.
void FormWindow::LoadIcons() {
    if (!design_.icon_resource || !hwnd_) return;
    UniqueIcon big(static_cast<HICON>(
        LoadImageW(instance_, MAKEINTRESOURCEW(design_.icon_resource), IMAGE_ICON,
                   MetricForDpi(SM_CXICON, dpi_), MetricForDpi(SM_CYICON, dpi_), 0)));
    UniqueIcon small(static_cast<HICON>(
        LoadImageW(instance_, MAKEINTRESOURCEW(design_.icon_resource), IMAGE_ICON,
                   MetricForDpi(SM_CXSMICON, dpi_), MetricForDpi(SM_CYSMICON, dpi_), 0)));
    // The window shows the new icons before the old ones go.
    if (big) SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
    if (small) SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    if (big) big_icon_ = std::move(big);
    if (small) small_icon_ = std::move(small);
}

void FormWindow::LoadBackground() {
    if (!design_.picture_resource) return;
    const PixelSize natural = ScaledClient(design_, kDefaultDpi);
    background_ = Picture::ForPlace(instance_, design_.picture_resource, natural,
                                    ScaledClient(design_, dpi_));
}

// A tip shows only under the mouse, so the tooltip window is made when the
// mouse first comes over the window (MakeTooltips), not at start.
void FormWindow::AddTooltip(HWND child, const wchar_t* text) {
    tips_.push_back(Tip{child, text});
    if (tooltip_) AddTool(tips_.back());
}

void FormWindow::MakeTooltips() {
    if (tooltip_ || tips_.empty() || !hwnd_) return;
    // Owned by the window, so destroyed with it.
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                               WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                               instance_, nullptr);
    if (!tooltip_) return;
    // Each tool watches its control's mouse messages from now on, the move
    // that brought the mouse here among them.
    for (const Tip& tip : tips_) AddTool(tip);
}

void FormWindow::AddTool(const Tip& tip) {
    TOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = hwnd_;
    info.uId = reinterpret_cast<UINT_PTR>(tip.child);
    info.lpszText = const_cast<wchar_t*>(tip.text);
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

// ---- IWindow ------------------------------------------------------------------

Handle FormWindow::hWnd() const {
    static_assert(sizeof(HWND) == sizeof(Handle), "a 32-bit program");
    return static_cast<Handle>(reinterpret_cast<UINT_PTR>(hwnd_));
}

std::wstring FormWindow::Caption() const { return WindowText(hwnd_); }

void FormWindow::SetCaption(const std::wstring& caption) {
    if (!hwnd_) return;
    SetWindowTextW(hwnd_, caption.c_str());
    // An alert on screen that says something new is announced again.
    if (design_.alert && IsWindowVisible(hwnd_)) NotifyWinEvent(EVENT_SYSTEM_ALERT, hwnd_, OBJID_CLIENT, CHILDID_SELF);
}

bool FormWindow::Visible() const { return hwnd_ && IsWindowVisible(hwnd_); }

void FormWindow::Show() {
    if (!hwnd_) return;
    // A warning or a notice is announced when it appears, though it takes
    // no focus; a notice with the notification sound.
    const bool appears = !IsWindowVisible(hwnd_);
    auto announce = [&] {
        if (appears && design_.notification) PlayNotificationSound();
        if (appears && design_.alert) NotifyWinEvent(EVENT_SYSTEM_ALERT, hwnd_, OBJID_CLIENT, CHILDID_SELF);
    };
    if (design_.topmost) {
        // Above every other window, without asking for the foreground.
        SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        announce();
        return;
    }
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    announce();
    if (!shown_once_) {
        shown_once_ = true;
        // The first control in the tab order holds the focus, even when it
        // lies outside the visible part of the window.
        if (HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE)) SetFocus(first);
    }
}

void FormWindow::Hide() {
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

int FormWindow::WindowState() const {
    if (!hwnd_) return kStateNormal;
    if (IsIconic(hwnd_)) return kStateMinimized;
    if (IsZoomed(hwnd_)) return kStateMaximized;
    return kStateNormal;
}

void FormWindow::SetWindowState(int state) {
    if (!hwnd_ || state == WindowState()) return;
    ShowWindow(hwnd_, state == kStateMinimized   ? SW_MINIMIZE
                      : state == kStateMaximized ? SW_MAXIMIZE
                                                 : SW_RESTORE);
}

void FormWindow::PopupMenu(IMenu& menu) {
    if (!hwnd_ || &menu != menu_.get()) return;
    POINT at{};
    GetCursorPos(&at);
    // Without the window in front the menu would not close on an outside
    // click; the posted message lets it end cleanly.
    SetForegroundWindow(hwnd_);
    TrackPopupMenu(menu_->get(), 0, at.x, at.y, 0, hwnd_, nullptr);
    PostMessageW(hwnd_, WM_NULL, 0, 0);
}

void FormWindow::Unload() {
    if (!hwnd_ || unloading_) return;
    unloading_ = true;
    if (events_) events_->Unload();
    DestroyWindow(hwnd_);
}

}  // namespace platform::win32
