#include "formats/png_encoder.h"

#include <csetjmp>
#include <new>

#include <png.h>

namespace zendavo {
namespace {

struct PngWriting {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<std::uint8_t>* encoded = nullptr;
    std::jmp_buf jump;

    PngWriting(const PngWriting&) = delete;
    PngWriting& operator=(const PngWriting&) = delete;
    PngWriting() = default;
    ~PngWriting()
    {
        if (png) png_destroy_write_struct(&png, &info);
    }
};

[[noreturn]] void abandonPng(png_structp png, png_const_charp)
{
    std::longjmp(static_cast<PngWriting*>(png_get_error_ptr(png))->jump, 1);
}

void ignorePngWarning(png_structp, png_const_charp) {}

void appendBytes(png_structp png, png_bytep data, png_size_t count)
{
    auto* writing = static_cast<PngWriting*>(png_get_io_ptr(png));
    bool stored = true;
    try {
        writing->encoded->insert(writing->encoded->end(), data, data + count);
    } catch (const std::bad_alloc&) {
        stored = false;
    }
    if (!stored) png_error(png, "out of memory");
}

void flushNothing(png_structp) {}

constexpr char kXmpKeyword[] = "XML:com.adobe.xmp";
constexpr char kProfileName[] = "ICC profile";

// Pixels per metre from a JFIF density: dots per inch or per centimetre, rounded.
png_uint_32 pixelsPerMetre(const Density& density, std::uint16_t value)
{
    if (density.unit == 1) return (png_uint_32{value} * 10000 + 127) / 254;
    return png_uint_32{value} * 100;
}

// Called after png_set_IHDR; libpng copies everything it is given.
void setMetadata(png_structp png, png_infop info, const OutputMetadata& metadata)
{
    // A profile libpng finds wrong becomes a warning and is left out, not a failed picture.
    png_set_benign_errors(png, 1);
    if (!metadata.icc.empty() && metadata.icc.size() <= PNG_UINT_31_MAX)
        png_set_iCCP(png, info, kProfileName, PNG_COMPRESSION_TYPE_BASE, metadata.icc.data(),
                     static_cast<png_uint_32>(metadata.icc.size()));
    if (!metadata.exif.empty() && metadata.exif.size() <= PNG_UINT_31_MAX)
        png_set_eXIf_1(png, info, static_cast<png_uint_32>(metadata.exif.size()),
                       const_cast<png_bytep>(metadata.exif.data()));
    if (metadata.density && metadata.density->x > 0 && metadata.density->y > 0) {
        const Density& d = *metadata.density;
        if (d.unit == 1 || d.unit == 2)
            png_set_pHYs(png, info, pixelsPerMetre(d, d.x), pixelsPerMetre(d, d.y),
                         PNG_RESOLUTION_METER);
        else
            png_set_pHYs(png, info, d.x, d.y, PNG_RESOLUTION_UNKNOWN);
    }
    if (!metadata.xmp.empty()) {
        png_text text{};
        text.compression = PNG_ITXT_COMPRESSION_NONE;
        // libpng takes non-const text but copies it.
        text.key = const_cast<png_charp>(kXmpKeyword);
        text.text = const_cast<png_charp>(metadata.xmp.c_str());
        text.text_length = metadata.xmp.size();
        text.lang = const_cast<png_charp>("");
        text.lang_key = const_cast<png_charp>("");
        png_set_text(png, info, &text, 1);
    }
}

// libpng leaves this function by longjmp: no object with a destructor lives in it.
bool compress(PngWriting& w, const BmpRows& rows, const OutputMetadata* metadata)
{
    if (setjmp(w.jump)) return false;
    png_set_write_fn(w.png, &w, appendBytes, flushNothing);
    png_set_IHDR(w.png, w.info, static_cast<png_uint_32>(rows.width),
                 static_cast<png_uint_32>(rows.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (metadata) setMetadata(w.png, w.info, *metadata);
    png_write_info(w.png, w.info);
    png_set_bgr(w.png);
    // libpng copies each row before transforming it, so the buffer is only read.
    for (int r = 0; r < rows.height; ++r) png_write_row(w.png, const_cast<png_bytep>(rows.row(r)));
    png_write_end(w.png, nullptr);
    return true;
}

}  // namespace

bool encodePng(const BmpRows& rows, const OutputMetadata* metadata,
               std::vector<std::uint8_t>& encoded)
{
    PngWriting w;
    w.encoded = &encoded;
    w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &w, abandonPng, ignorePngWarning);
    if (w.png) w.info = png_create_info_struct(w.png);
    if (!w.info) return false;
    encoded.clear();
    return compress(w, rows, metadata);
}

}  // namespace zendavo
