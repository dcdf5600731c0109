// Encoding a 12-megapixel photo to JPEG with everything a camera and an editor leave in it
// (EXIF with a thumbnail to drop, XMP, IPTC, a 3 KB ICC profile, 300 dpi) against the same photo
// bare, side by side; and the same on a 16 x 16 picture, where the difference is the cost of
// carrying the metadata itself. The summary gives ratios and milliseconds of the medians.
// Run: build/default/bench/formats/metadata_bench --benchmark_repetitions=9
//        --benchmark_enable_random_interleaving=true
#include <benchmark/benchmark.h>
#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "formats/bmp_writer.h"
#include "formats/image_encoder.h"
#include "formats/picture_metadata.h"
#include "imaging/bmp_buffer.h"
#include "tests/formats/metadata_fixtures.h"

namespace {

// Photo-like shading, edges and grain, so the codec has real work.
zendavo::BmpBuffer makePhoto(int width, int height)
{
    const auto stride = static_cast<std::size_t>(zendavo::bmpStride(width));
    std::vector<std::uint8_t> bytes(zendavo::kBmpHeaderSize + stride * static_cast<std::size_t>(height), 0);
    zendavo::putBmpHeaders(std::span<std::uint8_t, zendavo::kBmpHeaderSize>(bytes.data(), zendavo::kBmpHeaderSize),
                           width, height);
    std::uint32_t grain = 12345;
    auto clamp = [](double v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0)); };
    for (int r = 0; r < height; ++r) {
        std::uint8_t* row =
            bytes.data() + zendavo::kBmpHeaderSize + stride * static_cast<std::size_t>(height - 1 - r);
        for (int c = 0; c < width; ++c) {
            grain = grain * 1103515245u + 12345u;
            const int noise = static_cast<int>((grain >> 16) & 15) - 8;
            const double shade = 60 * std::sin(c / 97.0) * std::cos(r / 61.0);
            const int edge = ((c / 150 + r / 110) % 2) * 40;
            row[3 * c] = clamp(90 + shade + edge + noise);
            row[3 * c + 1] = clamp(120 + 0.7 * shade + noise);
            row[3 * c + 2] = clamp(150 - shade + edge / 2 + noise);
        }
    }
    return zendavo::BmpBuffer{std::move(bytes)};
}

// EXIF with a thumbnail to drop, XMP, IPTC, a 3 KB ICC profile and 300 dpi.
zendavo::PictureMetadata fullMetadata()
{
    using namespace zendavo::testing;
    std::vector<std::uint8_t> thumbnail;
    zendavo::encodeBmp(makePhoto(320, 240).view(), zendavo::EncoderFormat::Jpeg, " ",
                       &thumbnail);
    zendavo::PictureMetadata m;
    m.exif = exifBlock({{"Exif.Image.Make", "Canon"},
                        {"Exif.Image.Model", "Canon EOS R6"},
                        {"Exif.Image.Orientation", "1", Exiv2::unsignedShort},
                        {"Exif.Image.Artist", "A. Person"},
                        {"Exif.Image.Copyright", "(c) A. Person"},
                        {"Exif.Photo.DateTimeOriginal", "2024:05:06 07:08:09"},
                        {"Exif.Photo.PixelXDimension", "4000", Exiv2::unsignedLong},
                        {"Exif.Photo.PixelYDimension", "3000", Exiv2::unsignedLong},
                        {"Exif.Photo.ExposureTime", "1/250", Exiv2::unsignedRational},
                        {"Exif.Photo.FNumber", "28/10", Exiv2::unsignedRational},
                        {"Exif.Photo.ISOSpeedRatings", "400", Exiv2::unsignedShort},
                        {"Exif.GPSInfo.GPSLatitudeRef", "S"},
                        {"Exif.GPSInfo.GPSLatitude", "33/1 51/1 3540/100"},
                        {"Exif.GPSInfo.GPSLongitudeRef", "E"},
                        {"Exif.GPSInfo.GPSLongitude", "151/1 12/1 3000/100"}},
                       thumbnail);
    m.xmp = xmpPacket({{"Xmp.tiff.Orientation", "1"},
                       {"Xmp.dc.title", "lang=\"x-default\" Harbour at dawn"},
                       {"Xmp.dc.creator", "A. Person"},
                       {"Xmp.xmp.Rating", "5"},
                       {"Xmp.xmp.CreatorTool", "An editor 1.0"},
                       {"Xmp.photoshop.City", "Sydney"}});
    m.iptc = iptcBlock({{"Iptc.Application2.Headline", "Harbour"},
                        {"Iptc.Application2.City", "Sydney"},
                        {"Iptc.Application2.Copyright", "(c) A. Person"},
                        {"Iptc.Application2.Keywords", "harbour"}});
    m.icc = rgbIccProfile(2500);  // sRGB grown to a camera profile's usual 3 KB
    m.density = zendavo::Density{1, 300, 300};
    return m;
}

