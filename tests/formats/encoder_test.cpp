// Output encoding: the naming rule, JPEG at libjpeg's defaults, BMP and PNG, failures.
#include "formats/image_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "format_fixtures.h"
#include "formats/file_io.h"
#include "formats/image_converter.h"

namespace zendavo {
namespace {

using namespace zendavo::testing;
namespace fs = std::filesystem;

BmpBuffer bmpOf(const Picture& p, int trailing = 0)
{
    return makeBmp(
        p.width, p.height, [&p](int c, int r) { return p.at(c, r); }, trailing);
}

TEST(EncodedFileNameTest, NamingRule)
{
    struct Case {
        std::string path;
        EncoderFormat format;
        std::string expected;
    };
    const Case cases[] = {
        {"/p/水印1/a.jpg", EncoderFormat::Jpeg, "/p/水印1/a.jpg"},
        {"/p/水印1/a.JPG", EncoderFormat::Jpeg, "/p/水印1/a.JPG"},
        {"/p/水印1/a.jPg", EncoderFormat::Jpeg, "/p/水印1/a.jPg"},
        {"/p/水印1/a.png", EncoderFormat::Jpeg, "/p/水印1/a.png.jpg"},
        {"/p/水印1/a.jpeg", EncoderFormat::Jpeg, "/p/水印1/a.jpeg.jpg"},
        {"/p/水印1/ab", EncoderFormat::Jpeg, "/p/水印1/ab.jpg"},
        {"ab", EncoderFormat::Jpeg, "ab.jpg"},
        {"", EncoderFormat::Jpeg, ".jpg"},
        {"a.jpg ", EncoderFormat::Jpeg, "a.jpg .jpg"},
        {"图片.ＪＰＧ", EncoderFormat::Jpeg, "图片.ＪＰＧ.jpg"},  // only A to Z fold
        {"a.PNG", EncoderFormat::Png, "a.PNG"},
        {"a.jpg", EncoderFormat::Png, "a.jpg.png"},
        {"a.Bmp", EncoderFormat::Bmp, "a.Bmp"},
        {"a.tif", EncoderFormat::Tiff, "a.tif.tiff"},
        {"a", EncoderFormat::Gif, "a.gif"},
        {"a.x", static_cast<EncoderFormat>(9), "a.x"},
    };
    for (const Case& c : cases) EXPECT_EQ(encodedFileName(c.path, c.format), c.expected) << c.path;
}

TEST(DefaultExtensionTest, PerCode)
{
    EXPECT_EQ(defaultExtension(EncoderFormat::Bmp), ".bmp");
    EXPECT_EQ(defaultExtension(EncoderFormat::Jpeg), ".jpg");
    EXPECT_EQ(defaultExtension(EncoderFormat::Gif), ".gif");
    EXPECT_EQ(defaultExtension(EncoderFormat::Tiff), ".tiff");
    EXPECT_EQ(defaultExtension(EncoderFormat::Png), ".png");
    EXPECT_EQ(defaultExtension(static_cast<EncoderFormat>(0)), "");
    EXPECT_EQ(defaultExtension(static_cast<EncoderFormat>(6)), "");
}

class EncoderTest : public ::testing::Test {
protected:
    ScratchFolder scratch;
    Picture picture = patternPicture(33, 17);
    BmpBuffer bmp = bmpOf(picture);
};

TEST_F(EncoderTest, JpegIsLibjpegAtItsDefaults)
{
    // Same bytes as libjpeg's compressor given the picture as RGB at quality 75 (baseline, 4:2:0).
    std::vector<std::uint8_t> encoded;
    ASSERT_EQ(encodeBmp(bmp.view(), EncoderFormat::Jpeg, (scratch / "a.png").string(), &encoded),
              1);
    EXPECT_EQ(encoded, jpegBytes(picture, JpegKind::Colour, 75));
    EXPECT_EQ(readFile(scratch / "a.png.jpg"), encoded);
    // Baseline frame, luma sampled 2 x 2 against 1 x 1 chroma.
    const std::uint8_t baselineFrame[] = {0xFF, 0xC0};
    const auto sof = std::search(encoded.begin(), encoded.end(), std::begin(baselineFrame),
                                 std::end(baselineFrame));
    ASSERT_NE(sof, encoded.end());
    EXPECT_EQ(sof[11], 0x22);
    EXPECT_EQ(sof[14], 0x11);
    EXPECT_EQ(sof[17], 0x11);
}

TEST_F(EncoderTest, JpegKeepsThePictureUpright)
{
    // Smooth ramps survive compression closely, so a flipped or shifted picture shows.
    Picture smooth{40, 24, Bytes(40 * 24 * 3)};
    for (int r = 0; r < 24; ++r)
        for (int c = 0; c < 40; ++c) {
            const std::size_t i = 3 * (r * 40 + c);
            smooth.rgb[i] = static_cast<std::uint8_t>(c * 6);
            smooth.rgb[i + 1] = static_cast<std::uint8_t>(r * 10);
            smooth.rgb[i + 2] = static_cast<std::uint8_t>(128);
        }
    std::vector<std::uint8_t> encoded;
    ASSERT_EQ(encodeBmp(bmpOf(smooth).view(), EncoderFormat::Jpeg, " ", &encoded), 1);
    const Picture decoded = decodeJpegReference(encoded);
    ASSERT_EQ(decoded.width, smooth.width);
    ASSERT_EQ(decoded.height, smooth.height);
    for (std::size_t k = 0; k < smooth.rgb.size(); ++k)
        EXPECT_NEAR(decoded.rgb[k], smooth.rgb[k], 12) << k;
}

TEST_F(EncoderTest, JpegQualityIsAParameter)
{
    std::vector<std::uint8_t> low, high;
    ASSERT_EQ(encodeBmp(bmp.view(), EncoderFormat::Jpeg, " ", &low, 30), 1);
    ASSERT_EQ(encodeBmp(bmp.view(), EncoderFormat::Jpeg, " ", &high, 95), 1);
    EXPECT_EQ(low, jpegBytes(picture, JpegKind::Colour, 30));
    EXPECT_EQ(high, jpegBytes(picture, JpegKind::Colour, 95));
    EXPECT_LT(low.size(), high.size());
}

TEST_F(EncoderTest, AllSpacePathEncodesWithoutWriting)
{
    const fs::path before = fs::current_path();
    fs::current_path(scratch.path());
    std::vector<std::uint8_t> encoded;
    EXPECT_EQ(encodeBmp(bmp.view(), EncoderFormat::Jpeg, "   ", &encoded), 1);
    EXPECT_EQ(encodeBmp(bmp.view(), EncoderFormat::Jpeg, "", nullptr), 1);
    fs::current_path(before);
    EXPECT_FALSE(encoded.empty());
    EXPECT_TRUE(scratch.entries().empty());
}

TEST_F(EncoderTest, TooShortOrUndecodableInputGivesZeroAndNoFile)
{
    std::vector<std::uint8_t> untouched = {7, 7};
    const std::string out = (scratch / "a.jpg").string();
    EXPECT_EQ(encodeBmp(Bytes{'B', 'M'}, EncoderFormat::Jpeg, out, &untouched), 0);
    EXPECT_EQ(encodeBmp(Bytes{}, EncoderFormat::Jpeg, out, &untouched), 0);
    EXPECT_EQ(untouched, (std::vector<std::uint8_t>{7, 7}));
    EXPECT_EQ(encodeBmp(randomBytes(100, 5), EncoderFormat::Jpeg, out, &untouched), 0);
    Bytes cut = bmp.bytes;
    cut.resize(cut.size() - 1);
    EXPECT_EQ(encodeBmp(cut, EncoderFormat::Jpeg, out), 0);
    Bytes eightBit = bmp.bytes;
    setLe(eightBit, 28, 8, 2);
    EXPECT_EQ(encodeBmp(eightBit, EncoderFormat::Jpeg, out), 0);
    EXPECT_EQ(encodeBmp(bmp.view(), EncoderFormat::Gif, out), 0);
    EXPECT_EQ(encodeBmp(bmp.view(), EncoderFormat::Tiff, out), 0);
    EXPECT_TRUE(scratch.entries().empty());
}

TEST_F(EncoderTest, ExistingFileIsReplaced)
{
    writeBytes(scratch / "a.jpg", Bytes(5000, 1));
    std::vector<std::uint8_t> encoded;
    ASSERT_EQ(encodeBmp(bmp.view(), EncoderFormat::Jpeg, (scratch / "a.jpg").string(), &encoded),
              1);
    EXPECT_EQ(readFile(scratch / "a.jpg"), encoded);
    EXPECT_EQ(scratch.entries(), std::vector<std::string>{"a.jpg"});
}

TEST_F(EncoderTest, FailedWriteIsReportedAndLeavesNothing)
{
    EXPECT_EQ(encodeBmp(bmp.view(), EncoderFormat::Jpeg, (scratch / "missing" / "a.jpg").string()),
              0);
    fs::create_directory(scratch / "b.jpg");  // a folder where the file should go
    std::vector<std::uint8_t> untouched;
    EXPECT_EQ(encodeBmp(bmp.view(), EncoderFormat::Jpeg, (scratch / "b.jpg").string(), &untouched),
              0);
    EXPECT_TRUE(untouched.empty());
    EXPECT_TRUE(fs::is_directory(scratch / "b.jpg"));
    EXPECT_EQ(scratch.entries(), std::vector<std::string>{"b.jpg"});
}

TEST_F(EncoderTest, BmpIsWrittenAsTheWriterWritesIt)
{
    // The source's filler (0xAB) and trailing bytes do not survive; the picture does.
    const BmpBuffer source = bmpOf(picture, 7);
    std::vector<std::uint8_t> encoded;
    ASSERT_EQ(encodeBmp(source.view(), EncoderFormat::Bmp, (scratch / "a").string(), &encoded), 1);
    const std::size_t stride = (3 * 33 + 3) / 4 * 4;
    ASSERT_EQ(encoded.size(), 54 + stride * 17);
    EXPECT_EQ(readFile(scratch / "a.bmp"), encoded);
    EXPECT_EQ(pictureOfBmp(BmpBuffer{encoded}).rgb, picture.rgb);
    for (int k = 0; k < 17; ++k) EXPECT_EQ(encoded[54 + k * stride + stride - 1], 0);
    // The converter writes the same file from the same picture.
    ASSERT_EQ(convertToBmp(scratch / "a.bmp", scratch / "again.bmp"), ConvertStatus::Ok);
    EXPECT_EQ(readFile(scratch / "again.bmp"), encoded);
}

TEST_F(EncoderTest, PngIsLosslessRgb)
{
    std::vector<std::uint8_t> encoded;
    ASSERT_EQ(encodeBmp(bmp.view(), EncoderFormat::Png, (scratch / "a").string(), &encoded), 1);
    ASSERT_GT(encoded.size(), 33u);
    EXPECT_EQ(encoded[24], 8);  // bit depth
    EXPECT_EQ(encoded[25], 2);  // colour type RGB
    ASSERT_EQ(convertToBmp(scratch / "a.png", scratch / "back.bmp"), ConvertStatus::Ok);
    EXPECT_EQ(pictureOfBmp(BmpBuffer{readFile(scratch / "back.bmp")}).rgb, picture.rgb);
}

}  // namespace
}  // namespace zendavo
