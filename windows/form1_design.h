// Design of the main window: its properties, its controls and its pop-up menu.
#pragma once

#include "platform/design.h"

namespace windows {

// Controls and menu items of the main window, in stacking order front to back.
enum Form1Id {
    kTimer3 = 1,
    kTimer2,
    kCommand3,
    kCommand2,
    kCommand1,
    kCombo4,
    kCombo1,
    kCombo2,
    kCombo3,
    kNtime,
    kTimer1,
    kText4,
    kText3,
    kText2,
    kText1,
    kLabel4,
    kLabel3,
    kLabel2,
    kImage3,
    kImage2,
    kLabel1,
    kImage1,
    kTimer4,
    // the pop-up menu
    kMnuPopUp = 100,
    kItmShowMainWindow,
    kCancelzop,
    kDd,
    kItmAbout,
    kItmExit,
};

const platform::FormDesign& Form1Design();

// The action names, as the action list offers them.
inline constexpr const wchar_t* kActionShutdown = L"Shutdown";
inline constexpr const wchar_t* kActionRestart = L"Restard";
inline constexpr const wchar_t* kActionLogOff = L"Log Off";
inline constexpr const wchar_t* kActionRunFile = L"Run File...";

}  // namespace windows
