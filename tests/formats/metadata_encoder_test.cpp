// Metadata carried into outputs, read back with libjpeg, libpng and exiv2; a source's own JPEG
// tables and sampling kept.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "format_fixtures.h"
#include "formats/image_encoder.h"
#include "metadata_fixtures.h"

namespace zendavo {
namespace {

using namespace zendavo::testing;

constexpr int kShort = 3;  // Exiv2::unsignedShort

struct Marker {
    int code = 0;
    Bytes payload;
};

struct JpegReadBack {
    std::vector<Marker> markers;  // APPn markers in file order
    Bytes icc;
    bool jfif = false;
    int densityUnit = -1, xDensity = 0, yDensity = 0;
    std::array<std::optional<std::array<std::uint16_t, 64>>, 4> tables;
    std::vector<JpegCompression::Component> components;

    std::vector<const Marker*> withHeader(int code, std::string_view header) const
    {
        std::vector<const Marker*> found;
        for (const Marker& m : markers)
            if (m.code == code && m.payload.size() >= header.size() &&
                std::equal(header.begin(), header.end(), m.payload.begin()))
                found.push_back(&m);
        return found;
    }
    Bytes payloadAfter(int code, std::string_view header) const
    {
        const auto found = withHeader(code, header);
        if (found.size() != 1) return {};
        return Bytes(found[0]->payload.begin() + static_cast<long>(header.size()),
                     found[0]->payload.end());
    }
};

const std::string_view kExifHeader{"Exif\0\0", 6};
const std::string_view kXmpHeader{"http://ns.adobe.com/xap/1.0/\0", 29};

JpegReadBack readJpeg(std::span<const std::uint8_t> jpeg)
{
    JpegReadBack back;
    jpeg_decompress_struct codec{};
    jpeg_error_mgr errors{};
    codec.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&codec);
    jpeg_mem_src(&codec, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    for (int m = 0; m < 16; ++m) jpeg_save_markers(&codec, JPEG_APP0 + m, 0xFFFF);
    jpeg_read_header(&codec, TRUE);
    for (jpeg_saved_marker_ptr m = codec.marker_list; m; m = m->next)
        back.markers.push_back({m->marker, Bytes(m->data, m->data + m->data_length)});
    JOCTET* icc = nullptr;
    unsigned int iccLength = 0;
    if (jpeg_read_icc_profile(&codec, &icc, &iccLength)) {
        back.icc.assign(icc, icc + iccLength);
        std::free(icc);
    }
    back.jfif = codec.saw_JFIF_marker;
    back.densityUnit = codec.density_unit;
    back.xDensity = codec.X_density;
    back.yDensity = codec.Y_density;
    for (int t = 0; t < 4; ++t) {
        if (!codec.quant_tbl_ptrs[t]) continue;
        std::array<std::uint16_t, 64> table{};
        std::copy_n(codec.quant_tbl_ptrs[t]->quantval, 64, table.begin());
        back.tables[static_cast<std::size_t>(t)] = table;
    }
    for (int i = 0; i < codec.num_components; ++i)
        back.components.push_back({codec.comp_info[i].h_samp_factor,
                                   codec.comp_info[i].v_samp_factor,
                                   codec.comp_info[i].quant_tbl_no});
    jpeg_destroy_decompress(&codec);
    return back;
}

struct PngReadBack {
    bool hasIcc = false;
    std::string iccName;
    Bytes icc;
    Bytes exif;
    bool hasPhys = false;
    png_uint_32 physX = 0, physY = 0;
    int physUnit = -1;
    std::map<std::string, std::string> itxt;
};

struct PngSource {
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
};

void readFromSpan(png_structp png, png_bytep data, png_size_t count)
{
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (source->at + count > source->bytes.size()) png_error(png, "short");
    std::memcpy(data, source->bytes.data() + source->at, count);
    source->at += count;
}

PngReadBack readPng(std::span<const std::uint8_t> bytes)
{
    PngReadBack back;
    PngSource source{bytes};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_read_fn(png, &source, readFromSpan);
    png_read_info(png, info);
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileLength = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &profileLength)) {
        back.hasIcc = true;
        back.iccName = name;
        back.icc.assign(profile, profile + profileLength);
    }
    png_uint_32 exifLength = 0;
    png_bytep exif = nullptr;
    if (png_get_eXIf_1(png, info, &exifLength, &exif)) back.exif.assign(exif, exif + exifLength);
    int unit = 0;
    if (png_get_pHYs(png, info, &back.physX, &back.physY, &unit)) {
        back.hasPhys = true;
        back.physUnit = unit;
    }
    png_textp texts = nullptr;
    int count = 0;
    png_get_text(png, info, &texts, &count);
    for (int i = 0; i < count; ++i)
        if (texts[i].compression == PNG_ITXT_COMPRESSION_NONE)
            back.itxt[texts[i].key] = std::string(texts[i].text, texts[i].itxt_length);
    png_destroy_read_struct(&png, &info, nullptr);
    return back;
}

