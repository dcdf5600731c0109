#include "formats/image_converter.h"

#include <array>
#include <new>
#include <system_error>

#include "formats/bmp_decoder.h"
#include "formats/bmp_writer.h"
#include "formats/exif_block.h"
#include "formats/jpeg_decoder.h"
#include "formats/orientation.h"
#include "formats/pcx_decoder.h"
#include "formats/photo_cd_decoder.h"
#include "formats/png_decoder.h"
#include "formats/rgb24.h"
#include "formats/tiff_decoder.h"

namespace zendavo {
namespace {

namespace fs = std::filesystem;

// The first decoder that takes the file decodes it; a failed read is final.
ConvertStatus decode(const fs::path& source, RasterImage& image, ConvertDetails& details)
{
    JpegDecoder jpeg;
    BmpDecoder bmp;
    TiffDecoder tiff;
    PngDecoder png;
    PcxDecoder pcx;
    PhotoCdDecoder photoCd;
    const std::array<ImageDecoder*, 6> order{&jpeg, &bmp, &tiff, &png, &pcx, &photoCd};
    for (ImageDecoder* decoder : order) {
        if (!decoder->open(source)) continue;
        if (!decoder->read(image)) return ConvertStatus::Undecodable;
        details.metadata = decoder->metadata();
        details.orientation = validOrientation(exifOrientation(details.metadata.exif));
        details.warning = decoder->warning();
        return ConvertStatus::Ok;
    }
    return ConvertStatus::Undecodable;
}

bool writeBmp(const fs::path& destination, const RasterImage& image, int orientation)
{
    BmpWriter writer;
    return writer.open(destination, image, 24, orientation) && writer.write();
}

}  // namespace

ConvertStatus convertToBmp(const std::optional<fs::path>& source,
                           const std::optional<fs::path>& destination)
{
    ConvertDetails ignored;
    return convertToBmp(source, destination, ignored);
}

ConvertStatus convertToBmp(const std::optional<fs::path>& source,
                           const std::optional<fs::path>& destination, ConvertDetails& details)
{
    details = {};
    if (!source || !destination) return ConvertStatus::MissingPath;
    std::error_code error;
    if (fs::symlink_status(*source, error).type() == fs::file_type::not_found)
        return ConvertStatus::SourceMissing;
    // Folders, and devices or pipes that could block the reader, are no pictures.
    if (!fs::is_regular_file(*source, error)) return ConvertStatus::Undecodable;

    RasterImage image;
    try {
        if (const ConvertStatus decoded = decode(*source, image, details);
            decoded != ConvertStatus::Ok) {
            details = {};
            return decoded;
        }
    } catch (const std::bad_alloc&) {
        details = {};
        return ConvertStatus::Undecodable;
    }
    if (image.bitsPerPixel() != 24) {
        RasterImage rgb;
        if (!toRgb24(image, rgb)) return ConvertStatus::Undecodable;
        image.clear();
        return writeBmp(*destination, rgb, details.orientation) ? ConvertStatus::Ok
                                                                 : ConvertStatus::WriteFailed;
    }
    return writeBmp(*destination, image, details.orientation) ? ConvertStatus::Ok
                                                               : ConvertStatus::WriteFailed;
}

}  // namespace zendavo
