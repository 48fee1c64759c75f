// The main window is a picture-based panel: three pictures carry the
// decoration and the drawn buttons, caption-less transparent labels lie over
// the drawn buttons as click areas, and four drop-down lists sit in boxes
// drawn on the panel picture. The three push buttons lie below the client
// area, reachable from the keyboard only.
#include "windows/form1_design.h"

#include "platform/picture.h"
#include "resources/resource.h"

namespace windows {
namespace {

// The designs name the 100 % pictures; the program finds the 200 % ones.
static_assert(platform::kPicture2xOffset == IDP_2X_OFFSET);

using platform::ControlKind;
using platform::ControlDesign;
using platform::FontDesign;
using platform::MenuItemDesign;
using platform::PictureWords;
using platform::WordsKind;

constexpr const wchar_t* kTwoDigits[] = {
    L"00", L"01", L"02", L"03", L"04", L"05", L"06", L"07", L"08", L"09",
    L"10", L"11", L"12", L"13", L"14", L"15", L"16", L"17", L"18", L"19",
    L"20", L"21", L"22", L"23", L"24", L"25", L"26", L"27", L"28", L"29",
    L"30", L"31", L"32", L"33", L"34", L"35", L"36", L"37", L"38", L"39",
    L"40", L"41", L"42", L"43", L"44", L"45", L"46", L"47", L"48", L"49",
    L"50", L"51", L"52", L"53", L"54", L"55", L"56", L"57", L"58", L"59",
};
// Seconds come in steps the warning window can announce in time.
constexpr const wchar_t* kSeconds[] = {
    L"10", L"15", L"20", L"25", L"30", L"35", L"40", L"45", L"50", L"55", L"59",
};
constexpr const wchar_t* kActions[] = {
    kActionShutdown, kActionRestart, kActionLogOff, kActionRunFile,
};

constexpr FontDesign kCourier12 = {.face = L"Courier New", .hundredths_pt = 1200};
constexpr FontDesign kCourier9 = {.face = L"Courier New", .hundredths_pt = 900};

// The controls keep the names the program has always had. What each one is:
//
//   Combo1, Combo2, Combo3  hour, minute and second lists, in the three small
//                           boxes of the panel picture (Image2)
//   Combo4                  action list, in the panel's long box
//   ntime                   the running clock, over the banner's lower right
//   Label1                  the slogan along the banner's upper edge
//   Label2                  click area over the drawn Set Action button (full
//                           arming, with a warning first)
//   Label3                  click area over the drawn About button
//   Label4                  click area over the drawn Close button (ends at once)
//   Command1                "Set Shutdown": short arming, no warning; below the
//                           client area, keyboard only, like Command2 (About)
//                           and Command3 (Exit)
//   Text1 .. Text4          invisible boxes behind the lists; Combo4 and Combo1
//                           copy their picks into Text1 and Text2
//   Timer1                  the clock: writes ntime on every beat
//   Timer2                  the action trigger, on the beat
//   Timer3                  the warning trigger, on the beat
//   Timer4                  tries every few seconds to add the tray icon while
//                           the shell has refused it
//
// The beat drives Timer1, Timer2 and Timer3 together, just after a second
// begins: every second while the window is shown (the clock is seen), and
// while it is hidden only at the warning and action seconds armed and at
// each minute's start, to re-read the clock (scheduler/beat.h). A change of
// the clock, the time zone or the power state brings a beat at once.
//   Image1, Image2, Image3  banner, selection panel, three drawn buttons
//   cancelzop               the tray menu's "&Cancel"
//
// Label2, Label3 and Label4 carry the names their drawn buttons show: each
// is a focus stop at its tab place (after the lists), pressed with Enter
// or Space as with a click, and a push button to a screen reader. The lists
// and the clock box carry the words the panel and the banner show beside
// them (platform/accessible.h).
//
// Rows run front to back. Timer1 lies behind Timer2 and Timer3 on purpose:
// timers tick back to front within a beat (platform::TickOrder), so the
// clock is written before the triggers compare it with the armed times.
constexpr ControlDesign kControls[] = {
    {.id = kTimer3, .name = L"Timer3", .kind = ControlKind::Timer, .enabled = false,
     .on_beat = true},
    {.id = kTimer2, .name = L"Timer2", .kind = ControlKind::Timer, .on_beat = true},
    {.id = kCommand3, .name = L"Command3", .kind = ControlKind::PushButton,
     .left = 4200, .top = 6120, .width = 2055, .height = 375, .tab_index = 2,
     .caption = L"Exit"},
    {.id = kCommand2, .name = L"Command2", .kind = ControlKind::PushButton,
     .left = 4200, .top = 5640, .width = 2055, .height = 375, .tab_index = 1,
     .caption = L"About"},
    {.id = kCommand1, .name = L"Command1", .kind = ControlKind::PushButton,
     .left = 4200, .top = 5040, .width = 2055, .height = 495, .tab_index = 0,
     .caption = L"Set Shutdown"},
    {.id = kCombo4, .name = L"Combo4", .kind = ControlKind::DropDownList,
     .left = 960, .top = 3750, .width = 2655, .height = 315, .tab_index = 8,
     .items = kActions, .item_count = 4, .tooltip = L"Select the Action here",
     .accessible_name = L"Action"},
    {.id = kCombo1, .name = L"Combo1", .kind = ControlKind::DropDownList,
     .left = 960, .top = 2700, .width = 615, .height = 315, .tab_index = 7,
     .items = kTwoDigits, .item_count = 24, .tooltip = L"Hours", .accessible_name = L"Hour"},
    {.id = kCombo2, .name = L"Combo2", .kind = ControlKind::DropDownList,
     .left = 1920, .top = 2700, .width = 735, .height = 315, .tab_index = 6,
     .items = kTwoDigits, .item_count = 60, .tooltip = L"Minutes", .accessible_name = L"Minute"},
    {.id = kCombo3, .name = L"Combo3", .kind = ControlKind::DropDownList,
     .left = 3000, .top = 2700, .width = 615, .height = 315, .tab_index = 5,
     .items = kSeconds, .item_count = 11, .tooltip = L"Seconds", .accessible_name = L"Second"},
    {.id = kNtime, .name = L"ntime", .kind = ControlKind::TextBox,
     .left = 5280, .top = 1680, .width = 1335, .height = 285, .tab_index = 3,
     .font = kCourier12, .has_back_colour = true, .back_colour = platform::kColourWhite,
     .accessible_name = L"Clock"},
    {.id = kTimer1, .name = L"Timer1", .kind = ControlKind::Timer, .on_beat = true},
    {.id = kText4, .name = L"Text4", .kind = ControlKind::TextBox,
     .left = 3240, .top = 2760, .width = 375, .height = 285, .tab_index = 9, .visible = false},
    {.id = kText3, .name = L"Text3", .kind = ControlKind::TextBox,
     .left = 2160, .top = 2760, .width = 375, .height = 285, .tab_index = 10, .visible = false},
    {.id = kText2, .name = L"Text2", .kind = ControlKind::TextBox,
     .left = 960, .top = 2760, .width = 375, .height = 285, .tab_index = 11, .visible = false},
    {.id = kText1, .name = L"Text1", .kind = ControlKind::TextBox,
     .left = 960, .top = 3720, .width = 2415, .height = 285, .tab_index = 15, .visible = false},
    {.id = kLabel4, .name = L"Label4", .kind = ControlKind::Label,
     .left = 4080, .top = 3840, .width = 2655, .height = 495, .tab_index = 14,
     .cursor_resource = IDC_HAND, .accessible_name = L"Close"},
    {.id = kLabel3, .name = L"Label3", .kind = ControlKind::Label,
     .left = 4080, .top = 3240, .width = 2655, .height = 495, .tab_index = 13,
     .cursor_resource = IDC_HAND, .accessible_name = L"About"},
    {.id = kLabel2, .name = L"Label2", .kind = ControlKind::Label,
     .left = 4080, .top = 2280, .width = 2535, .height = 495, .tab_index = 12,
     .cursor_resource = IDC_HAND, .accessible_name = L"Set Action"},
    {.id = kImage3, .name = L"Image3", .kind = ControlKind::Picture,
     .left = 3960, .top = 2160, .width = 2835, .height = 2250, .picture_resource = IDP_BUTTONS},
    {.id = kImage2, .name = L"Image2", .kind = ControlKind::Picture,
     .left = 120, .top = 2160, .width = 3750, .height = 2250, .picture_resource = IDP_PANEL},
    {.id = kLabel1, .name = L"Label1", .kind = ControlKind::Label,
     .left = 2040, .top = 600, .width = 4695, .height = 375, .tab_index = 4,
     .caption = L"Shutdown, Restard, Run File or Log Off with", .font = kCourier9,
     .has_fore_colour = true, .fore_colour = platform::kColourHighlight},
    {.id = kImage1, .name = L"Image1", .kind = ControlKind::Picture,
     .left = 120, .top = 120, .width = 6660, .height = 1980, .picture_resource = IDP_BANNER},
    {.id = kTimer4, .name = L"Timer4", .kind = ControlKind::Timer, .enabled = false,
     .interval_ms = 5000},
};

// What the banner and the panel say, for a contrast theme that draws no
// pictures: the name where the banner shows it, the panel's frame, and its
// four framed boxes with their headings, each naming the list in it.
constexpr FontDesign kNameFont = {.face = L"Tahoma", .hundredths_pt = 2800, .bold = true};
constexpr FontDesign kBoxTitleFont = {.face = L"Tahoma", .hundredths_pt = 800, .bold = true};

constexpr PictureWords kWords[] = {
    {.kind = WordsKind::Title, .text = L"Tarnovelle",
     .left = 2040, .top = 975, .width = 4560, .height = 675, .font = kNameFont},
    {.kind = WordsKind::Frame, .left = 120, .top = 2160, .width = 3750, .height = 2250},
    {.kind = WordsKind::BoxTitle, .text = L"Hour", .left = 900, .top = 2415, .width = 750,
     .height = 675, .band_height = 240, .font = kBoxTitleFont, .names = kCombo1},
    {.kind = WordsKind::BoxTitle, .text = L"Min", .left = 1860, .top = 2415, .width = 870,
     .height = 675, .band_height = 240, .font = kBoxTitleFont, .names = kCombo2},
    {.kind = WordsKind::BoxTitle, .text = L"Sec", .left = 2940, .top = 2415, .width = 750,
     .height = 675, .band_height = 240, .font = kBoxTitleFont, .names = kCombo3},
    {.kind = WordsKind::BoxTitle, .text = L"Action", .left = 900, .top = 3465, .width = 2790,
     .height = 675, .band_height = 240, .font = kBoxTitleFont, .names = kCombo4},
};

constexpr MenuItemDesign kMenu[] = {
    {.id = kMnuPopUp, .name = L"mnuPopUp", .caption = L"Pop-up Menu", .level = 0,
     .visible = false},
    {.id = kItmShowMainWindow, .name = L"itmShowMainWindow", .caption = L"&Show", .level = 1},
    {.id = kCancelzop, .name = L"cancelzop", .caption = L"&Cancel", .level = 1},
    {.id = kDd, .name = L"dd", .caption = L"-", .level = 1},
    {.id = kItmAbout, .name = L"itmAbout", .caption = L"&About", .level = 1},
    {.id = kItmExit, .name = L"itmExit", .caption = L"&Exit", .level = 1},
};

constexpr platform::FormDesign kForm1 = {
    .name = L"Form1",
    .caption = L"Tarnovelle",
    .border = platform::Border::FixedSingle,
    .max_button = false,
    .min_button = true,
    .control_box = true,
    .back_colour = platform::kColourWhite,
    .icon_resource = IDI_PROGRAM,
    .client_width = 6930,
    .client_height = 4560,
    .centred = true,
    .show_in_taskbar = true,
    .default_font = {.face = L"Tahoma", .hundredths_pt = 800},
    .controls = kControls,
    .control_count = sizeof(kControls) / sizeof(kControls[0]),
    .menu = kMenu,
    .menu_count = sizeof(kMenu) / sizeof(kMenu[0]),
    .words = kWords,
    .word_count = sizeof(kWords) / sizeof(kWords[0]),
};

}  // namespace

const platform::FormDesign& Form1Design() { return kForm1; }

}  // namespace windows
