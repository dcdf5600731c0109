// 24-bit BMP files: BITMAPINFOHEADER (and its longer successors), bottom-up or top-down, and
// the OS/2 core header. Every other bit count is refused.
#pragma once

#include <cstdint>

#include "formats/c_file.h"
#include "formats/image_decoder.h"

namespace zendavo {

class BmpDecoder final : public ImageDecoder {
public:
    ~BmpDecoder() override { close(); }

    bool open(const std::filesystem::path& path, RasterImage& target) override;
    bool read() override;
    void close() override;

private:
    bool readHeader();

    CFile file_;
    RasterImage* target_ = nullptr;
    std::int64_t width_ = 0;
    std::int64_t height_ = 0;
    std::uint32_t pixelOffset_ = 0;
    bool topDown_ = false;
};

}  // namespace zendavo
