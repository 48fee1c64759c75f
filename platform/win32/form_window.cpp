#include "platform/win32/form_window.h"

#include "platform/win32/services.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

namespace platform::win32 {

namespace {

int Px(int twips) { return twips / kTwipsPerPixel; }

RECT DesignRect(const ControlDesign& d) {
    const PixelRect r = PixelRectOf(d);
    return RECT{r.left, r.top, r.right, r.bottom};
}

COLORREF Resolve(std::uint32_t colour) {
    if (colour & kSystemColourFlag) return GetSysColor(static_cast<int>(colour & 0xFF));
    return static_cast<COLORREF>(colour);
}

std::wstring WindowText(HWND hwnd) {
    if (!hwnd) return {};
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(got, 0)));
    return text;
}

// The list drops down far enough to show about a dozen items.
constexpr int kDropDownHeight = 200;

UINT TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

}  // namespace

// ---- Controls -----------------------------------------------------------------

class FormWindow::Control {
public:
    Control(FormWindow& form, const ControlDesign& design) : form_(form), design_(design) {}
    virtual ~Control() = default;
    const ControlDesign& design() const { return design_; }
    HWND child() const { return child_; }
    void set_child(HWND child) { child_ = child; }

protected:
    FormWindow& form_;
    const ControlDesign& design_;
    HWND child_ = nullptr;  // destroyed with the window
};

