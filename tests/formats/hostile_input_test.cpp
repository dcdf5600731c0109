// Damaged files of every format fail cleanly, and declared sizes beyond the limits are refused
// from the header. Meant for the sanitizer build as much as for the plain one.
#include <gtest/gtest.h>

#include <zlib.h>

#include <filesystem>
#include <random>

#include "format_fixtures.h"
#include "formats/file_io.h"
#include "formats/image_converter.h"

#include <tiffio.h>

namespace zendavo {
namespace {

using namespace zendavo::testing;
namespace fs = std::filesystem;

struct Sample {
    const char* name;
    Bytes bytes;
};

std::vector<Sample> validSamples()
{
    const Picture picture = patternPicture(23, 17);
    std::vector<Sample> samples;
    samples.push_back({"jpeg", jpegBytes(picture)});
    samples.push_back({"progressive jpeg", jpegBytes(picture, JpegKind::Colour, 80, true)});
    samples.push_back({"grey jpeg", jpegBytes(picture, JpegKind::Grey)});
    samples.push_back({"bmp", bmpFileBytes(picture, {23, 17, 24, false})});
    samples.push_back({"os2 bmp", bmpFileBytes(picture, {23, 17, 24, true})});
    samples.push_back({"png", pngBytes({23, 17, 2, 8, picture.rgb})});
    PngFixture interlaced{23, 17, 2, 8, picture.rgb};
    interlaced.interlaced = true;
    samples.push_back({"interlaced png", pngBytes(interlaced)});
    PngFixture palette{23, 17, 3, 4, Bytes(23 * 17, 3)};
    palette.palette = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}};
    samples.push_back({"palette png", pngBytes(palette)});
    {
        ScratchFolder scratch;
        writeTiff(scratch / "t.tif", {{23, 17, 3, picture.rgb}});
        samples.push_back({"tiff", readFile(scratch / "t.tif")});
    }
    Bytes compressed;
    for (int r = 0; r < 17; ++r) {
        const Bytes line =
            pcxEncodeLine(Bytes(picture.rgb.begin() + r * 69, picture.rgb.begin() + r * 69 + 24));
        compressed.insert(compressed.end(), line.begin(), line.end());
    }
    samples.push_back({"pcx", pcxBytes({0, 0, 22, 16, 8, 1, 24, compressed, Bytes(768, 5)})});
    return samples;
}

class HostileInputTest : public ::testing::Test {
protected:
    ScratchFolder scratch;

    // Either a clean refusal that writes nothing, or a complete, well-formed .bmp.
    void expectCleanOutcome(std::span<const std::uint8_t> bytes, const std::string& what)
    {
        fs::remove(scratch / "out.bmp");
        const Converted out = convertBytes(scratch, bytes);
        if (out.status == ConvertStatus::Undecodable) {
            EXPECT_FALSE(fs::exists(scratch / "out.bmp")) << what;
            return;
        }
        ASSERT_EQ(out.status, ConvertStatus::Ok) << what;
        const BmpInfo info = readBmpInfo(out.bmp.bytes);
        EXPECT_TRUE(isUsableBitmap(info, out.bmp.size())) << what;
        EXPECT_EQ(info.pixelEnd, static_cast<std::int64_t>(out.bmp.size())) << what;
    }
};

TEST_F(HostileInputTest, EmptyAndRandomFiles)
{
    expectCleanOutcome(Bytes{}, "empty");
    for (std::size_t size : {1u, 2u, 127u, 128u, 4096u, 100000u})
        EXPECT_EQ(convertBytes(scratch, randomBytes(size, static_cast<std::uint32_t>(size))).status,
                  ConvertStatus::Undecodable)
            << size;
}

TEST_F(HostileInputTest, TruncatedFilesOfEveryFormat)
{
    for (const Sample& sample : validSamples()) {
        const std::size_t n = sample.bytes.size();
        for (std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{8},
                                   std::size_t{30}, std::size_t{64}, n / 4, n / 2, n - 2, n - 1})
            expectCleanOutcome(std::span(sample.bytes).first(std::min(length, n)),
                               std::string(sample.name) + " cut to " + std::to_string(length));
    }
    expectCleanOutcome(photoCdBytes(500000, true, 1, 2, 3), "photo cd cut short");
}

