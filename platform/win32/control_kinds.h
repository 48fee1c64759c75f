// The kinds of control, in files of their own beside controls.cpp, made by
// NewControl as the design's rows say. A kind's class lives in its file;
// only its maker is seen from outside (and the labels' shared base, label.h).
#pragma once

#include <memory>

#include "platform/design.h"
#include "platform/win32/controls.h"

namespace platform::win32 {

// The timer, the push button and the picture (simple_controls.cpp).
std::unique_ptr<Control> NewTimerControl(IControlSite& site, const ControlDesign& design);
std::unique_ptr<Control> NewButtonControl(IControlSite& site, const ControlDesign& design);
std::unique_ptr<Control> NewPictureControl(IControlSite& site, const ControlDesign& design);
// A drop-down list that gets its items when first needed (list_box.cpp).
std::unique_ptr<Control> NewListControl(IControlSite& site, const ControlDesign& design);
// The clock's text box, which paints its new texts itself (text_box.cpp).
std::unique_ptr<Control> NewTextControl(IControlSite& site, const ControlDesign& design);
// The labels (label.h): a drawn button or link, with its looks, focus mark,
// presses and accessible object (drawn_button.cpp), and a plain click area
// with its caption in a transparent static (click_area.cpp).
std::unique_ptr<Control> NewDrawnButton(IControlSite& site, const ControlDesign& design);
std::unique_ptr<Control> NewClickArea(IControlSite& site, const ControlDesign& design);

}  // namespace platform::win32
