// Which of a picture's versions a window draws at its scale, and how it is
// brought to the size of its place.
//
// Every picture is carried as drawn for 100 % (its size in the design) and
// for 200 %, both rendered from the same drawing. A place is drawn with the
// version made for its size, or else with the nearest larger version reduced
// by area averaging (each pixel the average of the source area it covers,
// as WIC's Fant scaler does): at 125 %, 150 % and 175 % from the 200 %
// version. Only above 200 % is a picture enlarged, and then from the largest
// version, by bilinear interpolation.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/scale.h"

namespace platform {

// The resource of a picture's 200 % version is its 100 % resource's + this.
constexpr int kPicture2xOffset = 10;
constexpr int kPictureScaleCount = 2;
constexpr int kPictureScales[kPictureScaleCount] = {1, 2};

// The resource of picture `id`'s version for `scale` (1 or 2).
constexpr int PictureVersionId(int id, int scale) { return id + (scale - 1) * kPicture2xOffset; }

struct PictureChoice {
    int scale = 0;         // the version to draw: 1 or 2; 0 when none is there
    bool resample = true;  // its size differs from the place's
};

// `natural` is the 100 % version's size; `present[i]` tells whether the
// version of kPictureScales[i] is carried.
PictureChoice ChoosePicture(PixelSize natural, PixelSize place,
                            const bool (&present)[kPictureScaleCount]);

// Pixels as 32-bit BGRA words (0xAARRGGBB), colour premultiplied by alpha,
// rows top to bottom.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;
};

// The picture at another size: area averaging where an axis shrinks,
// bilinear interpolation where it grows. Transparent pixels lend no colour
// to their neighbours. Sizes must be positive.
Pixels Resample(const Pixels& source, int width, int height);

}  // namespace platform
