// The windows in a contrast theme: which of the theme's colours each part
// takes, and the words that stand in for the pictures.
#include <gtest/gtest.h>

#include <string>

#include "platform/contrast.h"
#include "platform/design.h"
#include "platform/scale.h"
#include "tests/unit/fake_platform.h"
#include "windows/about.h"
#include "windows/attention.h"
#include "windows/form1_design.h"
#include "windows/notice.h"

namespace {

using platform::ColourPair;
using platform::ContrastPart;
using platform::Palette;
using platform::PairOf;

Palette Theme(std::uint32_t window, std::uint32_t window_text, std::uint32_t highlight,
              std::uint32_t highlight_text, std::uint32_t face, std::uint32_t button_text,
              std::uint32_t hot_light) {
    Palette p;
    p.colour[platform::kSysWindow] = window;
    p.colour[platform::kSysWindowText] = window_text;
    p.colour[platform::kSysHighlight] = highlight;
    p.colour[platform::kSysHighlightText] = highlight_text;
    p.colour[platform::kSysButtonFace] = face;
    p.colour[platform::kSysButtonText] = button_text;
    p.colour[platform::kSysHotLight] = hot_light;
    return p;
}

struct NamedPalette {
    const char* name;
    Palette palette;
};

// Light on dark and dark on light, as Windows' own themes are; and themes
// where two colours a part might take coincide.
const NamedPalette kPalettes[] = {
    {"light on dark", Theme(0x000000, 0xFFFFFF, 0xFFEB1A, 0x000000, 0x000000, 0x32EEFF, 0xFF8080)},
    {"dark on light", Theme(0xEFFAFF, 0x3D3D3D, 0x093990, 0xE3F5FF, 0xEFFAFF, 0x202020, 0x755E1C)},
    {"highlight as the window", Theme(0x000000, 0xFFFFFF, 0x000000, 0xFFFFFF, 0x000000, 0xFFFFFF, 0x00FFFF)},
    {"link as the window", Theme(0xFFFFFF, 0x000000, 0x800000, 0xFFFFFF, 0xC0C0C0, 0x000000, 0xFFFFFF)},
};

// The pairs Windows' contrast themes are made of: text on its own background.
bool IsThemePair(ColourPair pair) {
    using namespace platform;
    const ColourPair pairs[] = {{kSysWindowText, kSysWindow},      {kSysButtonText, kSysButtonFace},
                                {kSysHighlightText, kSysHighlight}, {kSysHotLight, kSysWindow},
                                {kSysHighlight, kSysButtonFace},   {kSysButtonFace, kSysButtonText}};
    for (const ColourPair& p : pairs)
        if (p.text == pair.text && p.back == pair.back) return true;
    return false;
}

TEST(ContrastPairs, EveryPartIsSeenOnItsBackgroundInTheThemesColoursOnly) {
    const ContrastPart parts[] = {ContrastPart::Surface, ContrastPart::Clock,     ContrastPart::Button,
                                  ContrastPart::PressedButton, ContrastPart::Link, ContrastPart::FocusMark};
    for (const NamedPalette& theme : kPalettes)
        for (ContrastPart part : parts) {
            SCOPED_TRACE(std::string(theme.name) + ", part " + std::to_string(static_cast<int>(part)));
            const ColourPair pair = PairOf(part, theme.palette);
            EXPECT_TRUE(IsThemePair(pair));
            EXPECT_NE(theme.palette[pair.text], theme.palette[pair.back]);
        }
}

TEST(ContrastPairs, WhatLiesOnTheWindowOrAButtonTakesItsBackground) {
    for (const NamedPalette& theme : kPalettes) {
        SCOPED_TRACE(theme.name);
        const Palette& p = theme.palette;
        // The clock and the links lie on the window's colour, as the words do.
        EXPECT_EQ(PairOf(ContrastPart::Clock, p).back, PairOf(ContrastPart::Surface, p).back);
        EXPECT_EQ(PairOf(ContrastPart::Link, p).back, PairOf(ContrastPart::Surface, p).back);
        // The focus mark lies on a button's face; a button held down looks
        // otherwise than one at rest.
        EXPECT_EQ(PairOf(ContrastPart::FocusMark, p).back, PairOf(ContrastPart::Button, p).back);
        EXPECT_NE(p[PairOf(ContrastPart::PressedButton, p).back], p[PairOf(ContrastPart::Button, p).back]);
    }
    // Where the selection has its own colour, a pressed button and the focus
    // mark take it, as Windows' own buttons do.
    const Palette& dark = kPalettes[0].palette;
    EXPECT_EQ(PairOf(ContrastPart::PressedButton, dark).back, platform::kSysHighlight);
    EXPECT_EQ(PairOf(ContrastPart::FocusMark, dark).text, platform::kSysHighlight);
}

// ---- The words instead of the pictures ------------------------------------------------

const platform::FormDesign* const kForms[] = {&windows::Form1Design(), &windows::AttentionDesign(),
                                              &windows::AboutDesign(),
                                    &windows::NoticeDesign()};

bool Overlap(const platform::PixelRect& a, const platform::PixelRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

TEST(PictureWords, NameTheListsTheirBoxesHoldAndLieWhereNothingCoversThem) {
    for (const platform::FormDesign* form : kForms) {
        const platform::PixelSize client = platform::ScaledClient(*form, platform::kDefaultDpi);
        for (int i = 0; i < form->word_count; ++i) {
            const platform::PictureWords& w = form->words[i];
            SCOPED_TRACE(fake::Narrow(form->name) + ", words " + std::to_string(i));
            const platform::PixelRect place = platform::ScaledRect(w, platform::kDefaultDpi);
            EXPECT_TRUE(place.left >= 0 && place.top >= 0 && place.right <= client.width &&
                        place.bottom <= client.height);
            // A box's heading names the list it frames: a screen reader says
            // what the theme shows, or more of it ("Min", "Minute").
            if (w.names) {
                const platform::ControlDesign* list = form->Find(w.names);
                ASSERT_NE(list, nullptr);
                ASSERT_NE(list->accessible_name, nullptr);
                EXPECT_EQ(std::wstring(list->accessible_name).rfind(w.text, 0), 0u);
                EXPECT_TRUE(Overlap(place, platform::ScaledRect(*list, platform::kDefaultDpi)));
            }
            if (!w.text) continue;
            // No control lies over the words.
            const platform::PixelRect text = platform::TextPlace(w, platform::kDefaultDpi);
            for (int c = 0; c < form->control_count; ++c) {
                const platform::ControlDesign& control = form->controls[c];
                if (control.kind == platform::ControlKind::Timer || control.kind == platform::ControlKind::Picture ||
                    !control.visible || (control.kind == platform::ControlKind::Label && !control.caption &&
                                         !control.accessible_name))
                    continue;
                EXPECT_FALSE(Overlap(text, platform::ScaledRect(control, platform::kDefaultDpi)))
                    << fake::Narrow(control.name);
            }
        }
    }
    // Each of the main window's four lists is named by its box.
    int named = 0;
    for (int i = 0; i < windows::Form1Design().word_count; ++i) named += windows::Form1Design().words[i].names != 0;
    EXPECT_EQ(named, 4);
}

}  // namespace
