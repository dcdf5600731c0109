// Damaged files of every format fail cleanly, and declared sizes beyond the limits are refused
// from the header. Meant for the sanitizer build as much as for the plain one.
#include <gtest/gtest.h>

#include <zlib.h>

#include <filesystem>
#include <random>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

// --- Tiny files that declare huge pictures or chunks: refused before anything large is made ---

void appendBe(Bytes& to, std::uint32_t v)
{
    for (int k = 0; k < 4; ++k) to.push_back(static_cast<std::uint8_t>(v >> (24 - 8 * k)));
}

// A PNG signature and IHDR, then one chunk claiming `declared` bytes of which none follow.
Bytes pngChunkBomb(const char* type, std::uint32_t declared)
{
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const std::size_t ihdrAt = png.size();
    appendBe(png, 13);
    png.insert(png.end(), {'I', 'H', 'D', 'R'});
    appendBe(png, 1);
    appendBe(png, 1);
    png.insert(png.end(), {8, 2, 0, 0, 0});
    appendBe(png, static_cast<std::uint32_t>(crc32(0, png.data() + ihdrAt + 4, 17)));
    appendBe(png, declared);
    png.insert(png.end(), type, type + 4);
    return png;
}

// A small JPEG's headers with another frame size, cut after its first scan header.
Bytes jpegWithoutScanData(bool progressive, std::uint16_t width, std::uint16_t height)
{
    const Bytes jpeg = jpegBytes(patternPicture(16, 16), JpegKind::Grey, 90, progressive);
    Bytes bomb = jpeg;
    for (std::size_t i = 2; i + 8 < bomb.size(); ++i)
        if (bomb[i] == 0xFF && (bomb[i + 1] == 0xC0 || bomb[i + 1] == 0xC2)) {
            bomb[i + 5] = static_cast<std::uint8_t>(height >> 8), bomb[i + 6] = height & 0xFF;
            bomb[i + 7] = static_cast<std::uint8_t>(width >> 8), bomb[i + 8] = width & 0xFF;
            break;
        }
    for (std::size_t i = 2; i + 3 < bomb.size(); ++i)
        if (bomb[i] == 0xFF && bomb[i + 1] == 0xDA) {
            const std::size_t end = i + 2 + (bomb[i + 2] << 8 | bomb[i + 3]);
            bomb.resize(end);
            bomb.insert(bomb.end(), {0xFF, 0xD9});
            break;
        }
    return bomb;
}

// A little-endian TIFF of one grey strip, whose size and place are declared only.
Bytes tiffStripBomb(std::uint32_t width, std::uint32_t height, std::uint16_t compression,
                    std::uint32_t stripOffset, std::uint32_t stripBytes)
{
    Bytes tiff = {'I', 'I', 42, 0, 8, 0, 0, 0};
    const std::uint16_t entries = 9;
    tiff.push_back(entries), tiff.push_back(0);
    auto entry = [&tiff](std::uint16_t tag, std::uint16_t type, std::uint32_t value) {
        const std::size_t at = tiff.size();
        tiff.resize(at + 12, 0);
        setLe(tiff, at, tag, 2);
        setLe(tiff, at + 2, type, 2);
        setLe(tiff, at + 4, 1, 4);
        setLe(tiff, at + 8, value, type == 3 ? 2 : 4);
    };
    entry(256, 4, width);
    entry(257, 4, height);
    entry(258, 3, 8);
    entry(259, 3, compression);
    entry(262, 3, 1);
    entry(273, 4, stripOffset);
    entry(277, 3, 1);
    entry(278, 4, height);
    entry(279, 4, stripBytes);
    tiff.insert(tiff.end(), 4, 0);
    tiff.resize(std::max<std::size_t>(tiff.size(), 186), 0x55);
    return tiff;
}

struct Bomb {
    std::string name;
    Bytes bytes;
};

std::vector<Bomb> tinyBombs()
{
    std::vector<Bomb> bombs;
    for (const char* type : {"tEXt", "zTXt", "iTXt", "sPLT", "eXIf", "iCCP", "unKn"})
        bombs.push_back({std::string("png ") + type, pngChunkBomb(type, 1'800'000'000)});
    bombs.push_back({"progressive jpeg", jpegWithoutScanData(true, 65500, 3816)});
    bombs.push_back({"baseline jpeg", jpegWithoutScanData(false, 65500, 3816)});
    // 15000 x 10000, three planes, two bytes of data.
    bombs.push_back({"pcx", pcxBytes({0, 0, 14999, 9999, 8, 3, 15000, {0xFF, 0x10}, {}})});
    bombs.push_back({"tiff strip outside", tiffStripBomb(15640, 4624, 1, 150, 72'319'360)});
    bombs.push_back({"tiff strip too small", tiffStripBomb(15640, 4624, 8, 150, 30)});
    bombs.push_back({"tiff strip past the end", tiffStripBomb(15640, 4624, 8, 4000, 30)});
    return bombs;
}

TEST_F(HostileInputTest, TinyFilesDeclaringHugePicturesAreRefused)
{
    for (const Bomb& bomb : tinyBombs()) {
        ASSERT_LT(bomb.bytes.size(), 1024u) << bomb.name;
        EXPECT_EQ(convertBytes(scratch, bomb.bytes).status, ConvertStatus::Undecodable)
            << bomb.name;
    }
}

// The real measure: a child process converts every bomb, and its peak resident memory stays
// far below what the files declare. Resident size means nothing under AddressSanitizer.
TEST_F(HostileInputTest, TinyFilesNeverTakeMuchMemory)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "peak memory is not meaningful under AddressSanitizer";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "peak memory is not meaningful under AddressSanitizer";
#endif
#endif
    const std::vector<Bomb> bombs = tinyBombs();
    for (std::size_t k = 0; k < bombs.size(); ++k)
        writeBytes(scratch / ("bomb" + std::to_string(k)), bombs[k].bytes);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        for (std::size_t k = 0; k < bombs.size(); ++k)
            convertToBmp(scratch / ("bomb" + std::to_string(k)), scratch / "out.bmp");
        ::_exit(0);
    }
    int status = 0;
    rusage usage{};
    ASSERT_EQ(::wait4(child, &status, 0, &usage), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_LT(usage.ru_maxrss / 1024.0, 100.0) << "MiB at peak";
}

// A genuine picture is still read at any size its data fills.
TEST_F(HostileInputTest, BoundsLeaveGenuinePicturesAlone)
{
    const Picture wide = patternPicture(3000, 2);
    EXPECT_EQ(convertBytes(scratch, jpegBytes(wide, JpegKind::Colour, 90, true)).status,
              ConvertStatus::Ok);
    // A flat picture compresses extremely well and is still no bomb.
    const Picture flat{4000, 3000, Bytes(4000 * 3000 * 3, 200)};
    EXPECT_EQ(convertBytes(scratch, jpegBytes(flat, JpegKind::Colour, 75, true)).status,
              ConvertStatus::Ok);
    EXPECT_EQ(convertBytes(scratch, pngBytes({4000, 3000, 2, 8, flat.rgb})).status,
              ConvertStatus::Ok);
    Bytes runs;
    for (int r = 0; r < 3000; ++r) {
        const Bytes line = pcxEncodeLine(Bytes(3 * 4000, 9));
        runs.insert(runs.end(), line.begin(), line.end());
    }
    EXPECT_EQ(convertBytes(scratch, pcxBytes({0, 0, 3999, 2999, 8, 3, 4000, runs, {}})).status,
              ConvertStatus::Ok);
}

}  // namespace
}  // namespace zendavo
