// PNG through libpng: palette pictures as 8-bit indexes (transparent entries laid over white),
// grey as 8-bit grey, colour as 24 bits; 16-bit samples are scaled to 8 bits, and pictures with
// alpha or a transparent colour are laid over white as they are read.
#pragma once

#include <memory>

#include "formats/image_decoder.h"

namespace zendavo {

class PngDecoder final : public FileDecoder {
public:
    // No single allocation inside libpng may exceed this (chunk data, decompressed text, ICC).
    static constexpr std::size_t kMaxLibraryAllocation = 16 << 20;
    // Deflate makes at most 1032 bytes of one; a picture needing more has no data to fill it.
    static constexpr std::int64_t kMaxDeflateRatio = 1032;

    PngDecoder();
    ~PngDecoder() override;

    struct Session;

private:
    bool start() override;
    bool decode(RasterImage& target) override;
    void finish() override;

    std::unique_ptr<Session> session_;
};

}  // namespace zendavo
