#include "format_fixtures.h"

#include <stdlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <stdexcept>

#include <jpeglib.h>
#include <lcms2.h>
#include <png.h>
#include <tiffio.h>

#include "formats/file_io.h"
#include "formats/image_converter.h"

namespace zendavo::testing {
namespace fs = std::filesystem;

Picture patternPicture(int width, int height)
{
    Picture p{width, height, Bytes(3 * static_cast<std::size_t>(width) * height)};
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) {
            const std::size_t i = 3 * (static_cast<std::size_t>(r) * width + c);
            p.rgb[i] = static_cast<std::uint8_t>(255 * c / std::max(1, width - 1));
            p.rgb[i + 1] = static_cast<std::uint8_t>(255 * r / std::max(1, height - 1));
            p.rgb[i + 2] = static_cast<std::uint8_t>((c * 7 + r * 13) % 256);
        }
    return p;
}

Picture pictureOfBmp(const BmpBuffer& bmp)
{
    const BmpInfo info = readBmpInfo(bmp.bytes);
    Picture p{info.width, info.height,
              Bytes(3 * static_cast<std::size_t>(info.width) * info.height)};
    for (int r = 0; r < info.height; ++r)
        for (int c = 0; c < info.width; ++c) {
            const Rgb px = pixelAt(bmp, c, r);
            const std::size_t i = 3 * (static_cast<std::size_t>(r) * info.width + c);
            p.rgb[i] = px.r;
            p.rgb[i + 1] = px.g;
            p.rgb[i + 2] = px.b;
        }
    return p;
}

ScratchFolder::ScratchFolder()
{
    std::string pattern = (fs::temp_directory_path() / "zendavo-formats-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(root_, ignored);
}

std::vector<std::string> ScratchFolder::entries() const
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(root_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void setLe(Bytes& bytes, std::size_t at, std::uint32_t value, int count)
{
    for (int k = 0; k < count; ++k) bytes.at(at + k) = static_cast<std::uint8_t>(value >> (8 * k));
}

void writeBytes(const fs::path& path, std::span<const std::uint8_t> bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write fixture " + path.string());
}

Bytes randomBytes(std::size_t count, std::uint32_t seed)
{
    std::mt19937 engine(seed);
    Bytes bytes(count);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(engine());
    return bytes;
}

Converted convertBytes(const ScratchFolder& scratch, std::span<const std::uint8_t> bytes,
                       const std::string& name)
{
    writeBytes(scratch / name, bytes);
    Converted result;
    result.status = convertToBmp(scratch / name, scratch / "out.bmp");
    result.bmp.bytes = readFile(scratch / "out.bmp");
    return result;
}

ConvertedWithDetails convertWithDetails(const ScratchFolder& scratch,
                                        std::span<const std::uint8_t> bytes,
                                        const std::string& name)
{
    writeBytes(scratch / name, bytes);
    ConvertedWithDetails result;
    result.status = convertToBmp(scratch / name, scratch / "out.bmp", result.details);
    result.bmp.bytes = readFile(scratch / "out.bmp");
    return result;
}

// --- JPEG ---

namespace {

void writeJpegMarkers(jpeg_compress_struct& codec, const JpegMarkers& markers)
{
    if (!markers.exif.empty()) {
        Bytes app1 = {'E', 'x', 'i', 'f', 0, 0};
        app1.insert(app1.end(), markers.exif.begin(), markers.exif.end());
        jpeg_write_marker(&codec, JPEG_APP0 + 1, app1.data(), static_cast<unsigned>(app1.size()));
    }
    if (!markers.xmp.empty()) {
        const std::string prefix = "http://ns.adobe.com/xap/1.0/";
        Bytes app1(prefix.begin(), prefix.end());
        app1.push_back(0);
        app1.insert(app1.end(), markers.xmp.begin(), markers.xmp.end());
        jpeg_write_marker(&codec, JPEG_APP0 + 1, app1.data(), static_cast<unsigned>(app1.size()));
    }
    if (!markers.iptc.empty())
        jpeg_write_marker(&codec, JPEG_APP0 + 13, markers.iptc.data(),
                          static_cast<unsigned>(markers.iptc.size()));
    if (!markers.icc.empty())
        jpeg_write_icc_profile(&codec, markers.icc.data(),
                               static_cast<unsigned>(markers.icc.size()));
}

}  // namespace

Bytes jpegBytes(const Picture& picture, JpegKind kind, int quality, bool progressive,
                const JpegMarkers& markers)
{
    jpeg_compress_struct codec{};
    jpeg_error_mgr errors{};
    codec.err = jpeg_std_error(&errors);
    jpeg_create_compress(&codec);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&codec, &out, &outSize);
    codec.image_width = static_cast<JDIMENSION>(picture.width);
    codec.image_height = static_cast<JDIMENSION>(picture.height);
    codec.input_components = kind == JpegKind::Colour ? 3 : kind == JpegKind::Grey ? 1 : 4;
    codec.in_color_space = kind == JpegKind::Colour ? JCS_RGB
                           : kind == JpegKind::Grey ? JCS_GRAYSCALE
                                                    : JCS_CMYK;
    jpeg_set_defaults(&codec);
    if (kind == JpegKind::Ycck) jpeg_set_colorspace(&codec, JCS_YCCK);
    jpeg_set_quality(&codec, quality, TRUE);
    if (progressive) jpeg_simple_progression(&codec);
    if (markers.density) {
        codec.write_JFIF_header = TRUE;
        codec.density_unit = markers.density->unit;
        codec.X_density = markers.density->x;
        codec.Y_density = markers.density->y;
    }
    jpeg_start_compress(&codec, TRUE);
    writeJpegMarkers(codec, markers);
    Bytes row(4 * static_cast<std::size_t>(picture.width));
    while (codec.next_scanline < codec.image_height) {
        const int r = static_cast<int>(codec.next_scanline);
        for (int c = 0; c < picture.width; ++c) {
            const Rgb p = picture.at(c, r);
            if (kind == JpegKind::Colour) {
                row[3 * c] = p.r, row[3 * c + 1] = p.g, row[3 * c + 2] = p.b;
            } else if (kind == JpegKind::Grey) {
                row[c] = p.r;
            } else {
                row[4 * c] = p.r, row[4 * c + 1] = p.g, row[4 * c + 2] = p.b, row[4 * c + 3] = 255;
            }
        }
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&codec, &pointer, 1);
    }
    jpeg_finish_compress(&codec);
    Bytes bytes(out, out + outSize);
    jpeg_destroy_compress(&codec);
    std::free(out);
    return bytes;
}

