// What the converter hands back besides the working copy: the metadata blocks of JPEG and PNG
// sources as found, and nothing from formats that carry none.
#include <gtest/gtest.h>
#include <zlib.h>

#include "format_fixtures.h"
#include "formats/jpeg_decoder.h"
#include "formats/png_decoder.h"
#include "metadata_fixtures.h"

namespace zendavo {
namespace {

using namespace zendavo::testing;

class PictureDetailsTest : public ::testing::Test {
protected:
    ScratchFolder scratch;
};

Bytes someIcc()
{
    // Any bytes travel unchanged; the profile of a colour picture is not interpreted. More than
    // one APP2 segment holds.
    return randomBytes(70000, 3);
}

TEST_F(PictureDetailsTest, JpegBlocksAreGathered)
{
    JpegMarkers markers;
    markers.exif = exifBlock({{"Exif.Image.Artist", "Someone"}, {"Exif.Image.Orientation", "1"}});
    markers.xmp = xmpPacket({{"Xmp.dc.creator", "Someone"}});
    markers.iptc = iptcBlock({{"Iptc.Application2.Byline", "Someone"}});
    markers.icc = someIcc();
    markers.density = Density{1, 300, 301};
    const ConvertedWithDetails out =
        convertWithDetails(scratch, jpegBytes(patternPicture(17, 9), JpegKind::Colour, 87,
                                              false, markers));
    ASSERT_EQ(out.status, ConvertStatus::Ok);
    const PictureMetadata& m = out.details.metadata;
    EXPECT_EQ(m.exif, markers.exif);
    EXPECT_EQ(m.xmp, markers.xmp);
    EXPECT_EQ(m.iptc, markers.iptc);
    EXPECT_EQ(m.icc, markers.icc);
    ASSERT_TRUE(m.density.has_value());
    EXPECT_EQ(*m.density, (Density{1, 300, 301}));
    ASSERT_TRUE(m.jpegCompression.has_value());
    const JpegCompression& c = *m.jpegCompression;
    ASSERT_EQ(c.components.size(), 3u);
    // libjpeg's defaults: 2 x 2 luma, chroma on table 1.
    EXPECT_EQ(c.components[0].horizontalSampling, 2);
    EXPECT_EQ(c.components[0].verticalSampling, 2);
    EXPECT_EQ(c.components[1].quantTable, 1);
    ASSERT_TRUE(c.quantTables[0].has_value());
    // Quality 87 scales the standard luminance table (16 at the DC position) by 26 %.
    EXPECT_EQ((*c.quantTables[0])[0], (16 * 26 + 50) / 100);
    EXPECT_EQ(out.details.warning, DecodeWarning::None);
}

TEST_F(PictureDetailsTest, PngBlocksAreGathered)
{
    const Picture picture = patternPicture(5, 4);
    PngFixture png{5, 4, 2, 8, picture.rgb};
    png.exif = exifBlock({{"Exif.Image.Artist", "Someone"}});
    png.icc = rgbIccProfile();
    png.xmp = xmpPacket({{"Xmp.dc.creator", "Someone"}});
    png.density = Density{1, 300, 300};
    const ConvertedWithDetails out = convertWithDetails(scratch, pngBytes(png));
    ASSERT_EQ(out.status, ConvertStatus::Ok);
    const PictureMetadata& m = out.details.metadata;
    EXPECT_EQ(m.exif, png.exif);
    EXPECT_EQ(m.icc, png.icc);
    EXPECT_EQ(m.xmp, png.xmp);
    ASSERT_TRUE(m.density.has_value());
    EXPECT_EQ(*m.density, (Density{1, 300, 300}));  // 11811 per metre read back as dpi
    EXPECT_FALSE(m.jpegCompression.has_value());
}

// Size and metadata are known once a decoder has taken the file, before any pixel is made; the
// size is the stored one, before turning.
TEST_F(PictureDetailsTest, DecodersTellSizeAndMetadataOnOpen)
{
    const Picture picture = patternPicture(30, 20);
    JpegMarkers markers;
    markers.exif = exifBlock({{"Exif.Image.Orientation", "6"}});
    writeBytes(scratch / "a.jpg", jpegBytes(picture, JpegKind::Colour, 90, false, markers));
    PngFixture png{30, 20, 2, 8, picture.rgb};
    png.exif = markers.exif;
    writeBytes(scratch / "a.png", pngBytes(png));

    JpegDecoder jpeg;
    PngDecoder pngDecoder;
    for (ImageDecoder* decoder :
         {static_cast<ImageDecoder*>(&jpeg), static_cast<ImageDecoder*>(&pngDecoder)}) {
        const auto path = scratch / (decoder == &jpeg ? "a.jpg" : "a.png");
        ASSERT_TRUE(decoder->open(path));
        EXPECT_EQ(decoder->width(), 30);
        EXPECT_EQ(decoder->height(), 20);
        EXPECT_EQ(decoder->metadata().exif, markers.exif);
        RasterImage image;
        ASSERT_TRUE(decoder->read(image));
        EXPECT_EQ(image.width(), 30);
        EXPECT_EQ(image.height(), 20);
        EXPECT_EQ(decoder->warning(), DecodeWarning::None);
        // Each refuses the other's file, and is empty again.
        const auto other = scratch / (decoder == &jpeg ? "a.png" : "a.jpg");
        EXPECT_FALSE(decoder->open(other));
        EXPECT_EQ(decoder->width(), 0);
        EXPECT_TRUE(decoder->metadata().empty());
    }
}

// A profile libpng cannot accept is dropped; the picture is still read.
TEST_F(PictureDetailsTest, DamagedPngProfileIsDroppedNotFatal)
{
    const Picture picture = patternPicture(5, 4);
    const Bytes png = pngBytes({5, 4, 2, 8, picture.rgb});
    const Bytes garbage = randomBytes(400, 9);
    Bytes compressed(compressBound(garbage.size()));
    uLongf compressedSize = compressed.size();
    ASSERT_EQ(compress(compressed.data(), &compressedSize, garbage.data(), garbage.size()), Z_OK);
    Bytes chunk = {'i', 'C', 'C', 'P', 'x', 0, 0};
    chunk.insert(chunk.end(), compressed.begin(), compressed.begin() + compressedSize);
    Bytes file(png.begin(), png.begin() + 33);  // signature and IHDR
    const auto length = static_cast<std::uint32_t>(chunk.size() - 4);
    for (int k = 0; k < 4; ++k) file.push_back(static_cast<std::uint8_t>(length >> (24 - 8 * k)));
    file.insert(file.end(), chunk.begin(), chunk.end());
    const auto crc =
        static_cast<std::uint32_t>(crc32(0, chunk.data(), static_cast<uInt>(chunk.size())));
    for (int k = 0; k < 4; ++k) file.push_back(static_cast<std::uint8_t>(crc >> (24 - 8 * k)));
    file.insert(file.end(), png.begin() + 33, png.end());
    const ConvertedWithDetails out = convertWithDetails(scratch, file);
    ASSERT_EQ(out.status, ConvertStatus::Ok);
    EXPECT_TRUE(out.details.metadata.icc.empty());
    EXPECT_EQ(pictureOfBmp(out.bmp).rgb, picture.rgb);
}

TEST_F(PictureDetailsTest, OtherFormatsAndFailuresCarryNothing)
{
    const Picture picture = patternPicture(5, 4);
    const ConvertedWithDetails bmp =
        convertWithDetails(scratch, bmpFileBytes(picture, {5, 4, 24, false}));
    ASSERT_EQ(bmp.status, ConvertStatus::Ok);
    EXPECT_TRUE(bmp.details.metadata.empty());
    EXPECT_EQ(bmp.details.orientation, 1);

    JpegMarkers markers;
    markers.exif = exifBlock({{"Exif.Image.Orientation", "6"}});
    const Bytes jpeg = jpegBytes(picture, JpegKind::Colour, 90, false, markers);
    // Cut inside the EXIF block: refused, and nothing of it is handed back.
    const ConvertedWithDetails failed =
        convertWithDetails(scratch, Bytes(jpeg.begin(), jpeg.begin() + 40));
    EXPECT_EQ(failed.status, ConvertStatus::Undecodable);
    EXPECT_TRUE(failed.details.metadata.empty());
    EXPECT_EQ(failed.details.orientation, 1);
}

}  // namespace
}  // namespace zendavo
