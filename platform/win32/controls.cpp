#include "platform/win32/controls.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "platform/error.h"
#include "platform/scale.h"
#include "platform/win32/contrast.h"
#include "platform/win32/control_kinds.h"
#include "platform/win32/dpi.h"
#include "platform/win32/profile.h"
#include "platform/win32/picture.h"

namespace platform::win32 {

RECT ClientRect(const ControlDesign& design, int dpi) {
    const PixelRect r = ScaledRect(design, dpi);
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
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

namespace {

// A label is a click area with an optional caption. The caption shows in a
// static window, so anyone can read it; the static lets the mouse through,
// and the window asks the label whether a click is its own.
//
// A label with an accessible name is a drawn button (or link) instead: its
// window of its own, transparent to the mouse as the static is, takes the
// focus at its tab place, shows a focus mark over the picture once the
// keyboard is in use, and is pressed with Space, or Enter through the
// dialog manager, just as a click presses it.
class LabelControl final : public Control, public ILabel {
public:
    LabelControl(IControlSite& site, const ControlDesign& design)
        : Control(site, design), caption_(design.caption ? design.caption : L""),
          rect_(ClientRect(design, site.Dpi())), visible_(design.visible) {}
    void Create() override {
        if (IsDrawnButton(design_)) {
            CreateOwnChild(DrawnButtonClass(site_.Instance()), WS_TABSTOP, caption_.c_str());
            SetWindowLongPtrW(child_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(static_cast<Control*>(this)));
            MakeAccessible([this] { Post(); });
        } else if (design_.caption) {
            CreateChild(L"STATIC", design_.auto_size ? SS_LEFTNOWORDWRAP : SS_LEFT, 0,
                        design_.caption);
        }
        PROFILE_STEP("label window");
        Layout();
        PROFILE_STEP("label laid out");
    }
    void Rescale() override {
        cursor_.reset();  // at the new scale's size, when next shown
        if (child_)
            SendMessageW(child_, WM_SETFONT, reinterpret_cast<WPARAM>(site_.Font(design_.font)), FALSE);
        Layout();
    }
    HBRUSH Colour(HDC dc) override {
        // Transparent: the window's own surface shows through.
        POINT origin;
        SetViewportOrgEx(dc, -rect_.left, -rect_.top, &origin);
        site_.PaintSurface(dc);
        SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, TextColour());
        return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    }
    bool Hit(POINT client) const override { return visible_ && PtInRect(&rect_, client); }
    HCURSOR Cursor() const override {
        // Loaded when the mouse first comes over the click area.
        if (!cursor_ && design_.cursor_resource) LoadCursor();
        return cursor_.get();
    }
    std::wstring Caption() const override { return caption_; }
    void SetCaption(const std::wstring& caption) override {
        caption_ = caption;
        if (child_) SetWindowTextW(child_, caption_.c_str());
        Layout();
    }
    void SetVisible(bool visible) override {
        if (std::exchange(visible_, visible) == visible || !child_) return;
        // The focus goes on to the next stop, or to the window itself.
        if (!visible && GetFocus() == child_) {
            HWND next = GetNextDlgTabItem(site_.Window(), child_, FALSE);
            SetFocus(next && next != child_ ? next : site_.Window());
        }
        ShowWindow(child_, visible ? SW_SHOWNA : SW_HIDE);
    }
    void Command(int code) override {
        if (code == BN_CLICKED && site_.Events()) site_.Events()->Click(design_.id);
    }
    bool PressEnter() override {
        if (!IsDrawnButton(design_) || !child_ || !IsWindowEnabled(child_)) return false;
        Command(BN_CLICKED);
        return true;
    }
    void CuesChanged() override {
        if (child_ && IsDrawnButton(design_)) InvalidateRect(child_, nullptr, FALSE);
    }
    void SetPressed(bool pressed) override {
        if (std::exchange(pressed_, pressed) != pressed) ShowPressed();
    }

private:
    // The caption's colour: the design's, or its part's in a contrast theme
    // (on the surface, whose colour the theme gives too).
    COLORREF TextColour() const {
        if (site_.Contrast()) return win32::TextColour(design_.link ? ContrastPart::Link : ContrastPart::Surface);
        return design_.has_fore_colour ? Resolve(design_.fore_colour) : RGB(0, 0, 0);
    }

    // Only a contrast theme draws a drawn button held down; the pictures
    // show none.
    void ShowPressed() {
        if (child_ && IsDrawnButton(design_) && site_.Contrast()) InvalidateRect(child_, nullptr, FALSE);
    }

    static const wchar_t* DrawnButtonClass(HINSTANCE instance) {
        static const wchar_t* const name = [instance] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = &LabelControl::DrawnButtonProc;
            wc.hInstance = instance;
            wc.lpszClassName = L"TarnovelleDrawnButton";
            RegisterClassExW(&wc);
            return wc.lpszClassName;
        }();
        return name;
    }

    static LRESULT CALLBACK DrawnButtonProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
        auto* self = static_cast<LabelControl*>(
            reinterpret_cast<Control*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
        if (!self) return DefWindowProcW(hwnd, message, wparam, lparam);
        try {
            return self->OnDrawnButton(hwnd, message, wparam, lparam);
        } catch (const Error& error) {
            self->site_.Fatal(error);
        } catch (const std::bad_alloc&) {
            self->site_.Fatal(Error{kErrOutOfMemory, L"Out of memory"});
        }
        ExitProcess(1);  // not reached: the report ends the program
    }

    LRESULT OnDrawnButton(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
        LRESULT answer = 0;
        if (AnswerAccessibility(hwnd, message, wparam, lparam, answer)) return answer;
        switch (message) {
            case WM_NCHITTEST: return HTTRANSPARENT;  // the click is the window's to judge
            case WM_ERASEBKGND: return 1;
            case WM_PAINT: PaintDrawn(hwnd); return 0;
            case WM_GETDLGCODE: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
            case WM_SETFOCUS:
            case WM_KILLFOCUS:
                space_down_ = false;
                InvalidateRect(hwnd, nullptr, FALSE);
                return 0;
            case WM_KEYDOWN:
                if (wparam != VK_SPACE) break;
                if (!std::exchange(space_down_, true)) ShowPressed();
                return 0;
            case WM_KEYUP:
                if (wparam != VK_SPACE) break;
                // Pressed as a push button is: on the key's release, reported
                // to the window as a push button reports its click.
                if (std::exchange(space_down_, false)) {
                    ShowPressed();
                    SendMessageW(site_.Window(), WM_COMMAND, Clicked(), reinterpret_cast<LPARAM>(child_));
                }
                return 0;
            default: break;
        }
        return DefWindowProcW(hwnd, message, wparam, lparam);
    }

    WPARAM Clicked() const { return MAKEWPARAM(kChildIdBase + design_.id, BN_CLICKED); }
    // Pressed for a screen reader: the click comes once its call is over.
    void Post() { PostMessageW(site_.Window(), WM_COMMAND, Clicked(), reinterpret_cast<LPARAM>(child_)); }

    // The cursor at the size the system uses at the window's scale.
    void LoadCursor() const {
        const int size = MetricForDpi(SM_CXCURSOR, site_.Dpi());
        cursor_.reset(static_cast<HCURSOR>(LoadImageW(site_.Instance(),
                                                      MAKEINTRESOURCEW(design_.cursor_resource),
                                                      IMAGE_CURSOR, size, size, 0)));
    }

    // The window's surface as it lies under the button, the caption if the
    // label has one, and the focus mark when it has the focus and the
    // keyboard is in use: a dark ring (2 pixels at 100 %) with a light one
    // (1 pixel) inside, seen on light and dark parts of the picture alike.
    void PaintDrawn(HWND hwnd) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        POINT origin;
        SetViewportOrgEx(dc, -rect_.left, -rect_.top, &origin);
        site_.PaintSurface(dc);
        SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
        RECT r;
        GetClientRect(hwnd, &r);
        const bool marked = GetFocus() == hwnd && site_.FocusCuesShown();
        if (site_.Contrast() && !design_.link) {
            // No picture under it: the button is drawn with its words, in the
            // theme's colours.
            PaintContrastButton(dc, r, design_.accessible_name, site_.Font(kButtonWordsFont),
                                pressed_ || space_down_, marked, site_.Dpi());
            EndPaint(hwnd, &ps);
            return;
        }
        if (!caption_.empty()) {
            HGDIOBJ old = SelectObject(dc, site_.Font(design_.font));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, TextColour());
            DrawTextW(dc, caption_.c_str(), -1, &r, DT_LEFT | DT_EXPANDTABS | DT_NOPREFIX);
            SelectObject(dc, old);
        }
        if (marked && site_.Contrast()) {
            PaintContrastMark(dc, r, ContrastPart::Link, site_.Dpi());  // a link, in its colour
        } else if (marked) {
            const int dark = ScaledPixels(2, site_.Dpi());
            const int light = ScaledPixels(1, site_.Dpi());
            UniqueBrush dark_brush(CreateSolidBrush(RGB(0, 51, 153)));
            UniqueBrush light_brush(CreateSolidBrush(RGB(255, 255, 255)));
            for (int i = 0; i < dark + light; ++i) {
                const RECT ring{r.left + i, r.top + i, r.right - i, r.bottom - i};
                FrameRect(dc, &ring, static_cast<HBRUSH>((i < dark ? dark_brush : light_brush).get()));
            }
        }
        EndPaint(hwnd, &ps);
    }

    // Labels that size themselves follow their caption.
    void Layout() {
        rect_ = ClientRect(design_, site_.Dpi());
        HWND window = site_.Window();
        if (design_.auto_size && window) {
            HDC dc = GetDC(window);
            HGDIOBJ old = SelectObject(dc, site_.Font(design_.font));
            RECT r{0, 0, 0, 0};
            DrawTextW(dc, caption_.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
            SelectObject(dc, old);
            ReleaseDC(window, dc);
            rect_.right = rect_.left + (r.right - r.left);
            rect_.bottom = rect_.top + (r.bottom - r.top);
        }
        if (child_) {
            MoveWindow(child_, rect_.left, rect_.top, rect_.right - rect_.left,
                       rect_.bottom - rect_.top, FALSE);
            InvalidateRect(child_, nullptr, TRUE);
        }
    }

    std::wstring caption_;
    RECT rect_;
    mutable UniqueCursor cursor_;
    bool visible_;
    bool space_down_ = false;
    bool pressed_ = false;  // by the mouse
};

