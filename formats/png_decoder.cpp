#include "formats/png_decoder.h"

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include <png.h>

#include "formats/image_limits.h"
#include "formats/large_buffer.h"
#include "formats/over_white.h"

namespace zendavo {

struct PngDecoder::Session {
    ~Session()
    {
        if (png) png_destroy_read_struct(&png, &info, nullptr);
    }

    png_structp png = nullptr;
    png_infop info = nullptr;
    std::FILE* file = nullptr;
    std::jmp_buf jump;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    std::size_t fileRowBytes = 0;
    int channels = 0;  // per pixel once the transformations are set up
};

namespace {

using Session = PngDecoder::Session;

constexpr double kDisplayGamma = 2.2;
constexpr double kDefaultFileGamma = 0.45455;
constexpr char kXmpKeyword[] = "XML:com.adobe.xmp";
constexpr double kInchesPerMetre = 0.0254;

[[noreturn]] void abandonPng(png_structp png, png_const_charp)
{
    std::longjmp(static_cast<Session*>(png_get_error_ptr(png))->jump, 1);
}

void ignorePngWarning(png_structp, png_const_charp) {}

// A chunk that claims more than it could hold is skipped by libpng when its buffer is refused.
png_voidp limitedMalloc(png_structp, png_alloc_size_t size)
{
    return size <= PngDecoder::kMaxLibraryAllocation ? std::malloc(size) : nullptr;
}

void plainFree(png_structp, png_voidp pointer)
{
    std::free(pointer);
}

void readFromFile(png_structp png, png_bytep into, png_size_t count)
{
    auto* session = static_cast<Session*>(png_get_io_ptr(png));
    if (std::fread(into, 1, count, session->file) != count)
        png_error(png, "reading png image error");
}

// png_get_* only look things up and never raise an error.
void gatherMetadata(const Session& s, PictureMetadata& metadata)
{
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileLength = 0;
    if (png_get_iCCP(s.png, s.info, &name, &compression, &profile, &profileLength) != 0 && profile)
        metadata.icc.assign(profile, profile + profileLength);
    png_bytep exif = nullptr;
    png_uint_32 exifLength = 0;
    if (png_get_eXIf_1(s.png, s.info, &exifLength, &exif) != 0 && exif)
        metadata.exif.assign(exif, exif + exifLength);
    png_uint_32 x = 0, y = 0;
    int unit = 0;
    if (png_get_pHYs(s.png, s.info, &x, &y, &unit) != 0) {
        if (unit == PNG_RESOLUTION_METER) {
            x = static_cast<png_uint_32>(x * kInchesPerMetre + 0.5);
            y = static_cast<png_uint_32>(y * kInchesPerMetre + 0.5);
        }
        if (x >= 1 && y >= 1 && x <= 0xFFFF && y <= 0xFFFF)
            metadata.density = Density{static_cast<std::uint8_t>(unit == PNG_RESOLUTION_METER),
                                       static_cast<std::uint16_t>(x),
                                       static_cast<std::uint16_t>(y)};
    }
    png_textp texts = nullptr;
    const int count = png_get_text(s.png, s.info, &texts, nullptr);
    for (int k = 0; k < count; ++k)
        if (texts[k].key && std::strcmp(texts[k].key, kXmpKeyword) == 0 && texts[k].text) {
            const std::size_t length = texts[k].compression >= PNG_ITXT_COMPRESSION_NONE
                                           ? texts[k].itxt_length
                                           : texts[k].text_length;
            metadata.xmp.assign(texts[k].text, length);
            break;
        }
}

// libpng leaves readInfo and the row readers by longjmp: no object with a destructor lives in
// them.
bool readInfo(Session& s, PictureMetadata& metadata)
{
    if (setjmp(s.jump)) return false;
    png_set_user_limits(s.png, kMaxImageSide, kMaxImageSide);
    png_set_chunk_malloc_max(s.png, PngDecoder::kMaxLibraryAllocation);
    png_set_read_fn(s.png, &s, readFromFile);
    png_read_info(s.png, s.info);
    png_get_IHDR(s.png, s.info, &s.width, &s.height, &s.bitDepth, &s.colourType, nullptr, nullptr,
                 nullptr);
    s.fileRowBytes = png_get_rowbytes(s.png, s.info);
    gatherMetadata(s, metadata);
    return withinImageLimits(s.width, s.height);
}

double fileGamma(Session& s)
{
    int intent = 0;
    double gamma = 0;
    if (png_get_sRGB(s.png, s.info, &intent) != 0) return kDefaultFileGamma;
    if (png_get_gAMA(s.png, s.info, &gamma) != 0) return gamma;
    return kDefaultFileGamma;
}

// The palette as stored, each entry laid over white by its tRNS alpha. Taken before gamma is
// set up, as libpng corrects its own palette in place.
bool takePalette(Session& s, std::vector<PaletteEntry>& palette)
{
    png_colorp entries = nullptr;
    int count = 0;
    if (png_get_PLTE(s.png, s.info, &entries, &count) != PNG_INFO_PLTE || count < 1) return false;
    if (count > static_cast<int>(RasterImage::kMaxPaletteEntries)) return false;
    png_bytep alpha = nullptr;
    int alphaCount = 0;
    if (png_get_tRNS(s.png, s.info, &alpha, &alphaCount, nullptr) != PNG_INFO_tRNS) alphaCount = 0;
    palette.resize(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        const unsigned a = k < alphaCount && alpha ? alpha[k] : 255;
        palette[k] = {overWhite(entries[k].red, a), overWhite(entries[k].green, a),
                      overWhite(entries[k].blue, a)};
    }
    return true;
}

// Sets up what libpng does to the samples: 16 bits scaled to 8, grey below 8 bits widened, a
// transparent colour turned into alpha, gamma on colour only, interlacing. Returns the passes.
int setUpTransformations(Session& s)
{
    if (s.colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_packing(s.png);
    } else {
        if (s.bitDepth == 16) png_set_scale_16(s.png);
        if (s.bitDepth < 8) png_set_expand_gray_1_2_4_to_8(s.png);
        if (png_get_valid(s.png, s.info, PNG_INFO_tRNS) != 0) png_set_tRNS_to_alpha(s.png);
    }
    png_set_gamma(s.png, kDisplayGamma, fileGamma(s));
    const int passes = png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);
    s.channels = png_get_channels(s.png, s.info);
    return passes;
}

int prepare(Session& s)
{
    if (setjmp(s.jump)) return 0;
    return setUpTransformations(s);
}

bool readStraight(Session& s, RasterImage& image, int passes)
{
    if (setjmp(s.jump)) return false;
    // Whatever the transformations give must fit the rows exactly.
    if (png_get_rowbytes(s.png, s.info) != image.rowBytes()) return false;
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 r = 0; r < s.height; ++r)
            png_read_row(s.png, image.row(static_cast<int>(r)), nullptr);
    png_read_end(s.png, nullptr);
    return true;
}

