// TIFF through libtiff's RGBA interface, first image only; alpha is laid over white.
#pragma once

#include <cstdint>

#include "formats/image_decoder.h"

struct tiff;

namespace zendavo {

class TiffDecoder final : public FileDecoder {
public:
    // A strip or tile can hold at most this many times its own size of samples; more would be
    // a picture the file has no data for.
    static constexpr std::int64_t kMaxExpansion = 1024;

    ~TiffDecoder() override { finish(); }

private:
    bool start() override;
    bool decode(RasterImage& target) override;
    void finish() override;

    struct tiff* tiff_ = nullptr;
};

}  // namespace zendavo
