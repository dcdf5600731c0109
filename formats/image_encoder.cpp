#include "formats/image_encoder.h"

#include <algorithm>
#include <new>

#include "formats/ascii_case.h"
#include "formats/bmp_rows.h"
#include "formats/bmp_writer.h"
#include "formats/file_io.h"
#include "formats/jpeg_encoder.h"
#include "formats/large_buffer.h"
#include "formats/output_metadata.h"
#include "formats/png_encoder.h"

namespace zendavo {
namespace {

bool allSpaces(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

// The picture as BmpWriter writes it: rows already bottom-up, filler set to zero.
bool encodeBmpFile(const BmpRows& rows, std::vector<std::uint8_t>& encoded)
{
    const std::size_t rowSize = bmpRowSize(rows.width);
    const std::size_t pixelBytes = 3 * static_cast<std::size_t>(rows.width);
    try {
        encoded.clear();
        resizeLargeBuffer(encoded,
                          kBmpHeaderSize + rowSize * static_cast<std::size_t>(rows.height));
    } catch (const std::bad_alloc&) {
        return false;
    }
    putBmpHeaders(std::span<std::uint8_t, kBmpHeaderSize>(encoded.data(), kBmpHeaderSize),
                  rows.width, rows.height);
    std::uint8_t* out = encoded.data() + kBmpHeaderSize;
    for (int r = rows.height - 1; r >= 0; --r, out += rowSize)
        std::copy_n(rows.row(r), pixelBytes, out);
    return true;
}

bool encode(const BmpRows& rows, EncoderFormat format, const EncodeOptions& options,
            std::vector<std::uint8_t>& encoded)
{
    std::optional<OutputMetadata> metadata;
    if (options.metadata && (format == EncoderFormat::Jpeg || format == EncoderFormat::Png))
        metadata = outputMetadata(*options.metadata, rows.width, rows.height);
    const OutputMetadata* carried = metadata ? &*metadata : nullptr;
    switch (format) {
        case EncoderFormat::Bmp: return encodeBmpFile(rows, encoded);
        case EncoderFormat::Jpeg: {
            JpegSettings settings;
            settings.quality = options.quality;
            if (options.sourceQuality) {
                settings.quality = kDefaultJpegQuality;
                if (options.metadata && options.metadata->jpegCompression)
                    settings.sourceCompression = &*options.metadata->jpegCompression;
            }
            return encodeJpeg(rows, settings, carried, encoded);
        }
        case EncoderFormat::Png: return encodePng(rows, carried, encoded);
        default: return false;
    }
}

}  // namespace

std::string defaultExtension(EncoderFormat format)
{
    switch (format) {
        case EncoderFormat::Bmp: return ".bmp";
        case EncoderFormat::Jpeg: return ".jpg";
        case EncoderFormat::Gif: return ".gif";
        case EncoderFormat::Tiff: return ".tiff";
        case EncoderFormat::Png: return ".png";
    }
    return "";
}

std::string encodedFileName(const std::string& outputPath, EncoderFormat format)
{
    const std::string extension = defaultExtension(format);
    const std::size_t tail = std::min(extension.size(), outputPath.size());
    const std::string_view ending = std::string_view(outputPath).substr(outputPath.size() - tail);
    return equalIgnoringAsciiCase(ending, extension) ? outputPath : outputPath + extension;
}

int encodeBmp(std::span<const std::uint8_t> bmpBytes, EncoderFormat format,
              const std::string& outputPath, std::vector<std::uint8_t>* encodedBytes, int quality)
{
    EncodeOptions options;
    options.quality = quality;
    return encodeBmp(bmpBytes, format, outputPath, options, encodedBytes);
}

int encodeBmp(std::span<const std::uint8_t> bmpBytes, EncoderFormat format,
              const std::string& outputPath, const EncodeOptions& options,
              std::vector<std::uint8_t>* encodedBytes)
{
    if (bmpBytes.size() < 3) return 0;
    const std::optional<BmpRows> rows = bmpRows(bmpBytes);
    std::vector<std::uint8_t> encoded;
    if (!rows || !encode(*rows, format, options, encoded) || encoded.empty()) return 0;
    if (!allSpaces(outputPath) &&
        !writeFileAtomically(encodedFileName(outputPath, format), encoded))
        return 0;
    if (encodedBytes) *encodedBytes = std::move(encoded);
    return 1;
}

}  // namespace zendavo
