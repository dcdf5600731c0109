// Writes the seed corpus of every fuzz target: small valid files of every format and colour
// type the decoders know, made through the same fixtures the format tests use.
// Usage: make_fuzz_corpus <corpus folder>   (scripts/make-fuzz-corpus)
#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "formats/photo_cd_decoder.h"
#include "tests/formats/format_fixtures.h"
#include "tests/formats/metadata_fixtures.h"

namespace {

using namespace zendavo::testing;
namespace fs = std::filesystem;

// target -> file name -> bytes
using Corpus = std::map<std::string, std::map<std::string, Bytes>>;

Bytes readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes{std::istreambuf_iterator<char>(in), {}};
}

Bytes samplesOf(int count, int width, int height, int levels)
{
    Bytes samples(static_cast<std::size_t>(count) * width * height);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::uint8_t>((i * 37 + i / 5) % levels);
    return samples;
}

void addJpegs(Corpus& corpus)
{
    struct Case {
        const char* name;
        int width, height;
        JpegKind kind;
        int quality;
        bool progressive;
    };
    const Case cases[] = {
        {"colour-8x8.jpg", 8, 8, JpegKind::Colour, 90, false},
        {"colour-17x5.jpg", 17, 5, JpegKind::Colour, 50, false},
        {"colour-1x1.jpg", 1, 1, JpegKind::Colour, 75, false},
        {"grey-9x7.jpg", 9, 7, JpegKind::Grey, 80, false},
        {"cmyk-8x8.jpg", 8, 8, JpegKind::Cmyk, 75, false},
        {"progressive-16x9.jpg", 16, 9, JpegKind::Colour, 75, true},
        {"progressive-grey-8x8.jpg", 8, 8, JpegKind::Grey, 60, true},
    };
    for (const Case& c : cases)
        corpus["jpeg_decoder"][c.name] =
            jpegBytes(patternPicture(c.width, c.height), c.kind, c.quality, c.progressive);

    // The blocks the decoder gathers while opening.
    JpegMarkers markers;
    markers.exif = exifBlock({{"Exif.Image.Orientation", "6"}, {"Exif.Image.Make", "Zendavo"}});
    markers.xmp = xmpPacket({{"Xmp.tiff.Orientation", "6"}});
    markers.iptc = iptcBlock({{"Iptc.Application2.Caption", "seed"}});
    markers.density = zendavo::Density{1, 300, 300};
    corpus["jpeg_decoder"]["metadata-orientation-6.jpg"] =
        jpegBytes(patternPicture(6, 4), JpegKind::Colour, 80, false, markers);
}

