#include "formats/png_decoder.h"

#include <csetjmp>
#include <new>
#include <vector>

#include <png.h>

#include "formats/image_limits.h"

namespace zendavo {

struct PngDecoder::Session {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::FILE* file = nullptr;
    std::jmp_buf jump;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int bitsPerPixel = 0;
};

namespace {

using Session = PngDecoder::Session;

constexpr double kDisplayGamma = 2.2;
constexpr double kDefaultFileGamma = 0.45455;

[[noreturn]] void abandonPng(png_structp png, png_const_charp)
{
    std::longjmp(static_cast<Session*>(png_get_error_ptr(png))->jump, 1);
}

void ignorePngWarning(png_structp, png_const_charp) {}

void readFromFile(png_structp png, png_bytep into, png_size_t count)
{
    auto* session = static_cast<Session*>(png_get_io_ptr(png));
    if (std::fread(into, 1, count, session->file) != count)
        png_error(png, "reading png image error");
}

int shapeBits(int colourType)
{
    if (colourType == PNG_COLOR_TYPE_PALETTE) return 8;
    if (colourType & PNG_COLOR_MASK_COLOR) return colourType & PNG_COLOR_MASK_ALPHA ? 32 : 24;
    return 8;
}

// libpng leaves readInfo and readRows by longjmp: no object with a destructor lives in them.
bool readInfo(Session& s)
{
    if (setjmp(s.jump)) return false;
    png_set_user_limits(s.png, kMaxImageSide, kMaxImageSide);
    png_set_read_fn(s.png, &s, readFromFile);
    png_read_info(s.png, s.info);
    png_get_IHDR(s.png, s.info, &s.width, &s.height, &s.bitDepth, &s.colourType, nullptr, nullptr,
                 nullptr);
    if (s.bitDepth > 8 || !withinImageLimits(s.width, s.height)) return false;
    png_set_packing(s.png);
    s.bitsPerPixel = shapeBits(s.colourType);
    if (s.colourType == PNG_COLOR_TYPE_GRAY && s.bitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(s.png);
    // Grey with alpha is kept as one grey byte a pixel.
    if (s.colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_strip_alpha(s.png);
    return true;
}

// png_get_PLTE only looks the palette up and never raises an error, so no jump is needed here.
bool copyPalette(Session& s, RasterImage& image)
{
    png_colorp entries = nullptr;
    int count = 0;
    if (png_get_PLTE(s.png, s.info, &entries, &count) != PNG_INFO_PLTE || count < 1) return false;
    if (count > static_cast<int>(RasterImage::kMaxPaletteEntries)) return false;
    std::vector<PaletteEntry> palette(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k)
        palette[k] = {entries[k].red, entries[k].green, entries[k].blue};
    return image.setPalette(std::move(palette));
}

double fileGamma(Session& s)
{
    int intent = 0;
    double gamma = 0;
    if (png_get_sRGB(s.png, s.info, &intent) != 0) return kDefaultFileGamma;
    if (png_get_gAMA(s.png, s.info, &gamma) != 0) return gamma;
    return kDefaultFileGamma;
}

bool readRows(Session& s, RasterImage& image, png_bytep* rows)
{
    if (setjmp(s.jump)) return false;
    png_set_gamma(s.png, kDisplayGamma, fileGamma(s));
    if (s.colourType == PNG_COLOR_TYPE_RGB_ALPHA) png_set_swap_alpha(s.png);
    const int passes = png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);
    // Whatever the transformations give must fit the rows exactly.
    if (png_get_rowbytes(s.png, s.info) != image.rowBytes()) return false;
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 r = 0; r < s.height; ++r) png_read_row(s.png, rows[r], nullptr);
    png_read_end(s.png, nullptr);
    return true;
}

}  // namespace

PngDecoder::PngDecoder() = default;

PngDecoder::~PngDecoder()
{
    close();
}

bool PngDecoder::open(const std::filesystem::path& path, RasterImage& target)
{
    close();
    file_ = openForReading(path);
    if (file_) {
        session_ = std::make_unique<Session>();
        session_->file = file_.get();
        session_->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, session_.get(), abandonPng,
                                               ignorePngWarning);
        if (session_->png) session_->info = png_create_info_struct(session_->png);
    }
    if (!session_ || !session_->info || !readInfo(*session_)) {
        close();
        return false;
    }
    target_ = &target;
    return true;
}

bool PngDecoder::read()
{
    if (!session_ || !target_) return false;
    Session& s = *session_;
    bool ok = target_->create(s.width, s.height, s.bitsPerPixel);
    // The palette is taken as stored, before any gamma handling is set up.
    if (ok && s.colourType == PNG_COLOR_TYPE_PALETTE) ok = copyPalette(s, *target_);
    try {
        std::vector<png_bytep> rows(ok ? s.height : 0);
        for (png_uint_32 r = 0; r < rows.size(); ++r) rows[r] = target_->row(static_cast<int>(r));
        ok = ok && readRows(s, *target_, rows.data());
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    close();
    return ok;
}

void PngDecoder::close()
{
    if (session_ && session_->png)
        png_destroy_read_struct(&session_->png, &session_->info, nullptr);
    session_.reset();
    file_.reset();
    target_ = nullptr;
}

}  // namespace zendavo
