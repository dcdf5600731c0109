#include "formats/photo_cd_decoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace zendavo {
namespace {

constexpr char kSignature[] = "PCD_IPI";
constexpr std::size_t kSignatureLength = sizeof kSignature - 1;

std::uint8_t toSample(double value)
{
    return static_cast<std::uint8_t>(std::clamp(std::floor(value + 0.5), 0.0, 255.0));
}

bool hasImagePacSignature(std::FILE* file)
{
    char found[kSignatureLength];
    return std::fseek(file, PhotoCdDecoder::kSignatureOffset, SEEK_SET) == 0 &&
           readExactly(file, found, sizeof found) &&
           std::memcmp(found, kSignature, kSignatureLength) == 0;
}

}  // namespace

Rgb24 photoCdPixel(int luma, int chroma1, int chroma2)
{
    const double y = 1.407488 * luma;
    const double c1 = chroma1 - 156;
    const double c2 = chroma2 - 137;
    return {toSample(y + 1.3230336 * c2 + 0.0000256 * c1),
            toSample(y - 0.67392 * c2 - 0.3954176 * c1),
            toSample(y + 0.0000256 * c2 + 2.0360448 * c1)};
}

bool PhotoCdDecoder::start()
{
    // Without the signature any large file would turn into a picture of noise.
    if (fileLength(file_.get()) < kMinLength || !hasImagePacSignature(file_.get())) return false;
    width_ = kWidth;
    height_ = kHeight;
    return true;
}

bool PhotoCdDecoder::decode(RasterImage& target)
{
    bool ok =
        target.create(kWidth, kHeight, 24) && std::fseek(file_.get(), kBaseOffset, SEEK_SET) == 0;
    std::array<std::uint8_t, kGroupBytes> group{};
    for (int g = 0; ok && g < kHeight / 2; ++g) {
        ok = readExactly(file_.get(), group.data(), group.size());
        const std::uint8_t* chroma1 = group.data() + 2 * kWidth;
        const std::uint8_t* chroma2 = chroma1 + kWidth / 2;
        for (int half = 0; ok && half < 2; ++half) {
            const std::uint8_t* luma = group.data() + half * kWidth;
            std::uint8_t* out = target.row(2 * g + half);
            for (int x = 0; x < kWidth; ++x, out += 3) {
                const Rgb24 p = photoCdPixel(luma[x], chroma1[x / 2], chroma2[x / 2]);
                out[0] = p.red;
                out[1] = p.green;
                out[2] = p.blue;
            }
        }
    }
    return ok;
}

}  // namespace zendavo
