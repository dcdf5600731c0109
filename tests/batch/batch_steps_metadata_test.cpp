// A source's metadata travels from prepareSource through writeWatermarked into the output;
// decode warnings get their own lines.
#include <gtest/gtest.h>

#include "batch/batch_steps.h"
#include "batch/failure_report.h"
#include "batch_fixture.h"
#include "formats/exif_block.h"
#include "formats/metadata_fixtures.h"

namespace zendavo {
namespace {

using namespace zendavo::testing;

PictureMetadata cameraMetadata()
{
    PictureMetadata m;
    m.exif = exifBlock({{"Exif.Image.Make", "Nikon"},
                        {"Exif.Image.Copyright", "(c) B. Person"},
                        {"Exif.Photo.PixelXDimension", "48"},
                        {"Exif.Photo.PixelYDimension", "40"}});
    m.xmp = xmpPacket({{"Xmp.xmp.Rating", "3"}});
    m.iptc = iptcBlock({{"Iptc.Application2.City", "Oslo"}});
    m.icc = rgbIccProfile();
    m.density = Density{1, 240, 240};
    return m;
}

// A JPEG photo on disk carrying `metadata`, written by our own encoder.
void writeJpegWith(const fs::path& path, const PictureMetadata& metadata, int width, int height)
{
    EncodeOptions options;
    options.metadata = &metadata;
    options.quality = 95;
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(encodeBmp(makeSolidBmp(width, height, kRed).view(), EncoderFormat::Jpeg, " ",
                        options, &bytes),
              1);
    writeBytes(path, bytes);
}

TEST(BatchStepsMetadata, SourceMetadataReachesTheOutput)
{
    TempFolder root;
    const PictureMetadata source = cameraMetadata();
    writeJpegWith(root / "a.jpg", source, 48, 40);

    const PreparedSource prepared = prepareSource((root / "a.jpg").string(), root / "a.jpg.bmp");
    ASSERT_EQ(prepared.failure, std::nullopt);
    EXPECT_EQ(prepared.warning, DecodeWarning::None);
    EXPECT_EQ(exifTags(prepared.metadata.exif).at("Exif.Image.Make"), "Nikon");
    EXPECT_EQ(prepared.metadata.icc, source.icc);
    EXPECT_EQ(prepared.metadata.iptc, source.iptc);
    ASSERT_TRUE(prepared.metadata.density);
    EXPECT_EQ(prepared.metadata.density->x, 240);

    fs::create_directory(root / "out");
    OutputRequest request{root / "out" / "a.jpg"};
    request.metadata = &prepared.metadata;
    const FileIdentities none;
    ASSERT_EQ(writeWatermarked(root / "a.jpg.bmp", makeSolidBmp(4, 4, kBlue), WatermarkSettings{},
                               {}, request, none),
              std::nullopt);
    const FileMetadata out = fileMetadata(readFile(root / "out" / "a.jpg"));
    EXPECT_EQ(out.exif.at("Exif.Image.Make"), "Nikon");
    EXPECT_EQ(out.exif.at("Exif.Image.Copyright"), "(c) B. Person");
    EXPECT_EQ(out.exif.at("Exif.Photo.PixelXDimension"), "48");
    EXPECT_EQ(out.xmp.at("Xmp.xmp.Rating"), "3");
    EXPECT_EQ(out.iptc.at("Iptc.Application2.City"), "Oslo");
    EXPECT_EQ(out.icc, source.icc);

    // Without the request's metadata nothing is carried.
    ASSERT_EQ(writeWatermarked(root / "a.jpg.bmp", makeSolidBmp(4, 4, kBlue), WatermarkSettings{},
                               {}, {root / "out" / "bare.jpg"}, none),
              std::nullopt);
    const FileMetadata bare = fileMetadata(readFile(root / "out" / "bare.jpg"));
    EXPECT_TRUE(bare.exif.empty());
    EXPECT_TRUE(bare.icc.empty());
}

TEST(BatchStepsMetadata, FailedSourceHasNoMetadataAndNoCopy)
{
    TempFolder root;
    writeText(root / "b.jpg.bmp", "stale copy of an earlier run");
    writeText(root / "b.jpg", "not a picture");
    const PreparedSource unreadable = prepareSource((root / "b.jpg").string(), root / "b.jpg.bmp");
    EXPECT_EQ(unreadable.failure, FailureKind::SourceUnreadable);
    EXPECT_TRUE(unreadable.metadata.empty());
    EXPECT_FALSE(fs::exists(root / "b.jpg.bmp"));
    const PreparedSource missing = prepareSource((root / "c.jpg").string(), root / "c.jpg.bmp");
    EXPECT_EQ(missing.failure, FailureKind::SourceMissing);
}

TEST(BatchStepsMetadata, JpegEndingEarlyIsAWarningNotAFailure)
{
    TempFolder root;
    writeJpegWith(root / "whole.jpg", cameraMetadata(), 256, 256);
    std::vector<std::uint8_t> bytes = readFile(root / "whole.jpg");
    // Cut inside the scan, after the metadata and the headers.
    const std::uint8_t startOfScan[] = {0xFF, 0xDA};
    const auto scan = std::search(bytes.begin(), bytes.end(), startOfScan, startOfScan + 2);
    ASSERT_NE(scan, bytes.end());
    bytes.resize(static_cast<std::size_t>(scan - bytes.begin()) +
                 static_cast<std::size_t>(bytes.end() - scan) / 2);
    writeBytes(root / "cut.jpg", bytes);
    const PreparedSource prepared = prepareSource((root / "cut.jpg").string(), root / "cut.bmp");
    EXPECT_EQ(prepared.failure, std::nullopt);
    EXPECT_EQ(prepared.warning, DecodeWarning::IncompleteData);
    EXPECT_TRUE(fs::exists(root / "cut.bmp"));
}

TEST(FailureReport, WarningTextsAndLines)
{
    EXPECT_STREQ(warningText(DecodeWarning::None), "");
    EXPECT_STREQ(warningText(DecodeWarning::IncompleteData), "图片数据不完整，缺失部分以灰色填充");
    EXPECT_EQ(warningLine(1, "x.jpg", DecodeWarning::IncompleteData),
              "水印1/x.jpg：图片数据不完整，缺失部分以灰色填充");
    EXPECT_EQ(warningLine(10, "图.png", DecodeWarning::IncompleteData),
              "水印10/图.png：图片数据不完整，缺失部分以灰色填充");
}

}  // namespace
}  // namespace zendavo
