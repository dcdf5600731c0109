// TIFF through libtiff's RGBA interface, first image only; alpha is dropped.
#pragma once

#include <cstdint>

#include "formats/image_decoder.h"

struct tiff;

namespace zendavo {

class TiffDecoder final : public ImageDecoder {
public:
    ~TiffDecoder() override { close(); }

    bool open(const std::filesystem::path& path, RasterImage& target) override;
    bool read() override;
    void close() override;

private:
    struct tiff* tiff_ = nullptr;
    RasterImage* target_ = nullptr;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
};

}  // namespace zendavo
