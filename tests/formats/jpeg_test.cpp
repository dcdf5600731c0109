// JPEG decoding: same pixels as libjpeg at its defaults, grey, CMYK, damaged and bomb files.
#include <gtest/gtest.h>

#include "format_fixtures.h"
#include "formats/jpeg_decoder.h"

namespace zendavo {
namespace {

using namespace zendavo::testing;

// Offset of the first byte after the marker FF `code`, or 0 when absent.
std::size_t findMarker(const Bytes& jpeg, std::uint8_t code)
{
    for (std::size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == code) return i + 2;
    return 0;
}

// Rewrites the frame header's height and width.
Bytes withFrameSize(Bytes jpeg, std::uint16_t width, std::uint16_t height)
{
    std::size_t at = findMarker(jpeg, 0xC0);
    if (at == 0) at = findMarker(jpeg, 0xC2);
    jpeg[at + 3] = static_cast<std::uint8_t>(height >> 8);
    jpeg[at + 4] = static_cast<std::uint8_t>(height);
    jpeg[at + 5] = static_cast<std::uint8_t>(width >> 8);
    jpeg[at + 6] = static_cast<std::uint8_t>(width);
    return jpeg;
}

class JpegTest : public ::testing::Test {
protected:
    ScratchFolder scratch;
};

TEST_F(JpegTest, ColourGivesLibjpegsPixels)
{
    for (bool progressive : {false, true}) {
        // Odd sizes exercise the edges of the 4:2:0 blocks.
        const Bytes jpeg = jpegBytes(patternPicture(37, 23), JpegKind::Colour, 85, progressive);
        const Converted out = convertBytes(scratch, jpeg);
        ASSERT_EQ(out.status, ConvertStatus::Ok);
        const Picture reference = decodeJpegReference(jpeg);
        const Picture got = pictureOfBmp(out.bmp);
        EXPECT_EQ(got.width, 37);
        EXPECT_EQ(got.height, 23);
        EXPECT_EQ(got.rgb, reference.rgb) << "progressive " << progressive;
    }
}

TEST_F(JpegTest, TallPictureFillsEveryRow)
{
    // More rows than one call of the decoder hands back.
    const Bytes jpeg = jpegBytes(patternPicture(3, 301));
    const Converted out = convertBytes(scratch, jpeg);
    ASSERT_EQ(out.status, ConvertStatus::Ok);
    EXPECT_EQ(pictureOfBmp(out.bmp).rgb, decodeJpegReference(jpeg).rgb);
}

TEST_F(JpegTest, GreyGivesEqualChannels)
{
    const Bytes jpeg = jpegBytes(patternPicture(20, 11), JpegKind::Grey);
    const Converted out = convertBytes(scratch, jpeg);
    ASSERT_EQ(out.status, ConvertStatus::Ok);
    const Picture got = pictureOfBmp(out.bmp);
    EXPECT_EQ(got.rgb, decodeJpegReference(jpeg).rgb);
    for (int r = 0; r < got.height; ++r)
        for (int c = 0; c < got.width; ++c) {
            const Rgb p = got.at(c, r);
            EXPECT_TRUE(p.r == p.g && p.g == p.b);
        }
}

TEST_F(JpegTest, CmykIsRefused)
{
    const Converted out = convertBytes(scratch, jpegBytes(patternPicture(16, 16), JpegKind::Cmyk));
    EXPECT_EQ(out.status, ConvertStatus::Undecodable);
    EXPECT_TRUE(out.bmp.empty());
}

TEST_F(JpegTest, DamagedHeaderIsUndecodable)
{
    const Bytes jpeg = jpegBytes(patternPicture(16, 16));
    const std::size_t scan = findMarker(jpeg, 0xDA);
    ASSERT_GT(scan, 0u);
    for (std::size_t length : {std::size_t{2}, std::size_t{20}, scan - 4}) {
        const Converted out = convertBytes(scratch, Bytes(jpeg.begin(), jpeg.begin() + length));
        EXPECT_EQ(out.status, ConvertStatus::Undecodable) << length;
    }
}

TEST_F(JpegTest, DataCutShortDecodesWhatIsThere)
{
    // libjpeg fills the missing rest with grey and warns; the warning stays quiet.
    const Bytes jpeg = jpegBytes(patternPicture(64, 64));
    const Converted out =
        convertBytes(scratch, Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() * 2 / 3));
    ASSERT_EQ(out.status, ConvertStatus::Ok);
    EXPECT_EQ(readBmpInfo(out.bmp.bytes).width, 64);
    EXPECT_EQ(readBmpInfo(out.bmp.bytes).height, 64);
}

TEST_F(JpegTest, DeclaredSizesBeyondTheLimitsAreRefused)
{
    const Bytes jpeg = jpegBytes(patternPicture(16, 16));
    struct Case {
        std::uint16_t width, height;
        ConvertStatus expected;
    };
    // 65500 is also libjpeg's own limit; 20000 x 20000 is 400 megapixels.
    for (const Case c : {Case{65535, 8, ConvertStatus::Undecodable},
                         Case{20000, 20000, ConvertStatus::Undecodable},
                         Case{16000, 16000, ConvertStatus::Undecodable}}) {
        const Converted out = convertBytes(scratch, withFrameSize(jpeg, c.width, c.height));
        EXPECT_EQ(out.status, c.expected) << c.width << "x" << c.height;
    }
}

TEST_F(JpegTest, TooManyScansAreRefused)
{
    const Bytes jpeg = jpegBytes(patternPicture(8, 8), JpegKind::Grey, 90, true);
    // Repeat the last scan (from its SOS marker to EOI) until the file has too many scans.
    std::size_t lastScan = 0;
    for (std::size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) lastScan = i;
    ASSERT_GT(lastScan, 0u);
    const Bytes scan(jpeg.begin() + static_cast<std::ptrdiff_t>(lastScan), jpeg.end() - 2);
    auto withRepeats = [&](int repeats) {
        Bytes file(jpeg.begin(), jpeg.end() - 2);
        for (int k = 0; k < repeats; ++k) file.insert(file.end(), scan.begin(), scan.end());
        file.push_back(0xFF);
        file.push_back(0xD9);
        return file;
    };
    EXPECT_EQ(convertBytes(scratch, withRepeats(20)).status, ConvertStatus::Ok);
    EXPECT_EQ(convertBytes(scratch, withRepeats(JpegDecoder::kMaxScans + 10)).status,
              ConvertStatus::Undecodable);
}

}  // namespace
}  // namespace zendavo
