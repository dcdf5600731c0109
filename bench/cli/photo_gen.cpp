// Makes photograph-like test pictures and a dark-on-white watermark for the benchmark and the
// demo set, so that no picture has to come from elsewhere.
//   photo_gen photo WIDTH HEIGHT SEED OUT.{jpg,png,ppm} [JPEG_QUALITY]
//   photo_gen watermark WIDTH HEIGHT OUT.{png,jpg,ppm}
#include <cstddef>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

std::uint32_t hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed)
{
    std::uint32_t h = x * 374761393u + y * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

// Smooth value noise in 0..1 at cell size `cell`.
double valueNoise(double x, double y, double cell, std::uint32_t seed)
{
    const double fx = x / cell, fy = y / cell;
    const auto ix = static_cast<std::uint32_t>(fx), iy = static_cast<std::uint32_t>(fy);
    const double tx = fx - ix, ty = fy - iy;
    const double sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
    const auto v = [&](std::uint32_t a, std::uint32_t b) { return (hash(a, b, seed) & 0xFFFF) / 65535.0; };
    const double top = v(ix, iy) + (v(ix + 1, iy) - v(ix, iy)) * sx;
    const double bottom = v(ix, iy + 1) + (v(ix + 1, iy + 1) - v(ix, iy + 1)) * sx;
    return top + (bottom - top) * sy;
}

std::uint8_t clampByte(double value)
{
    return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

// Sky, a ridge of hills, textured ground and film grain: detail at several scales, as a
// photograph has, so the codecs do realistic work.
Picture makePhoto(int width, int height, std::uint32_t seed)
{
    Picture p{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 3)};
    const double scale = width / 4000.0 + 1e-9;
    std::vector<double> ridge(width);
    for (int x = 0; x < width; ++x)
        ridge[x] = height * (0.45 + 0.15 * valueNoise(x, 0, 700 * scale, seed) +
                             0.05 * valueNoise(x, 0, 90 * scale, seed + 1));
    for (int y = 0; y < height; ++y) {
        std::uint8_t* out = &p.rgb[std::size_t(y) * width * 3];
        for (int x = 0; x < width; ++x, out += 3) {
            const double grain = (static_cast<int>(hash(x, y, seed + 7) & 15) - 8) * 0.9;
            double r, g, b;
            if (y < ridge[x]) {
                const double t = double(y) / height;
                const double cloud = valueNoise(x, y, 300 * scale, seed + 2) * 0.6 +
                                     valueNoise(x, y, 60 * scale, seed + 3) * 0.4;
                r = 90 + 80 * t + 90 * cloud;
                g = 140 + 60 * t + 80 * cloud;
                b = 220 - 20 * t + 30 * cloud;
            } else {
                const double coarse = valueNoise(x, y, 150 * scale, seed + 4);
                const double fine = valueNoise(x, y, 9 * scale + 2, seed + 5);
                const double finer = valueNoise(x, y, 3, seed + 6);
                const double shade = 0.55 + 0.45 * coarse;
                r = (70 + 60 * fine + 30 * finer) * shade + 20;
                g = (100 + 70 * fine + 30 * finer) * shade + 10;
                b = (40 + 40 * fine + 20 * finer) * shade;
            }
            out[0] = clampByte(r + grain);
            out[1] = clampByte(g + grain);
            out[2] = clampByte(b + grain);
        }
    }
    return p;
}

// 5x7 glyphs for the letters of the mark.
const char* glyph(char c)
{
    switch (c) {
    case 'Z': return "11111000010001000100010001000011111";
    case 'E': return "11111100001000011110100001000011111";
    case 'N': return "10001110011010110011100011000110001";
    case 'D': return "11110100011000110001100011000111110";
    case 'A': return "01110100011000111111100011000110001";
    case 'V': return "10001100011000110001100010101000100";
    case 'O': return "01110100011000110001100011000101110";
    default: return "00000000000000000000000000000000000";
    }
}

Picture makeWatermark(int width, int height)
{
    Picture p{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 3, 255)};
    const std::string text = "ZENDAVO";
    const int cell = std::max(1, std::min(width / (int(text.size()) * 6 + 2), height / 9));
    const int left = (width - int(text.size()) * 6 * cell + cell) / 2, top = (height - 7 * cell) / 2;
    const auto put = [&](int x, int y, std::uint8_t v) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        std::uint8_t* px = &p.rgb[(std::size_t(y) * width + x) * 3];
        px[0] = v;
        px[1] = v;
        px[2] = std::uint8_t(v + (255 - v) / 4);
    };
    for (std::size_t k = 0; k < text.size(); ++k)
        for (int gy = 0; gy < 7; ++gy)
            for (int gx = 0; gx < 5; ++gx)
                if (glyph(text[k])[gy * 5 + gx] == '1')
                    for (int y = 0; y < cell; ++y)
                        for (int x = 0; x < cell; ++x)
                            put(left + (int(k) * 6 + gx) * cell + x, top + gy * cell + y, 40);
    for (int x = 0; x < width; ++x) put(x, 1, 90), put(x, height - 2, 90);
    for (int y = 0; y < height; ++y) put(1, y, 90), put(width - 2, y, 90);
    return p;
}

bool writePpm(const Picture& p, std::FILE* f)
{
    std::fprintf(f, "P6\n%d %d\n255\n", p.width, p.height);
    return std::fwrite(p.rgb.data(), 1, p.rgb.size(), f) == p.rgb.size();
}

bool writeJpeg(const Picture& p, std::FILE* f, int quality)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);  // exits on error, which is fine for a generator
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, f);
    cinfo.image_width = p.width;
    cinfo.image_height = p.height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&p.rgb[std::size_t(cinfo.next_scanline) * p.width * 3]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

bool writePng(const Picture& p, std::FILE* f)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (!png || !info || setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, f);
    png_set_IHDR(png, info, p.width, p.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < p.height; ++y)
        png_write_row(png, &p.rgb[std::size_t(y) * p.width * 3]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

// Letter case ignored, so photo.JPG is a JPEG too.
bool endsWith(const std::string& text, const std::string& tail)
{
    if (text.size() < tail.size()) return false;
    for (std::size_t k = 0; k < tail.size(); ++k) {
        const char c = text[text.size() - tail.size() + k];
        if (std::tolower(static_cast<unsigned char>(c)) != tail[k]) return false;
    }
    return true;
}

bool save(const Picture& p, const std::string& path, int quality)
{
    std::FILE* f = path == "-" ? stdout : std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = endsWith(path, ".png") ? writePng(p, f)
              : endsWith(path, ".jpg") ? writeJpeg(p, f, quality)
                                       : writePpm(p, f);
    if (f != stdout) ok = std::fclose(f) == 0 && ok;
    return ok;
}

int usage()
{
    std::fputs("usage: photo_gen photo W H SEED OUT [QUALITY] | photo_gen watermark W H OUT\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 5) return usage();
    const std::string kind = argv[1];
    const int width = std::atoi(argv[2]), height = std::atoi(argv[3]);
    if (width <= 0 || height <= 0 || width > 20000 || height > 20000) return usage();
    if (kind == "photo" && argc >= 6) {
        const int quality = argc >= 7 ? std::atoi(argv[6]) : 92;
        return save(makePhoto(width, height, std::uint32_t(std::atoi(argv[4]))), argv[5], quality) ? 0 : 1;
    }
    if (kind == "watermark") return save(makeWatermark(width, height), argv[4], 92) ? 0 : 1;
    return usage();
}
