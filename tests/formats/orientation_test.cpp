// Pictures are turned upright as their EXIF orientation says while the working copy is written:
// every value on a non-square picture, from PNG eXIf and JPEG APP1, across the writer's tiles
// and blocks.
#include <gtest/gtest.h>

#include "format_fixtures.h"
#include "formats/orientation.h"
#include "metadata_fixtures.h"

namespace zendavo {
namespace {

using namespace zendavo::testing;

Bytes orientationExif(int orientation)
{
    return exifBlock({{"Exif.Image.Orientation", std::to_string(orientation)},
                      {"Exif.Image.Make", "Zendavo test"}});
}

// What viewers show for a stored picture and its orientation, pixel by pixel.
Picture shownAs(const Picture& stored, int orientation)
{
    const int w = stored.width, h = stored.height;
    const bool sideways = orientation >= 5;
    Picture shown{sideways ? h : w, sideways ? w : h, {}};
    shown.rgb.resize(stored.rgb.size());
    for (int y = 0; y < shown.height; ++y)
        for (int x = 0; x < shown.width; ++x) {
            int sx = x, sy = y;
            switch (orientation) {
                case 2: sx = w - 1 - x; break;
                case 3: sx = w - 1 - x, sy = h - 1 - y; break;
                case 4: sy = h - 1 - y; break;
                case 5: sx = y, sy = x; break;
                case 6: sx = y, sy = h - 1 - x; break;
                case 7: sx = w - 1 - y, sy = h - 1 - x; break;
                case 8: sx = w - 1 - y, sy = x; break;
                default: break;
            }
            const Rgb p = stored.at(sx, sy);
            const std::size_t i = 3 * (static_cast<std::size_t>(y) * shown.width + x);
            shown.rgb[i] = p.r, shown.rgb[i + 1] = p.g, shown.rgb[i + 2] = p.b;
        }
    return shown;
}

enum class Corner { TopLeft, TopRight, BottomLeft, BottomRight };

Rgb cornerOf(const Picture& p, Corner corner)
{
    const int right = p.width - 1, bottom = p.height - 1;
    switch (corner) {
        case Corner::TopLeft: return p.at(0, 0);
        case Corner::TopRight: return p.at(right, 0);
        case Corner::BottomLeft: return p.at(0, bottom);
        case Corner::BottomRight: return p.at(right, bottom);
    }
    return {};
}

class OrientationTest : public ::testing::Test {
protected:
    ScratchFolder scratch;
};

// Two marked corners of a 7 x 4 picture: stored top-left red, stored top-right blue. Where
// they land is the EXIF definition; the bottom-right of the copy is where position 9 places.
TEST_F(OrientationTest, MarkedCornersLandWhereViewersShowThem)
{
    Picture stored{7, 4, Bytes(7 * 4 * 3, 128)};
    auto mark = [&](int x, int y, Rgb colour) {
        const std::size_t i = 3 * (static_cast<std::size_t>(y) * 7 + x);
        stored.rgb[i] = colour.r, stored.rgb[i + 1] = colour.g, stored.rgb[i + 2] = colour.b;
    };
    const Rgb red{255, 0, 0}, blue{0, 0, 255}, grey{128, 128, 128};
    mark(0, 0, red);
    mark(6, 0, blue);
    struct Case {
        int orientation;
        Corner red, blue;
    };
    using C = Corner;
    for (const Case c : {Case{1, C::TopLeft, C::TopRight}, Case{2, C::TopRight, C::TopLeft},
                         Case{3, C::BottomRight, C::BottomLeft},
                         Case{4, C::BottomLeft, C::BottomRight},
                         Case{5, C::TopLeft, C::BottomLeft}, Case{6, C::TopRight, C::BottomRight},
                         Case{7, C::BottomRight, C::TopRight}, Case{8, C::BottomLeft, C::TopLeft},
                         Case{0, C::TopLeft, C::TopRight}, Case{9, C::TopLeft, C::TopRight}}) {
        PngFixture png{7, 4, 2, 8, stored.rgb};
        png.exif = orientationExif(c.orientation);
        const ConvertedWithDetails out = convertWithDetails(scratch, pngBytes(png));
        ASSERT_EQ(out.status, ConvertStatus::Ok) << c.orientation;
        EXPECT_EQ(out.details.orientation, validOrientation(c.orientation));
        const Picture got = pictureOfBmp(out.bmp);
        const bool sideways = c.orientation >= 5 && c.orientation <= 8;
        EXPECT_EQ(got.width, sideways ? 4 : 7) << c.orientation;
        EXPECT_EQ(got.height, sideways ? 7 : 4) << c.orientation;
        EXPECT_EQ(cornerOf(got, c.red), red) << c.orientation;
        EXPECT_EQ(cornerOf(got, c.blue), blue) << c.orientation;
        for (C other : {C::TopLeft, C::TopRight, C::BottomLeft, C::BottomRight}) {
            if (other != c.red && other != c.blue) {
                EXPECT_EQ(cornerOf(got, other), grey) << c.orientation;
            }
        }
        EXPECT_EQ(got.rgb, shownAs(stored, validOrientation(c.orientation)).rgb) << c.orientation;
    }
}

// Larger than the writer's tiles and its 4 MiB blocks, with sizes that fit neither evenly.
TEST_F(OrientationTest, LargePicturesAreTurnedWhole)
{
    const Picture stored = patternPicture(1501, 1003);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        PngFixture png{stored.width, stored.height, 2, 8, stored.rgb};
        png.exif = orientationExif(orientation);
        const ConvertedWithDetails out = convertWithDetails(scratch, pngBytes(png));
        ASSERT_EQ(out.status, ConvertStatus::Ok) << orientation;
        EXPECT_TRUE(pictureOfBmp(out.bmp).rgb == shownAs(stored, orientation).rgb) << orientation;
    }
}

// JPEG: the decoded pixels are turned (not a lossless DCT transform), grey and colour alike.
TEST_F(OrientationTest, JpegIsTurnedFromItsExif)
{
    for (JpegKind kind : {JpegKind::Colour, JpegKind::Grey})
        for (int orientation : {3, 6, 8}) {
            const Picture picture = patternPicture(40, 24);
            JpegMarkers markers;
            markers.exif = orientationExif(orientation);
            const Bytes jpeg = jpegBytes(picture, kind, 90, false, markers);
            const ConvertedWithDetails out = convertWithDetails(scratch, jpeg);
            ASSERT_EQ(out.status, ConvertStatus::Ok);
            EXPECT_EQ(out.details.orientation, orientation);
            EXPECT_EQ(pictureOfBmp(out.bmp).rgb,
                      shownAs(decodeJpegReference(jpeg), orientation).rgb)
                << orientation;
            // The EXIF is handed back as found; the output side resets the tag.
            EXPECT_EQ(out.details.metadata.exif, markers.exif);
        }
}

TEST_F(OrientationTest, UnreadableExifCountsAsUpright)
{
    const Picture picture = patternPicture(6, 3);
    PngFixture png{6, 3, 2, 8, picture.rgb};
    png.exif = {'M', 'M', 0, 42, 0, 0, 0, 99, 1, 2};
    const ConvertedWithDetails out = convertWithDetails(scratch, pngBytes(png));
    ASSERT_EQ(out.status, ConvertStatus::Ok);
    EXPECT_EQ(out.details.orientation, 1);
    EXPECT_EQ(pictureOfBmp(out.bmp).rgb, picture.rgb);
}

}  // namespace
}  // namespace zendavo
