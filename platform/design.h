// Designs of windows as data: a window's own properties, a table of its
// controls and its pop-up menu. The real window layer builds windows from
// these tables, and the tests build their substitute controls from the same
// tables, so a design is written once.
//
// Positions and sizes are in twips (1/1440 inch; 15 a pixel at 100 %), from
// the top-left corner of the client area; platform/scale.h turns them into
// pixels at a window's display scale. Colours are 0x00BBGGRR; a value with
// the top byte 0x80 names a system colour by index.
#pragma once

#include <cstdint>
#include <vector>

namespace platform {

// What a window built from a design shows to anyone who looks at it: its
// class name is this prefix and the design's name; child controls and menu
// commands carry these bases plus their ids in the design.
constexpr const wchar_t* kWindowClassPrefix = L"Tarnovelle";
constexpr int kChildIdBase = 1000;
constexpr int kMenuIdBase = 2000;

// Labels have no background of their own: the window's surface shows
// through them. Pictures are drawn on that surface at their design place.
enum class ControlKind { Timer, PushButton, DropDownList, TextBox, Label, Picture };

enum class Border {
    FixedSingle,      // title bar and thin frame, not resizable
    FixedToolWindow,  // small title bar, no minimize or maximize box
    None,             // no frame, no title bar, no control menu
};

constexpr std::uint32_t kSystemColourFlag = 0x80000000u;
constexpr std::uint32_t kColourHighlight = 0x8000000Du;  // system colour 13
constexpr std::uint32_t kColourWhite = 0x00FFFFFFu;
constexpr std::uint32_t kColourBlack = 0x00000000u;

struct FontDesign {
    const wchar_t* face = nullptr;  // nullptr: the window's default font
    int hundredths_pt = 0;          // 975 for 9.75 pt
    bool bold = false;
    bool underline = false;
};

struct ControlDesign {
    int id = 0;                  // the window's own number for the control
    const wchar_t* name = L"";
    ControlKind kind = ControlKind::Label;
    int left = 0, top = 0, width = 0, height = 0;  // twips
    int tab_index = -1;          // -1: the control takes no place in the tab order
    const wchar_t* caption = nullptr;
    const wchar_t* const* items = nullptr;  // list items, in order
    int item_count = 0;
    const wchar_t* tooltip = nullptr;
    bool visible = true;
    bool enabled = true;         // timers: ticking from creation
    // Timers tick either every interval_ms, or on the window's beat: all of
    // them together, at the moments the window's code asks for
    // (IFormEvents::NextBeat), each just after a second begins.
    int interval_ms = 0;
    bool on_beat = false;
    FontDesign font = {};
    bool has_fore_colour = false;
    std::uint32_t fore_colour = 0;
    bool has_back_colour = false;
    std::uint32_t back_colour = 0;
    bool auto_size = false;      // labels: size themselves to their caption
    int cursor_resource = 0;     // custom mouse cursor, 0: none
    int picture_resource = 0;    // pictures
    // What a screen reader calls the control: the words the picture shows
    // on it or beside it. A label named so is a drawn button (or a link)
    // that a keyboard reaches at its tab place and presses with Enter or
    // Space, as a click does (platform/accessible.h).
    const wchar_t* accessible_name = nullptr;
    bool link = false;           // a named label that opens a link
};

// A control's place in client pixels (platform/scale.h).
struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// The one rule that turns a design's rows into controls: each kind is made by
// the maker's member of that kind's name. The real window layer and the
// tests' substitute both build their controls through it, so a new kind
// must be made by both before either builds.
template <class Maker>
auto MakeControl(Maker& maker, const ControlDesign& d) {
    switch (d.kind) {
        case ControlKind::Timer: return maker.Timer(d);
        case ControlKind::PushButton: return maker.PushButton(d);
        case ControlKind::DropDownList: return maker.DropDownList(d);
        case ControlKind::TextBox: return maker.TextBox(d);
        case ControlKind::Label: return maker.Label(d);
        case ControlKind::Picture: return maker.Picture(d);
    }
    return decltype(maker.Timer(d)){};
}

// The kind's name, as the end-to-end tests read the designs.
constexpr const char* ControlKindName(ControlKind kind) {
    switch (kind) {
        case ControlKind::Timer: return "timer";
        case ControlKind::PushButton: return "button";
        case ControlKind::DropDownList: return "list";
        case ControlKind::TextBox: return "text";
        case ControlKind::Label: return "label";
        case ControlKind::Picture: return "picture";
    }
    return "?";
}

// The words and frames a picture carries, written once: a screen reader
// hears them (a list is named by the words of its box, an alert by its
// lines), and in a contrast theme, where no picture is drawn, the window
// draws them as text and lines in the theme's colours (platform/contrast.h)
// at their place. A drawn button's words are its accessible name.
enum class WordsKind {
    Title,     // the product's name, large, across a picture
    Line,      // a line of text
    Strong,    // a line the picture sets apart by its colour: bold here
    BoxTitle,  // the heading of a framed box; the frame goes round the place
    Frame,     // a frame round the place, without words
};

struct PictureWords {
    WordsKind kind = WordsKind::Line;
    const wchar_t* text = nullptr;
    int left = 0, top = 0, width = 0, height = 0;  // twips, in the client area
    // A box title lies in the box's top band, this high (twips).
    int band_height = 0;
    FontDesign font = {};
    int names = 0;  // the control these words name (their box's list), 0: none
};

struct MenuItemDesign {
    int id = 0;
    const wchar_t* name = L"";
    const wchar_t* caption = L"";  // "-" draws a separator line
    int level = 0;                 // 0: the (invisible) top level, 1: its items
    bool visible = true;
};

struct FormDesign {
    const wchar_t* name = L"";
    const wchar_t* caption = L"";
    Border border = Border::FixedSingle;
    bool max_button = false;
    bool min_button = false;
    bool control_box = true;
    std::uint32_t back_colour = kColourWhite;
    int icon_resource = 0;       // 0: no icon
    int picture_resource = 0;    // background picture filling the client area
    int client_width = 0;        // twips
    int client_height = 0;
    bool centred = true;
    bool on_users_monitor = false;  // centred on the monitor the user works on
    bool show_in_taskbar = true;
    // Stays above other windows, and is shown without taking the foreground
    // (which Windows does not give a program in the background).
    bool topmost = false;
    // Shown as Windows shows a notification: in the bottom right corner of
    // the work area of the monitor the user works on (`centred` aside), with
    // the system's notification sound as it appears; a click on it leaves
    // the foreground, and the keyboard, where they were (the keyboard comes
    // into it from the taskbar or the window switcher).
    bool notification = false;
    // No picture carries its words or its buttons: it is drawn from them in
    // the system's colours, as a contrast theme draws every window, with or
    // without a theme.
    bool drawn = false;
    FontDesign default_font = {};
    // What a screen reader calls the window, when not its caption. An alert
    // window is announced when it shows, though it does not take the focus,
    // and is called by the lines its picture shows (its words).
    const wchar_t* accessible_name = nullptr;
    bool alert = false;
    int cancel_control = 0;      // the control Esc presses, 0: none
    const ControlDesign* controls = nullptr;  // front to back
    int control_count = 0;
    const MenuItemDesign* menu = nullptr;
    int menu_count = 0;
    const PictureWords* words = nullptr;  // what the pictures say, back to front
    int word_count = 0;

    const ControlDesign* Find(int id) const {
        for (int i = 0; i < control_count; ++i)
            if (controls[i].id == id) return &controls[i];
        return nullptr;
    }
};

// The ids of a window's timers that tick on its beat, in the order they
// tick: back to front in the design, so a timer lower in the table runs
// before the timers above it. The real window and the tests' substitute
// both tick in this order.
inline std::vector<int> TickOrder(const FormDesign& design) {
    std::vector<int> ids;
    for (int i = design.control_count - 1; i >= 0; --i)
        if (design.controls[i].kind == ControlKind::Timer && design.controls[i].on_beat)
            ids.push_back(design.controls[i].id);
    return ids;
}

}  // namespace platform
