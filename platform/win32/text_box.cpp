// The clock's text box (control_kinds.h): its text kept here, and painted
// on the system's edit box without telling the box while nobody else needs it.
#include "platform/win32/control_kinds.h"

#include <algorithm>
#include <string>

#include "platform/scale.h"
#include "platform/win32/contrast.h"
#include "platform/win32/profile.h"

namespace platform::win32 {

namespace {

// A text box. The clock writes its text once a second and the triggers
// read it many times a second, so the text is kept here, and read from the
// system's edit box only after the box reported a change (the user typed).
//
// A new text shown by the program is painted on the box at once, in the
// box's own font, colours and place, while the box does not have the focus:
// an edit box told its text asks the system to repaint it three times over
// and paints in a round of its own, which wakes a program with its clock on
// screen several times a second. The edit box is told the text only when
// anything else asks of it (it is clicked, it gets the focus, it must
// repaint, a screen reader asks more than the text), and answers the text
// meanwhile from here. Hidden, the box is not painted at all.
class TextControl final : public Control, public ITextBox {
public:
    TextControl(IControlSite& site, const ControlDesign& design) : Control(site, design) {
        if (design.has_back_colour) brush_.reset(CreateSolidBrush(Resolve(design.back_colour)));
    }
    void Create() override {
        CreateChild(L"EDIT", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, L"");
        SetMargins();
        PROFILE_STEP("text box");
    }
    void Rescale() override {
        CatchUp();
        Control::Rescale();
        SetMargins();
        // The text starts elsewhere in the new font: the box shows where.
        if (child_ && !text_.empty()) TellBox(text_);
    }
    void Command(int code) override {
        if (code == EN_CHANGE) {  // the user typed, or the text was set from outside
            stale_ = true;
            placed_ = false;
        }
        if (code == EN_SETFOCUS) focused_ = true;
        if (code == EN_KILLFOCUS) focused_ = false;
    }
    HBRUSH Colour(HDC dc) override {
        // In a contrast theme the box takes the theme's pair, both colours.
        if (site_.Contrast()) return UsePair(dc, ContrastPart::Clock);
        if (!brush_) return nullptr;
        SetBkColor(dc, Resolve(design_.back_colour));
        return static_cast<HBRUSH>(brush_.get());
    }
    std::wstring Text() const override {
        if (stale_) {
            text_ = WindowText(child_);
            stale_ = false;
        }
        return text_;
    }
    void SetText(const std::wstring& text) override {
        if (!child_ || Text() == text) return;  // only a change is worth a repaint
        // Hidden (its window hidden in the tray), nobody sees the box: it is
        // told the text when it is shown again, for its repaint, or asked.
        if (!focused_ && (!IsWindowVisible(child_) || (placed_ && PaintText(text)))) {
            text_ = text;
            behind_ = true;
            return;
        }
        TellBox(text);
    }

private:
    bool OwnsMessages() const override { return true; }

    // Narrow margins, so the clock's eight characters fit its box.
    void SetMargins() {
        const int margin = ScaledPixels(1, site_.Dpi());
        SendMessageW(child_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(margin, margin));
    }

    bool Intercept(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override {
        if (!behind_) return false;
        switch (message) {
            case WM_GETTEXTLENGTH:
                result = static_cast<LRESULT>(text_.size());
                return true;
            case WM_GETTEXT: {
                const std::size_t room = static_cast<std::size_t>(wparam);
                auto* out = reinterpret_cast<wchar_t*>(lparam);
                if (!out || room == 0) {
                    result = 0;
                    return true;
                }
                const std::size_t n = std::min(room - 1, text_.size());
                text_.copy(out, n);
                out[n] = L'\0';
                result = static_cast<LRESULT>(n);
                return true;
            }
            default:
                // Anything else may show, change or read the box's text.
                if (!LeavesContentsAlone(message)) CatchUp();
                return false;
        }
    }

    // The box told the text, the usual way; it repaints itself.
    void TellBox(const std::wstring& text) {
        behind_ = false;
        CallSystem(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        text_ = text;
        stale_ = false;
        // Where the box shows its first character, now that it has one and
        // is scrolled to its start.
        const LRESULT at = text.empty() ? -1 : CallSystem(EM_POSFROMCHAR, 0, 0);
        placed_ = at != -1;
        if (placed_) origin_ = POINT{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    }

    void CatchUp() {
        if (behind_) TellBox(text_);
    }

    // Paints the text as the box would, where the box puts it; false (and
    // nothing painted) when the text would not fit or the box is not in its
    // usual state, and the box must be told.
    bool PaintText(const std::wstring& text) {
        const LONG style = GetWindowLongW(child_, GWL_STYLE);
        if (style & (WS_DISABLED | ES_READONLY | ES_PASSWORD)) return false;
        RECT format{};
        CallSystem(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
        RECT client{};
        GetClientRect(child_, &client);
        HDC dc = GetDC(child_);
        if (!dc) return false;
        const int saved = SaveDC(dc);
        SelectObject(dc, reinterpret_cast<HFONT>(CallSystem(WM_GETFONT, 0, 0)));
        SIZE extent{};
        const int length = static_cast<int>(text.size());
        bool painted = false;
        if (GetTextExtentPoint32W(dc, text.c_str(), length, &extent) &&
            origin_.x + extent.cx <= format.right) {
            // The colours the box asks its window for, as it does to paint.
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            SetBkColor(dc, GetSysColor(COLOR_WINDOW));
            SendMessageW(site_.Window(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(child_));
            SetBkMode(dc, OPAQUE);
            // One call fills the box and writes the text: no flicker.
            ExtTextOutW(dc, origin_.x, origin_.y, ETO_OPAQUE | ETO_CLIPPED, &client, text.c_str(),
                        static_cast<UINT>(length), nullptr);
            painted = true;
        }
        RestoreDC(dc, saved);
        ReleaseDC(child_, dc);
        return painted;
    }

    UniqueBrush brush_;
    mutable std::wstring text_;
    mutable bool stale_ = true;
    bool focused_ = false;
    bool behind_ = false;  // the box has not been told text_ yet
    bool placed_ = false;  // origin_ is where the box shows its text
    POINT origin_{};
};

}  // namespace

std::unique_ptr<Control> NewTextControl(IControlSite& site, const ControlDesign& design) {
    return std::make_unique<TextControl>(site, design);
}

}  // namespace platform::win32
