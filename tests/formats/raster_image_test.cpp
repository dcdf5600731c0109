// RasterImage creation limits, toRgb24 and the writer's refusals.
#include "formats/raster_image.h"

#include <gtest/gtest.h>

#include "format_fixtures.h"
#include "formats/bmp_writer.h"
#include "formats/rgb24.h"

namespace zendavo {
namespace {

using namespace zendavo::testing;

TEST(RasterImageTest, CreateChecksSizeAndDepthBeforeAllocating)
{
    RasterImage image;
    ASSERT_TRUE(image.create(3, 2, 24));
    EXPECT_EQ(image.rowBytes(), 9u);
    EXPECT_EQ(image.pixels().size(), 18u);
    struct Case {
        std::int64_t width, height;
        int bits;
    };
    // 65500 x 3817 is just over 250 megapixels; none of these may allocate anything.
    for (const Case c : {Case{0, 5, 24}, Case{5, 0, 24}, Case{-1, 5, 8}, Case{65501, 1, 8},
                         Case{1, 65501, 8}, Case{65500, 3817, 8}, Case{4, 4, 16}, Case{4, 4, 0}}) {
        EXPECT_FALSE(image.create(c.width, c.height, c.bits))
            << c.width << "x" << c.height << "x" << c.bits;
        EXPECT_TRUE(image.empty());
        EXPECT_EQ(image.width(), 0);
    }
    EXPECT_TRUE(image.create(65500, 1, 32));
    EXPECT_EQ(image.rowBytes(), 65500u * 4);
}

TEST(RasterImageTest, PaletteHoldsAtMost256Entries)
{
    RasterImage image;
    EXPECT_TRUE(image.setPalette(std::vector<PaletteEntry>(256)));
    EXPECT_FALSE(image.setPalette(std::vector<PaletteEntry>(257)));
    EXPECT_EQ(image.palette().size(), 256u);
}

TEST(ToRgb24Test, EachDepth)
{
    RasterImage grey;
    ASSERT_TRUE(grey.create(2, 1, 8));
    grey.row(0)[0] = 0;
    grey.row(0)[1] = 200;
    RasterImage out;
    ASSERT_TRUE(toRgb24(grey, out));
    EXPECT_EQ(out.bitsPerPixel(), 24);
    EXPECT_EQ(std::vector<std::uint8_t>(out.pixels().begin(), out.pixels().end()),
              (std::vector<std::uint8_t>{0, 0, 0, 200, 200, 200}));

    RasterImage indexed;
    ASSERT_TRUE(indexed.create(3, 1, 8));
    ASSERT_TRUE(indexed.setPalette({{1, 2, 3}, {4, 5, 6}}));
    indexed.row(0)[0] = 1;
    indexed.row(0)[1] = 0;
    indexed.row(0)[2] = 7;  // beyond the palette: black, nothing outside it is read
    ASSERT_TRUE(toRgb24(indexed, out));
    EXPECT_EQ(std::vector<std::uint8_t>(out.pixels().begin(), out.pixels().end()),
              (std::vector<std::uint8_t>{4, 5, 6, 1, 2, 3, 0, 0, 0}));

    RasterImage argb;
    ASSERT_TRUE(argb.create(2, 1, 32));
    const std::uint8_t samples[] = {0, 10, 20, 30, 255, 40, 50, 60};
    std::copy(std::begin(samples), std::end(samples), argb.row(0));
    ASSERT_TRUE(toRgb24(argb, out));
    EXPECT_EQ(std::vector<std::uint8_t>(out.pixels().begin(), out.pixels().end()),
              (std::vector<std::uint8_t>{10, 20, 30, 40, 50, 60}));

    EXPECT_FALSE(toRgb24(RasterImage{}, out));
}

TEST(BmpWriterTest, RefusesAnythingButA24BitPicture)
{
    ScratchFolder scratch;
    RasterImage grey;
    ASSERT_TRUE(grey.create(2, 2, 8));
    RasterImage rgb;
    ASSERT_TRUE(rgb.create(2, 2, 24));
    BmpWriter writer;
    EXPECT_FALSE(writer.open(scratch / "a.bmp", grey, 24));
    EXPECT_FALSE(writer.open(scratch / "a.bmp", rgb, 32));
    EXPECT_FALSE(writer.open(scratch / "a.bmp", RasterImage{}, 24));
    EXPECT_FALSE(writer.write());
    EXPECT_TRUE(scratch.entries().empty());
    // Opened but closed before writing: nothing appears at the destination.
    ASSERT_TRUE(writer.open(scratch / "a.bmp", rgb, 24));
    writer.close();
    EXPECT_TRUE(scratch.entries().empty());
    ASSERT_TRUE(writer.open(scratch / "a.bmp", rgb, 24));
    EXPECT_TRUE(writer.write());
    EXPECT_EQ(scratch.entries(), std::vector<std::string>{"a.bmp"});
}

}  // namespace
}  // namespace zendavo
