// BMP decoding: 24-bit bottom-up, top-down and OS/2 files; other depths are refused.
#include <gtest/gtest.h>

#include "format_fixtures.h"

namespace zendavo {
namespace {

using namespace zendavo::testing;

class BmpTest : public ::testing::Test {
protected:
    ScratchFolder scratch;
};

TEST_F(BmpTest, TwentyFourBitLayoutsGiveThePicture)
{
    struct Case {
        const char* name;
        BmpFileFixture fixture;
    };
    for (int width : {1, 2, 3, 5, 8}) {
        const Picture picture = patternPicture(width, 3);
        for (const Case& c :
             {Case{"bottom-up", {width, 3, 24, false}}, Case{"top-down", {width, -3, 24, false}},
              Case{"os2 core", {width, 3, 24, true}}}) {
            const Converted out = convertBytes(scratch, bmpFileBytes(picture, c.fixture));
            ASSERT_EQ(out.status, ConvertStatus::Ok) << c.name << " width " << width;
            EXPECT_EQ(pictureOfBmp(out.bmp).rgb, picture.rgb) << c.name << " width " << width;
            // Always written bottom-up, with a positive height.
            EXPECT_EQ(readBmpInfo(out.bmp.bytes).height, 3);
        }
    }
}

TEST_F(BmpTest, OtherBitCountsAreRefused)
{
    const Picture picture = patternPicture(4, 4);
    for (int bits : {8, 32, 16, 1}) {
        const Converted out = convertBytes(scratch, bmpFileBytes(picture, {4, 4, bits, false}));
        EXPECT_EQ(out.status, ConvertStatus::Undecodable) << bits;
    }
}

TEST_F(BmpTest, InvalidHeadersAreRefused)
{
    const Picture picture = patternPicture(4, 4);
    const Bytes good = bmpFileBytes(picture, {4, 4, 24, false});
    auto patched = [&](std::size_t at, std::uint32_t value, int count) {
        Bytes b = good;
        setLe(b, at, value, count);
        return b;
    };
    const Bytes cases[] = {
        patched(18, 0, 4),           // width 0
        patched(18, 0xFFFFFFFF, 4),  // width -1
        patched(22, 0, 4),           // height 0
        patched(30, 4, 4),           // compression 4 (JPEG inside a BMP)
        patched(10, 20, 4),          // pixel offset inside the file header
        patched(0, 'X', 1),          // no signature
    };
    for (const Bytes& bytes : cases)
        EXPECT_EQ(convertBytes(scratch, bytes).status, ConvertStatus::Undecodable);
}

TEST_F(BmpTest, MissingRowsAreUndecodable)
{
    const Bytes good = bmpFileBytes(patternPicture(5, 5), {5, 5, 24, false});
    const Converted out = convertBytes(scratch, Bytes(good.begin(), good.end() - 1));
    EXPECT_EQ(out.status, ConvertStatus::Undecodable);
}

}  // namespace
}  // namespace zendavo
