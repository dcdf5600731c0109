// Test pictures in every input format, made through libjpeg, libpng and libtiff or byte by
// byte, plus a scratch folder and helpers to read back the converter's .bmp files.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "formats/convert_status.h"
#include "formats/image_converter.h"
#include "formats/picture_metadata.h"
#include "imaging/bmp_buffer.h"
#include "support/bmp_fixture.h"

namespace zendavo::testing {

using Bytes = std::vector<std::uint8_t>;

// A picture as rows of red, green, blue, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    Bytes rgb;

    Rgb at(int c, int r) const
    {
        const std::size_t i = 3 * (static_cast<std::size_t>(r) * width + c);
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

// Smooth colour ramps with some texture, distinct enough that a misplaced row shows.
Picture patternPicture(int width, int height);

// The pixels of a .bmp file, via the imaging layer's own reading.
Picture pictureOfBmp(const BmpBuffer& bmp);

// A folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return root_; }
    std::filesystem::path operator/(const std::string& name) const { return root_ / name; }
    // Names of everything in the folder, sorted.
    std::vector<std::string> entries() const;

private:
    std::filesystem::path root_;
};

// Little-endian value of `count` bytes at `at`; bounds-checked.
void setLe(Bytes& bytes, std::size_t at, std::uint32_t value, int count);

void writeBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
Bytes randomBytes(std::size_t count, std::uint32_t seed);

// Writes `bytes` as scratch/`name`, converts it to scratch/out.bmp and reads that back.
struct Converted {
    ConvertStatus status = ConvertStatus::Ok;
    BmpBuffer bmp;
};
Converted convertBytes(const ScratchFolder& scratch, std::span<const std::uint8_t> bytes,
                       const std::string& name = "picture");

// Converts like convertBytes and also hands back what the converter found.
struct ConvertedWithDetails {
    ConvertStatus status = ConvertStatus::Ok;
    BmpBuffer bmp;
    ConvertDetails details;
};
ConvertedWithDetails convertWithDetails(const ScratchFolder& scratch,
                                        std::span<const std::uint8_t> bytes,
                                        const std::string& name = "picture");

// --- JPEG ---
enum class JpegKind { Colour, Grey, Cmyk };
// Blocks written into the file as APP markers (JFIF density through libjpeg's own fields).
struct JpegMarkers {
    Bytes exif;  // TIFF bytes; "Exif\0\0" is put in front
    std::string xmp;
    Bytes iptc;  // the whole APP13 payload
    Bytes icc;   // written with jpeg_write_icc_profile
    std::optional<Density> density;
};
Bytes jpegBytes(const Picture& picture, JpegKind kind = JpegKind::Colour, int quality = 90,
                bool progressive = false, const JpegMarkers& markers = {});
// A small CMYK output profile made with LittleCMS: ink on white paper, CMYK to Lab by a grid.
Bytes cmykProfile();
// LittleCMS's sRGB profile, as an RGB picture would carry it.
Bytes rgbProfile();
// Four samples a pixel as libjpeg delivers a CMYK file.
Bytes decodeJpegCmykReference(std::span<const std::uint8_t> jpeg);
// The pixels libjpeg itself gives at its default settings (colour or grey as RGB).
Picture decodeJpegReference(std::span<const std::uint8_t> jpeg);

// --- PNG ---
struct PngFixture {
    PngFixture(int w, int h, int type, int depth, Bytes pixelSamples)
        : width(w), height(h), colourType(type), bitDepth(depth), samples(std::move(pixelSamples))
    {
    }

    int width = 1;
    int height = 1;
    int colourType = 2;  // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    Bytes samples;  // one byte per sample (two, big-endian, at 16 bits), rows top first
    std::vector<Rgb> palette;
    Bytes transparency;                            // tRNS of a palette picture: alpha per entry
    std::optional<std::uint16_t> transparentGrey;  // tRNS of a grey picture
    std::optional<std::array<std::uint16_t, 3>> transparentRgb;  // tRNS of a colour picture
    std::optional<double> gamma;                   // gAMA
    bool srgb = false;                             // sRGB
    bool interlaced = false;                       // Adam7
    bool background = false;                       // a bKGD chunk of black (entry 0 for palettes)
    Bytes exif;                                    // eXIf
    Bytes icc;                                     // iCCP
    std::string xmp;                               // iTXt "XML:com.adobe.xmp"
    std::optional<Density> density;                // pHYs: unit 1 dpi (stored per metre), 0 ratio
};
Bytes pngBytes(const PngFixture& fixture);

// --- TIFF ---
struct TiffPage {
    int width = 1;
    int height = 1;
    int samplesPerPixel = 3;  // 4: the fourth is alpha
    Bytes samples;            // rows top first, as the picture is shown
    int rowsPerStrip = 2;
    bool storedBottomUp = false;  // rows stored bottom first, orientation tag 4
    bool tiled = false;           // 16 x 16 tiles instead of strips
    bool unassociatedAlpha = false;  // alpha not premultiplied into the colours
};
void writeTiff(const std::filesystem::path& path, const std::vector<TiffPage>& pages);

// --- PCX ---
struct PcxFixture {
    int xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    int bitsPerPixel = 8;
    int planes = 1;
    int bytesPerLine = 0;
    Bytes compressed;  // run-length data from offset 128
    Bytes palette;     // 768 bytes appended for 8-bit files, when not empty
};
Bytes pcxBytes(const PcxFixture& fixture);
// Run-length encoding of one line, runs of up to 63, literal bytes below 0xC0.
Bytes pcxEncodeLine(std::span<const std::uint8_t> line);

// --- Photo CD ---
// An image pac of `length` bytes, the signature at 0x800 when asked, and as much of the Base
// image as fits filled with one luma and one chroma pair.
Bytes photoCdBytes(std::size_t length, bool signature, std::uint8_t luma, std::uint8_t c1,
                   std::uint8_t c2);

// --- BMP files as other programs write them ---
struct BmpFileFixture {
    int width = 1;
    int height = 1;  // negative: top-down
    int bitCount = 24;
    bool coreHeader = false;
};
Bytes bmpFileBytes(const Picture& picture, const BmpFileFixture& fixture);

}  // namespace zendavo::testing