void compositeRow(const std::uint8_t* in, std::uint8_t* out, png_uint_32 width, int channels)
{
    if (channels == 2) {
        for (png_uint_32 x = 0; x < width; ++x, in += 2, out += 3)
            out[0] = out[1] = out[2] = overWhite(in[0], in[1]);
    } else {
        for (png_uint_32 x = 0; x < width; ++x, in += 4, out += 3) {
            out[0] = overWhite(in[0], in[3]);
            out[1] = overWhite(in[1], in[3]);
            out[2] = overWhite(in[2], in[3]);
        }
    }
}

// Interlaced pictures need every row kept until the last pass; others one row at a time.
bool readWithAlpha(Session& s, RasterImage& image, int passes, std::uint8_t* samples)
{
    if (setjmp(s.jump)) return false;
    const std::size_t rowBytes = static_cast<std::size_t>(s.width) * s.channels;
    if (png_get_rowbytes(s.png, s.info) != rowBytes) return false;
    const bool whole = passes > 1;
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 r = 0; r < s.height; ++r) {
            std::uint8_t* row = samples + (whole ? r * rowBytes : 0);
            png_read_row(s.png, row, nullptr);
            if (pass == passes - 1)
                compositeRow(row, image.row(static_cast<int>(r)), s.width, s.channels);
        }
    png_read_end(s.png, nullptr);
    return true;
}

}  // namespace

PngDecoder::PngDecoder() = default;
PngDecoder::~PngDecoder() = default;

bool PngDecoder::start()
{
    session_ = std::make_unique<Session>();
    Session& s = *session_;
    s.file = file_.get();
    s.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &s, abandonPng, ignorePngWarning,
                                     nullptr, limitedMalloc, plainFree);
    if (!s.png) return false;
    s.info = png_create_info_struct(s.png);
    if (!s.info || !readInfo(s, metadata_)) return false;
    // Every row costs at least its filter byte and samples in the deflate stream.
    const std::int64_t rawBytes = static_cast<std::int64_t>(s.height) * (s.fileRowBytes + 1);
    if (rawBytes > fileLength(file_.get()) * kMaxDeflateRatio) return false;
    width_ = static_cast<int>(s.width);
    height_ = static_cast<int>(s.height);
    return true;
}

bool PngDecoder::decode(RasterImage& target)
{
    Session& s = *session_;
    const bool palette = s.colourType == PNG_COLOR_TYPE_PALETTE;
    std::vector<PaletteEntry> entries;
    try {
        if (palette && !takePalette(s, entries)) return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    const int passes = prepare(s);
    if (passes < 1) return false;
    const bool alpha = s.channels == 2 || s.channels == 4;
    const int bits = palette || s.channels == 1 ? 8 : 24;
    if (!target.create(s.width, s.height, bits)) return false;
    if (palette && !target.setPalette(std::move(entries))) return false;
    if (!alpha) return readStraight(s, target, passes);
    try {
        std::vector<std::uint8_t> samples;
        const std::size_t rowBytes = static_cast<std::size_t>(s.width) * s.channels;
        resizeLargeBuffer(samples, passes > 1 ? rowBytes * s.height : rowBytes);
        return readWithAlpha(s, target, passes, samples.data());
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void PngDecoder::finish()
{
    session_.reset();
}

}  // namespace zendavo
