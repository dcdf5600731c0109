// A watermark picture resized to a share of each photo's width, so one logo serves small and
// large photos alike. Pure white stays pure white, so white is still keyed out.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>

#include "imaging/bmp_buffer.h"

namespace zendavo {

struct ScaledSize {
    int width = 0;
    int height = 0;
};

// Width round(percent / 100 x photoWidth), height round(height x width' / width), both at least 1.
ScaledSize scaledWatermarkSize(int width, int height, int photoWidth, int percent);

// The picture resampled (Mitchell when shrinking, Catmull-Rom when enlarging) to `size`; a
// pixel whose whole filter support is white comes out white. Empty for an unusable picture.
BmpBuffer resizeWatermark(const BmpBuffer& watermark, ScaledSize size);

// The scaled pictures of one watermark, each made once per distinct photo width; safe to call
// from several threads. `original` must outlive it.
class ScaledWatermarks {
public:
    ScaledWatermarks(const BmpBuffer& original, int percent);

    const BmpBuffer& forPhotoWidth(int photoWidth);
    // How many pictures have been resampled so far.
    std::size_t resizedCount() const;

private:
    struct Entry {
        std::once_flag made;
        BmpBuffer picture;
    };

    const BmpBuffer& original_;
    int percent_;
    mutable std::mutex mutex_;
    std::map<int, std::unique_ptr<Entry>> byWidth_;
};

}  // namespace zendavo
