#include "formats/tiff_decoder.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include <tiffio.h>

#include "formats/image_limits.h"
#include "formats/over_white.h"

namespace zendavo {
namespace {

// libtiff's own buffers are bounded like the pictures themselves (four bytes a pixel at most).
constexpr tmsize_t kMaxSingleAllocation = kMaxImagePixels * 4;

// Returning 1 keeps libtiff from passing the message on to its global handlers.
int ignoreTiffMessage(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

struct OptionsDeleter {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

TIFF* openQuietly(const std::filesystem::path& path)
{
    const std::unique_ptr<TIFFOpenOptions, OptionsDeleter> options(TIFFOpenOptionsAlloc());
    if (!options) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), ignoreTiffMessage, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), ignoreTiffMessage, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), kMaxSingleAllocation);
    // "m": plain reads rather than a mapping, so a file cut short while read cannot fault.
    return TIFFOpenExt(path.c_str(), "rm", options.get());
}

// libtiff hands alpha pictures back premultiplied; without alpha, alpha is 255.
void copyRow(const std::uint32_t* in, std::uint8_t* out, std::uint32_t width)
{
    for (std::uint32_t x = 0; x < width; ++x, out += 3) {
        const unsigned alpha = TIFFGetA(in[x]);
        out[0] = premultipliedOverWhite(TIFFGetR(in[x]), alpha);
        out[1] = premultipliedOverWhite(TIFFGetG(in[x]), alpha);
        out[2] = premultipliedOverWhite(TIFFGetB(in[x]), alpha);
    }
}

// Every strip or tile lies inside the file, and together they are large enough for the picture
// they claim to hold.
bool hasDataForPicture(TIFF* tiff, std::int64_t fileBytes, std::uint32_t width,
                       std::uint32_t height)
{
    const std::uint32_t count = TIFFIsTiled(tiff) ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
    if (count == 0 || count > static_cast<std::uint64_t>(fileBytes)) return false;
    std::uint64_t dataBytes = 0;
    for (std::uint32_t k = 0; k < count; ++k) {
        int failed = 0;
        const std::uint64_t offset = TIFFGetStrileOffsetWithErr(tiff, k, &failed);
        if (failed) return false;
        const std::uint64_t bytes = TIFFGetStrileByteCountWithErr(tiff, k, &failed);
        if (failed || offset > static_cast<std::uint64_t>(fileBytes) ||
            bytes > static_cast<std::uint64_t>(fileBytes) - offset)
            return false;
        dataBytes += bytes;
    }
    std::uint16_t bitsPerSample = 1, samplesPerPixel = 1;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bitsPerSample);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samplesPerPixel);
    const std::uint64_t bits = std::uint64_t{width} * height * std::max<std::uint16_t>(1, bitsPerSample) *
                               std::max<std::uint16_t>(1, samplesPerPixel);
    return dataBytes > 0 && bits / 8 <= dataBytes * TiffDecoder::kMaxExpansion;
}

// Rows stored top first in strips: one strip of samples at a time instead of the whole picture.
bool readByStrips(TIFF* tiff, RasterImage& image, std::uint32_t rowsPerStrip)
{
    const auto width = static_cast<std::uint32_t>(image.width());
    const auto height = static_cast<std::uint32_t>(image.height());
    std::vector<std::uint32_t> samples(std::size_t{width} * rowsPerStrip);
    for (std::uint32_t row = 0; row < height; row += rowsPerStrip) {
        if (TIFFReadRGBAStrip(tiff, row, samples.data()) != 1) return false;
        // Each strip arrives bottom row first.
        const std::uint32_t rows = std::min(rowsPerStrip, height - row);
        for (std::uint32_t k = 0; k < rows; ++k)
            copyRow(samples.data() + std::size_t{rows - 1 - k} * width,
                    image.row(static_cast<int>(row + k)), width);
    }
    return true;
}

bool readWhole(TIFF* tiff, RasterImage& image)
{
    const auto width = static_cast<std::uint32_t>(image.width());
    const auto height = static_cast<std::uint32_t>(image.height());
    std::vector<std::uint32_t> samples(std::size_t{width} * height);
    // Asking for the top row first saves flipping the rows afterwards.
    if (TIFFReadRGBAImageOriented(tiff, width, height, samples.data(), ORIENTATION_TOPLEFT, 0) != 1)
        return false;
    for (std::uint32_t r = 0; r < height; ++r)
        copyRow(samples.data() + std::size_t{r} * width, image.row(static_cast<int>(r)), width);
    return true;
}

// Strips can be read one by one only when they hold the rows in display order.
std::uint32_t usableRowsPerStrip(TIFF* tiff, std::uint32_t height)
{
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    std::uint32_t rowsPerStrip = height;
    if (TIFFIsTiled(tiff) || TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &orientation) != 1 ||
        orientation != ORIENTATION_TOPLEFT ||
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip) != 1)
        return 0;
    return rowsPerStrip >= 1 && rowsPerStrip < height ? rowsPerStrip : 0;
}

}  // namespace

bool TiffDecoder::start()
{
    tiff_ = openQuietly(path_);
    std::uint32_t width = 0, height = 0;
    if (!tiff_ || TIFFGetField(tiff_, TIFFTAG_IMAGEWIDTH, &width) != 1 ||
        TIFFGetField(tiff_, TIFFTAG_IMAGELENGTH, &height) != 1 || width == 0 || height == 0 ||
        !withinImageLimits(width, height) ||
        !hasDataForPicture(tiff_, fileLength(file_.get()), width, height))
        return false;
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
    return true;
}

bool TiffDecoder::decode(RasterImage& target)
{
    bool ok = target.create(width_, height_, 24);
    try {
        if (ok) {
            const std::uint32_t rowsPerStrip =
                usableRowsPerStrip(tiff_, static_cast<std::uint32_t>(height_));
            ok = rowsPerStrip > 0 ? readByStrips(tiff_, target, rowsPerStrip)
                                  : readWhole(tiff_, target);
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    return ok;
}

void TiffDecoder::finish()
{
    if (tiff_) TIFFClose(tiff_);
    tiff_ = nullptr;
}

}  // namespace zendavo