class TimerControl final : public Control, public ITimer {
public:
    TimerControl(IControlSite& site, const ControlDesign& design)
        : Control(site, design), enabled_(design.enabled) {}
    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool enabled) override {
        if (enabled_ == enabled) return;
        enabled_ = enabled;
        site_.TimersChanged();
    }
    UINT TickInterval() const override {
        return enabled_ && !design_.on_beat ? static_cast<UINT>(design_.interval_ms) : 0;
    }
    bool TicksOnBeat() const override { return enabled_ && design_.on_beat; }

private:
    bool enabled_;
};

class ButtonControl final : public Control, public ICommandButton {
public:
    using Control::Control;
    void Create() override {
        CreateChild(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, design_.caption);
        PROFILE_STEP("button");
    }
    void Command(int code) override {
        if (code == BN_CLICKED) Click();
    }
    bool PressEnter() override {
        if (!child_ || !IsWindowEnabled(child_)) return false;
        Click();
        return true;
    }
    bool Enabled() const override { return child_ && IsWindowEnabled(child_); }
    void SetEnabled(bool enabled) override {
        if (child_) EnableWindow(child_, enabled ? TRUE : FALSE);
    }

private:
    void Click() {
        if (site_.Events()) site_.Events()->Click(design_.id);
    }
};