Bytes encoded(const BmpBuffer& bmp, EncoderFormat format, const EncodeOptions& options)
{
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(encodeBmp(bmp.view(), format, " ", options, &bytes), 1);
    return bytes;
}

BmpBuffer bmpOf(const Picture& p)
{
    return makeBmp(p.width, p.height, [&p](int c, int r) { return p.at(c, r); });
}

// A photo's metadata as a camera and an editor leave it.
PictureMetadata fullMetadata()
{
    PictureMetadata m;
    m.exif = exifBlock({{"Exif.Image.Make", "Canon"},
                        {"Exif.Image.Model", "EOS R6"},
                        {"Exif.Image.Orientation", "6", kShort},
                        {"Exif.Image.Artist", "A. Person"},
                        {"Exif.Image.Copyright", "(c) A. Person"},
                        {"Exif.Photo.DateTimeOriginal", "2024:05:06 07:08:09"},
                        {"Exif.Photo.PixelXDimension", "6000"},
                        {"Exif.Photo.PixelYDimension", "4000"},
                        {"Exif.GPSInfo.GPSLatitudeRef", "S"},
                        {"Exif.GPSInfo.GPSLatitude", "33/1 51/1 3540/100"},
                        {"Exif.GPSInfo.GPSLongitudeRef", "E"},
                        {"Exif.GPSInfo.GPSLongitude", "151/1 12/1 3000/100"}},
                       jpegBytes(patternPicture(160, 120)));
    m.xmp = xmpPacket({{"Xmp.tiff.Orientation", "6"},
                       {"Xmp.dc.title", "lang=\"x-default\" Harbour at dawn"},
                       {"Xmp.xmp.Rating", "5"}});
    m.iptc = iptcBlock({{"Iptc.Application2.Headline", "Harbour"},
                        {"Iptc.Application2.City", "Sydney"},
                        {"Iptc.Application2.Copyright", "(c) A. Person"}});
    m.icc = rgbIccProfile();
    m.density = Density{1, 300, 300};
    return m;
}

class MetadataEncoderTest : public ::testing::Test {
protected:
    Picture picture = patternPicture(37, 21);
    BmpBuffer bmp = bmpOf(picture);
    PictureMetadata metadata = fullMetadata();

    EncodeOptions carrying(const PictureMetadata& m) const
    {
        EncodeOptions options;
        options.metadata = &m;
        return options;
    }

    // `bmp` as a JPEG asked to keep its source's tables and sampling, `compression`'s.
    Bytes keepingSourceQuality(const std::optional<JpegCompression>& compression,
                               int quality = EncodeOptions{}.quality) const
    {
        PictureMetadata m;
        m.jpegCompression = compression;
        EncodeOptions options = carrying(m);
        options.sourceQuality = true;
        options.quality = quality;
        return encoded(bmp, EncoderFormat::Jpeg, options);
    }
};

void expectCameraTags(const std::map<std::string, std::string>& tags, int width, int height)
{
    const std::pair<const char*, std::string> expected[] = {
        {"Exif.Image.Make", "Canon"},
        {"Exif.Image.Model", "EOS R6"},
        {"Exif.Image.Artist", "A. Person"},
        {"Exif.Image.Copyright", "(c) A. Person"},
        {"Exif.Photo.DateTimeOriginal", "2024:05:06 07:08:09"},
        {"Exif.GPSInfo.GPSLatitudeRef", "S"},
        {"Exif.GPSInfo.GPSLatitude", "33/1 51/1 3540/100"},
        {"Exif.GPSInfo.GPSLongitude", "151/1 12/1 3000/100"},
        {"Exif.Image.Orientation", "1"},
        {"Exif.Photo.PixelXDimension", std::to_string(width)},
        {"Exif.Photo.PixelYDimension", std::to_string(height)},
    };
    for (const auto& [key, value] : expected) {
        ASSERT_EQ(tags.count(key), 1u) << key;
        EXPECT_EQ(tags.at(key), value) << key;
    }
    for (const auto& [key, value] : tags)
        EXPECT_NE(key.rfind("Exif.Thumbnail.", 0), 0u) << key;
}

