// The twips-to-pixels rule and the choice and resampling of pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/picture.h"
#include "platform/scale.h"
#include "windows/about.h"
#include "windows/attention.h"
#include "windows/form1_design.h"
#include "windows/notice.h"

namespace {

using platform::ControlDesign;
using platform::FormDesign;
using platform::PixelRect;

constexpr int kScales[] = {96, 120, 144, 168, 192, 240, 288};

const FormDesign* const kForms[] = {&windows::Form1Design(), &windows::AboutDesign(),
                                    &windows::AttentionDesign(),
                                    &windows::NoticeDesign()};

TEST(TwipsToPixels, RoundsEachEdgeToTheNearestPixelHalvesUp) {
    const struct {
        int twips, dpi, pixels;
    } cases[] = {
        {0, 96, 0},      {15, 96, 1},     {4560, 96, 304},  {7, 96, 0},      {8, 96, 1},
        // 12 twips a pixel: quarters and halves.
        {15, 120, 1},    {18, 120, 2},    {30, 120, 3},     {6930, 120, 578}, {4560, 120, 380},
        // 10 twips a pixel: halves.
        {15, 144, 2},    {45, 144, 5},    {2535, 144, 254}, {4080, 144, 408},
        // 7.5 twips a pixel: the design is 15 twips a pixel, so always whole.
        {15, 192, 2},    {6930, 192, 924},
        // Negative places round the same way, towards the right.
        {-15, 120, -1},  {-18, 120, -1},  {-6, 120, 0},     {-7, 120, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::TwipsToPixels(c.twips, c.dpi), c.pixels)
            << c.twips << " twips at " << c.dpi;
}

TEST(TwipsToPixels, AtOneHundredPercentEveryDesignIsFifteenTwipsAPixelExactly) {
    for (const FormDesign* f : kForms) {
        EXPECT_EQ(platform::ScaledClient(*f, 96).width * 15, f->client_width) << f->name;
        EXPECT_EQ(platform::ScaledClient(*f, 96).height * 15, f->client_height) << f->name;
        for (int i = 0; i < f->control_count; ++i) {
            const ControlDesign& c = f->controls[i];
            const PixelRect r = platform::ScaledRect(c, 96);
            EXPECT_EQ(r.left * 15, c.left) << c.name;
            EXPECT_EQ(r.top * 15, c.top) << c.name;
            EXPECT_EQ((r.right - r.left) * 15, c.width) << c.name;
            EXPECT_EQ((r.bottom - r.top) * 15, c.height) << c.name;
        }
    }
}

// Controls that meet or overlap in the design meet or overlap by the same
// rounded edge at every scale, and no control is more than a pixel off its
// exact size; a picture's place is twice its 100 % size at 200 %.
TEST(TwipsToPixels, NeighboursNeverGapOrOverlapAndSizesStayWithinAPixel) {
    for (const FormDesign* f : kForms) {
        for (int dpi : kScales) {
            for (int i = 0; i < f->control_count; ++i) {
                const ControlDesign& a = f->controls[i];
                if (a.kind == platform::ControlKind::Timer) continue;
                const PixelRect ra = platform::ScaledRect(a, dpi);
                const double exact_w = a.width * dpi / 1440.0, exact_h = a.height * dpi / 1440.0;
                EXPECT_LT(std::abs((ra.right - ra.left) - exact_w), 1.0) << a.name << " at " << dpi;
                EXPECT_LT(std::abs((ra.bottom - ra.top) - exact_h), 1.0) << a.name << " at " << dpi;
                for (int j = 0; j < f->control_count; ++j) {
                    const ControlDesign& b = f->controls[j];
                    if (i == j || b.kind == platform::ControlKind::Timer) continue;
                    const PixelRect rb = platform::ScaledRect(b, dpi);
                    // Edge against edge in twips is edge against edge in pixels.
                    const bool x_meets = a.left + a.width == b.left;
                    const bool y_meets = a.top + a.height == b.top;
                    if (x_meets) {
                        EXPECT_EQ(ra.right, rb.left) << a.name << "|" << b.name << dpi;
                    }
                    if (y_meets) {
                        EXPECT_EQ(ra.bottom, rb.top) << a.name << "|" << b.name << dpi;
                    }
                    // Apart in twips is apart (or touching) in pixels.
                    if (a.left + a.width <= b.left) {
                        EXPECT_LE(ra.right, rb.left);
                    }
                    if (a.top + a.height <= b.top) {
                        EXPECT_LE(ra.bottom, rb.top);
                    }
                }
            }
            // Every control inside the client area stays inside it.
            const platform::PixelSize client = platform::ScaledClient(*f, dpi);
            for (int i = 0; i < f->control_count; ++i) {
                const ControlDesign& c = f->controls[i];
                if (c.kind == platform::ControlKind::Timer || c.top + c.height > f->client_height ||
                    c.left + c.width > f->client_width)
                    continue;
                const PixelRect r = platform::ScaledRect(c, dpi);
                EXPECT_LE(r.right, client.width) << c.name;
                EXPECT_LE(r.bottom, client.height) << c.name;
            }
        }
    }
    // A row of controls laid edge to edge in twips that do not fall on whole
    // pixels at 120 % and 150 %: 5 + 7 + 11 twips.
    const ControlDesign row[] = {{.left = 5, .width = 7}, {.left = 12, .width = 11},
                                 {.left = 23, .width = 5}};
    for (int dpi : kScales)
        for (int i = 0; i + 1 < 3; ++i)
            EXPECT_EQ(platform::ScaledRect(row[i], dpi).right,
                      platform::ScaledRect(row[i + 1], dpi).left);
}

TEST(TwipsToPixels, FontsAndDrawnLengthsFollowTheScale) {
    const platform::FontDesign courier9{.face = L"Courier New", .hundredths_pt = 900};
    const platform::FontDesign tahoma975{.face = L"Tahoma", .hundredths_pt = 975};
    EXPECT_EQ(platform::FontHeight(courier9, 96), -12);
    EXPECT_EQ(platform::FontHeight(courier9, 120), -15);
    EXPECT_EQ(platform::FontHeight(courier9, 192), -24);
    EXPECT_EQ(platform::FontHeight(tahoma975, 96), -13);
    EXPECT_EQ(platform::FontHeight(tahoma975, 144), -20);  // 19.5, halves up
    EXPECT_EQ(platform::ScaledPixels(2, 96), 2);
    EXPECT_EQ(platform::ScaledPixels(2, 120), 3);  // 2.5
    EXPECT_EQ(platform::ScaledPixels(1, 144), 2);  // 1.5
    EXPECT_EQ(platform::ScaledPixels(2, 192), 4);
    EXPECT_EQ(platform::ScaledPixels(200, 168), 350);
}

// ---- Pictures -------------------------------------------------------------

constexpr bool kBoth[] = {true, true};
constexpr bool kOnly1x[] = {true, false};

TEST(ChoosePicture, DrawsTheVersionMadeForThePlaceOrTheNearestLargerOne) {
    const platform::PixelSize banner{444, 132};
    const struct {
        int dpi;
        const bool (&present)[2];
        int scale;
        bool resample;
    } cases[] = {
        {96, kBoth, 1, false},   {120, kBoth, 2, true},   {144, kBoth, 2, true},
        {168, kBoth, 2, true},   {192, kBoth, 2, false},  {240, kBoth, 2, true},
        {288, kBoth, 2, true},   {72, kBoth, 1, true},
        // Without its 200 % version a picture is enlarged from 100 %.
        {96, kOnly1x, 1, false}, {144, kOnly1x, 1, true},
    };
    for (const auto& c : cases) {
        // The place is the banner's design rectangle at that scale.
        const ControlDesign image{.left = 120, .top = 120, .width = 6660, .height = 1980};
        const platform::PictureChoice choice =
            platform::ChoosePicture(banner, platform::ScaledSize(image, c.dpi), c.present);
        EXPECT_EQ(choice.scale, c.scale) << c.dpi;
        EXPECT_EQ(choice.resample, c.resample) << c.dpi;
    }
    constexpr bool none[] = {false, false};
    EXPECT_EQ(platform::ChoosePicture(banner, {444, 132}, none).scale, 0);
    // A place a pixel larger than the 100 % picture is not drawn from it.
    EXPECT_EQ(platform::ChoosePicture(banner, {445, 132}, kBoth).scale, 2);
}

platform::Pixels Filled(int w, int h, std::uint32_t argb) {
    return platform::Pixels{w, h, std::vector<std::uint32_t>(static_cast<std::size_t>(w) * h, argb)};
}

int Channel(std::uint32_t p, int k) { return static_cast<int>((p >> (8 * k)) & 0xFF); }

TEST(Resample, AFlatPictureStaysFlatAtEverySizeEdgesIncluded) {
    const platform::Pixels flat = Filled(444, 132, 0xFF3366CCu);
    for (auto [w, h] : {std::pair{555, 165}, {666, 198}, {777, 231}, {222, 66}, {1110, 330}, {1, 1}}) {
        const platform::Pixels out = platform::Resample(flat, w, h);
        ASSERT_EQ(out.argb.size(), static_cast<std::size_t>(w) * h);
        EXPECT_TRUE(std::all_of(out.argb.begin(), out.argb.end(),
                                [](std::uint32_t p) { return p == 0xFF3366CCu; }))
            << w << "x" << h;
    }
}

TEST(Resample, HalvingAveragesEachTwoByTwoBlock) {
    platform::Pixels in{4, 2, {0xFF000000u, 0xFF0000FFu, 0xFF101010u, 0xFF303030u,  //
                               0xFF000000u, 0xFF0000FFu, 0xFF202020u, 0xFF404040u}};
    const platform::Pixels out = platform::Resample(in, 2, 1);
    EXPECT_EQ(out.argb[0], 0xFF000080u);  // 127.5 rounds up
    EXPECT_EQ(out.argb[1], 0xFF282828u);
}

// Reducing by a fraction weighs each source pixel by the part of it a
// result pixel covers: a one-pixel line of 8 source pixels, reduced to 5,
// gives its second result pixel 0.6 of pixel 1 and 1 of pixel 2 (over 1.6).
TEST(Resample, AFractionalReductionWeighsPixelsByTheAreaTheyCover) {
    platform::Pixels line = Filled(8, 1, 0xFF000000u);
    line.argb[1] = 0xFF0000A0u;  // blue 160
    const platform::Pixels out = platform::Resample(line, 5, 1);
    EXPECT_EQ(Channel(out.argb[0], 0), 60);   // 0.6 of pixel 1 over 1.6
    EXPECT_EQ(Channel(out.argb[1], 0), 40);   // 0.4 of pixel 1 over 1.6, and black
    EXPECT_EQ(Channel(out.argb[2], 0), 0);
    // The whole picture's colour is kept: 160 over 8 pixels, 100 over 5 (+-rounding).
    int total = 0;
    for (std::uint32_t p : out.argb) total += Channel(p, 0);
    EXPECT_NEAR(total * 1.6, 160, 1.6);
}

TEST(Resample, TransparentPixelsLendNoColourAndColourNeverExceedsAlpha) {
    // A red opaque half beside a transparent half (premultiplied: all zero).
    platform::Pixels in = Filled(8, 8, 0x00000000u);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 4; ++x) in.argb[static_cast<std::size_t>(y) * 8 + x] = 0xFFFF0000u;
    for (auto [w, h] : {std::pair{5, 5}, {3, 3}, {13, 13}}) {
        const platform::Pixels out = platform::Resample(in, w, h);
        for (std::uint32_t p : out.argb) {
            const int a = Channel(p, 3);
            EXPECT_LE(Channel(p, 2), a);
            EXPECT_EQ(Channel(p, 1), 0);
            EXPECT_EQ(Channel(p, 0), 0);
            // Unpremultiplied, every visible pixel is the pure red it came from.
            if (a > 0) {
                EXPECT_NEAR(Channel(p, 2) * 255.0 / a, 255, 255.0 / a);
            }
        }
        EXPECT_EQ(Channel(out.argb[0], 3), 255) << w;          // the opaque side
        EXPECT_EQ(Channel(out.argb.back(), 3), 0) << w;       // the transparent side
    }
}

TEST(Resample, EnlargingInterpolatesBetweenNeighboursWithoutOvershoot) {
    const platform::Pixels ramp{2, 1, {0xFF000000u, 0xFF0000C8u}};
    const platform::Pixels out = platform::Resample(ramp, 4, 1);
    std::vector<int> blue;
    for (std::uint32_t p : out.argb) blue.push_back(Channel(p, 0));
    EXPECT_EQ(blue, (std::vector<int>{0, 50, 150, 200}));
    const platform::Pixels same = platform::Resample(ramp, 2, 1);
    EXPECT_EQ(same.argb, ramp.argb);
}

}  // namespace