// A picture at its design place, in the version made for the window's scale.
class PictureControl final : public Control {
public:
    using Control::Control;
    void Create() override {
        Load();
        PROFILE_STEP("picture");
    }
    void Rescale() override { Load(); }
    void Paint(HDC dc) const override {
        // A contrast theme has no pictures: their words are the window's.
        if (!design_.visible || !picture_ || site_.Contrast()) return;
        picture_.Draw(dc, place_.left, place_.top);
    }

private:
    void Load() {
        if (!design_.picture_resource) return;
        place_ = ClientRect(design_, site_.Dpi());
        picture_ = Picture::ForPlace(site_.Instance(), design_.picture_resource,
                                     ScaledSize(design_, kDefaultDpi), ScaledSize(design_, site_.Dpi()));
    }

    Picture picture_;
    RECT place_{};
};

struct Win32Maker {
    IControlSite& site;
    using Made = std::unique_ptr<Control>;
    Made Timer(const ControlDesign& d) { return std::make_unique<TimerControl>(site, d); }
    Made PushButton(const ControlDesign& d) { return std::make_unique<ButtonControl>(site, d); }
    Made DropDownList(const ControlDesign& d) { return NewListControl(site, d); }
    Made TextBox(const ControlDesign& d) { return NewTextControl(site, d); }
    Made Label(const ControlDesign& d) { return std::make_unique<LabelControl>(site, d); }
    Made Picture(const ControlDesign& d) { return std::make_unique<PictureControl>(site, d); }
};

}  // namespace