TEST_F(MetadataEncoderTest, JpegCarriesEveryBlockInOrder)
{
    const Bytes out = encoded(bmp, EncoderFormat::Jpeg, carrying(metadata));
    const JpegReadBack back = readJpeg(out);

    std::vector<int> order;
    for (const Marker& m : back.markers) order.push_back(m.code);
    EXPECT_EQ(order, (std::vector<int>{JPEG_APP0, JPEG_APP0 + 1, JPEG_APP0 + 1, JPEG_APP0 + 2,
                                       JPEG_APP0 + 13}));
    ASSERT_EQ(back.withHeader(JPEG_APP0 + 1, kExifHeader).size(), 1u);
    EXPECT_EQ(back.withHeader(JPEG_APP0 + 1, kXmpHeader).size(), 1u);

    const Bytes exif = back.payloadAfter(JPEG_APP0 + 1, kExifHeader);
    expectCameraTags(exifTags(exif), 37, 21);
    EXPECT_EQ(nextIfdOffset(exif), 0);

    const Bytes xmpBytes = back.payloadAfter(JPEG_APP0 + 1, kXmpHeader);
    const auto xmp = xmpProperties(std::string(xmpBytes.begin(), xmpBytes.end()));
    EXPECT_EQ(xmp.at("Xmp.tiff.Orientation"), "1");
    EXPECT_EQ(xmp.at("Xmp.dc.title"), "lang=\"x-default\" Harbour at dawn");
    EXPECT_EQ(xmp.at("Xmp.xmp.Rating"), "5");

    EXPECT_EQ(back.markers.back().payload, metadata.iptc);
    EXPECT_EQ(back.icc, metadata.icc);
    EXPECT_TRUE(back.jfif);
    EXPECT_EQ(back.densityUnit, 1);
    EXPECT_EQ(back.xDensity, 300);
    EXPECT_EQ(back.yDensity, 300);

    // Another reader sees the same, and the pixels are those of a bare output.
    const FileMetadata seen = fileMetadata(out);
    EXPECT_EQ(seen.exif.at("Exif.Image.Make"), "Canon");
    EXPECT_EQ(seen.exif.count("Exif.Thumbnail.JPEGInterchangeFormat"), 0u);
    EXPECT_EQ(seen.xmp.at("Xmp.xmp.Rating"), "5");
    EXPECT_EQ(seen.iptc.at("Iptc.Application2.City"), "Sydney");
    EXPECT_EQ(seen.icc, metadata.icc);
    EXPECT_EQ(decodeJpegReference(out).rgb,
              decodeJpegReference(encoded(bmp, EncoderFormat::Jpeg, {})).rgb);
}

TEST_F(MetadataEncoderTest, WithoutMetadataTheJpegIsUnchanged)
{
    const PictureMetadata nothing;
    const Bytes bare = jpegBytes(picture, JpegKind::Colour, 75);
    EXPECT_EQ(encoded(bmp, EncoderFormat::Jpeg, {}), bare);
    EXPECT_EQ(encoded(bmp, EncoderFormat::Jpeg, carrying(nothing)), bare);
}

TEST_F(MetadataEncoderTest, LargeProfileSplitOverApp2AsTheIccStandardSays)
{
    metadata.icc = rgbIccProfile(150000);
    ASSERT_GT(metadata.icc.size(), 150000u);
    const JpegReadBack back = readJpeg(encoded(bmp, EncoderFormat::Jpeg, carrying(metadata)));
    const auto segments = back.withHeader(JPEG_APP0 + 2, std::string_view("ICC_PROFILE\0", 12));
    const std::size_t count = (metadata.icc.size() + 65518) / 65519;
    ASSERT_EQ(segments.size(), count);
    for (std::size_t i = 0; i < count; ++i) {
        EXPECT_EQ(segments[i]->payload[12], i + 1);  // sequence number from 1
        EXPECT_EQ(segments[i]->payload[13], count);
    }
    EXPECT_EQ(back.icc, metadata.icc);
    EXPECT_EQ(readPng(encoded(bmp, EncoderFormat::Png, carrying(metadata))).icc, metadata.icc);
}