void addPngs(Corpus& corpus)
{
    struct Case {
        const char* name;
        int colourType, bitDepth, samplesPerPixel;
    };
    const Case cases[] = {
        {"grey-1.png", 0, 1, 1},  {"grey-2.png", 0, 2, 1},     {"grey-4.png", 0, 4, 1},
        {"grey-8.png", 0, 8, 1},  {"grey-16.png", 0, 16, 1},   {"rgb-8.png", 2, 8, 3},
        {"rgb-16.png", 2, 16, 3}, {"palette-1.png", 3, 1, 1},  {"palette-2.png", 3, 2, 1},
        {"palette-4.png", 3, 4, 1}, {"palette-8.png", 3, 8, 1}, {"grey-alpha-8.png", 4, 8, 2},
        {"grey-alpha-16.png", 4, 16, 2}, {"rgba-8.png", 6, 8, 4}, {"rgba-16.png", 6, 16, 4},
    };
    const int width = 7, height = 5;
    for (const Case& c : cases) {
        const int levels = c.colourType == 3 ? (1 << std::min(c.bitDepth, 3)) : (1 << std::min(c.bitDepth, 8));
        const int bytesPerSample = c.bitDepth == 16 ? 2 : 1;
        PngFixture png(width, height, c.colourType, c.bitDepth,
                       samplesOf(c.samplesPerPixel * bytesPerSample, width, height, levels));
        if (c.colourType == 3)
            for (int k = 0; k < (1 << std::min(c.bitDepth, 3)); ++k)
                png.palette.push_back({static_cast<std::uint8_t>(k * 30), static_cast<std::uint8_t>(200 - k * 20),
                                       static_cast<std::uint8_t>(k * 7)});
        corpus["png_decoder"][c.name] = pngBytes(png);
    }
    // The ancillary chunks the decoder looks at.
    PngFixture extras(6, 6, 3, 8, samplesOf(1, 6, 6, 4));
    extras.palette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    extras.transparency = {0, 128};
    extras.background = true;
    extras.interlaced = true;
    corpus["png_decoder"]["palette-trns-bkgd-interlaced.png"] = pngBytes(extras);
    PngFixture gamma(5, 4, 2, 8, samplesOf(3, 5, 4, 256));
    gamma.gamma = 0.7;
    corpus["png_decoder"]["rgb-gamma.png"] = pngBytes(gamma);
    PngFixture srgb(5, 4, 0, 8, samplesOf(1, 5, 4, 256));
    srgb.srgb = true;
    srgb.transparentGrey = 3;
    corpus["png_decoder"]["grey-srgb-trns.png"] = pngBytes(srgb);
    PngFixture described(4, 3, 2, 8, samplesOf(3, 4, 3, 256));
    described.exif = exifBlock({{"Exif.Image.Orientation", "8"}});
    described.xmp = xmpPacket({{"Xmp.tiff.Orientation", "8"}});
    described.density = zendavo::Density{1, 72, 72};
    described.transparentRgb = std::array<std::uint16_t, 3>{1, 2, 3};
    corpus["png_decoder"]["rgb-exif-xmp-phys-trns.png"] = pngBytes(described);
}

void addBmps(Corpus& corpus)
{
    struct Case {
        const char* name;
        int width, height, bitCount;
        bool core;
    };
    const Case cases[] = {
        {"bottom-up-5x3.bmp", 5, 3, 24, false}, {"top-down-5x3.bmp", 5, -3, 24, false},
        {"core-4x2.bmp", 4, 2, 24, true},       {"8-bit-4x4.bmp", 4, 4, 8, false},
        {"32-bit-3x3.bmp", 3, 3, 32, false},    {"1x1.bmp", 1, 1, 24, false},
    };
    for (const Case& c : cases) {
        const int shown = c.height < 0 ? -c.height : c.height;
        corpus["bmp_decoder"][c.name] = bmpFileBytes(patternPicture(c.width, shown),
                                                     {c.width, c.height, c.bitCount, c.core});
    }
}

// TIFFs through libtiff directly, for the layouts the shared fixture does not write.
Bytes libtiffFile(const fs::path& scratch, int photometric, int bitsPerSample, int samplesPerPixel,
                  int compression)
{
    const fs::path path = scratch / "page.tif";
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    const int width = 6, height = 4;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bitsPerSample);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samplesPerPixel);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 2);
    std::vector<std::uint16_t> map;
    if (photometric == PHOTOMETRIC_PALETTE) {
        map.resize(3u << bitsPerSample);
        for (std::size_t i = 0; i < map.size(); ++i) map[i] = static_cast<std::uint16_t>(i * 2971);
        const std::size_t n = std::size_t{1} << bitsPerSample;
        TIFFSetField(tiff, TIFFTAG_COLORMAP, map.data(), map.data() + n, map.data() + 2 * n);
    }
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * bitsPerSample * samplesPerPixel + 7) / 8;
    const Bytes samples = samplesOf(1, static_cast<int>(rowBytes), height, 256);
    for (int r = 0; r < height; ++r)
        TIFFWriteScanline(tiff, const_cast<std::uint8_t*>(samples.data() + r * rowBytes),
                          static_cast<std::uint32_t>(r), 0);
    TIFFClose(tiff);
    Bytes bytes = readAll(path);
    fs::remove(path);
    return bytes;
}