namespace {

// libjpeg decoding `jpeg` a row at a time, into `space` (JCS_UNKNOWN: the one libjpeg picks).
class ReferenceJpegReader {
public:
    explicit ReferenceJpegReader(std::span<const std::uint8_t> jpeg, J_COLOR_SPACE space = JCS_UNKNOWN)
    {
        codec_.err = jpeg_std_error(&errors_);
        jpeg_create_decompress(&codec_);
        jpeg_mem_src(&codec_, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
        jpeg_read_header(&codec_, TRUE);
        if (space != JCS_UNKNOWN) codec_.out_color_space = space;
        jpeg_start_decompress(&codec_);
        row_.resize(static_cast<std::size_t>(codec_.output_width) * codec_.output_components);
    }
    ~ReferenceJpegReader() { jpeg_destroy_decompress(&codec_); }
    ReferenceJpegReader(const ReferenceJpegReader&) = delete;
    ReferenceJpegReader& operator=(const ReferenceJpegReader&) = delete;

    int width() const { return static_cast<int>(codec_.output_width); }
    int height() const { return static_cast<int>(codec_.output_height); }
    int components() const { return codec_.output_components; }

    // The next row's samples; nullptr once every row has been read.
    const Bytes* nextRow()
    {
        if (codec_.output_scanline >= codec_.output_height) {
            jpeg_finish_decompress(&codec_);
            return nullptr;
        }
        JSAMPROW pointer = row_.data();
        jpeg_read_scanlines(&codec_, &pointer, 1);
        return &row_;
    }

private:
    jpeg_decompress_struct codec_{};
    jpeg_error_mgr errors_{};
    Bytes row_;
};

}  // namespace

Picture decodeJpegReference(std::span<const std::uint8_t> jpeg)
{
    ReferenceJpegReader reader(jpeg);
    Picture p{reader.width(), reader.height(), {}};
    p.rgb.resize(3 * static_cast<std::size_t>(p.width) * p.height);
    const bool grey = reader.components() == 1;
    for (std::size_t r = 0; const Bytes* row = reader.nextRow(); ++r)
        for (int c = 0; c < p.width; ++c)
            for (int k = 0; k < 3; ++k) p.rgb[3 * (r * p.width + c) + k] = grey ? (*row)[c] : (*row)[3 * c + k];
    return p;
}

namespace {

// Grid point: CMYK ink amounts (0 none) to Lab, through naive ink-on-paper RGB and sRGB.
cmsInt32Number sampleInk(const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo)
{
    const double c = in[0] / 65535.0, m = in[1] / 65535.0, y = in[2] / 65535.0, k = in[3] / 65535.0;
    const double rgb[3] = {(1 - c) * (1 - k), (1 - m) * (1 - k), (1 - y) * (1 - k)};
    cmsCIELab lab{};
    cmsDoTransform(static_cast<cmsHTRANSFORM>(cargo), rgb, &lab, 1);
    cmsFloat2LabEncoded(out, &lab);
    return TRUE;
}

}  // namespace

Bytes cmykProfile()
{
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHPROFILE labProfile = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM toLab = cmsCreateTransform(srgb, TYPE_RGB_DBL, labProfile, TYPE_Lab_DBL,
                                             INTENT_RELATIVE_COLORIMETRIC, 0);
    cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(profile, 4.3);
    cmsSetDeviceClass(profile, cmsSigOutputClass);
    cmsSetColorSpace(profile, cmsSigCmykData);
    cmsSetPCS(profile, cmsSigLabData);
    cmsPipeline* toPcs = cmsPipelineAlloc(nullptr, 4, 3);
    cmsStage* grid = cmsStageAllocCLut16bit(nullptr, 9, 4, 3, nullptr);
    cmsStageSampleCLut16bit(grid, sampleInk, toLab, 0);
    // Identity curves around the grid: the form a v4 AToB table is saved in.
    cmsPipelineInsertStage(toPcs, cmsAT_END, cmsStageAllocToneCurves(nullptr, 4, nullptr));
    cmsPipelineInsertStage(toPcs, cmsAT_END, grid);
    cmsPipelineInsertStage(toPcs, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsWriteTag(profile, cmsSigAToB0Tag, toPcs);
    cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    Bytes bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsPipelineFree(toPcs);
    cmsCloseProfile(profile);
    cmsDeleteTransform(toLab);
    cmsCloseProfile(labProfile);
    cmsCloseProfile(srgb);
    if (bytes.empty()) throw std::runtime_error("cmyk profile failed");
    return bytes;
}

Bytes decodeJpegCmykReference(std::span<const std::uint8_t> jpeg)
{
    ReferenceJpegReader reader(jpeg, JCS_CMYK);
    Bytes samples;
    samples.reserve(4 * static_cast<std::size_t>(reader.width()) * reader.height());
    while (const Bytes* row = reader.nextRow()) samples.insert(samples.end(), row->begin(), row->end());
    return samples;
}

// --- PNG ---
namespace {

void appendPng(png_structp png, png_bytep data, png_size_t count)
{
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + count);
}

void flushPng(png_structp) {}

int channels(int colourType)
{
    switch (colourType) {
        case PNG_COLOR_TYPE_GRAY: return 1;
        case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
        case PNG_COLOR_TYPE_RGB: return 3;
        case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
        default: return 1;
    }
}

bool writePng(png_structp png, png_infop info, const PngFixture& fixture, png_bytep* rows,
              Bytes& out)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, &out, appendPng, flushPng);
    png_set_IHDR(png, info, fixture.width, fixture.height, fixture.bitDepth, fixture.colourType,
                 fixture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color plte[256];
    for (std::size_t k = 0; k < fixture.palette.size(); ++k)
        plte[k] = {fixture.palette[k].r, fixture.palette[k].g, fixture.palette[k].b};
    if (!fixture.palette.empty())
        png_set_PLTE(png, info, plte, static_cast<int>(fixture.palette.size()));
    png_color_16 grey{};
    if (fixture.transparentGrey) grey.gray = *fixture.transparentGrey;
    if (fixture.transparentRgb) {
        grey.red = (*fixture.transparentRgb)[0];
        grey.green = (*fixture.transparentRgb)[1];
        grey.blue = (*fixture.transparentRgb)[2];
    }
    if (!fixture.transparency.empty())
        png_set_tRNS(png, info, fixture.transparency.data(),
                     static_cast<int>(fixture.transparency.size()), nullptr);
    else if (fixture.transparentGrey || fixture.transparentRgb)
        png_set_tRNS(png, info, nullptr, 0, &grey);
    if (!fixture.exif.empty())
        png_set_eXIf_1(png, info, static_cast<png_uint_32>(fixture.exif.size()),
                       const_cast<png_bytep>(fixture.exif.data()));
    if (!fixture.icc.empty())
        png_set_iCCP(png, info, "icc", PNG_COMPRESSION_TYPE_BASE, fixture.icc.data(),
                     static_cast<png_uint_32>(fixture.icc.size()));
    png_text xmp{};
    if (!fixture.xmp.empty()) {
        xmp.compression = PNG_ITXT_COMPRESSION_NONE;
        xmp.key = const_cast<png_charp>("XML:com.adobe.xmp");
        xmp.text = const_cast<png_charp>(fixture.xmp.c_str());
        xmp.itxt_length = fixture.xmp.size();
        png_set_text(png, info, &xmp, 1);
    }
    if (fixture.density) {
        const bool dpi = fixture.density->unit == 1;
        const auto perMetre = [dpi](std::uint16_t v) {
            return static_cast<png_uint_32>(dpi ? v / 0.0254 + 0.5 : v);
        };
        png_set_pHYs(png, info, perMetre(fixture.density->x), perMetre(fixture.density->y),
                     dpi ? PNG_RESOLUTION_METER : PNG_RESOLUTION_UNKNOWN);
    }
    if (fixture.gamma) png_set_gAMA(png, info, *fixture.gamma);
    if (fixture.srgb) png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    png_color_16 black{};
    if (fixture.background) png_set_bKGD(png, info, &black);
    png_write_info(png, info);
    if (fixture.bitDepth < 8) png_set_packing(png);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

Bytes pngBytes(const PngFixture& fixture)
{
    Bytes samples = fixture.samples;
    const std::size_t rowBytes = static_cast<std::size_t>(fixture.width) *
                                 channels(fixture.colourType) * (fixture.bitDepth == 16 ? 2 : 1);
    if (samples.size() != rowBytes * fixture.height)
        throw std::runtime_error("png fixture: wrong sample count");
    std::vector<png_bytep> rows(fixture.height);
    for (int r = 0; r < fixture.height; ++r) rows[r] = samples.data() + r * rowBytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    Bytes out;
    const bool ok = writePng(png, info, fixture, rows.data(), out);
    png_destroy_write_struct(&png, &info);
    if (!ok) throw std::runtime_error("png fixture failed");
    return out;
}

// --- TIFF ---

void writeTiff(const fs::path& path, const std::vector<TiffPage>& pages)
{
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (!tiff) throw std::runtime_error("cannot create tiff fixture");
    for (const TiffPage& page : pages) {
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(page.width));
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(page.height));
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, page.samplesPerPixel);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        if (page.tiled) {
            TIFFSetField(tiff, TIFFTAG_TILEWIDTH, 16);
            TIFFSetField(tiff, TIFFTAG_TILELENGTH, 16);
        } else {
            TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, page.rowsPerStrip);
        }
        if (page.storedBottomUp) TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_BOTLEFT);
        if (page.samplesPerPixel == 4) {
            const std::uint16_t extra =
                page.unassociatedAlpha ? EXTRASAMPLE_UNASSALPHA : EXTRASAMPLE_ASSOCALPHA;
            TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extra);
        }
        if (pages.size() > 1) TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        const std::size_t rowBytes = static_cast<std::size_t>(page.width) * page.samplesPerPixel;
        auto shownRow = [&](int stored) {
            const int r = page.storedBottomUp ? page.height - 1 - stored : stored;
            return page.samples.data() + r * rowBytes;
        };
        if (page.tiled) {
            Bytes tile(16 * 16 * page.samplesPerPixel);
            for (int ty = 0; ty < page.height; ty += 16)
                for (int tx = 0; tx < page.width; tx += 16) {
                    std::fill(tile.begin(), tile.end(), 0);
                    for (int y = 0; y < 16 && ty + y < page.height; ++y)
                        for (int x = 0; x < 16 && tx + x < page.width; ++x)
                            std::copy_n(shownRow(ty + y) + (tx + x) * page.samplesPerPixel,
                                        page.samplesPerPixel,
                                        tile.begin() + (y * 16 + x) * page.samplesPerPixel);
                    TIFFWriteTile(tiff, tile.data(), static_cast<std::uint32_t>(tx),
                                  static_cast<std::uint32_t>(ty), 0, 0);
                }
        } else {
            Bytes row(rowBytes);
            for (int r = 0; r < page.height; ++r) {
                std::copy_n(shownRow(r), rowBytes, row.begin());
                TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(r), 0);
            }
        }
        TIFFWriteDirectory(tiff);
    }
    TIFFClose(tiff);
}