TEST_F(MetadataEncoderTest, DamagedOrUnfitBlocksAreDroppedAndThePhotoWritten)
{
    struct Case {
        const char* name;
        void (*damage)(PictureMetadata&);
        bool exif, xmp, icc, iptc;
    };
    const Case cases[] = {
        {"random EXIF", [](PictureMetadata& m) { m.exif = randomBytes(400, 9); }, false, true,
         true, true},
        {"EXIF cut in its header", [](PictureMetadata& m) { m.exif.resize(5); }, false, true, true,
         true},
        {"XMP not XML", [](PictureMetadata& m) { m.xmp = "<x:xmpmeta><rdf:RDF"; }, true, false,
         true, true},
        {"grey profile", [](PictureMetadata& m) { m.icc = greyIccProfile(); }, true, true, false,
         true},
        {"profile shorter than its header", [](PictureMetadata& m) { m.icc.resize(100); }, true,
         true, false, true},
        {"XMP over one marker",
         [](PictureMetadata& m) {
             m.xmp = xmpPacket({{"Xmp.tiff.Orientation", "6"},
                                {"Xmp.xmp.Label", std::string(70000, 'x')}});
         },
         true, false, true, true},
        {"IPTC over one marker", [](PictureMetadata& m) { m.iptc.resize(70000); }, true, true,
         true, false},
    };
    for (const Case& c : cases) {
        PictureMetadata m = fullMetadata();
        c.damage(m);
        std::vector<std::uint8_t> out;
        ASSERT_EQ(encodeBmp(bmp.view(), EncoderFormat::Jpeg, " ", carrying(m), &out), 1) << c.name;
        const JpegReadBack back = readJpeg(out);
        EXPECT_EQ(back.withHeader(JPEG_APP0 + 1, kExifHeader).size(), c.exif ? 1u : 0u) << c.name;
        EXPECT_EQ(back.withHeader(JPEG_APP0 + 1, kXmpHeader).size(), c.xmp ? 1u : 0u) << c.name;
        EXPECT_EQ(!back.icc.empty(), c.icc) << c.name;
        EXPECT_EQ(back.withHeader(JPEG_APP0 + 13, "Photoshop 3.0").size(), c.iptc ? 1u : 0u)
            << c.name;
        EXPECT_EQ(decodeJpegReference(out).width, 37) << c.name;

        // PNG has no marker size limit; the rest is dropped the same way.
        ASSERT_EQ(encodeBmp(bmp.view(), EncoderFormat::Png, " ", carrying(m), &out), 1) << c.name;
        const PngReadBack png = readPng(out);
        EXPECT_EQ(!png.exif.empty(), c.exif) << c.name;
        EXPECT_EQ(png.hasIcc, c.icc) << c.name;
        const bool xmpFits = c.xmp || std::string_view(c.name) == "XMP over one marker";
        EXPECT_EQ(png.itxt.count("XML:com.adobe.xmp"), xmpFits ? 1u : 0u) << c.name;
    }
}

TEST_F(MetadataEncoderTest, IptcResourcesWithoutTheirHeaderGetIt)
{
    const Bytes whole = metadata.iptc;
    metadata.iptc.erase(metadata.iptc.begin(), metadata.iptc.begin() + 14);
    ASSERT_EQ(metadata.iptc[0], '8');
    const JpegReadBack back = readJpeg(encoded(bmp, EncoderFormat::Jpeg, carrying(metadata)));
    EXPECT_EQ(back.markers.back().payload, whole);
}

