#include "platform/picture.h"

#include <algorithm>
#include <cmath>

namespace platform {

PictureChoice ChoosePicture(PixelSize natural, PixelSize place,
                            const bool (&present)[kPictureScaleCount]) {
    PictureChoice larger{}, largest{};
    for (int i = 0; i < kPictureScaleCount; ++i) {
        if (!present[i]) continue;
        const int scale = kPictureScales[i];
        const PixelSize made{natural.width * scale, natural.height * scale};
        if (made.width == place.width && made.height == place.height) return {scale, false};
        if (!larger.scale && made.width >= place.width && made.height >= place.height)
            larger = {scale, true};
        largest = {scale, true};
    }
    return larger.scale ? larger : largest;
}

namespace {

// How one axis of the result takes from the source: for each result pixel,
// its source pixels (from `first`) and their weights, summing to 1.
struct Taps {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<float> weights;  // `count` of them per result pixel, in order
    std::vector<int> offset;     // where each result pixel's weights begin
};

Taps AxisTaps(int from, int to) {
    Taps taps;
    taps.first.resize(static_cast<std::size_t>(to));
    taps.count.resize(static_cast<std::size_t>(to));
    taps.offset.resize(static_cast<std::size_t>(to));
    const double ratio = static_cast<double>(from) / to;
    for (int i = 0; i < to; ++i) {
        const auto at = static_cast<std::size_t>(i);
        taps.offset[at] = static_cast<int>(taps.weights.size());
        if (to <= from) {
            // The source span [i, i + 1) x ratio, each pixel weighed by the
            // part of it the span covers.
            const double begin = i * ratio, end = (i + 1) * ratio;
            const int first = static_cast<int>(std::floor(begin));
            const int last = std::min(from - 1, static_cast<int>(std::ceil(end)) - 1);
            taps.first[at] = first;
            for (int s = first; s <= last; ++s) {
                const double cover = std::min<double>(end, s + 1) - std::max<double>(begin, s);
                taps.weights.push_back(static_cast<float>(cover / ratio));
            }
            taps.count[at] = last - first + 1;
        } else {
            // Between the two source pixels whose centres surround this one's.
            const double centre = std::clamp((i + 0.5) * ratio - 0.5, 0.0, from - 1.0);
            const int left = std::min(static_cast<int>(centre), from - 1);
            const double f = centre - left;
            taps.first[at] = left;
            if (left + 1 < from && f > 0) {
                taps.weights.push_back(static_cast<float>(1 - f));
                taps.weights.push_back(static_cast<float>(f));
                taps.count[at] = 2;
            } else {
                taps.weights.push_back(1.0f);
                taps.count[at] = 1;
            }
        }
    }
    return taps;
}

std::uint32_t Pack(const float (&c)[4]) {
    std::uint32_t word = 0;
    // Premultiplied colour never exceeds its alpha, rounding included.
    const float alpha = std::clamp(std::round(c[3]), 0.0f, 255.0f);
    for (int k = 0; k < 4; ++k) {
        const float v = std::clamp(std::round(c[k]), 0.0f, k == 3 ? 255.0f : alpha);
        word |= static_cast<std::uint32_t>(v) << (8 * k);
    }
    return word;
}

}  // namespace

Pixels Resample(const Pixels& source, int width, int height) {
    Pixels result{width, height, {}};
    if (width <= 0 || height <= 0 || source.width <= 0 || source.height <= 0) return result;
    if (width == source.width && height == source.height) return source;

    // Across first, into a float picture of the result's width and the
    // source's height; then down.
    const Taps across = AxisTaps(source.width, width);
    const Taps down = AxisTaps(source.height, height);
    std::vector<float> middle(static_cast<std::size_t>(width) * source.height * 4);
    for (int y = 0; y < source.height; ++y) {
        const std::uint32_t* row = &source.argb[static_cast<std::size_t>(y) * source.width];
        for (int x = 0; x < width; ++x) {
            const auto at = static_cast<std::size_t>(x);
            float sum[4] = {};
            for (int t = 0; t < across.count[at]; ++t) {
                const float w = across.weights[static_cast<std::size_t>(across.offset[at] + t)];
                const std::uint32_t p = row[across.first[at] + t];
                for (int k = 0; k < 4; ++k) sum[k] += w * static_cast<float>((p >> (8 * k)) & 0xFF);
            }
            float* out = &middle[(static_cast<std::size_t>(y) * width + x) * 4];
            std::copy(sum, sum + 4, out);
        }
    }
    result.argb.resize(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const auto at = static_cast<std::size_t>(y);
        for (int x = 0; x < width; ++x) {
            float sum[4] = {};
            for (int t = 0; t < down.count[at]; ++t) {
                const float w = down.weights[static_cast<std::size_t>(down.offset[at] + t)];
                const float* in =
                    &middle[(static_cast<std::size_t>(down.first[at] + t) * width + x) * 4];
                for (int k = 0; k < 4; ++k) sum[k] += w * in[k];
            }
            result.argb[static_cast<std::size_t>(y) * width + x] = Pack(sum);
        }
    }
    return result;
}

}  // namespace platform
