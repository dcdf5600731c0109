// EXIF and XMP rewriting for outputs: orientation read, reset, sizes, thumbnail, damaged blocks.
#include "formats/exif_block.h"

#include <gtest/gtest.h>

#include <thread>

#include "format_fixtures.h"
#include "metadata_fixtures.h"

namespace zendavo {
namespace {

using namespace zendavo::testing;

constexpr int kShort = 3;  // Exiv2::unsignedShort
constexpr int kLong = 4;   // Exiv2::unsignedLong

Bytes withOrientation(const std::string& value, bool bigEndian = false)
{
    return exifBlock({{"Exif.Image.Make", "Cam"}, {"Exif.Image.Orientation", value, kShort}}, {},
                     bigEndian);
}

TEST(ExifOrientationTest, ValuesAndDamage)
{
    const Bytes valid = withOrientation("6");
    struct Case {
        const char* name;
        Bytes block;
        int expected;
    };
    std::vector<Case> cases;
    for (int v = 1; v <= 8; ++v)
        cases.push_back({"value", withOrientation(std::to_string(v)), v});
    cases.push_back({"big-endian", withOrientation("8", true), 8});
    cases.push_back({"zero", withOrientation("0"), 1});
    cases.push_back({"nine", withOrientation("9"), 1});
    cases.push_back({"huge", withOrientation("65535"), 1});
    cases.push_back({"absent", exifBlock({{"Exif.Image.Make", "Cam"}}), 1});
    cases.push_back({"empty", {}, 1});
    cases.push_back({"random", randomBytes(300, 7), 1});
    cases.push_back({"header only", Bytes(valid.begin(), valid.begin() + 8), 1});
    cases.push_back({"cut in IFD0", Bytes(valid.begin(), valid.begin() + 13), 1});
    Bytes badOffset = valid;
    setLe(badOffset, 4, 0xFFFFFF00u, 4);  // IFD0 far beyond the block
    cases.push_back({"IFD0 outside", badOffset, 1});
    for (const Case& c : cases)
        EXPECT_EQ(exifOrientation(c.block), c.expected) << c.name << " " << c.block.size();
}

TEST(ExifForOutputTest, ResetsOrientationSetsSizeDropsThumbnailKeepsTags)
{
    const Bytes thumbnail = jpegBytes(patternPicture(16, 12));
    for (bool bigEndian : {false, true}) {
        for (int sizeType : {kShort, kLong}) {
            const Bytes source = exifBlock(
                {{"Exif.Image.Make", "Canon"},
                 {"Exif.Image.Model", "EOS 5D"},
                 {"Exif.Image.Orientation", "6", kShort},
                 {"Exif.Image.Artist", "A. Person"},
                 {"Exif.Image.Copyright", "(c) A. Person"},
                 {"Exif.Photo.DateTimeOriginal", "2024:05:06 07:08:09"},
                 {"Exif.Photo.PixelXDimension", "4000", sizeType},
                 {"Exif.Photo.PixelYDimension", "3000", sizeType},
                 {"Exif.GPSInfo.GPSLatitudeRef", "N"},
                 {"Exif.GPSInfo.GPSLatitude", "52/1 31/1 1234/100"}},
                thumbnail, bigEndian);
            ASSERT_GT(nextIfdOffset(source), 0);
            ASSERT_EQ(exifTags(source).count("Exif.Thumbnail.JPEGInterchangeFormat"), 1u);

            const Bytes out = exifForOutput(source, 3000, 4000);
            const auto tags = exifTags(out);
            const std::string where = bigEndian ? "big-endian" : "little-endian";
            EXPECT_EQ(tags.at("Exif.Image.Make"), "Canon") << where;
            EXPECT_EQ(tags.at("Exif.Image.Model"), "EOS 5D");
            EXPECT_EQ(tags.at("Exif.Image.Artist"), "A. Person");
            EXPECT_EQ(tags.at("Exif.Image.Copyright"), "(c) A. Person");
            EXPECT_EQ(tags.at("Exif.Photo.DateTimeOriginal"), "2024:05:06 07:08:09");
            EXPECT_EQ(tags.at("Exif.GPSInfo.GPSLatitudeRef"), "N");
            EXPECT_EQ(tags.at("Exif.GPSInfo.GPSLatitude"), "52/1 31/1 1234/100");
            EXPECT_EQ(tags.at("Exif.Image.Orientation"), "1");
            EXPECT_EQ(tags.at("Exif.Photo.PixelXDimension"), "3000");
            EXPECT_EQ(tags.at("Exif.Photo.PixelYDimension"), "4000");
            EXPECT_EQ(nextIfdOffset(out), 0) << where;
            for (const auto& [key, value] : tags)
                EXPECT_EQ(key.rfind("Exif.Thumbnail.", 0), std::string::npos) << key;
            EXPECT_EQ(exifOrientation(out), 1);
            EXPECT_EQ(out[0], bigEndian ? 'M' : 'I');
        }
    }
}

TEST(ExifForOutputTest, SizeTagsAddedOnlyWherePresentAndWidenedWhenTooLarge)
{
    const Bytes noSize = exifBlock({{"Exif.Image.Make", "Cam"}});
    const auto plain = exifTags(exifForOutput(noSize, 10, 20));
    EXPECT_EQ(plain.count("Exif.Photo.PixelXDimension"), 0u);
    EXPECT_EQ(plain.count("Exif.Image.Orientation"), 0u);
    EXPECT_EQ(plain.at("Exif.Image.Make"), "Cam");

    const Bytes shortSize = exifBlock({{"Exif.Photo.PixelXDimension", "100", kShort},
                                       {"Exif.Photo.PixelYDimension", "100", kShort}});
    const auto wide = exifTags(exifForOutput(shortSize, 70000, 5));
    EXPECT_EQ(wide.at("Exif.Photo.PixelXDimension"), "70000");
    EXPECT_EQ(wide.at("Exif.Photo.PixelYDimension"), "5");
}

TEST(ExifForOutputTest, DamagedBlocksGiveNothing)
{
    const Bytes valid = withOrientation("3");
    const Bytes cases[] = {{}, randomBytes(500, 3), Bytes(valid.begin(), valid.begin() + 6),
                           Bytes{'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F}};
    for (const Bytes& block : cases)
        EXPECT_TRUE(exifForOutput(block, 10, 10).empty()) << block.size();
}

TEST(XmpForOutputTest, OrientationResetOtherValuesKept)
{
    const std::string source = xmpPacket({{"Xmp.tiff.Orientation", "8"},
                                          {"Xmp.dc.title", "lang=\"x-default\" Harbour"},
                                          {"Xmp.xmp.Rating", "4"},
                                          {"Xmp.photoshop.City", "Tromsø"}});
    const auto out = xmpProperties(xmpForOutput(source));
    EXPECT_EQ(out.at("Xmp.tiff.Orientation"), "1");
    EXPECT_EQ(out.at("Xmp.dc.title"), "lang=\"x-default\" Harbour");
    EXPECT_EQ(out.at("Xmp.xmp.Rating"), "4");
    EXPECT_EQ(out.at("Xmp.photoshop.City"), "Tromsø");
}

TEST(XmpForOutputTest, PacketWithoutOrientationKeptAsIs)
{
    const std::string source = xmpPacket({{"Xmp.xmp.Rating", "2"}});
    EXPECT_EQ(xmpForOutput(source), source);
}

TEST(XmpForOutputTest, DamagedPacketsGiveNothing)
{
    const std::string valid = xmpPacket({{"Xmp.tiff.Orientation", "6"}});
    const std::string cut = valid.substr(0, valid.find("tiff:Orientation") + 5);
    const std::string cases[] = {"", "not xml at all", cut,
                                 "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF>"};
    for (const std::string& packet : cases) EXPECT_EQ(xmpForOutput(packet), "") << packet;
}

// Runs read and rewrite blocks on several threads at once.
TEST(ExifBlockTest, SafeOnSeveralThreads)
{
    const Bytes exif = withOrientation("6");
    const std::string xmp = xmpPacket({{"Xmp.tiff.Orientation", "6"}, {"Xmp.xmp.Rating", "3"}});
    std::vector<std::thread> threads;
    std::vector<int> good(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) {
                const bool ok = exifOrientation(exif) == 6 &&
                                exifOrientation(exifForOutput(exif, 5, 5)) == 1 &&
                                xmpProperties(xmpForOutput(xmp)).at("Xmp.tiff.Orientation") == "1";
                good[static_cast<std::size_t>(t)] += ok ? 1 : 0;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int count : good) EXPECT_EQ(count, 50);
}

}  // namespace
}  // namespace zendavo