std::unique_ptr<Control> NewControl(IControlSite& site, const ControlDesign& design) {
    Win32Maker maker{site};
    return MakeControl(maker, design);
}

void Control::MakeAccessible(std::function<void()> press) {
    accessible_ = std::make_unique<AccessibleServer>(
        AccessibleFacts{ElementOf(design_), std::move(press), nullptr});
}

bool Control::AnswerAccessibility(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                  LRESULT& result) {
    if (!accessible_) return false;
    if (message == WM_NCDESTROY) accessible_->Disconnect();
    if (message != WM_GETOBJECT) return false;
    try {
        return accessible_->Answer(hwnd, wparam, lparam, result);
    } catch (const std::bad_alloc&) {
        return false;  // the system's object for now; the reader asks again
    }
}

// A system control named in the design answers a screen reader itself, and
// a control may see its window's messages first: its window procedure is
// wrapped (the control is found from the window's user data, which costs
// nothing per message, where the common controls' own subclassing asks the
// system for a window property on every one).
LRESULT CALLBACK Control::WrappedProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<Control*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    const WNDPROC original = self->original_proc_;
    LRESULT result = 0;
    if (self->AnswerAccessibility(hwnd, message, wparam, lparam, result)) return result;
    if (self->Intercept(message, wparam, lparam, result)) return result;
    if (message == WM_NCDESTROY)
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    return CallWindowProcW(original, hwnd, message, wparam, lparam);
}

LRESULT Control::CallSystem(UINT message, WPARAM wparam, LPARAM lparam) const {
    return original_proc_ ? CallWindowProcW(original_proc_, child_, message, wparam, lparam)
                          : SendMessageW(child_, message, wparam, lparam);
}

bool Control::LeavesContentsAlone(UINT message) {
    switch (message) {
        case WM_NCHITTEST:
        case WM_SETCURSOR:
        case WM_MOUSEMOVE:
        case WM_NCMOUSEMOVE:
        case WM_MOUSELEAVE:
        case WM_NCMOUSELEAVE:
        case WM_GETDLGCODE:
        case WM_GETFONT:
        case WM_WINDOWPOSCHANGING:
        case WM_WINDOWPOSCHANGED:
        case WM_MOVE:
        case WM_SHOWWINDOW:
        case WM_QUERYUISTATE:
        case WM_UPDATEUISTATE:
        case WM_CHANGEUISTATE:
        case WM_DESTROY:
        case WM_NCDESTROY:
            return true;
        default:
            return false;
    }
}

