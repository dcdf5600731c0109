// A decoded picture: rows top first with no filler. 24 bits: red, green, blue; 32 bits: alpha,
// red, green, blue; 8 bits: an index into the palette, or a grey level when there is none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zendavo {

struct PaletteEntry {
    std::uint8_t red = 0, green = 0, blue = 0;
    friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};

class RasterImage {
public:
    static constexpr std::size_t kMaxPaletteEntries = 256;

    // Releases the old pixels, then obtains storage for the new size. False, leaving the image
    // empty, for a size below 1 x 1 or beyond the image limits, a depth other than 8, 24 or 32,
    // or storage that cannot be obtained.
    bool create(std::int64_t width, std::int64_t height, int bitsPerPixel);
    void clear();

    // False for more than 256 entries.
    bool setPalette(std::vector<PaletteEntry> entries);

    bool empty() const { return pixels_.empty(); }
    int width() const { return width_; }
    int height() const { return height_; }
    int bitsPerPixel() const { return bitsPerPixel_; }
    std::size_t rowBytes() const { return rowBytes_; }
    const std::vector<PaletteEntry>& palette() const { return palette_; }

    std::uint8_t* row(int r) { return pixels_.data() + static_cast<std::size_t>(r) * rowBytes_; }
    const std::uint8_t* row(int r) const
    {
        return pixels_.data() + static_cast<std::size_t>(r) * rowBytes_;
    }
    std::span<const std::uint8_t> pixels() const { return pixels_; }

private:
    int width_ = 0;
    int height_ = 0;
    int bitsPerPixel_ = 0;
    std::size_t rowBytes_ = 0;
    std::vector<PaletteEntry> palette_;
    std::vector<std::uint8_t> pixels_;
};

}  // namespace zendavo