void addTiffs(Corpus& corpus, const fs::path& scratch)
{
    struct Case {
        const char* name;
        std::vector<TiffPage> pages;
    };
    const Case cases[] = {
        {"rgb-strips.tif", {{5, 4, 3, samplesOf(3, 5, 4, 256), 2, false, false}}},
        {"rgba.tif", {{4, 3, 4, samplesOf(4, 4, 3, 256), 1, false, false}}},
        {"bottom-up.tif", {{4, 4, 3, samplesOf(3, 4, 4, 256), 4, true, false}}},
        {"tiled.tif", {{18, 17, 3, samplesOf(3, 18, 17, 256), 2, false, true}}},
        {"two-pages.tif",
         {{3, 2, 3, samplesOf(3, 3, 2, 256), 2, false, false}, {2, 2, 3, samplesOf(3, 2, 2, 256), 2, false, false}}},
    };
    for (const Case& c : cases) {
        const fs::path path = scratch / c.name;
        writeTiff(path, c.pages);
        corpus["tiff_decoder"][c.name] = readAll(path);
        fs::remove(path);
    }
    TiffPage unassociated{4, 3, 4, samplesOf(4, 4, 3, 256), 3, false, false};
    unassociated.unassociatedAlpha = true;
    writeTiff(scratch / "page.tif", {unassociated});
    corpus["tiff_decoder"]["rgba-unassociated.tif"] = readAll(scratch / "page.tif");
    fs::remove(scratch / "page.tif");
    corpus["tiff_decoder"]["grey-8-packbits.tif"] =
        libtiffFile(scratch, PHOTOMETRIC_MINISBLACK, 8, 1, COMPRESSION_PACKBITS);
    corpus["tiff_decoder"]["bilevel-1.tif"] = libtiffFile(scratch, PHOTOMETRIC_MINISWHITE, 1, 1, COMPRESSION_NONE);
    corpus["tiff_decoder"]["palette-4.tif"] = libtiffFile(scratch, PHOTOMETRIC_PALETTE, 4, 1, COMPRESSION_NONE);
    corpus["tiff_decoder"]["palette-8.tif"] = libtiffFile(scratch, PHOTOMETRIC_PALETTE, 8, 1, COMPRESSION_LZW);
    corpus["tiff_decoder"]["rgb-16-deflate.tif"] =
        libtiffFile(scratch, PHOTOMETRIC_RGB, 16, 3, COMPRESSION_ADOBE_DEFLATE);
}

void addPcxs(Corpus& corpus)
{
    const int width = 6, height = 3;
    PcxFixture eight;
    eight.xMax = width - 1;
    eight.yMax = height - 1;
    eight.bytesPerLine = width;
    const Bytes indices = samplesOf(1, width, height, 256);
    for (int r = 0; r < height; ++r) {
        const Bytes line = pcxEncodeLine(std::span(indices).subspan(static_cast<std::size_t>(r) * width, width));
        eight.compressed.insert(eight.compressed.end(), line.begin(), line.end());
    }
    eight.palette.resize(768);
    for (std::size_t i = 0; i < eight.palette.size(); ++i) eight.palette[i] = static_cast<std::uint8_t>(i);
    corpus["pcx_decoder"]["indexed-8.pcx"] = pcxBytes(eight);

    PcxFixture rgb;
    rgb.xMax = width - 1;
    rgb.yMax = height - 1;
    rgb.planes = 3;
    rgb.bytesPerLine = width;
    const Bytes planes = samplesOf(3, width, height, 256);
    for (int line = 0; line < 3 * height; ++line) {
        const Bytes run = pcxEncodeLine(std::span(planes).subspan(static_cast<std::size_t>(line) * width, width));
        rgb.compressed.insert(rgb.compressed.end(), run.begin(), run.end());
    }
    corpus["pcx_decoder"]["rgb-3-planes.pcx"] = pcxBytes(rgb);

    PcxFixture runs = eight;
    runs.compressed.clear();
    for (int r = 0; r < height; ++r) {
        const Bytes same(width, static_cast<std::uint8_t>(0xC5 + r));
        const Bytes line = pcxEncodeLine(same);
        runs.compressed.insert(runs.compressed.end(), line.begin(), line.end());
    }
    corpus["pcx_decoder"]["runs-8.pcx"] = pcxBytes(runs);
}

