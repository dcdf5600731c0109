// Photo CD: the YCC formulas, and acceptance only with the image-pac signature and a whole Base
// image.
#include <gtest/gtest.h>

#include "format_fixtures.h"
#include "formats/photo_cd_decoder.h"

namespace zendavo {
namespace {

using namespace zendavo::testing;

constexpr std::size_t kMinLength = 196608 + 589824;

class PhotoCdTest : public ::testing::Test {
protected:
    ScratchFolder scratch;
};

TEST(PhotoCdPixelTest, FormulaRoundsAndClamps)
{
    EXPECT_EQ(photoCdPixel(100, 156, 137), (Rgb24{141, 141, 141}));
    EXPECT_EQ(photoCdPixel(0, 156, 137), (Rgb24{0, 0, 0}));
    EXPECT_EQ(photoCdPixel(255, 156, 137), (Rgb24{255, 255, 255}));
    // Y 100, c1 = +20, c2 = -30: 140.7488 - 39.69 + 0.0005 -> 101; 140.7488 + 20.2176 - 7.9084 ->
    // 153; 140.7488 - 0.0008 + 40.7209 -> 181.
    EXPECT_EQ(photoCdPixel(100, 176, 107), (Rgb24{101, 153, 181}));
    EXPECT_EQ(photoCdPixel(10, 0, 0).blue, 0);  // far below zero
}

TEST_F(PhotoCdTest, GreyBlackAndWhitePictures)
{
    struct Case {
        std::uint8_t luma;
        Rgb expected;
    };
    for (const Case c :
         {Case{100, {141, 141, 141}}, Case{0, {0, 0, 0}}, Case{255, {255, 255, 255}}}) {
        const Converted out =
            convertBytes(scratch, photoCdBytes(kMinLength, true, c.luma, 156, 137));
        ASSERT_EQ(out.status, ConvertStatus::Ok);
        const BmpInfo info = readBmpInfo(out.bmp.bytes);
        EXPECT_EQ(info.width, 768);
        EXPECT_EQ(info.height, 512);
        EXPECT_EQ(pixelAt(out.bmp, 0, 0), c.expected);
        EXPECT_EQ(pixelAt(out.bmp, 767, 511), c.expected);
        EXPECT_EQ(pixelAt(out.bmp, 385, 200), c.expected);
    }
}

TEST_F(PhotoCdTest, ChromaIsSharedByColumnPairs)
{
    Bytes file = photoCdBytes(kMinLength, true, 100, 156, 137);
    const std::size_t group = 196608 + 10 * 2304;  // rows 20 and 21
    file[group + 1536 + 3] = 176;                  // C1 of columns 6 and 7
    file[group + 1536 + 384 + 3] = 107;            // C2 of columns 6 and 7
    const Converted out = convertBytes(scratch, file);
    ASSERT_EQ(out.status, ConvertStatus::Ok);
    for (int r : {20, 21})
        for (int c : {6, 7}) EXPECT_EQ(pixelAt(out.bmp, c, r), (Rgb{101, 153, 181}));
    EXPECT_EQ(pixelAt(out.bmp, 5, 20), (Rgb{141, 141, 141}));
    EXPECT_EQ(pixelAt(out.bmp, 8, 21), (Rgb{141, 141, 141}));
    EXPECT_EQ(pixelAt(out.bmp, 6, 22), (Rgb{141, 141, 141}));
}

TEST_F(PhotoCdTest, WithoutSignatureOrWholeBaseImageItIsUndecodable)
{
    EXPECT_EQ(convertBytes(scratch, photoCdBytes(kMinLength - 1, true, 100, 156, 137)).status,
              ConvertStatus::Undecodable);
    EXPECT_EQ(convertBytes(scratch, photoCdBytes(1 << 20, false, 100, 156, 137)).status,
              ConvertStatus::Undecodable);
    EXPECT_EQ(convertBytes(scratch, randomBytes(1 << 20, 3)).status, ConvertStatus::Undecodable);
}

TEST_F(PhotoCdTest, LargeFilesOfOtherFormatsAreNoLongerNoise)
{
    // A 16-bit PNG of more than 1 MiB is read as PNG; a 32-bit BMP is taken by no decoder.
    Bytes samples = randomBytes(600 * 600 * 6, 11);
    const Bytes png16 = pngBytes({600, 600, 2, 16, samples});
    ASSERT_GE(png16.size(), 1u << 20);
    const Converted png = convertBytes(scratch, png16);
    EXPECT_EQ(png.status, ConvertStatus::Ok);
    EXPECT_EQ(readBmpInfo(png.bmp.bytes).width, 600);
    const Bytes bmp32 = bmpFileBytes(patternPicture(600, 600), {600, 600, 32, false});
    ASSERT_GE(bmp32.size(), 1u << 20);
    EXPECT_EQ(convertBytes(scratch, bmp32).status, ConvertStatus::Undecodable);
}

}  // namespace
}  // namespace zendavo
