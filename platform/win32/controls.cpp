#include "platform/win32/controls.h"

#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "platform/accessible.h"
#include "platform/error.h"
#include "platform/scale.h"
#include "platform/win32/control_kinds.h"
#include "platform/win32/profile.h"

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

struct Win32Maker {
    IControlSite& site;
    using Made = std::unique_ptr<Control>;
    Made Timer(const ControlDesign& d) { return NewTimerControl(site, d); }
    Made PushButton(const ControlDesign& d) { return NewButtonControl(site, d); }
    Made DropDownList(const ControlDesign& d) { return NewListControl(site, d); }
    Made TextBox(const ControlDesign& d) { return NewTextControl(site, d); }
    // A label with a name and a place in the tab order is a drawn button.
    Made Label(const ControlDesign& d) {
        return IsDrawnButton(d) ? NewDrawnButton(site, d) : NewClickArea(site, d);
    }
    Made Picture(const ControlDesign& d) { return NewPictureControl(site, d); }
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
