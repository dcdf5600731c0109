#include "formats/image_converter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "format_fixtures.h"
#include "formats/file_io.h"

namespace zendavo {
namespace {

using namespace zendavo::testing;
namespace fs = std::filesystem;

const Bytes kOldContent = {'o', 'l', 'd'};

TEST(ConvertStatusTest, NumbersAndTexts)
{
    EXPECT_EQ(static_cast<int>(ConvertStatus::Ok), 1);
    EXPECT_EQ(static_cast<int>(ConvertStatus::SourceMissing), -1);
    EXPECT_EQ(static_cast<int>(ConvertStatus::Undecodable), -3);
    EXPECT_EQ(static_cast<int>(ConvertStatus::WriteFailed), -4);
    EXPECT_EQ(static_cast<int>(ConvertStatus::MissingPath), -7);
    std::set<std::string> texts;
    for (ConvertStatus s :
         {ConvertStatus::Ok, ConvertStatus::SourceMissing, ConvertStatus::Undecodable,
          ConvertStatus::WriteFailed, ConvertStatus::MissingPath})
        texts.insert(describe(s));
    EXPECT_EQ(texts.size(), 5u);
    EXPECT_STREQ(describe(ConvertStatus::SourceMissing), "source missing");
}

class ConverterTest : public ::testing::Test {
protected:
    ScratchFolder scratch;
    fs::path jpeg() const
    {
        const fs::path path = scratch / "in.jpg";
        if (!fs::exists(path)) writeBytes(path, jpegBytes(patternPicture(9, 5)));
        return path;
    }
};

TEST_F(ConverterTest, AbsentPathsAreMissingPath)
{
    EXPECT_EQ(convertToBmp(std::nullopt, scratch / "out.bmp"), ConvertStatus::MissingPath);
    EXPECT_EQ(convertToBmp(jpeg(), std::nullopt), ConvertStatus::MissingPath);
    EXPECT_EQ(convertToBmp(std::nullopt, std::nullopt), ConvertStatus::MissingPath);
    EXPECT_FALSE(fs::exists(scratch / "out.bmp"));
}

TEST_F(ConverterTest, FailuresBeforeWritingLeaveTheDestinationAlone)
{
    writeBytes(scratch / "noise.jpg", randomBytes(5000, 7));
    fs::create_directory(scratch / "folder");
    struct Case {
        fs::path source;
        ConvertStatus expected;
    };
    const Case cases[] = {
        {scratch / "nothing.jpg", ConvertStatus::SourceMissing},
        {fs::path(), ConvertStatus::SourceMissing},  // an empty path is a path naming nothing
        {scratch / "folder", ConvertStatus::Undecodable},
        {scratch / "noise.jpg", ConvertStatus::Undecodable},
    };
    for (const Case& c : cases) {
        writeBytes(scratch / "out.bmp", kOldContent);
        EXPECT_EQ(convertToBmp(c.source, scratch / "out.bmp"), c.expected) << c.source;
        EXPECT_EQ(readFile(scratch / "out.bmp"), kOldContent) << c.source;
    }
}

TEST_F(ConverterTest, BrokenSymlinkExistsButIsUndecodable)
{
    fs::create_symlink(scratch / "gone.jpg", scratch / "link.jpg");
    EXPECT_EQ(convertToBmp(scratch / "link.jpg", scratch / "out.bmp"), ConvertStatus::Undecodable);
}

TEST_F(ConverterTest, UnwritableDestinationsAreWriteFailed)
{
    fs::create_directory(scratch / "taken.bmp");
    EXPECT_EQ(convertToBmp(jpeg(), scratch / "no-such-folder" / "out.bmp"),
              ConvertStatus::WriteFailed);
    EXPECT_EQ(convertToBmp(jpeg(), scratch / "taken.bmp"), ConvertStatus::WriteFailed);
    EXPECT_EQ(convertToBmp(jpeg(), scratch.path() / ""), ConvertStatus::WriteFailed);
    EXPECT_TRUE(fs::is_directory(scratch / "taken.bmp"));
    // No temporary file is left behind in the destination folder.
    EXPECT_EQ(scratch.entries(), (std::vector<std::string>{"in.jpg", "taken.bmp"}));
}

TEST_F(ConverterTest, OkReplacesTheDestinationAndLeavesNothingElse)
{
    writeBytes(scratch / "out.bmp", kOldContent);
    ASSERT_EQ(convertToBmp(jpeg(), scratch / "out.bmp"), ConvertStatus::Ok);
    EXPECT_EQ(readFile(scratch / "out.bmp").size(), 54u + 28u * 5u);
    EXPECT_EQ(scratch.entries(), (std::vector<std::string>{"in.jpg", "out.bmp"}));
}

TEST_F(ConverterTest, FormatIsRecognisedByContentNotName)
{
    const Picture picture = patternPicture(6, 4);
    PngFixture png{6, 4, 2, 8, picture.rgb};
    const Converted asJpg = convertBytes(scratch, pngBytes(png), "really-png.jpg");
    ASSERT_EQ(asJpg.status, ConvertStatus::Ok);
    EXPECT_EQ(pictureOfBmp(asJpg.bmp).rgb, picture.rgb);

    const Bytes jpegFile = jpegBytes(picture);
    const Converted asPng = convertBytes(scratch, jpegFile, "really-jpeg.png");
    ASSERT_EQ(asPng.status, ConvertStatus::Ok);
    EXPECT_EQ(pictureOfBmp(asPng.bmp).rgb, decodeJpegReference(jpegFile).rgb);

    // The destination's name plays no part either.
    EXPECT_EQ(convertToBmp(scratch / "really-png.jpg", scratch / "out.png"), ConvertStatus::Ok);
    EXPECT_EQ(readFile(scratch / "out.png"), asJpg.bmp.bytes);
}

TEST_F(ConverterTest, FirstDecoderToAcceptDecidesEvenWhenItFails)
{
    // A 24-bit BMP that also carries the Photo CD signature and is long enough for one.
    Bytes bmp = bmpFileBytes(patternPicture(600, 500), {600, 500, 24, false});
    std::copy_n("PCD_IPI", 7, bmp.begin() + 2048);
    const Converted asBmp = convertBytes(scratch, bmp);
    ASSERT_EQ(asBmp.status, ConvertStatus::Ok);
    EXPECT_EQ(readBmpInfo(asBmp.bmp.bytes).width, 600);
    // Cut short, the BMP decoder still takes it and fails; Photo CD is not asked.
    bmp.resize(800000);
    EXPECT_EQ(convertBytes(scratch, bmp).status, ConvertStatus::Undecodable);
}

TEST_F(ConverterTest, WrittenFileHasTheExactLayout)
{
    struct Case {
        int width, height;
        std::size_t size;
    };
    for (const Case c : {Case{1, 1, 58}, Case{5, 2, 86}, Case{650, 450, 878454}, Case{3, 3, 90}}) {
        const Picture picture = patternPicture(c.width, c.height);
        const Converted out =
            convertBytes(scratch, pngBytes({c.width, c.height, 2, 8, picture.rgb}));
        ASSERT_EQ(out.status, ConvertStatus::Ok);
        const Bytes& b = out.bmp.bytes;
        ASSERT_EQ(b.size(), c.size) << c.width << "x" << c.height;
        Bytes expectedHeader(54, 0);
        expectedHeader[0] = 'B';
        expectedHeader[1] = 'M';
        setLe(expectedHeader, 2, static_cast<std::uint32_t>(c.size), 4);
        setLe(expectedHeader, 10, 54, 4);
        setLe(expectedHeader, 14, 40, 4);
        setLe(expectedHeader, 18, static_cast<std::uint32_t>(c.width), 4);
        setLe(expectedHeader, 22, static_cast<std::uint32_t>(c.height), 4);
        setLe(expectedHeader, 26, 1, 2);
        setLe(expectedHeader, 28, 24, 2);
        EXPECT_EQ(Bytes(b.begin(), b.begin() + 54), expectedHeader);
        EXPECT_EQ(pictureOfBmp(out.bmp).rgb, picture.rgb);
        // Filler bytes are zero, and the bottom row comes first.
        const std::size_t stride = (3 * c.width + 3) / 4 * 4;
        for (int k = 0; k < c.height; ++k)
            for (std::size_t f = 3 * c.width; f < stride; ++f) EXPECT_EQ(b[54 + k * stride + f], 0);
        const Rgb bottomLeft = picture.at(0, c.height - 1);
        EXPECT_EQ((Rgb{b[56], b[55], b[54]}), bottomLeft);
    }
}

}  // namespace
}  // namespace zendavo