TEST_F(MetadataEncoderTest, DensityInJpegAndPng)
{
    struct Case {
        Density density;
        png_uint_32 pngX, pngY;
        int pngUnit;
    };
    const Case cases[] = {
        {{1, 300, 300}, 11811, 11811, PNG_RESOLUTION_METER},
        {{1, 72, 96}, 2835, 3780, PNG_RESOLUTION_METER},
        {{2, 118, 40}, 11800, 4000, PNG_RESOLUTION_METER},
        {{0, 2, 1}, 2, 1, PNG_RESOLUTION_UNKNOWN},
    };
    for (const Case& c : cases) {
        PictureMetadata m;
        m.density = c.density;
        const JpegReadBack jpeg = readJpeg(encoded(bmp, EncoderFormat::Jpeg, carrying(m)));
        EXPECT_EQ(jpeg.densityUnit, c.density.unit);
        EXPECT_EQ(jpeg.xDensity, c.density.x);
        EXPECT_EQ(jpeg.yDensity, c.density.y);
        const PngReadBack png = readPng(encoded(bmp, EncoderFormat::Png, carrying(m)));
        ASSERT_TRUE(png.hasPhys);
        EXPECT_EQ(png.physX, c.pngX) << c.density.x;
        EXPECT_EQ(png.physY, c.pngY) << c.density.y;
        EXPECT_EQ(png.physUnit, c.pngUnit);
    }
}

TEST_F(MetadataEncoderTest, PngCarriesProfileExifDensityAndXmp)
{
    const Bytes out = encoded(bmp, EncoderFormat::Png, carrying(metadata));
    const PngReadBack back = readPng(out);
    ASSERT_TRUE(back.hasIcc);
    EXPECT_EQ(back.icc, metadata.icc);
    EXPECT_FALSE(back.iccName.empty());
    expectCameraTags(exifTags(back.exif), 37, 21);
    EXPECT_EQ(nextIfdOffset(back.exif), 0);
    EXPECT_TRUE(back.hasPhys);
    EXPECT_EQ(back.physX, 11811u);
    ASSERT_EQ(back.itxt.count("XML:com.adobe.xmp"), 1u);
    const auto xmp = xmpProperties(back.itxt.at("XML:com.adobe.xmp"));
    EXPECT_EQ(xmp.at("Xmp.tiff.Orientation"), "1");
    EXPECT_EQ(xmp.at("Xmp.dc.title"), "lang=\"x-default\" Harbour at dawn");
    const FileMetadata seen = fileMetadata(out);
    EXPECT_EQ(seen.xmp.at("Xmp.xmp.Rating"), "5");
    EXPECT_EQ(seen.icc, metadata.icc);
}

TEST_F(MetadataEncoderTest, PngLeavesOutAProfileLibpngRefuses)
{
    struct Case {
        const char* name;
        void (*damage)(Bytes&);
    };
    const Case cases[] = {
        {"length field wrong", [](Bytes& icc) { icc[3] = static_cast<std::uint8_t>(icc[3] + 4); }},
        {"tag table beyond the end", [](Bytes& icc) { icc[131] = 0xFF; }},
        {"grey profile", [](Bytes& icc) { icc = greyIccProfile(); }},
    };
    for (const Case& c : cases) {
        PictureMetadata m = fullMetadata();
        c.damage(m.icc);
        std::vector<std::uint8_t> out;
        ASSERT_EQ(encodeBmp(bmp.view(), EncoderFormat::Png, " ", carrying(m), &out), 1) << c.name;
        const PngReadBack back = readPng(out);
        EXPECT_FALSE(back.hasIcc) << c.name;
        EXPECT_FALSE(back.exif.empty()) << c.name;
        EXPECT_EQ(back.itxt.count("XML:com.adobe.xmp"), 1u) << c.name;
    }
}

TEST_F(MetadataEncoderTest, BmpCarriesNothing)
{
    EXPECT_EQ(encoded(bmp, EncoderFormat::Bmp, carrying(metadata)),
              encoded(bmp, EncoderFormat::Bmp, {}));
}

// --- the source's own compression ---

JpegCompression compressionOf(std::span<const std::uint8_t> jpeg)
{
    const JpegReadBack back = readJpeg(jpeg);
    JpegCompression c;
    c.quantTables = back.tables;
    c.components = back.components;
    return c;
}

std::array<std::uint16_t, 64> rampTable(int first, int step)
{
    std::array<std::uint16_t, 64> t{};
    for (std::size_t i = 0; i < t.size(); ++i)
        t[i] = static_cast<std::uint16_t>(first + step * static_cast<int>(i));
    return t;
}

