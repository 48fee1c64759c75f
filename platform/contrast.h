// The colours of a contrast theme, and which of them each part of a window
// takes.
//
// People with low vision or light sensitivity turn on a contrast theme and
// choose its few colours themselves; a program then draws in those colours
// only, never in its own. The windows leave their pictures out (the words a
// picture carries are drawn as text instead, design.h's PictureWords), and
// each part takes one pair of the theme's colours, text and background
// together: half a pair, the other half the program's own, is how text
// vanishes (white text on the program's white box).
//
// Colours are named by their system colour index (GetSysColor's); a
// palette gives each index its colour, so where a theme happens to give two
// of them the same colour a part that would disappear takes another pair.
#pragma once

#include <array>
#include <cstdint>

namespace platform {

// The system colours a contrast theme sets and the windows use.
enum SystemColour : int {
    kSysWindow = 5,
    kSysWindowText = 8,
    kSysHighlight = 13,
    kSysHighlightText = 14,
    kSysButtonFace = 15,
    kSysButtonText = 18,
    kSysHotLight = 26,
};

constexpr int kSystemColourCount = 31;

// The theme's colours (0x00BBGGRR), by system colour index.
struct Palette {
    std::array<std::uint32_t, kSystemColourCount> colour{};
    std::uint32_t operator[](int index) const {
        return index >= 0 && index < kSystemColourCount ? colour[index] : 0;
    }
};

enum class ContrastPart {
    Surface,        // a window's client area and what lies on it: words,
                    // frames, the labels' captions
    Clock,          // the clock box
    Button,         // a drawn button at rest (its face, frame and words)
    PressedButton,  // a drawn button held down
    Link,           // a label that opens a link, on the surface
    FocusMark,      // the keyboard's focus mark, on a drawn button's face
};

// A part's colours: its text (and frame, and mark) on its background.
struct ColourPair {
    int text = kSysWindowText;
    int back = kSysWindow;
};

// The pair `part` takes in a theme with `palette`.
ColourPair PairOf(ContrastPart part, const Palette& palette);

}  // namespace platform