class FormWindow::ListControl final : public Control, public IListBox {
public:
    using Control::Control;
    std::wstring Text() const override {
        if (!child_) return {};
        const LRESULT index = SendMessageW(child_, CB_GETCURSEL, 0, 0);
        if (index == CB_ERR) return {};
        const LRESULT length = SendMessageW(child_, CB_GETLBTEXTLEN, index, 0);
        if (length == CB_ERR) return {};
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        const LRESULT got =
            SendMessageW(child_, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
        text.resize(got == CB_ERR ? 0 : static_cast<std::size_t>(got));
        return text;
    }
};

class FormWindow::TextControl final : public Control, public ITextBox {
public:
    TextControl(FormWindow& form, const ControlDesign& design) : Control(form, design) {
        if (design.has_back_colour) brush_.reset(CreateSolidBrush(Resolve(design.back_colour)));
    }
    // The clock writes its text and the triggers read it many times a
    // second: the text is kept here and read from the control only after
    // the control reported a change (the user typed).
    std::wstring Text() const override {
        if (stale_) {
            text_ = WindowText(child_);
            stale_ = false;
        }
        return text_;
    }
    void SetText(const std::wstring& text) override {
        if (!child_ || Text() == text) return;  // only a change is worth a repaint
        SetWindowTextW(child_, text.c_str());
        text_ = text;
        stale_ = false;
    }
    void Changed() { stale_ = true; }
    HBRUSH brush() const { return static_cast<HBRUSH>(brush_.get()); }

private:
    UniqueBrush brush_;
    mutable std::wstring text_;
    mutable bool stale_ = true;
};

// A label with a caption shows it in a static window, so anyone can read it;
// the static lets the mouse through, and the window does the hit-testing.
class FormWindow::LabelControl final : public Control, public ILabel {
public:
    LabelControl(FormWindow& form, const ControlDesign& design)
        : Control(form, design), caption_(design.caption ? design.caption : L""),
          rect_(DesignRect(design)) {}
    std::wstring Caption() const override { return caption_; }
    void SetCaption(const std::wstring& caption) override {
        caption_ = caption;
        if (child_) SetWindowTextW(child_, caption_.c_str());
        Layout();
    }
    const RECT& rect() const { return rect_; }
    bool shows_text() const { return design_.caption != nullptr; }
    // Labels that size themselves follow their caption.
    void Layout() {
        rect_ = DesignRect(design_);
        if (design_.auto_size && form_.hwnd_) {
            HDC dc = GetDC(form_.hwnd_);
            HGDIOBJ old = SelectObject(dc, form_.FontFor(design_.font));
            RECT r{0, 0, 0, 0};
            DrawTextW(dc, caption_.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
            SelectObject(dc, old);
            ReleaseDC(form_.hwnd_, dc);
            rect_.right = rect_.left + (r.right - r.left);
            rect_.bottom = rect_.top + (r.bottom - r.top);
        }
        if (child_) {
            MoveWindow(child_, rect_.left, rect_.top, rect_.right - rect_.left,
                       rect_.bottom - rect_.top, FALSE);
            InvalidateRect(child_, nullptr, TRUE);
        }
    }

private:
    std::wstring caption_;
    RECT rect_;
};

class FormWindow::TimerControl final : public Control, public ITimer {
public:
    TimerControl(FormWindow& form, const ControlDesign& design)
        : Control(form, design), enabled_(design.enabled) {}
    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool enabled) override {
        if (enabled_ == enabled) return;
        enabled_ = enabled;
        form_.UpdateTimerGroups();
    }

private:
    bool enabled_;
};

class FormWindow::ButtonControl final : public Control, public ICommandButton {
public:
    using Control::Control;
    bool Enabled() const override { return child_ && IsWindowEnabled(child_); }
    void SetEnabled(bool enabled) override {
        if (child_) EnableWindow(child_, enabled ? TRUE : FALSE);
    }
};

class FormWindow::MenuControl final : public IMenu {
public:
    explicit MenuControl(const FormDesign& design) : popup_(CreatePopupMenu()) {
        for (int i = 0; i < design.menu_count; ++i) {
            const MenuItemDesign& item = design.menu[i];
            if (item.level != 1 || !item.visible) continue;
            if (std::wstring_view(item.caption) == L"-")
                AppendMenuW(popup_.get(), MF_SEPARATOR, kMenuIdBase + item.id, nullptr);
            else
                AppendMenuW(popup_.get(), MF_STRING, kMenuIdBase + item.id, item.caption);
        }
    }
    HMENU get() const { return popup_.get(); }

private:
    UniqueMenu popup_;
};

// ---- The window -------------------------------------------------------------

FormWindow::FormWindow(const FormDesign& design, HINSTANCE instance, IFormOwner& owner)
    : design_(design), instance_(instance), owner_(owner),
      twips_per_pixel_(ScreenTwipsPerPixelX()) {
    for (int i = 0; i < design.control_count; ++i) {
        const ControlDesign& d = design.controls[i];
        switch (d.kind) {
            case ControlKind::DropDownList:
                controls_.push_back(std::make_unique<ListControl>(*this, d));
                break;
            case ControlKind::TextBox:
                controls_.push_back(std::make_unique<TextControl>(*this, d));
                break;
            case ControlKind::Label:
                controls_.push_back(std::make_unique<LabelControl>(*this, d));
                break;
            case ControlKind::Timer:
                controls_.push_back(std::make_unique<TimerControl>(*this, d));
                break;
            case ControlKind::PushButton:
                controls_.push_back(std::make_unique<ButtonControl>(*this, d));
                break;
            case ControlKind::Picture:
                controls_.push_back(std::make_unique<Control>(*this, d));
                break;
        }
    }
    // Timers tick back to front in the design.
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
        if (auto* timer = dynamic_cast<TimerControl*>(it->get())) timers_.push_back(timer);
    if (design.menu_count > 0) menu_ = std::make_unique<MenuControl>(design);
    back_brush_.reset(CreateSolidBrush(Resolve(design.back_colour)));
}

FormWindow::~FormWindow() {
    if (hwnd_) {
        // Gone without an unload: the window must not call back into us.
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(std::exchange(hwnd_, nullptr));
    }
}

FormWindow::Control* FormWindow::Find(int id) const {
    for (const auto& c : controls_)
        if (c->design().id == id) return c.get();
    Raise(kErrInvalidCall, L"No such control");
}

IListBox& FormWindow::List(int id) { return dynamic_cast<ListControl&>(*Find(id)); }
ITextBox& FormWindow::TextBox(int id) { return dynamic_cast<TextControl&>(*Find(id)); }
ILabel& FormWindow::Label(int id) { return dynamic_cast<LabelControl&>(*Find(id)); }
ITimer& FormWindow::Timer(int id) { return dynamic_cast<TimerControl&>(*Find(id)); }
ICommandButton& FormWindow::Button(int id) { return dynamic_cast<ButtonControl&>(*Find(id)); }
IMenu& FormWindow::Menu(int /*id*/) {
    if (!menu_) Raise(kErrInvalidCall, L"No such menu");
    return *menu_;
}

HFONT FormWindow::FontFor(const FontDesign& wanted) {
    const FontDesign& font = wanted.face ? wanted : design_.default_font;
    if (!font.face) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    // One font object per distinct design font of this window.
    for (std::size_t i = 0; i < font_keys_.size(); ++i) {
        const FontDesign& k = font_keys_[i];
        if (std::wstring_view(k.face) == font.face && k.hundredths_pt == font.hundredths_pt &&
            k.bold == font.bold && k.underline == font.underline)
            return static_cast<HFONT>(fonts_[i].get());
    }
    // The program is not DPI-aware: 96 pixels per inch, always.
    const int height = -MulDiv(font.hundredths_pt, 96, 7200);
    HFONT created = CreateFontW(height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE,
                                font.underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, font.face);
    if (!created) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    font_keys_.push_back(font);
    fonts_.emplace_back(created);
    return created;
}

void FormWindow::Load() {
    if (hwnd_) return;
    const std::wstring class_name = std::wstring(kWindowClassPrefix) + design_.name;

    if (design_.icon_resource) {
        big_icon_.reset(static_cast<HICON>(LoadImageW(
            instance_, MAKEINTRESOURCEW(design_.icon_resource), IMAGE_ICON,
            GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0)));
        small_icon_.reset(static_cast<HICON>(LoadImageW(
            instance_, MAKEINTRESOURCEW(design_.icon_resource), IMAGE_ICON,
            GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
    }

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &FormWindow::WindowProc;
    wc.hInstance = instance_;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /*IDC_ARROW*/);
    wc.lpszClassName = class_name.c_str();
    // A class outlives the window; registering it again fails harmlessly.
    RegisterClassExW(&wc);

    DWORD style = WS_CLIPCHILDREN;
    DWORD ex_style = 0;
    switch (design_.border) {
        case Border::FixedSingle:
            style |= WS_OVERLAPPED | WS_CAPTION;
            if (design_.control_box) style |= WS_SYSMENU;
            if (design_.min_button) style |= WS_MINIMIZEBOX;
            if (design_.max_button) style |= WS_MAXIMIZEBOX;
            break;
        case Border::FixedToolWindow:
            style |= WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
            ex_style |= WS_EX_TOOLWINDOW;
            break;
        case Border::None:
            style |= WS_POPUP;
            break;
    }
    if (!design_.show_in_taskbar) ex_style |= WS_EX_TOOLWINDOW;

    RECT frame{0, 0, Px(design_.client_width), Px(design_.client_height)};
    AdjustWindowRectEx(&frame, style, FALSE, ex_style);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
    if (design_.centred) {
        x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    }

    HWND created = CreateWindowExW(ex_style, class_name.c_str(), design_.caption, style, x, y,
                                   width, height, nullptr, nullptr, instance_, this);
    if (!created) Raise(static_cast<long>(GetLastError()), L"The window could not be created");

    if (big_icon_) SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big_icon_.get()));
    if (small_icon_)
        SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_.get()));

    if (design_.picture_resource) background_ = Picture::FromResource(instance_, design_.picture_resource);
    for (int i = 0; i < design_.control_count; ++i) {
        const ControlDesign& d = design_.controls[i];
        if (d.kind == ControlKind::Picture && d.picture_resource)
            pictures_.emplace_back(d.id, Picture::FromResource(instance_, d.picture_resource));
        if (d.cursor_resource &&
            std::none_of(cursors_.begin(), cursors_.end(),
                         [&](const auto& c) { return c.first == d.cursor_resource; }))
            cursors_.emplace_back(d.cursor_resource,
                                  UniqueCursor(static_cast<HCURSOR>(LoadImageW(
                                      instance_, MAKEINTRESOURCEW(d.cursor_resource),
                                      IMAGE_CURSOR, 0, 0, 0))));
    }
    CreateChildren();
    UpdateTimerGroups();
    if (events_) events_->Load();
}

