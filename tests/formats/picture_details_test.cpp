// What the converter hands back besides the working copy: the metadata blocks of JPEG and PNG
// sources as found, and nothing from formats that carry none.
#include <gtest/gtest.h>

#include "format_fixtures.h"
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
    png.icc = rgbProfile();
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
