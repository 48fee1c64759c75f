// The one rule that turns a design's twips into pixels at a display scale.
//
// A twip is 1/1440 inch, so at `dpi` pixels per inch a length of t twips is
// t x dpi / 1440 pixels: 15 twips a pixel at 96 (100 %), 12 at 120, 10 at
// 144, 7.5 at 192. Lengths that do not come out whole are placed by their
// edges: each edge is rounded to the nearest pixel, halves down-right (away
// from the origin), and a control's size is the distance between its two
// rounded edges. Two controls that meet in the design therefore meet in
// pixels at every scale, never with a gap or an overlap, and a control is
// never more than a pixel off its exact size.
//
// Everything the windows size by the design goes through here: client
// areas, controls (the click areas and the buttons below the client area
// among them), the places of the pictures' words, fonts, and lengths the
// program draws in pixels at 100 %.
#pragma once

#include "platform/design.h"

namespace platform {

constexpr int kDefaultDpi = 96;      // 100 %: the designs' 15 twips a pixel
constexpr int kTwipsPerInch = 1440;

// Rounds n / d to the nearest integer, halves up (towards +infinity); d > 0.
constexpr int RoundedDivision(long long n, long long d) {
    const long long twice = 2 * n + d;  // floor((n + d/2) / d), without halves lost
    const long long q = twice / (2 * d);
    return static_cast<int>(twice % (2 * d) < 0 ? q - 1 : q);
}

// A design edge (twips from the client area's corner) in pixels at `dpi`.
constexpr int TwipsToPixels(int twips, int dpi) {
    return RoundedDivision(static_cast<long long>(twips) * dpi, kTwipsPerInch);
}

// A length the program draws in pixels at 100 % (a frame, a margin), at `dpi`.
constexpr int ScaledPixels(int pixels_at_96, int dpi) {
    return RoundedDivision(static_cast<long long>(pixels_at_96) * dpi, kDefaultDpi);
}

// A font's height in pixels at `dpi`, as a font request takes it: negative,
// the character height without the line's leading (points at that DPI).
constexpr int FontHeight(const FontDesign& font, int dpi) {
    return -RoundedDivision(static_cast<long long>(font.hundredths_pt) * dpi, 72 * 100);
}

struct PixelSize {
    int width = 0, height = 0;
};

// A control's place in client pixels at `dpi`.
constexpr PixelRect ScaledRect(const ControlDesign& d, int dpi) {
    return PixelRect{TwipsToPixels(d.left, dpi), TwipsToPixels(d.top, dpi),
                     TwipsToPixels(d.left + d.width, dpi), TwipsToPixels(d.top + d.height, dpi)};
}

// The size of a control's place in pixels at `dpi`.
constexpr PixelSize ScaledSize(const ControlDesign& d, int dpi) {
    const PixelRect r = ScaledRect(d, dpi);
    return PixelSize{r.right - r.left, r.bottom - r.top};
}

// The place of a picture's words in client pixels at `dpi`, and where their
// text goes: a box title in the box's top band, other words fill the place.
constexpr PixelRect ScaledRect(const PictureWords& w, int dpi) {
    return PixelRect{TwipsToPixels(w.left, dpi), TwipsToPixels(w.top, dpi),
                     TwipsToPixels(w.left + w.width, dpi), TwipsToPixels(w.top + w.height, dpi)};
}
constexpr PixelRect TextPlace(const PictureWords& w, int dpi) {
    PixelRect r = ScaledRect(w, dpi);
    if (w.kind == WordsKind::BoxTitle) r.bottom = TwipsToPixels(w.top + w.band_height, dpi);
    return r;
}

// A window's client area in pixels at `dpi`.
constexpr PixelSize ScaledClient(const FormDesign& f, int dpi) {
    return PixelSize{TwipsToPixels(f.client_width, dpi), TwipsToPixels(f.client_height, dpi)};
}

}  // namespace platform
