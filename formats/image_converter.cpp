#include "formats/image_converter.h"

#include <array>
#include <system_error>

#include "formats/bmp_decoder.h"
#include "formats/bmp_writer.h"
#include "formats/jpeg_decoder.h"
#include "formats/pcx_decoder.h"
#include "formats/photo_cd_decoder.h"
#include "formats/png_decoder.h"
#include "formats/rgb24.h"
#include "formats/tiff_decoder.h"

namespace zendavo {
namespace {

namespace fs = std::filesystem;

// The first decoder that takes the file decodes it; a failed read is final.
ConvertStatus decode(const fs::path& source, RasterImage& image)
{
    JpegDecoder jpeg;
    BmpDecoder bmp;
    TiffDecoder tiff;
    PngDecoder png;
    PcxDecoder pcx;
    PhotoCdDecoder photoCd;
    const std::array<ImageDecoder*, 6> order{&jpeg, &bmp, &tiff, &png, &pcx, &photoCd};
    for (ImageDecoder* decoder : order) {
        if (decoder->open(source, image))
            return decoder->read() ? ConvertStatus::Ok : ConvertStatus::Undecodable;
    }
    return ConvertStatus::Undecodable;
}

bool writeBmp(const fs::path& destination, const RasterImage& image)
{
    BmpWriter writer;
    return writer.open(destination, image, 24) && writer.write();
}

}  // namespace

ConvertStatus convertToBmp(const std::optional<fs::path>& source,
                           const std::optional<fs::path>& destination)
{
    if (!source || !destination) return ConvertStatus::MissingPath;
    std::error_code error;
    if (fs::symlink_status(*source, error).type() == fs::file_type::not_found)
        return ConvertStatus::SourceMissing;
    // Folders, and devices or pipes that could block the reader, are no pictures.
    if (!fs::is_regular_file(*source, error)) return ConvertStatus::Undecodable;

    RasterImage image;
    if (const ConvertStatus decoded = decode(*source, image); decoded != ConvertStatus::Ok)
        return decoded;
    if (image.bitsPerPixel() != 24) {
        RasterImage rgb;
        if (!toRgb24(image, rgb)) return ConvertStatus::Undecodable;
        image.clear();
        return writeBmp(*destination, rgb) ? ConvertStatus::Ok : ConvertStatus::WriteFailed;
    }
    return writeBmp(*destination, image) ? ConvertStatus::Ok : ConvertStatus::WriteFailed;
}

}  // namespace zendavo
