// PCX decoding: run-length lines, padded lines, 8-bit palette and 24-bit planes.
#include <gtest/gtest.h>

#include "format_fixtures.h"
#include "formats/pcx_decoder.h"

namespace zendavo {
namespace {

using namespace zendavo::testing;

class PcxTest : public ::testing::Test {
protected:
    ScratchFolder scratch;
};

Bytes greyRampPalette()
{
    Bytes palette(768);
    for (int k = 0; k < 256; ++k) {
        palette[3 * k] = static_cast<std::uint8_t>(k);
        palette[3 * k + 1] = static_cast<std::uint8_t>(255 - k);
        palette[3 * k + 2] = static_cast<std::uint8_t>(k / 2);
    }
    return palette;
}

TEST(PcxLineTest, RunsStopAtTheLineEnd)
{
    // 0xC5 0x20 asks for 5 samples but the line needs only 3 more; the next line starts after.
    const Bytes data = {0x01, 0x02, 0xC5, 0x20, 0x07, 0xC2, 0xC9};
    std::size_t position = 0;
    Bytes line(5);
    ASSERT_TRUE(decodePcxLine(data, position, line));
    EXPECT_EQ(line, (Bytes{1, 2, 0x20, 0x20, 0x20}));
    EXPECT_EQ(position, 4u);
    Bytes next(3);
    ASSERT_TRUE(decodePcxLine(data, position, next));
    EXPECT_EQ(next, (Bytes{7, 0xC9, 0xC9}));
}

TEST(PcxLineTest, ZeroRunsWriteNothingAndDataEndingEarlyFails)
{
    const Bytes data = {0xC0, 0x55, 0x09};
    std::size_t position = 0;
    Bytes line(1);
    ASSERT_TRUE(decodePcxLine(data, position, line));
    EXPECT_EQ(line, Bytes{9});
    position = 0;
    Bytes longer(2);
    EXPECT_FALSE(decodePcxLine(data, position, longer));
    const Bytes runWithoutValue = {0xC3};
    position = 0;
    EXPECT_FALSE(decodePcxLine(runWithoutValue, position, line));
}

TEST_F(PcxTest, EightBitOddWidthWithPaddedLines)
{
    // Width 5, 6 bytes per line: each image row takes the first 5 samples of its line.
    const int width = 5, height = 3;
    Bytes compressed;
    Bytes expectedIndexes;
    for (int r = 0; r < height; ++r) {
        Bytes line(6);
        for (int c = 0; c < 6; ++c)
            line[c] = static_cast<std::uint8_t>(c == 5 ? 0xEE : r * 60 + c * 40);
        expectedIndexes.insert(expectedIndexes.end(), line.begin(), line.begin() + width);
        const Bytes encoded = pcxEncodeLine(line);
        compressed.insert(compressed.end(), encoded.begin(), encoded.end());
    }
    const Bytes palette = greyRampPalette();
    const Converted out = convertBytes(
        scratch, pcxBytes({0, 0, width - 1, height - 1, 8, 1, 6, compressed, palette}));
    ASSERT_EQ(out.status, ConvertStatus::Ok);
    const Picture got = pictureOfBmp(out.bmp);
    ASSERT_EQ(got.width, width);
    ASSERT_EQ(got.height, height);
    for (int k = 0; k < width * height; ++k) {
        const int i = expectedIndexes[k];
        EXPECT_EQ(got.at(k % width, k / width),
                  (Rgb{palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]}));
    }
}

TEST_F(PcxTest, TwentyFourBitPlanes)
{
    const Picture picture = patternPicture(7, 4);
    const int bytesPerLine = 8;
    Bytes compressed;
    for (int r = 0; r < 4; ++r) {
        Bytes line(3 * bytesPerLine, 0);
        for (int c = 0; c < 7; ++c) {
            const Rgb p = picture.at(c, r);
            line[c] = p.r;
            line[bytesPerLine + c] = p.g;
            line[2 * bytesPerLine + c] = p.b;
        }
        const Bytes encoded = pcxEncodeLine(line);
        compressed.insert(compressed.end(), encoded.begin(), encoded.end());
    }
    // The picture's origin need not be 0, 0.
    const Converted out =
        convertBytes(scratch, pcxBytes({10, 20, 16, 23, 8, 3, bytesPerLine, compressed, {}}));
    ASSERT_EQ(out.status, ConvertStatus::Ok);
    EXPECT_EQ(pictureOfBmp(out.bmp).rgb, picture.rgb);
}

TEST_F(PcxTest, RunCrossingTheLineEndIsCut)
{
    // Width 4: the first line is 0x11 then a run of 5 x 0x22 of which 3 fit; line 2 follows.
    const Bytes compressed = {0x11, 0xC5, 0x22, 0xC4, 0x33};
    const Converted out =
        convertBytes(scratch, pcxBytes({0, 0, 3, 1, 8, 1, 4, compressed, greyRampPalette()}));
    ASSERT_EQ(out.status, ConvertStatus::Ok);
    const Picture got = pictureOfBmp(out.bmp);
    EXPECT_EQ(got.at(0, 0), (Rgb{0x11, 0xEE, 0x08}));
    EXPECT_EQ(got.at(3, 0), (Rgb{0x22, 0xDD, 0x11}));
    EXPECT_EQ(got.at(0, 1), (Rgb{0x33, 0xCC, 0x19}));
}

TEST_F(PcxTest, BadHeadersAndShortFilesAreUndecodable)
{
    const Bytes line = pcxEncodeLine(Bytes(4, 9));
    const Bytes palette = greyRampPalette();
    const PcxFixture cases[] = {
        {0, 0, 0, 3, 8, 1, 4, line, palette},  // one pixel wide
        {0, 0, 3, 0, 8, 1, 4, line, palette},  // one row high
        {0, 0, 3, 3, 4, 1, 4, line, palette},  // 4 bits per pixel
        {0, 0, 3, 3, 8, 1, 2, line, palette},  // lines shorter than the width
        {5, 0, 3, 3, 8, 1, 4, line, palette},  // xMax below xMin
        {0, 0, 3, 3, 8, 1, 4, line, palette},  // four rows, data for one
        {0, 0, 3, 3, 8, 1, 4, {}, {}},         // header only
        {0, 0, 3, 3, 8, 3, 4, line, {}},       // 24 bits, data for one plane of one line
    };
    for (const PcxFixture& fixture : cases)
        EXPECT_EQ(convertBytes(scratch, pcxBytes(fixture)).status, ConvertStatus::Undecodable)
            << fixture.xMin << "," << fixture.yMin << "-" << fixture.xMax << "," << fixture.yMax
            << " bpp " << fixture.bitsPerPixel;
}

}  // namespace
}  // namespace zendavo