void FormWindow::CreateChildren() {
    std::vector<Control*> order;
    for (const auto& c : controls_) order.push_back(c.get());
    // Child windows are created in tab order, which is also their order for
    // the Tab key.
    std::stable_sort(order.begin(), order.end(), [](Control* a, Control* b) {
        return a->design().tab_index < b->design().tab_index;
    });
    for (Control* c : order) {
        const ControlDesign& d = c->design();
        const wchar_t* window_class = nullptr;
        DWORD style = WS_CHILD | (d.kind == ControlKind::Label ? 0 : WS_TABSTOP);
        DWORD ex_style = 0;
        const RECT r = DesignRect(d);
        int height = r.bottom - r.top;
        switch (d.kind) {
            case ControlKind::PushButton:
                window_class = L"BUTTON";
                style |= BS_PUSHBUTTON;
                break;
            case ControlKind::DropDownList:
                window_class = L"COMBOBOX";
                style |= CBS_DROPDOWNLIST | WS_VSCROLL;
                height += kDropDownHeight;
                break;
            case ControlKind::TextBox:
                window_class = L"EDIT";
                style |= ES_LEFT | ES_AUTOHSCROLL;
                ex_style |= WS_EX_CLIENTEDGE;
                break;
            case ControlKind::Label:
                if (d.caption) {
                    window_class = L"STATIC";
                    style |= d.auto_size ? SS_LEFTNOWORDWRAP : SS_LEFT;
                }
                break;
            default:
                break;
        }
        auto* label = dynamic_cast<LabelControl*>(c);
        if (!window_class) {
            if (label) label->Layout();
            continue;
        }
        if (d.visible) style |= WS_VISIBLE;
        if (!d.enabled) style |= WS_DISABLED;
        HWND child = CreateWindowExW(
            ex_style, window_class,
            d.kind == ControlKind::PushButton || d.kind == ControlKind::Label ? d.caption : L"", style,
            r.left, r.top, r.right - r.left, height, hwnd_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kChildIdBase + d.id)), instance_, nullptr);
        if (!child) Raise(static_cast<long>(GetLastError()), L"A control could not be created");
        c->set_child(child);
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(d.font)), FALSE);
        // Narrow margins, so the clock's eight characters fit its box.
        if (d.kind == ControlKind::TextBox)
            SendMessageW(child, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(1, 1));
        for (int i = 0; i < d.item_count; ++i)
            SendMessageW(child, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(d.items[i]));
        if (d.tooltip) AddTooltip(child, d.tooltip);
        if (label) label->Layout();
    }
}

