// PCX, run-length encoded: 8 bits with the 256-colour palette at the end of the file, or
// 24 bits as three colour planes per line.
#pragma once

#include <cstdint>
#include <span>

#include "formats/stdio_decoder.h"

namespace zendavo {

// Decodes one line from `data` starting at `position`, which it advances. A run never
// continues into the next line. False when the data ends before the line is full.
bool decodePcxLine(std::span<const std::uint8_t> data, std::size_t& position,
                   std::span<std::uint8_t> line);

class PcxDecoder final : public StdioDecoder {
public:
    static constexpr std::size_t kHeaderSize = 128;
    static constexpr std::size_t kPaletteSize = 768;

    ~PcxDecoder() override { close(); }

    bool read() override;
    void close() override;

private:
    bool readHeader() override;
    bool readIndexed();
    bool readPlanes();

    std::int64_t width_ = 0;
    std::int64_t height_ = 0;
    std::size_t bytesPerLine_ = 0;
    std::size_t planes_ = 0;
    int depth_ = 0;
};

}  // namespace zendavo