// --- PCX ---

Bytes pcxBytes(const PcxFixture& fixture)
{
    Bytes bytes(128, 0);
    bytes[0] = 0x0A;
    bytes[1] = 5;
    bytes[2] = 1;
    bytes[3] = static_cast<std::uint8_t>(fixture.bitsPerPixel);
    setLe(bytes, 4, static_cast<std::uint32_t>(fixture.xMin), 2);
    setLe(bytes, 6, static_cast<std::uint32_t>(fixture.yMin), 2);
    setLe(bytes, 8, static_cast<std::uint32_t>(fixture.xMax), 2);
    setLe(bytes, 10, static_cast<std::uint32_t>(fixture.yMax), 2);
    bytes[65] = static_cast<std::uint8_t>(fixture.planes);
    setLe(bytes, 66, static_cast<std::uint32_t>(fixture.bytesPerLine), 2);
    for (std::uint8_t b : fixture.compressed) bytes.push_back(b);
    if (!fixture.palette.empty()) {
        bytes.push_back(0x0C);
        for (std::uint8_t b : fixture.palette) bytes.push_back(b);
    }
    return bytes;
}

Bytes pcxEncodeLine(std::span<const std::uint8_t> line)
{
    Bytes out;
    for (std::size_t i = 0; i < line.size();) {
        std::size_t run = 1;
        while (i + run < line.size() && run < 63 && line[i + run] == line[i]) ++run;
        if (run > 1 || line[i] >= 0xC0) out.push_back(static_cast<std::uint8_t>(0xC0 | run));
        out.push_back(line[i]);
        i += run;
    }
    return out;
}