TEST_F(MetadataEncoderTest, SourceQualityKeepsTablesAndSampling)
{
    JpegCompression q90 = compressionOf(jpegBytes(picture, JpegKind::Colour, 90));
    ASSERT_EQ(q90.components.size(), 3u);
    JpegCompression full;  // 4:4:4, a table per component, one above 255
    full.quantTables = {rampTable(1, 1), rampTable(2, 3), rampTable(60, 4), std::nullopt};
    full.components = {{1, 1, 0}, {1, 1, 1}, {1, 1, 2}};
    JpegCompression halfWidth = q90;  // 4:2:2
    halfWidth.components[0].horizontalSampling = 2;
    halfWidth.components[0].verticalSampling = 1;
    JpegCompression tall = q90;  // 4:4:0 with chroma sharing luma's table
    tall.components = {{1, 2, 0}, {1, 1, 0}, {1, 1, 0}};

    for (const JpegCompression* source : {&q90, &full, &halfWidth, &tall}) {
        const JpegReadBack back = readJpeg(keepingSourceQuality(*source));
        ASSERT_EQ(back.components.size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            const JpegCompression::Component& want = source->components[i];
            EXPECT_EQ(back.components[i].horizontalSampling, want.horizontalSampling) << i;
            EXPECT_EQ(back.components[i].verticalSampling, want.verticalSampling) << i;
            const auto& got = back.tables[static_cast<std::size_t>(back.components[i].quantTable)];
            ASSERT_TRUE(got.has_value());
            EXPECT_EQ(*got, *source->quantTables[static_cast<std::size_t>(want.quantTable)]) << i;
        }
    }
}

TEST_F(MetadataEncoderTest, SourceQualityFallsBackToQuality75)
{
    const Bytes q75 = jpegBytes(picture, JpegKind::Colour, 75);
    JpegCompression grey = compressionOf(jpegBytes(picture, JpegKind::Grey, 90));
    JpegCompression cmyk = compressionOf(jpegBytes(picture, JpegKind::Cmyk, 90));
    JpegCompression missingTable = compressionOf(jpegBytes(picture, JpegKind::Colour, 90));
    missingTable.components[2].quantTable = 3;
    JpegCompression badTableNumber = missingTable;
    badTableNumber.components[2].quantTable = 7;
    ASSERT_EQ(grey.components.size(), 1u);
    ASSERT_EQ(cmyk.components.size(), 4u);

    struct Case {
        const char* name;
        std::optional<JpegCompression> compression;
    };
    const Case cases[] = {{"no tables", std::nullopt},
                          {"grey source", grey},
                          {"CMYK source", cmyk},
                          {"table missing", missingTable},
                          {"table number out of range", badTableNumber}};
    for (const Case& c : cases) {
        EXPECT_EQ(keepingSourceQuality(c.compression, 95), q75) << c.name;
    }
}

TEST_F(MetadataEncoderTest, SourceSamplingLibjpegCannotUseKeepsTablesOnly)
{
    JpegCompression odd = compressionOf(jpegBytes(picture, JpegKind::Colour, 90));
    odd.components[0].horizontalSampling = 3;  // chroma 2 x 1 is no whole fraction of 3
    odd.components[1].horizontalSampling = 2;
    JpegCompression tooMany = odd;  // 16 + 1 + 1 blocks in an MCU
    tooMany.components = {{4, 4, 0}, {1, 1, 1}, {1, 1, 1}};
    JpegCompression outOfRange = odd;
    outOfRange.components = {{5, 1, 0}, {1, 1, 1}, {1, 1, 1}};
    for (const JpegCompression* source : {&odd, &tooMany, &outOfRange}) {
        const JpegReadBack back = readJpeg(keepingSourceQuality(*source));
        ASSERT_EQ(back.components.size(), 3u);
        EXPECT_EQ(back.components[0].horizontalSampling, 2);  // libjpeg's 4:2:0
        EXPECT_EQ(back.components[0].verticalSampling, 2);
        EXPECT_EQ(*back.tables[0], *source->quantTables[0]);
        EXPECT_EQ(*back.tables[1], *source->quantTables[1]);
    }
}

}  // namespace
}  // namespace zendavo
