// PCX, run-length encoded: 8 bits with the 256-colour palette at the end of the file, or
// 24 bits as three colour planes per line.
#pragma once

#include <cstdint>
#include <span>

#include "formats/image_decoder.h"

namespace zendavo {

// Decodes one line from `data` starting at `position`, which it advances. A run never
// continues into the next line. False when the data ends before the line is full.
bool decodePcxLine(std::span<const std::uint8_t> data, std::size_t& position,
                   std::span<std::uint8_t> line);

class PcxDecoder final : public FileDecoder {
public:
    static constexpr std::size_t kHeaderSize = 128;
    static constexpr std::size_t kPaletteSize = 768;
    // One run byte and its value give at most 63 samples.
    static constexpr std::int64_t kMaxSamplesPerByte = 63;

private:
    bool start() override;
    bool decode(RasterImage& target) override;
    void finish() override;
    bool readIndexed(RasterImage& target);
    bool readPlanes(RasterImage& target);

    std::size_t bytesPerLine_ = 0;
    std::size_t planes_ = 0;
    int depth_ = 0;
};

}  // namespace zendavo