void FormWindow::AddTooltip(HWND child, const wchar_t* text) {
    if (!tooltip_) {
        // Owned by the window, so destroyed with it.
        tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                   WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                   instance_, nullptr);
        if (!tooltip_) return;
    }
    TOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = hwnd_;
    info.uId = reinterpret_cast<UINT_PTR>(child);
    info.lpszText = const_cast<wchar_t*>(text);
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

// ---- IWindow ------------------------------------------------------------------

Handle FormWindow::hWnd() const {
    static_assert(sizeof(HWND) == sizeof(Handle), "a 32-bit program");
    return static_cast<Handle>(reinterpret_cast<UINT_PTR>(hwnd_));
}

std::wstring FormWindow::Caption() const { return WindowText(hwnd_); }

void FormWindow::SetCaption(const std::wstring& caption) {
    if (hwnd_) SetWindowTextW(hwnd_, caption.c_str());
}

bool FormWindow::Visible() const { return hwnd_ && IsWindowVisible(hwnd_); }

void FormWindow::Show() {
    if (!hwnd_) return;
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
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
    if (!hwnd_) return;
    auto& popup = dynamic_cast<MenuControl&>(menu);
    POINT at{};
    GetCursorPos(&at);
    // Without the window in front the menu would not close on an outside
    // click; the posted message lets it end cleanly.
    SetForegroundWindow(hwnd_);
    TrackPopupMenu(popup.get(), 0, at.x, at.y, 0, hwnd_, nullptr);
    PostMessageW(hwnd_, WM_NULL, 0, 0);
}

void FormWindow::Unload() {
    if (!hwnd_ || unloading_) return;
    unloading_ = true;
    if (events_) events_->Unload();
    DestroyWindow(hwnd_);
}

// ---- Timers -------------------------------------------------------------------
//
// Timers with the same interval tick together, back to front in the design,
// so the clock is written before the triggers that read it look at it: an
// armed second is seen on the first tick that shows it.