const zendavo::PictureMetadata& metadata()
{
    static const zendavo::PictureMetadata m = fullMetadata();
    return m;
}

void encode(benchmark::State& state, const zendavo::BmpBuffer& bmp, bool carry)
{
    zendavo::EncodeOptions options;
    if (carry) options.metadata = &metadata();
    std::vector<std::uint8_t> out;
    for (auto _ : state) {
        if (zendavo::encodeBmp(bmp.view(), zendavo::EncoderFormat::Jpeg, " ", options, &out) != 1)
            state.SkipWithError("encoding failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["bytes"] = static_cast<double>(out.size());
}

const zendavo::BmpBuffer& photo12mp()
{
    static const zendavo::BmpBuffer bmp = makePhoto(4000, 3000);
    return bmp;
}

const zendavo::BmpBuffer& tiny()
{
    static const zendavo::BmpBuffer bmp = makePhoto(16, 16);
    return bmp;
}

void Encode12MP_Bare(benchmark::State& s) { encode(s, photo12mp(), false); }
void Encode12MP_FullMetadata(benchmark::State& s) { encode(s, photo12mp(), true); }
void Encode16px_Bare(benchmark::State& s) { encode(s, tiny(), false); }
void Encode16px_FullMetadata(benchmark::State& s) { encode(s, tiny(), true); }

BENCHMARK(Encode12MP_Bare)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Encode12MP_FullMetadata)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Encode16px_Bare)->Unit(benchmark::kMicrosecond);
BENCHMARK(Encode16px_FullMetadata)->Unit(benchmark::kMicrosecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                const double n = static_cast<double>(run.iterations);
                seconds_[run.run_name.function_name].push_back(run.real_accumulated_time / n);
                cpuSeconds_[run.run_name.function_name].push_back(run.cpu_accumulated_time / n);
            }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const zendavo::PictureMetadata& m = metadata();
        std::printf("\nmetadata: EXIF %zu bytes (thumbnail included), XMP %zu, IPTC %zu, ICC %zu\n",
                    m.exif.size(), m.xmp.size(), m.iptc.size(), m.icc.size());
        for (auto* times : {&seconds_, &cpuSeconds_}) {
            const char* clock = times == &seconds_ ? "wall" : "cpu";
            const double photoBare = median(*times, "Encode12MP_Bare");
            const double photoFull = median(*times, "Encode12MP_FullMetadata");
            const double tinyBare = median(*times, "Encode16px_Bare");
            const double tinyFull = median(*times, "Encode16px_FullMetadata");
            std::printf("%s: 12 MP JPEG, full metadata vs bare: %.3f x (%.2f ms vs %.2f ms)\n",
                        clock, photoFull / photoBare, 1e3 * photoFull, 1e3 * photoBare);
            std::printf("%s: carrying the metadata (16 x 16 picture, full minus bare): %.3f ms "
                        "per photo (goal <= 2 ms)\n",
                        clock, 1e3 * (tinyFull - tinyBare));
        }
    }

private:
    using Times = std::map<std::string, std::vector<double>>;
    static double median(Times& times, const std::string& name)
    {
        std::vector<double> v = times[name];
        if (v.empty()) return NAN;
        std::sort(v.begin(), v.end());
        return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    }
    Times seconds_, cpuSeconds_;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    metadata();  // built before anything is timed
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
