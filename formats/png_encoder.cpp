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

// libpng leaves this function by longjmp: no object with a destructor lives in it.
bool compress(PngWriting& w, const BmpRows& rows)
{
    if (setjmp(w.jump)) return false;
    png_set_write_fn(w.png, &w, appendBytes, flushNothing);
    png_set_IHDR(w.png, w.info, static_cast<png_uint_32>(rows.width),
                 static_cast<png_uint_32>(rows.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(w.png, w.info);
    png_set_bgr(w.png);
    // libpng copies each row before transforming it, so the buffer is only read.
    for (int r = 0; r < rows.height; ++r) png_write_row(w.png, const_cast<png_bytep>(rows.row(r)));
    png_write_end(w.png, nullptr);
    return true;
}

}  // namespace

bool encodePng(const BmpRows& rows, std::vector<std::uint8_t>& encoded)
{
    PngWriting w;
    w.encoded = &encoded;
    w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &w, abandonPng, ignorePngWarning);
    if (w.png) w.info = png_create_info_struct(w.png);
    if (!w.info) return false;
    encoded.clear();
    return compress(w, rows);
}

}  // namespace zendavo