// --- Photo CD ---

Bytes photoCdBytes(std::size_t length, bool signature, std::uint8_t luma, std::uint8_t c1,
                   std::uint8_t c2)
{
    Bytes bytes(length, 0);
    if (signature && length >= 2048 + 7) std::memcpy(bytes.data() + 2048, "PCD_IPI", 7);
    for (std::size_t g = 0; g < 256; ++g) {
        const std::size_t at = 196608 + g * 2304;
        for (std::size_t k = 0; k < 2304 && at + k < length; ++k)
            bytes[at + k] = k < 1536 ? luma : k < 1920 ? c1 : c2;
    }
    return bytes;
}

// --- BMP ---

Bytes bmpFileBytes(const Picture& picture, const BmpFileFixture& fixture)
{
    const int height = std::abs(fixture.height);
    const std::size_t rowBytes =
        (static_cast<std::size_t>(fixture.width) * fixture.bitCount + 31) / 32 * 4;
    const std::size_t paletteBytes = fixture.bitCount == 8 ? 1024 : 0;
    const std::size_t headerBytes = 14 + (fixture.coreHeader ? 12 : 40) + paletteBytes;
    Bytes bytes(headerBytes + rowBytes * height, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    setLe(bytes, 2, static_cast<std::uint32_t>(bytes.size()), 4);
    setLe(bytes, 10, static_cast<std::uint32_t>(headerBytes), 4);
    if (fixture.coreHeader) {
        setLe(bytes, 14, 12, 4);
        setLe(bytes, 18, static_cast<std::uint32_t>(fixture.width), 2);
        setLe(bytes, 20, static_cast<std::uint32_t>(height), 2);
        setLe(bytes, 22, 1, 2);
        setLe(bytes, 24, static_cast<std::uint32_t>(fixture.bitCount), 2);
    } else {
        setLe(bytes, 14, 40, 4);
        setLe(bytes, 18, static_cast<std::uint32_t>(fixture.width), 4);
        setLe(bytes, 22, static_cast<std::uint32_t>(fixture.height), 4);
        setLe(bytes, 26, 1, 2);
        setLe(bytes, 28, static_cast<std::uint32_t>(fixture.bitCount), 2);
    }
    const bool topDown = fixture.height < 0;
    for (int k = 0; k < height; ++k) {
        const int r = topDown ? k : height - 1 - k;
        std::uint8_t* out = bytes.data() + headerBytes + k * rowBytes;
        for (int c = 0; c < fixture.width && c < picture.width && r < picture.height; ++c) {
            const Rgb p = picture.at(c, r);
            if (fixture.bitCount == 24) {
                out[3 * c] = p.b, out[3 * c + 1] = p.g, out[3 * c + 2] = p.r;
            } else if (fixture.bitCount == 32) {
                out[4 * c] = p.b, out[4 * c + 1] = p.g, out[4 * c + 2] = p.r, out[4 * c + 3] = 255;
            } else if (fixture.bitCount == 8) {
                out[c] = p.r;
            }
        }
    }
    return bytes;
}

}  // namespace zendavo::testing