HWND Control::CreateChild(const wchar_t* window_class, DWORD style, DWORD ex_style,
                          const wchar_t* text, int extra_height) {
    MakeChild(window_class, style, ex_style, text, extra_height);
    // Named in the design: a screen reader hears the name.
    const bool named = design_.accessible_name != nullptr;
    if (named) MakeAccessible();
    if (named || OwnsMessages()) {
        SetWindowLongPtrW(child_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        original_proc_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(child_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Control::WrappedProc)));
    }
    return child_;
}

HWND Control::CreateOwnChild(const wchar_t* window_class, DWORD style, const wchar_t* text) {
    MakeChild(window_class, style, 0, text, 0);
    return child_;
}

void Control::MakeChild(const wchar_t* window_class, DWORD style, DWORD ex_style,
                        const wchar_t* text, int extra_height) {
    style |= WS_CHILD;
    if (design_.visible) style |= WS_VISIBLE;
    if (!design_.enabled) style |= WS_DISABLED;
    extra_height_ = extra_height;
    const RECT r = ChildRect();
    child_ = CreateWindowExW(
        ex_style, window_class, text, style, r.left, r.top, r.right - r.left,
        r.bottom - r.top, site_.Window(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kChildIdBase + design_.id)),
        site_.Instance(), nullptr);
    if (!child_) Raise(static_cast<long>(GetLastError()), L"A control could not be created");
    PROFILE_STEP("child window");
    SendMessageW(child_, WM_SETFONT, reinterpret_cast<WPARAM>(site_.Font(design_.font)), FALSE);
    PROFILE_STEP("font");
    if (design_.tooltip) site_.AddTooltip(child_, design_.tooltip);
}

RECT Control::ChildRect() const {
    RECT r = ClientRect(design_, site_.Dpi());
    r.bottom += ScaledPixels(extra_height_, site_.Dpi());
    return r;
}

void Control::Rescale() {
    if (!child_) return;
    // The new font first: a list sizes its field by its font when it moves.
    SendMessageW(child_, WM_SETFONT, reinterpret_cast<WPARAM>(site_.Font(design_.font)), FALSE);
    const RECT r = ChildRect();
    SetWindowPos(child_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(child_, nullptr, TRUE);
}

MenuControl::MenuControl(const FormDesign& design) : popup_(CreatePopupMenu()) {
    for (int i = 0; i < design.menu_count; ++i) {
        const MenuItemDesign& item = design.menu[i];
        if (item.level != 1 || !item.visible) continue;
        if (std::wstring_view(item.caption) == L"-")
            AppendMenuW(popup_.get(), MF_SEPARATOR, kMenuIdBase + item.id, nullptr);
        else
            AppendMenuW(popup_.get(), MF_STRING, kMenuIdBase + item.id, item.caption);
    }
}

HFONT FontCache::Get(const FontDesign& wanted) {
    const FontDesign& font = wanted.face ? wanted : default_;
    if (!font.face) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    for (const auto& [key, made] : fonts_)
        if (std::wstring_view(key.face) == font.face && key.hundredths_pt == font.hundredths_pt &&
            key.bold == font.bold && key.underline == font.underline)
            return static_cast<HFONT>(made.get());
    const int height = FontHeight(font, dpi_);
    HFONT created = CreateFontW(height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE,
                                font.underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, font.face);
    if (!created) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    fonts_.emplace_back(font, UniqueFont(created));
    return created;
}

std::vector<UniqueFont> FontCache::SetDpi(int dpi) {
    std::vector<UniqueFont> made;
    for (auto& entry : fonts_) made.push_back(std::move(entry.second));
    fonts_.clear();
    dpi_ = dpi;
    return made;
}

}  // namespace platform::win32