void FormWindow::UpdateTimerGroups() {
    if (!hwnd_ || timers_stopped_) return;
    std::vector<UINT> wanted;
    for (TimerControl* timer : timers_) {
        const UINT interval = static_cast<UINT>(timer->design().interval_ms);
        if (timer->Enabled() && interval > 0 &&
            std::find(wanted.begin(), wanted.end(), interval) == wanted.end())
            wanted.push_back(interval);
    }
    for (UINT running : timer_groups_)
        if (std::find(wanted.begin(), wanted.end(), running) == wanted.end())
            KillTimer(hwnd_, running);
    for (UINT interval : wanted)
        if (std::find(timer_groups_.begin(), timer_groups_.end(), interval) == timer_groups_.end())
            SetTimer(hwnd_, interval, interval, nullptr);
    timer_groups_ = std::move(wanted);
}

void FormWindow::StopTimers() {
    timers_stopped_ = true;
    if (hwnd_)
        for (UINT running : timer_groups_) KillTimer(hwnd_, running);
    timer_groups_.clear();
}

void FormWindow::OnTimer(UINT_PTR group) {
    for (TimerControl* timer : timers_) {
        if (timers_stopped_ || !hwnd_) return;
        if (timer->Enabled() && static_cast<UINT_PTR>(timer->design().interval_ms) == group)
            events_->Tick(timer->design().id);
    }
}

// ---- Messages -----------------------------------------------------------------

LRESULT CALLBACK FormWindow::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    FormWindow* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetLastError(0);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, message, wparam, lparam);
    try {
        return self->Dispatch(message, wparam, lparam);
    } catch (const Error& error) {
        self->owner_.Fatal(error);
    } catch (const std::bad_alloc&) {
        self->owner_.Fatal(Error{kErrOutOfMemory, L"Out of memory"});
    } catch (...) {
        self->owner_.Fatal(Error{51, L"Internal error"});
    }
    return 0;
}

LRESULT FormWindow::Dispatch(UINT message, WPARAM wparam, LPARAM lparam) {
    HWND hwnd = hwnd_;
    switch (message) {
        case WM_ERASEBKGND: {
            RECT r;
            GetClientRect(hwnd, &r);
            FillRect(reinterpret_cast<HDC>(wparam), &r, static_cast<HBRUSH>(back_brush_.get()));
            return 1;
        }
        case WM_PAINT: OnPaint(); return 0;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
            for (const auto& c : controls_) {
                auto* text = dynamic_cast<TextControl*>(c.get());
                if (text && text->child() == reinterpret_cast<HWND>(lparam) && text->brush()) {
                    SetBkColor(reinterpret_cast<HDC>(wparam), Resolve(c->design().back_colour));
                    return reinterpret_cast<LRESULT>(text->brush());
                }
                auto* label = dynamic_cast<LabelControl*>(c.get());
                if (label && label->child() == reinterpret_cast<HWND>(lparam)) {
                    // Transparent: the window's own surface shows through.
                    HDC dc = reinterpret_cast<HDC>(wparam);
                    const RECT& at = label->rect();
                    POINT origin;
                    SetViewportOrgEx(dc, -at.left, -at.top, &origin);
                    PaintSurface(dc);
                    SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
                    SetBkMode(dc, TRANSPARENT);
                    const ControlDesign& d = c->design();
                    SetTextColor(dc, d.has_fore_colour ? Resolve(d.fore_colour) : RGB(0, 0, 0));
                    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
                }
            }
            break;
        case WM_COMMAND: OnCommand(wparam, lparam); return 0;
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wparam) == hwnd && LOWORD(lparam) == HTCLIENT && OnSetCursor())
                return TRUE;
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP: OnMouseButton(message, lparam); return 0;
        case WM_MOUSEMOVE: {
            if (!events_) return 0;
            // Also the notification icon's callback: its x carries the event.
            int button = 0, shift = 0;
            if (wparam & MK_LBUTTON) button |= 1;
            if (wparam & MK_RBUTTON) button |= 2;
            if (wparam & MK_MBUTTON) button |= 4;
            if (wparam & MK_SHIFT) shift |= 1;
            if (wparam & MK_CONTROL) shift |= 2;
            const float tpp = twips_per_pixel_;
            events_->MouseMove(button, shift, static_cast<float>(GET_X_LPARAM(lparam)) * tpp,
                               static_cast<float>(GET_Y_LPARAM(lparam)) * tpp);
            return 0;
        }
        case WM_TIMER: OnTimer(wparam); return 0;
        case WM_ACTIVATE:
            if (LOWORD(wparam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(hwnd, focus)) focus_ = focus;
            } else if (focus_ && IsWindow(focus_) && IsWindowEnabled(focus_)) {
                SetFocus(focus_);
                return 0;
            }
            break;
        case WM_CLOSE: OnClose(); return 0;
        case WM_DESTROY:
            for (UINT running : timer_groups_) KillTimer(hwnd, running);
            timer_groups_.clear();
            return 0;
        case WM_NCDESTROY: {
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            hwnd_ = nullptr;
            tooltip_ = nullptr;
            for (const auto& c : controls_) c->set_child(nullptr);
            const LRESULT result = DefWindowProcW(hwnd, message, wparam, lparam);
            owner_.WindowDestroyed(*this);
            return result;
        }
        default:
            if (message == TaskbarCreatedMessage() && events_) {
                events_->TaskbarCreated();
                return 0;
            }
            break;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

