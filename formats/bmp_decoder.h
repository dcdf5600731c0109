// 24-bit BMP files: BITMAPINFOHEADER (and its longer successors), bottom-up or top-down, and
// the OS/2 core header. Every other bit count is refused.
#pragma once

#include <cstdint>

#include "formats/stdio_decoder.h"

namespace zendavo {

class BmpDecoder final : public StdioDecoder {
public:
    ~BmpDecoder() override { close(); }

    bool read() override;
    void close() override;

private:
    bool readHeader() override;

    std::int64_t width_ = 0;
    std::int64_t height_ = 0;
    std::uint32_t pixelOffset_ = 0;
    bool topDown_ = false;
};

}  // namespace zendavo
