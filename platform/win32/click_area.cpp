// The plain click areas (control_kinds.h): labels that are no drawn button.
#include "platform/win32/control_kinds.h"

#include "platform/win32/label.h"

namespace platform::win32 {

namespace {

// A click area with an optional caption. The caption shows in a static
// window, so anyone can read it; the static lets the mouse through, and the
// window asks the label whether a click is its own (label.h).
class ClickArea final : public LabelControl {
public:
    using LabelControl::LabelControl;
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

private:
    void CreateWindowOfKind() override {
        if (design_.caption)
            CreateChild(L"STATIC", design_.auto_size ? SS_LEFTNOWORDWRAP : SS_LEFT, 0,
                        design_.caption);
    }
};

}  // namespace

std::unique_ptr<Control> NewClickArea(IControlSite& site, const ControlDesign& design) {
    return std::make_unique<ClickArea>(site, design);
}

}  // namespace platform::win32
