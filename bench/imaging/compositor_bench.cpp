// Composing into a 24-megapixel photo, side by side with a plain copy of its buffer.
// Run: build/default/bench/imaging/compositor_bench
#include <benchmark/benchmark.h>

#include "imaging/compositor.h"
#include "imaging/watermark_scaling.h"
#include "support/bmp_fixture.h"

namespace {

using zendavo::BmpBuffer;
using zendavo::testing::Rgb;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

const BmpBuffer& photo()
{
    static const BmpBuffer bmp = zendavo::testing::makeBmp(kWidth, kHeight, [](int c, int r) {
        return Rgb{static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(c ^ r)};
    });
    return bmp;
}

// Dark lettering on white: about a third of the pixels are not white.
BmpBuffer lettering(int width, int height)
{
    return zendavo::testing::makeBmp(width, height, [](int c, int r) {
        return (c / 3 + r / 5) % 3 == 0 ? Rgb{30, 30, 60} : Rgb{255, 255, 255};
    });
}

void CopySource(benchmark::State& state)
{
    for (auto _ : state) {
        BmpBuffer copy = photo();
        benchmark::DoNotOptimize(copy.bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(photo().size()));
}

void CompositeSmallWatermark(benchmark::State& state)
{
    const BmpBuffer mark = lettering(131, 47);
    for (auto _ : state) {
        BmpBuffer out = zendavo::composite(photo(), mark, zendavo::WatermarkSettings{});
        benchmark::DoNotOptimize(out.bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(photo().size()));
}

// Drawing alone, into a buffer composed again and again, so no copy is measured.
void DrawFullCover(benchmark::State& state, zendavo::ColourValue key, int opacity = zendavo::kFullOpacity)
{
    const BmpBuffer mark = lettering(kWidth, kHeight);
    BmpBuffer target = photo();
    for (auto _ : state) {
        zendavo::compositeInPlace(target, mark, {1, 0, 0}, {}, key, opacity);
        benchmark::DoNotOptimize(target.bytes.data());
    }
    state.counters["Mpixel/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kWidth * kHeight / 1e6, benchmark::Counter::kIsRate);
}

void DrawFullCoverWhiteKey(benchmark::State& state) { DrawFullCover(state, zendavo::kWhite); }
void DrawFullCoverOtherKey(benchmark::State& state) { DrawFullCover(state, 0x010203); }
void DrawFullCoverWhiteKeyOpacity60(benchmark::State& state) { DrawFullCover(state, zendavo::kWhite, 60); }

// What --scale adds per distinct photo width: one resampling of a 400 x 120 logo.
void ResizeWatermark(benchmark::State& state)
{
    const BmpBuffer mark = lettering(400, 120);
    const int width = static_cast<int>(state.range(0));
    for (auto _ : state) {
        BmpBuffer out = zendavo::resizeWatermark(mark, zendavo::scaledWatermarkSize(400, 120, kWidth, width * 100 / kWidth));
        benchmark::DoNotOptimize(out.bytes.data());
    }
}

}  // namespace

BENCHMARK(CopySource)->Unit(benchmark::kMillisecond);
BENCHMARK(CompositeSmallWatermark)->Unit(benchmark::kMillisecond);
BENCHMARK(DrawFullCoverWhiteKey)->Unit(benchmark::kMillisecond);
BENCHMARK(DrawFullCoverOtherKey)->Unit(benchmark::kMillisecond);
BENCHMARK(DrawFullCoverWhiteKeyOpacity60)->Unit(benchmark::kMillisecond);
BENCHMARK(ResizeWatermark)->Arg(600)->Arg(1200)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
