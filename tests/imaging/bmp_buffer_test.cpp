#include "imaging/bmp_buffer.h"

#include <gtest/gtest.h>

#include "support/bmp_fixture.h"

namespace zendavo {
namespace {

std::vector<std::uint8_t> headerWith(std::size_t size, std::size_t at, std::vector<std::uint8_t> value)
{
    std::vector<std::uint8_t> bytes(size, 0);
    for (std::size_t k = 0; k < value.size() && at + k < size; ++k) bytes[at + k] = value[k];
    return bytes;
}

TEST(BmpInfo, StrideIsThreeBytesPerPixelPaddedToFour)
{
    const std::pair<int, std::int64_t> cases[] = {{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16},
                                                  {131, 396}, {650, 1952}};
    for (auto [width, stride] : cases) {
        const auto bmp = testing::makeSolidBmp(width, 1, {});
        EXPECT_EQ(readBmpInfo(bmp.bytes).stride, stride) << "width " << width;
    }
}

TEST(BmpInfo, SamplePhotoLayout)
{
    const auto bmp = testing::makeSolidBmp(650, 450, {}, 2);
    ASSERT_EQ(bmp.size(), 878'456u);
    const BmpInfo info = readBmpInfo(bmp.bytes);
    EXPECT_EQ(info.bitCount, 24);
    EXPECT_EQ(info.pixelOffset, 54);
    EXPECT_EQ(info.pixelEnd, 878'454);
    EXPECT_EQ(pixelIndex(info, 0, 0), 876'502);
    EXPECT_EQ(pixelIndex(info, 0, 449), 54);
    EXPECT_TRUE(isUsableBitmap(info, bmp.size()));
}

TEST(BmpInfo, RowsAreBottomUp)
{
    const auto bmp = testing::makeSolidBmp(131, 47, {});
    const BmpInfo info = readBmpInfo(bmp.bytes);
    EXPECT_EQ(pixelIndex(info, 0, 0), 18'270);
    EXPECT_EQ(pixelIndex(info, 0, 46), 54);
    EXPECT_EQ(pixelIndex(info, 2, 46), 60);
}

TEST(BmpInfo, ShortBuffersReadMissingBytesAsZero)
{
    EXPECT_EQ(readBmpInfo({}).bitCount, 0);
    EXPECT_EQ(readBmpInfo({}).width, 0);
    EXPECT_EQ(readBmpInfo({}).height, 0);
    EXPECT_EQ(readBmpInfo(headerWith(28, 0, {})).bitCount, 0);
    EXPECT_EQ(readBmpInfo(headerWith(29, 28, {24})).bitCount, 24);
    // A buffer ending in the middle of biWidth: the bytes present, zeros for the rest.
    EXPECT_EQ(readBmpInfo(headerWith(20, 18, {0x34, 0x12})).width, 0x1234);
    EXPECT_EQ(readBmpInfo(headerWith(21, 18, {0x34, 0x12, 0x01})).width, 0x011234);
}

TEST(BmpInfo, FieldsAreSignedLittleEndian)
{
    auto bytes = headerWith(54, 18, {0xFF, 0xFF, 0xFF, 0xFF});  // width -1
    bytes[10] = 0x36;
    bytes[11] = 0x80;  // bfOffBits low half 0x8036 is negative as a 16-bit value
    bytes[12] = 0x01;  // the high half is not read
    const BmpInfo info = readBmpInfo(bytes);
    EXPECT_EQ(info.width, -1);
    EXPECT_EQ(info.pixelOffset, static_cast<std::int16_t>(0x8036));
    EXPECT_FALSE(isUsableBitmap(info, bytes.size()));
}

TEST(BmpInfo, UsableOnlyWhenThePixelArrayFits)
{
    auto bmp = testing::makeSolidBmp(5, 3, {});
    EXPECT_TRUE(isUsableBitmap(readBmpInfo(bmp.bytes), bmp.size()));
    EXPECT_FALSE(isUsableBitmap(readBmpInfo(bmp.bytes), bmp.size() - 1));
    bmp.bytes[28] = 32;
    EXPECT_FALSE(isUsableBitmap(readBmpInfo(bmp.bytes), bmp.size()));
}

TEST(BmpInfo, HugeSizesDoNotOverflow)
{
    auto bytes = headerWith(54, 18, {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F});
    bytes[28] = 24;
    bytes[10] = 54;
    const BmpInfo info = readBmpInfo(bytes);
    EXPECT_EQ(info.width, 0x7FFFFFFF);
    EXPECT_GT(info.pixelEnd, 0);
    EXPECT_FALSE(isUsableBitmap(info, bytes.size()));
}

}  // namespace
}  // namespace zendavo
