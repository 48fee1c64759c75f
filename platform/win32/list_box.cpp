// The drop-down lists (control_kinds.h): their items given them only when
// first needed, and their closed field as tall as the design's place.
#include "platform/win32/control_kinds.h"

#include <string>

#include "platform/error.h"
#include "platform/scale.h"
#include "platform/win32/profile.h"

namespace platform::win32 {

namespace {

// The list drops down far enough to show about a dozen items (pixels at 100 %).
constexpr int kDropDownHeight = 200;

// A drop-down list. It shows no item until one is chosen, so its items are
// given it only when something first needs them: the user opens it or
// types in it, or anyone asks it about its items. Until then it is painted,
// moved and asked its size as any list.
class ListControl final : public Control, public IListBox {
public:
    using Control::Control;
    void Create() override {
        CreateChild(L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, L"",
                    kDropDownHeight);
        FitField();
        PROFILE_STEP("list field fitted");
    }
    void Rescale() override {
        Control::Rescale();
        FitField();
    }
    void Command(int code) override {
        if (code == CBN_SELCHANGE && site_.Events()) site_.Events()->Change(design_.id);
    }
    std::wstring Text() const override {
        if (!child_ || !filled_) return {};  // nothing can be chosen before
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
    void SetText(const std::wstring& text) override {
        // The items stand in the list in the design's order (the list is not
        // sorted), and are given it before it is told which to choose.
        for (int i = 0; i < design_.item_count; ++i)
            if (child_ && text == design_.items[i] &&
                SendMessageW(child_, CB_SETCURSEL, static_cast<WPARAM>(i), 0) == i)
                return;
        Raise(kErrInvalidCall, L"Invalid property value");
    }

private:
    bool OwnsMessages() const override { return true; }

    bool Intercept(UINT message, WPARAM /*wparam*/, LPARAM /*lparam*/, LRESULT& /*result*/) override {
        if (!filled_ && NeedsItems(message)) Fill();
        return false;
    }

    static bool NeedsItems(UINT message) {
        if (LeavesContentsAlone(message)) return false;
        switch (message) {
            // Nor does painting, sizing or colouring it, with no item chosen.
            case WM_PAINT:
            case WM_NCPAINT:
            case WM_ERASEBKGND:
            case WM_NCCALCSIZE:
            case WM_SIZE:
            case WM_SETFONT:
            case WM_CTLCOLORLISTBOX:
            case WM_CTLCOLOREDIT:
            case WM_CTLCOLORSTATIC:
            case WM_SYSCOLORCHANGE:
            case WM_THEMECHANGED:
            case CB_GETITEMHEIGHT:
            case CB_SETITEMHEIGHT:
                return false;
            default:
                return true;  // anything else may show, choose or read an item
        }
    }

    void Fill() {
        filled_ = true;
        for (int i = 0; i < design_.item_count; ++i)
            CallSystem(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(design_.items[i]));
    }

    bool filled_ = false;

    // The closed list is as tall as its place in the design, at every scale,
    // as the window's font makes it at 100 %: the boxes drawn around the
    // lists grow with the scale, and the font's height alone would leave
    // them part empty.
    void FitField() {
        const RECT place = ClientRect(design_, site_.Dpi());
        LRESULT field = SendMessageW(child_, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
        if (field == CB_ERR) return;
        // Not every system adds the same to the field's height for the
        // list's frame as it reports, so the height is measured again.
        for (int tries = 0; tries < 3; ++tries) {
            RECT now{};
            GetWindowRect(child_, &now);
            const int missing = (place.bottom - place.top) - (now.bottom - now.top);
            if (missing == 0 || field + missing <= 0) return;
            field += missing;
            SendMessageW(child_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
        }
    }
};

}  // namespace

std::unique_ptr<Control> NewListControl(IControlSite& site, const ControlDesign& design) {
    return std::make_unique<ListControl>(site, design);
}

}  // namespace platform::win32
