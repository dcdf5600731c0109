// JPEG decoding: same pixels as libjpeg at its defaults, grey, CMYK, damaged and bomb files.
#include <gtest/gtest.h>
#include <lcms2.h>

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

// Without a profile the samples libjpeg delivers are Adobe-inverted CMYK: red = C x K / 255.
TEST_F(JpegTest, CmykWithoutProfileIsInvertedInk)
{
    const Picture picture = patternPicture(24, 16);
    const Bytes jpeg = jpegBytes(picture, JpegKind::Cmyk);
    const ConvertedWithDetails out = convertWithDetails(scratch, jpeg);
    ASSERT_EQ(out.status, ConvertStatus::Ok);
    const Picture got = pictureOfBmp(out.bmp);
    const Bytes cmyk = decodeJpegCmykReference(jpeg);
    ASSERT_EQ(got.width, 24);
    for (int k = 0; k < 24 * 16; ++k) {
        const unsigned black = cmyk[4 * k + 3];
        auto ink = [&](int ch) {
            return static_cast<std::uint8_t>((cmyk[4 * k + ch] * black + 127) / 255);
        };
        EXPECT_EQ(got.at(k % 24, k / 24), (Rgb{ink(0), ink(1), ink(2)})) << k;
        // The fixture stores no black ink, so the picture is close to what was written.
        EXPECT_NEAR(got.at(k % 24, k / 24).r, picture.at(k % 24, k / 24).r, 12) << k;
    }
    EXPECT_TRUE(out.details.metadata.icc.empty());
}

// With its own CMYK profile the picture goes through LittleCMS to sRGB, and the profile, which
// no longer describes the pixels, is not handed on.
TEST_F(JpegTest, CmykWithProfileIsConvertedThroughIt)
{
    const Picture picture = patternPicture(24, 16);
    JpegMarkers markers;
    markers.icc = cmykProfile();
    const Bytes jpeg = jpegBytes(picture, JpegKind::Cmyk, 90, false, markers);
    const ConvertedWithDetails out = convertWithDetails(scratch, jpeg);
    ASSERT_EQ(out.status, ConvertStatus::Ok);
    EXPECT_TRUE(out.details.metadata.icc.empty());
    const Picture got = pictureOfBmp(out.bmp);

    // libjpeg writes an Adobe marker with CMYK, so the samples are inverted ink.
    Bytes cmyk = decodeJpegCmykReference(jpeg);
    cmsHPROFILE source = cmsOpenProfileFromMem(markers.icc.data(),
                                               static_cast<cmsUInt32Number>(markers.icc.size()));
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM transform =
        cmsCreateTransform(source, TYPE_CMYK_8_REV, srgb, TYPE_RGB_8, INTENT_PERCEPTUAL,
                           cmsFLAGS_BLACKPOINTCOMPENSATION);
    ASSERT_NE(transform, nullptr);
    Bytes expected(3 * cmyk.size() / 4);
    cmsDoTransform(transform, cmyk.data(), expected.data(),
                   static_cast<cmsUInt32Number>(cmyk.size() / 4));
    cmsDeleteTransform(transform);
    cmsCloseProfile(srgb);
    cmsCloseProfile(source);
    EXPECT_EQ(got.rgb, expected);
    // Ink-free paper stays (nearly) white, and the profile's colours follow the picture.
    for (int k = 0; k < 24 * 16; k += 37)
        EXPECT_NEAR(got.at(k % 24, k / 24).g, picture.at(k % 24, k / 24).g, 24) << k;
}

TEST_F(JpegTest, CmykCutInsideItsHeaderIsUndecodable)
{
    JpegMarkers markers;
    markers.icc = cmykProfile();
    const Bytes jpeg = jpegBytes(patternPicture(16, 16), JpegKind::Cmyk, 90, false, markers);
    const std::size_t scan = findMarker(jpeg, 0xDA);
    ASSERT_GT(scan, 0u);
    for (std::size_t length : {std::size_t{30}, scan / 2, scan + 4}) {
        const Converted out = convertBytes(scratch, Bytes(jpeg.begin(), jpeg.begin() + length));
        EXPECT_EQ(out.status, ConvertStatus::Undecodable) << length;
    }
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

// libjpeg fills the missing rest with grey and warns; the conversion succeeds and says so.
TEST_F(JpegTest, DataCutShortIsConvertedWithAWarning)
{
    for (bool progressive : {false, true}) {
        const Bytes jpeg = jpegBytes(patternPicture(64, 64), JpegKind::Colour, 90, progressive);
        const ConvertedWithDetails whole = convertWithDetails(scratch, jpeg);
        ASSERT_EQ(whole.status, ConvertStatus::Ok);
        EXPECT_EQ(whole.details.warning, DecodeWarning::None);
        const ConvertedWithDetails cut =
            convertWithDetails(scratch, Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() * 2 / 3));
        ASSERT_EQ(cut.status, ConvertStatus::Ok) << progressive;
        EXPECT_EQ(cut.details.warning, DecodeWarning::IncompleteData) << progressive;
        EXPECT_EQ(readBmpInfo(cut.bmp.bytes).width, 64);
        EXPECT_EQ(readBmpInfo(cut.bmp.bytes).height, 64);
    }
}

// Corrupt entropy data that libjpeg recovers from counts as damage too.
TEST_F(JpegTest, CorruptDataIsConvertedWithAWarning)
{
    Bytes jpeg = jpegBytes(patternPicture(64, 64));
    const std::size_t scan = findMarker(jpeg, 0xDA);
    ASSERT_GT(scan, 0u);
    // A marker that does not belong in the middle of the scan data.
    const std::size_t at = scan + (jpeg.size() - scan) / 2;
    jpeg[at] = 0xFF;
    jpeg[at + 1] = 0xD5;
    const ConvertedWithDetails out = convertWithDetails(scratch, jpeg);
    ASSERT_EQ(out.status, ConvertStatus::Ok);
    EXPECT_EQ(out.details.warning, DecodeWarning::IncompleteData);
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
