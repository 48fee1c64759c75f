// What the two kinds of label share. A label is a click area on the window's
// surface with an optional caption: the window asks it whether a click is
// its own and which cursor shows over it. A label with a name and a place in
// the tab order is a drawn button or link (drawn_button.cpp); any other is a
// plain click area (click_area.cpp). Either keeps its caption, its place
// (which follows the caption when the label sizes itself), its cursor and
// whether it is shown.
#pragma once

#include <windows.h>

#include <string>

#include "platform/design.h"
#include "platform/platform.h"
#include "platform/win32/controls.h"
#include "platform/win32/handles.h"

namespace platform::win32 {

class LabelControl : public Control, public ILabel {
public:
    LabelControl(IControlSite& site, const ControlDesign& design);
    void Create() final;
    void Rescale() override;
    bool Hit(POINT client) const override;
    HCURSOR Cursor() const override;
    std::wstring Caption() const override;
    void SetCaption(const std::wstring& caption) override;
    void SetVisible(bool visible) override;

protected:
    // The label's child window, if it has one; it is laid out after.
    virtual void CreateWindowOfKind() = 0;
    // The caption's colour: the design's, or its part's in a contrast theme
    // (on the surface, whose colour the theme gives too).
    COLORREF TextColour() const;

    std::wstring caption_;
    RECT rect_;  // the click area, and the child window's place

private:
    // The cursor at the size the system uses at the window's scale.
    void LoadCursor() const;
    // Labels that size themselves follow their caption.
    void Layout();

    mutable UniqueCursor cursor_;
    bool visible_;
};

}  // namespace platform::win32
