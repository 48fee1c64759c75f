#include "platform/win32/label.h"

#include <utility>

#include "platform/win32/contrast.h"
#include "platform/win32/dpi.h"
#include "platform/win32/profile.h"

namespace platform::win32 {

LabelControl::LabelControl(IControlSite& site, const ControlDesign& design)
    : Control(site, design), caption_(design.caption ? design.caption : L""),
      rect_(ClientRect(design, site.Dpi())), visible_(design.visible) {}

void LabelControl::Create() {
    CreateWindowOfKind();
    PROFILE_STEP("label window");
    Layout();
    PROFILE_STEP("label laid out");
}

void LabelControl::Rescale() {
    cursor_.reset();  // at the new scale's size, when next shown
    if (child_)
        SendMessageW(child_, WM_SETFONT, reinterpret_cast<WPARAM>(site_.Font(design_.font)), FALSE);
    Layout();
}

bool LabelControl::Hit(POINT client) const { return visible_ && PtInRect(&rect_, client); }

HCURSOR LabelControl::Cursor() const {
    // Loaded when the mouse first comes over the click area.
    if (!cursor_ && design_.cursor_resource) LoadCursor();
    return cursor_.get();
}

std::wstring LabelControl::Caption() const { return caption_; }

void LabelControl::SetCaption(const std::wstring& caption) {
    caption_ = caption;
    if (child_) SetWindowTextW(child_, caption_.c_str());
    Layout();
}

void LabelControl::SetVisible(bool visible) {
    if (std::exchange(visible_, visible) == visible || !child_) return;
    // The focus goes on to the next stop, or to the window itself.
    if (!visible && GetFocus() == child_) {
        HWND next = GetNextDlgTabItem(site_.Window(), child_, FALSE);
        SetFocus(next && next != child_ ? next : site_.Window());
    }
    ShowWindow(child_, visible ? SW_SHOWNA : SW_HIDE);
}

COLORREF LabelControl::TextColour() const {
    if (site_.Contrast()) return win32::TextColour(design_.link ? ContrastPart::Link : ContrastPart::Surface);
    return design_.has_fore_colour ? Resolve(design_.fore_colour) : RGB(0, 0, 0);
}

void LabelControl::LoadCursor() const {
    const int size = MetricForDpi(SM_CXCURSOR, site_.Dpi());
    cursor_.reset(static_cast<HCURSOR>(LoadImageW(site_.Instance(),
                                                  MAKEINTRESOURCEW(design_.cursor_resource),
                                                  IMAGE_CURSOR, size, size, 0)));
}

void LabelControl::Layout() {
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

}  // namespace platform::win32