void FormWindow::OnCommand(WPARAM wparam, LPARAM lparam) {
    if (!events_) return;
    const int id = LOWORD(wparam);
    const int code = HIWORD(wparam);
    HWND from = reinterpret_cast<HWND>(lparam);
    if (!from && id >= kMenuIdBase) {
        events_->Click(id - kMenuIdBase);
        return;
    }
    if (from && id >= kChildIdBase) {
        const int control = id - kChildIdBase;
        for (const auto& c : controls_) {
            if (c->design().id != control || c->child() != from) continue;
            if (c->design().kind == ControlKind::TextBox && code == EN_CHANGE)
                static_cast<TextControl*>(c.get())->Changed();
            else if (c->design().kind == ControlKind::PushButton && code == BN_CLICKED)
                events_->Click(control);
            else if (c->design().kind == ControlKind::DropDownList && code == CBN_SELCHANGE)
                events_->Change(control);
            return;
        }
        return;
    }
    if (id == IDOK && !from) {
        // Enter, as the dialog manager reports it: it presses the focused
        // push button.
        HWND focus = GetFocus();
        for (const auto& c : controls_)
            if (c->design().kind == ControlKind::PushButton && c->child() == focus &&
                IsWindowEnabled(focus)) {
                events_->Click(c->design().id);
                return;
            }
    }
}

void FormWindow::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    PaintSurface(dc);
    EndPaint(hwnd_, &ps);
}

void FormWindow::PaintSurface(HDC dc) {
    RECT all{0, 0, Px(design_.client_width), Px(design_.client_height)};
    FillRect(dc, &all, static_cast<HBRUSH>(back_brush_.get()));
    if (background_) background_.Draw(dc, 0, 0, all.right, all.bottom);
    // Back to front: later rows of the design lie behind earlier ones.
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        const ControlDesign& d = (*it)->design();
        if (!d.visible || d.kind != ControlKind::Picture) continue;
        for (const auto& [id, picture] : pictures_)
            if (id == d.id) {
                const RECT r = DesignRect(d);
                picture.Draw(dc, r.left, r.top, r.right - r.left, r.bottom - r.top);
            }
    }
}

const ControlDesign* FormWindow::LabelAt(POINT client) const {
    for (const auto& c : controls_) {
        auto* label = dynamic_cast<LabelControl*>(c.get());
        if (label && c->design().visible && PtInRect(&label->rect(), client)) return &c->design();
    }
    return nullptr;
}

bool FormWindow::OnSetCursor() {
    POINT at;
    GetCursorPos(&at);
    ScreenToClient(hwnd_, &at);
    const ControlDesign* label = LabelAt(at);
    if (!label || !label->cursor_resource) return false;
    for (const auto& [resource, cursor] : cursors_)
        if (resource == label->cursor_resource && cursor) {
            SetCursor(cursor.get());
            return true;
        }
    return false;
}

void FormWindow::OnMouseButton(UINT message, LPARAM lparam) {
    const POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    const ControlDesign* label = LabelAt(at);
    if (message == WM_LBUTTONDOWN) {
        pressed_label_ = label ? label->id : 0;
        if (pressed_label_) SetCapture(hwnd_);
        return;
    }
    const int pressed = std::exchange(pressed_label_, 0);
    if (!pressed) return;
    ReleaseCapture();
    // A click is a press and a release on the same label; the handler may
    // end with this window gone.
    if (label && label->id == pressed && events_) events_->Click(pressed);
}

void FormWindow::OnClose() {
    // A window without a control menu closes only through its own commands.
    if (!design_.control_box) return;
    Unload();
}

}  // namespace platform::win32
