// Multiplies a watermark into a copy of a source picture, skipping pixels of the key colour.
#pragma once

#include <functional>

#include "imaging/bmp_buffer.h"
#include "imaging/colour_value.h"
#include "imaging/watermark_settings.h"

namespace zendavo {

enum class SizeWarning {
    TallerThanPicture,
    WiderThanPicture,
};

// Called once for every "watermark larger than the picture" condition, the height first; composing
// goes on when it returns.
using SizeWarningHandler = std::function<void(SizeWarning)>;

// Opacity in percent: 100 draws the multiplied value itself, P below it mixes it with the
// photo's value as (s * (100 - P) + m * P + 50) div 100.
inline constexpr int kFullOpacity = 100;

// The composite as a new buffer, or an empty one when either input is not a usable 24-bit
// bitmap. Neither input is changed.
BmpBuffer composite(const BmpBuffer& source, const BmpBuffer& watermark,
                    const WatermarkSettings& settings, const SizeWarningHandler& onSizeWarning = {},
                    ColourValue keyColour = kWhite);

// The same drawing into `picture` itself, for callers that own it and need no copy. Returns
// false, leaving `picture` unchanged, when either input is not a usable 24-bit bitmap.
// `opacity` runs from 1 to kFullOpacity.
bool compositeInPlace(BmpBuffer& picture, const BmpBuffer& watermark,
                      const WatermarkSettings& settings, const SizeWarningHandler& onSizeWarning = {},
                      ColourValue keyColour = kWhite, int opacity = kFullOpacity);

}  // namespace zendavo
