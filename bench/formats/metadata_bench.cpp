// Encoding a 12-megapixel photo to JPEG with everything a camera and an editor leave in it
// (EXIF with a thumbnail to drop, XMP, IPTC, a 3 KB ICC profile, 300 dpi) against the same photo
// bare, side by side; and the same on a 16 x 16 picture, where the difference is the cost of
// carrying the metadata itself. The summary gives ratios and milliseconds of the medians.
// Run: build/default/bench/formats/metadata_bench --benchmark_repetitions=9
//        --benchmark_enable_random_interleaving=true
#include <benchmark/benchmark.h>
#include <exiv2/exiv2.hpp>
#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "formats/image_encoder.h"
#include "formats/picture_metadata.h"
#include "imaging/bmp_buffer.h"

namespace {

// Photo-like shading, edges and grain, so the codec has real work.
zendavo::BmpBuffer makePhoto(int width, int height)
{
    const std::size_t stride = (3 * static_cast<std::size_t>(width) + 3) / 4 * 4;
    std::vector<std::uint8_t> bytes(54 + stride * static_cast<std::size_t>(height), 0);
    auto put = [&bytes](std::size_t at, std::uint32_t v, int n) {
        for (int k = 0; k < n; ++k) bytes[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(2, static_cast<std::uint32_t>(bytes.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(width), 4);
    put(22, static_cast<std::uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    std::uint32_t grain = 12345;
    auto clamp = [](double v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0)); };
    for (int r = 0; r < height; ++r) {
        std::uint8_t* row = bytes.data() + 54 + stride * static_cast<std::size_t>(height - 1 - r);
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

std::vector<std::uint8_t> exifWithThumbnail()
{
    Exiv2::ExifData data;
    data["Exif.Image.Make"] = "Canon";
    data["Exif.Image.Model"] = "Canon EOS R6";
    data["Exif.Image.Orientation"] = std::uint16_t{1};
    data["Exif.Image.Artist"] = "A. Person";
    data["Exif.Image.Copyright"] = "(c) A. Person";
    data["Exif.Photo.DateTimeOriginal"] = "2024:05:06 07:08:09";
    data["Exif.Photo.PixelXDimension"] = std::uint32_t{4000};
    data["Exif.Photo.PixelYDimension"] = std::uint32_t{3000};
    data["Exif.Photo.ExposureTime"] = Exiv2::URational(1, 250);
    data["Exif.Photo.FNumber"] = Exiv2::URational(28, 10);
    data["Exif.Photo.ISOSpeedRatings"] = std::uint16_t{400};
    data["Exif.GPSInfo.GPSLatitudeRef"] = "S";
    data["Exif.GPSInfo.GPSLatitude"] = "33/1 51/1 3540/100";
    data["Exif.GPSInfo.GPSLongitudeRef"] = "E";
    data["Exif.GPSInfo.GPSLongitude"] = "151/1 12/1 3000/100";
    std::vector<std::uint8_t> thumbnail;
    zendavo::encodeBmp(makePhoto(320, 240).view(), zendavo::EncoderFormat::Jpeg, " ",
                       &thumbnail);
    Exiv2::ExifThumb(data).setJpegThumbnail(thumbnail.data(), static_cast<long>(thumbnail.size()));
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
    return blob;
}

std::string xmpPacket()
{
    Exiv2::XmpData data;
    data["Xmp.tiff.Orientation"] = "1";
    data["Xmp.dc.title"] = "lang=\"x-default\" Harbour at dawn";
    data["Xmp.dc.creator"] = "A. Person";
    data["Xmp.xmp.Rating"] = "5";
    data["Xmp.xmp.CreatorTool"] = "An editor 1.0";
    data["Xmp.photoshop.City"] = "Sydney";
    std::string packet;
    Exiv2::XmpParser::encode(packet, data);
    return packet;
}

std::vector<std::uint8_t> iptcPayload()
{
    Exiv2::IptcData data;
    data["Iptc.Application2.Headline"] = "Harbour";
    data["Iptc.Application2.City"] = "Sydney";
    data["Iptc.Application2.Copyright"] = "(c) A. Person";
    data["Iptc.Application2.Keywords"] = "harbour";
    const Exiv2::DataBuf resources = Exiv2::Photoshop::setIptcIrb(nullptr, 0, data);
    static constexpr char kSignature[] = "Photoshop 3.0";
    std::vector<std::uint8_t> payload(sizeof kSignature +
                                      static_cast<std::size_t>(resources.size_));
    std::copy_n(kSignature, sizeof kSignature, payload.begin());
    std::copy_n(resources.pData_, resources.size_, payload.begin() + sizeof kSignature);
    return payload;
}

// LittleCMS's sRGB profile grown to a camera profile's usual 3 KB by a private tag.
std::vector<std::uint8_t> srgbProfile()
{
    cmsHPROFILE profile = cmsCreate_sRGBProfile();
    std::vector<std::uint8_t> filler(2500, 0x5a);
    cmsWriteRawTag(profile, static_cast<cmsTagSignature>(0x7a647674), filler.data(),
                   static_cast<cmsUInt32Number>(filler.size()));
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<std::uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

zendavo::PictureMetadata fullMetadata()
{
    zendavo::PictureMetadata m;
    m.exif = exifWithThumbnail();
    m.xmp = xmpPacket();
    m.iptc = iptcPayload();
    m.icc = srgbProfile();
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
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                seconds_[run.run_name.function_name].push_back(
                    run.real_accumulated_time / static_cast<double>(run.iterations));
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const double photoBare = median("Encode12MP_Bare");
        const double photoFull = median("Encode12MP_FullMetadata");
        const double tinyBare = median("Encode16px_Bare");
        const double tinyFull = median("Encode16px_FullMetadata");
        const zendavo::PictureMetadata& m = metadata();
        std::printf("\nmetadata: EXIF %zu bytes (thumbnail included), XMP %zu, IPTC %zu, ICC %zu\n",
                    m.exif.size(), m.xmp.size(), m.iptc.size(), m.icc.size());
        std::printf("12 MP JPEG, full metadata vs bare: %.3f x (%.2f ms vs %.2f ms, %+.2f ms)\n",
                    photoFull / photoBare, 1e3 * photoFull, 1e3 * photoBare,
                    1e3 * (photoFull - photoBare));
        std::printf("carrying the metadata (16 x 16 picture, full minus bare): %.3f ms per photo "
                    "(goal <= 2 ms)\n",
                    1e3 * (tinyFull - tinyBare));
    }

private:
    double median(const std::string& name)
    {
        std::vector<double> v = seconds_[name];
        if (v.empty()) return NAN;
        std::sort(v.begin(), v.end());
        return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    }
    std::map<std::string, std::vector<double>> seconds_;
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
