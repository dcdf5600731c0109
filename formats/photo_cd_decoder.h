// Kodak Photo CD image pacs: the 768 x 512 Base image, luma and subsampled chroma in YCC.
#pragma once

#include <cstdint>

#include "formats/image_decoder.h"

namespace zendavo {

struct Rgb24 {
    std::uint8_t red = 0, green = 0, blue = 0;
    friend bool operator==(const Rgb24&, const Rgb24&) = default;
};

// One pixel from its luma and the two chroma samples of its column pair.
Rgb24 photoCdPixel(int luma, int chroma1, int chroma2);

class PhotoCdDecoder final : public FileDecoder {
public:
    static constexpr int kWidth = 768;
    static constexpr int kHeight = 512;
    static constexpr std::int64_t kBaseOffset = 196608;  // 0x30000
    static constexpr std::int64_t kGroupBytes = 3 * kWidth;
    static constexpr std::int64_t kMinLength = kBaseOffset + kGroupBytes * (kHeight / 2);
    static constexpr std::int64_t kSignatureOffset = 2048;  // 0x800

private:
    bool start() override;
    bool decode(RasterImage& target) override;
};

}  // namespace zendavo
