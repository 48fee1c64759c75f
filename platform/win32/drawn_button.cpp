// The drawn buttons and links (control_kinds.h): labels with a name and a
// place in the tab order, pressed by the mouse, the keyboard and a screen
// reader alike.
#include "platform/win32/control_kinds.h"

#include <new>
#include <utility>

#include "platform/error.h"
#include "platform/scale.h"
#include "platform/win32/contrast.h"
#include "platform/win32/label.h"

namespace platform::win32 {

namespace {

// A drawn button (or link): the picture under it is the button (or, where
// the window is drawn from its words, the button is drawn), and its
// window of its own, transparent to the mouse as a click area's static is,
// takes the focus at its tab place, shows a focus mark over the picture once
// the keyboard is in use, and is pressed with Space, or Enter through the
// dialog manager, just as a click presses it. A screen reader hears it as
// a push button or link by its name, and can press it.
class DrawnButton final : public LabelControl {
public:
    using LabelControl::LabelControl;
    void Command(int code) override {
        if (code == BN_CLICKED && site_.Events()) site_.Events()->Click(design_.id);
    }
    bool PressEnter() override {
        if (!child_ || !IsWindowEnabled(child_)) return false;
        Command(BN_CLICKED);
        return true;
    }
    void CuesChanged() override {
        if (child_) InvalidateRect(child_, nullptr, FALSE);
    }
    void SetPressed(bool pressed) override {
        if (std::exchange(pressed_, pressed) != pressed) ShowPressed();
    }

private:
    void CreateWindowOfKind() override {
        CreateOwnChild(WindowClass(site_.Instance()), WS_TABSTOP, caption_.c_str());
        SetWindowLongPtrW(child_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        MakeAccessible([this] { Post(); });
    }

    // Only a window drawn from its words (a contrast theme, the notice)
    // draws a drawn button held down; the pictures show none.
    void ShowPressed() {
        if (child_ && site_.Contrast()) InvalidateRect(child_, nullptr, FALSE);
    }

    static const wchar_t* WindowClass(HINSTANCE instance) {
        static const wchar_t* const name = [instance] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = &DrawnButton::Proc;
            wc.hInstance = instance;
            wc.lpszClassName = L"TarnovelleDrawnButton";
            RegisterClassExW(&wc);
            return wc.lpszClassName;
        }();
        return name;
    }

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
        auto* self = reinterpret_cast<DrawnButton*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (!self) return DefWindowProcW(hwnd, message, wparam, lparam);
        try {
            return self->OnMessage(hwnd, message, wparam, lparam);
        } catch (const Error& error) {
            self->site_.Fatal(error);
        } catch (const std::bad_alloc&) {
            self->site_.Fatal(Error{kErrOutOfMemory, L"Out of memory"});
        }
        ExitProcess(1);  // not reached: the report ends the program
    }

    LRESULT OnMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
        LRESULT answer = 0;
        if (AnswerAccessibility(hwnd, message, wparam, lparam, answer)) return answer;
        switch (message) {
            case WM_NCHITTEST: return HTTRANSPARENT;  // the click is the window's to judge
            case WM_ERASEBKGND: return 1;
            case WM_PAINT: PaintButton(hwnd); return 0;
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

    // The window's surface as it lies under the button, the caption if the
    // label has one, and the focus mark when it has the focus and the
    // keyboard is in use: a dark ring (2 pixels at 100 %) with a light one
    // (1 pixel) inside, seen on light and dark parts of the picture alike.
    // In a contrast theme a button is drawn as a button, and a link's mark
    // is in the link's colour.
    void PaintButton(HWND hwnd) {
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

    bool space_down_ = false;
    bool pressed_ = false;  // by the mouse
};

}  // namespace

std::unique_ptr<Control> NewDrawnButton(IControlSite& site, const ControlDesign& design) {
    return std::make_unique<DrawnButton>(site, design);
}

}  // namespace platform::win32
