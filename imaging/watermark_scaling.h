// A watermark picture resized to a share of each photo's width, so one logo serves small and
// large photos alike. Pure white stays pure white, so white is still keyed out.
#pragma once

#include <atomic>
#include <cstddef>
#include <deque>
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

// The scaled pictures of one watermark, each made once per distinct photo width while they fit
// in `byteLimit` (the oldest are dropped beyond it, and made again if asked for again); safe to
// call from several threads. `original` must outlive it.
class ScaledWatermarks {
public:
    static constexpr std::size_t kDefaultByteLimit = std::size_t{256} << 20;

    ScaledWatermarks(const BmpBuffer& original, int percent, std::size_t byteLimit = kDefaultByteLimit);

    // Shared, so a picture in use stays whole when the cache drops it.
    std::shared_ptr<const BmpBuffer> forPhotoWidth(int photoWidth);
    // How many pictures have been resampled so far.
    std::size_t resizedCount() const;

private:
    struct Entry {
        std::once_flag made;
        BmpBuffer picture;
        std::size_t bytes = 0;
    };

    const BmpBuffer& original_;
    int percent_;
    std::size_t byteLimit_;
    mutable std::mutex mutex_;
    std::map<int, std::shared_ptr<Entry>> byWidth_;
    std::deque<int> order_;  // widths, oldest first
    std::size_t bytes_ = 0;
    std::atomic<std::size_t> resized_{0};
};

}  // namespace zendavo