TEST_F(HostileInputTest, RightSignatureThenRandomBytes)
{
    for (const Sample& sample : validSamples())
        for (std::uint32_t seed = 1; seed <= 5; ++seed) {
            Bytes bytes(sample.bytes.begin(), sample.bytes.begin() + 16);
            const Bytes noise = randomBytes(200 * seed, seed);
            bytes.insert(bytes.end(), noise.begin(), noise.end());
            expectCleanOutcome(bytes, std::string(sample.name) + " seed " + std::to_string(seed));
        }
}

TEST_F(HostileInputTest, CorruptedBytesOfEveryFormat)
{
    std::mt19937 engine(42);
    for (const Sample& sample : validSamples())
        for (int variant = 0; variant < 40; ++variant) {
            Bytes bytes = sample.bytes;
            const int flips = 1 + variant % 8;
            for (int k = 0; k < flips; ++k)
                bytes[engine() % bytes.size()] = static_cast<std::uint8_t>(engine());
            expectCleanOutcome(bytes,
                               std::string(sample.name) + " variant " + std::to_string(variant));
        }
}

// --- Declared sizes beyond 65,500 a side or 250 megapixels ---

Bytes pngWithSize(std::uint32_t width, std::uint32_t height)
{
    Bytes png = pngBytes({2, 2, 2, 8, Bytes(12, 9)});
    auto putBe = [&png](std::size_t at, std::uint32_t v) {
        for (int k = 0; k < 4; ++k) png[at + k] = static_cast<std::uint8_t>(v >> (24 - 8 * k));
    };
    putBe(16, width);
    putBe(20, height);
    putBe(29, static_cast<std::uint32_t>(crc32(0, png.data() + 12, 17)));
    return png;
}

TEST_F(HostileInputTest, PngBombsAreRefused)
{
    EXPECT_EQ(convertBytes(scratch, pngWithSize(2, 2)).status,
              ConvertStatus::Ok);  // the patch itself is sound
    for (const auto& [w, h] : {std::pair{65501u, 1u}, std::pair{1u, 70000u},
                               std::pair{20000u, 20000u}, std::pair{65500u, 3900u}})
        EXPECT_EQ(convertBytes(scratch, pngWithSize(w, h)).status, ConvertStatus::Undecodable)
            << w << "x" << h;
}

TEST_F(HostileInputTest, BmpBombsAreRefused)
{
    Bytes bmp = bmpFileBytes(patternPicture(2, 2), {2, 2, 24, false});
    for (const auto& [w, h] :
         {std::pair{65501, 1}, std::pair{20000, 20000}, std::pair{60000, -60000},
          std::pair{30000, 8000} /* within limits, but the rows are missing */}) {
        setLe(bmp, 18, static_cast<std::uint32_t>(w), 4);
        setLe(bmp, 22, static_cast<std::uint32_t>(h), 4);
        EXPECT_EQ(convertBytes(scratch, bmp).status, ConvertStatus::Undecodable) << w << "x" << h;
    }
}

TEST_F(HostileInputTest, PcxBombsAreRefused)
{
    const Bytes data = pcxEncodeLine(Bytes(64, 1));
    EXPECT_EQ(
        convertBytes(scratch, pcxBytes({0, 0, 65535, 65535, 8, 1, 65535, data, Bytes(768, 1)}))
            .status,
        ConvertStatus::Undecodable);
    EXPECT_EQ(convertBytes(scratch, pcxBytes({0, 0, 65535, 2, 8, 3, 65535, data, {}})).status,
              ConvertStatus::Undecodable);
}

TEST_F(HostileInputTest, TiffBombsAreRefused)
{
    for (const auto& [w, h] : {std::pair{65501u, 1u}, std::pair{40000u, 40000u}}) {
        TIFF* tiff = TIFFOpen((scratch / "bomb.tif").c_str(), "w");
        ASSERT_NE(tiff, nullptr);
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, w);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, h);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 1);
        Bytes row(3 * std::size_t{w}, 7);
        TIFFWriteScanline(tiff, row.data(), 0, 0);  // one strip written; the rest is declared only
        TIFFClose(tiff);
        EXPECT_EQ(convertToBmp(scratch / "bomb.tif", scratch / "out.bmp"),
                  ConvertStatus::Undecodable)
            << w << "x" << h;
    }
}

}  // namespace
}  // namespace zendavo
