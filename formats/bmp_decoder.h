// 24-bit BMP files: BITMAPINFOHEADER (and its longer successors), bottom-up or top-down, and
// the OS/2 core header. Every other bit count is refused.
#pragma once

#include <cstdint>

#include "formats/image_decoder.h"

namespace zendavo {

class BmpDecoder final : public FileDecoder {
private:
    bool start() override;
    bool decode(RasterImage& target) override;
    void finish() override;

    std::uint32_t pixelOffset_ = 0;
    bool topDown_ = false;
};

}  // namespace zendavo