void addPhotoCd(Corpus& corpus)
{
    // Only the beginning of the image pac: the fuzz target pads it to the full length.
    const auto beginning = static_cast<std::size_t>(zendavo::PhotoCdDecoder::kSignatureOffset + 2048);
    corpus["photo_cd_decoder"]["signature.pcd"] = photoCdBytes(beginning, true, 128, 156, 137);
    corpus["photo_cd_decoder"]["no-signature.pcd"] = photoCdBytes(beginning, false, 0, 0, 0);
}

void putLe32(Bytes& bytes, std::uint32_t value)
{
    for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
}

void addCompositorAndEncoder(Corpus& corpus)
{
    const auto bmp = [](int w, int h, std::uint8_t grey) {
        return makeBmp(w, h, [grey](int c, int r) {
                   return (c + r) % 3 == 0 ? Rgb{255, 255, 255}
                                           : Rgb{grey, static_cast<std::uint8_t>(c * 20), static_cast<std::uint8_t>(r * 30)};
               }).bytes;
    };
    struct Pair {
        const char* name;
        int position, marginX, marginY;
        int sw, sh, ww, wh;
    };
    const Pair pairs[] = {
        {"bottom-right.bin", 9, 1, 1, 8, 6, 3, 2},  {"top-left.bin", 1, 0, 0, 5, 5, 2, 3},
        {"centre.bin", 5, 2, 2, 7, 4, 3, 3},        {"larger-mark.bin", 3, 0, 0, 3, 2, 5, 4},
        {"outside.bin", 7, 1000, 1000, 4, 4, 2, 2}, {"odd-widths.bin", 6, 1, 3, 5, 3, 1, 7},
    };
    for (const Pair& p : pairs) {
        const Bytes source = bmp(p.sw, p.sh, 90);
        const Bytes watermark = bmp(p.ww, p.wh, 30);
        Bytes input;
        putLe32(input, static_cast<std::uint32_t>(p.position));
        putLe32(input, static_cast<std::uint32_t>(p.marginX));
        putLe32(input, static_cast<std::uint32_t>(p.marginY));
        putLe32(input, 0xFFFFFF);
        putLe32(input, static_cast<std::uint32_t>(source.size()));
        input.insert(input.end(), source.begin(), source.end());
        input.insert(input.end(), watermark.begin(), watermark.end());
        corpus["compositor"][p.name] = input;
    }

    struct Encoding {
        const char* name;
        std::uint8_t format, quality;
        int width, height;
    };
    // Format byte f selects code 1 + f % 5, quality byte q gives 1 + q % 100.
    const Encoding encodings[] = {
        {"jpeg-8x8.bin", 1, 74, 8, 8},    {"jpeg-5x2-q1.bin", 1, 0, 5, 2}, {"png-7x3.bin", 4, 74, 7, 3},
        {"bmp-3x3.bin", 0, 74, 3, 3},     {"gif-2x2.bin", 2, 74, 2, 2},   {"tiff-2x2.bin", 3, 74, 2, 2},
        {"jpeg-1x1-q100.bin", 1, 99, 1, 1},
    };
    for (const Encoding& e : encodings) {
        Bytes input{e.format, e.quality};
        const Bytes picture = bmp(e.width, e.height, 128);
        input.insert(input.end(), picture.begin(), picture.end());
        corpus["encoder"][e.name] = input;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const fs::path root = argv[1];
    ScratchFolder scratch;
    Corpus corpus;
    addJpegs(corpus);
    addPngs(corpus);
    addBmps(corpus);
    addTiffs(corpus, scratch.path());
    addPcxs(corpus);
    addPhotoCd(corpus);
    addCompositorAndEncoder(corpus);
    // The converter takes every format by content.
    for (const char* decoder : {"jpeg_decoder", "png_decoder", "bmp_decoder", "tiff_decoder", "pcx_decoder"})
        for (const auto& [name, bytes] : corpus[decoder]) corpus["converter"][name] = bytes;

    for (const auto& [target, files] : corpus) {
        const fs::path folder = root / target;
        fs::remove_all(folder);
        fs::create_directories(folder);
        for (const auto& [name, bytes] : files) {
            std::ofstream out(folder / name, std::ios::binary);
            out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        }
        std::printf("%-18s %3zu files\n", target.c_str(), files.size());
    }
    return 0;
}
