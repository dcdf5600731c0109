// Opacity mixes the multiplied value with the photo's; scaling resizes the watermark to a share
// of the photo's width with white kept pure.
#include <gtest/gtest.h>

#include <thread>

#include "imaging/compositor.h"
#include "imaging/watermark_scaling.h"
#include "support/bmp_fixture.h"

namespace zendavo {
namespace {

using testing::makeBmp;
using testing::makeSolidBmp;
using testing::pixelAt;
using testing::Rgb;

TEST(Opacity, ChannelArithmetic)
{
    // (watermark, source, opacity) -> (s * (100 - P) + floor(w * s / 255) * P + 50) div 100
    struct Case {
        int w, s, p, expected;
    };
    for (const Case& c : {Case{128, 200, 100, 100}, Case{128, 200, 50, 150}, Case{128, 200, 1, 199},
                          Case{0, 200, 30, 140}, Case{0, 255, 50, 128}, Case{0, 1, 50, 1},
                          Case{0, 1, 49, 1}, Case{0, 1, 51, 0}, Case{254, 254, 100, 253},
                          Case{254, 254, 10, 254}, Case{1, 254, 75, 64}, Case{255, 77, 37, 77},
                          Case{100, 0, 60, 0}}) {
        SCOPED_TRACE(::testing::Message() << c.w << " " << c.s << " " << c.p);
        const BmpBuffer photo = makeSolidBmp(1, 1, {static_cast<std::uint8_t>(c.s), 0, 0});
        const BmpBuffer mark = makeSolidBmp(1, 1, {static_cast<std::uint8_t>(c.w), 255, 255});
        BmpBuffer result = photo;
        ASSERT_TRUE(compositeInPlace(result, mark, {1, 0, 0}, {}, kWhite, c.p));
        EXPECT_EQ(pixelAt(result, 0, 0).r, c.expected);
    }
}

TEST(Opacity, FullOpacityIsTheMultiplicationAndWhiteChangesNothingAtAnyOpacity)
{
    const BmpBuffer photo = makeBmp(37, 23, [](int c, int r) {
        return Rgb{static_cast<std::uint8_t>(7 * c), static_cast<std::uint8_t>(11 * r), static_cast<std::uint8_t>(c * r)};
    });
    const BmpBuffer mark = makeBmp(30, 20, [](int c, int r) {
        return (c + r) % 3 == 0 ? Rgb{255, 255, 255} : Rgb{static_cast<std::uint8_t>(8 * c), 90, static_cast<std::uint8_t>(12 * r)};
    });
    BmpBuffer full = photo;
    ASSERT_TRUE(compositeInPlace(full, mark, {5, 0, 0}, {}, kWhite, 100));
    EXPECT_EQ(full.bytes, composite(photo, mark, {5, 0, 0}).bytes);

    for (int opacity : {1, 33, 50, 99}) {
        BmpBuffer result = photo;
        ASSERT_TRUE(compositeInPlace(result, mark, {5, 0, 0}, {}, kWhite, opacity));
        const int x = (37 - 30) / 2, y = (23 - 20) / 2;
        for (int r = 0; r < 20; ++r)
            for (int c = 0; c < 30; ++c) {
                const Rgb s = pixelAt(photo, x + c, y + r);
                const Rgb got = pixelAt(result, x + c, y + r);
                if ((c + r) % 3 == 0) {
                    ASSERT_EQ(got, s) << c << "," << r;
                    continue;
                }
                const Rgb m = pixelAt(full, x + c, y + r);
                const auto mix = [opacity](int sv, int mv) { return (sv * (100 - opacity) + mv * opacity + 50) / 100; };
                ASSERT_EQ(got, (Rgb{static_cast<std::uint8_t>(mix(s.r, m.r)), static_cast<std::uint8_t>(mix(s.g, m.g)),
                                    static_cast<std::uint8_t>(mix(s.b, m.b))}))
                    << opacity << " at " << c << "," << r;
            }
    }
}

TEST(Opacity, OtherKeyColourIsSkippedAtPartialOpacity)
{
    const BmpBuffer photo = makeSolidBmp(2, 1, {200, 200, 200});
    const BmpBuffer mark = makeBmp(2, 1, [](int c, int) { return c ? Rgb{10, 20, 30} : Rgb{0, 0, 0}; });
    BmpBuffer result = photo;
    ASSERT_TRUE(compositeInPlace(result, mark, {1, 0, 0}, {}, colourOfBgr(30, 20, 10), 50));
    EXPECT_EQ(pixelAt(result, 1, 0), (Rgb{200, 200, 200}));
    EXPECT_EQ(pixelAt(result, 0, 0), (Rgb{100, 100, 100}));
}

TEST(WatermarkScaling, SizeFollowsThePhotoWidth)
{
    struct Case {
        int w, h, photoWidth, percent, expectedW, expectedH;
    };
    for (const Case& c : {Case{400, 120, 4000, 10, 400, 120}, Case{400, 120, 1000, 20, 200, 60},
                          Case{400, 120, 650, 15, 98, 29},  // 97.5 -> 98, 120 * 98 / 400 = 29.4 -> 29
                          Case{131, 47, 650, 50, 325, 117},  // 116.6 -> 117: enlarged
                          Case{3, 1, 10, 1, 1, 1},           // 0.1 -> at least 1
                          Case{1000, 1, 200, 50, 100, 1},    // height 0.1 -> at least 1
                          Case{2, 3, 100, 100, 100, 150}, Case{10, 5, 3, 50, 2, 1}}) {
        const ScaledSize size = scaledWatermarkSize(c.w, c.h, c.photoWidth, c.percent);
        EXPECT_EQ(size.width, c.expectedW) << c.w << "x" << c.h << " on " << c.photoWidth << " at " << c.percent;
        EXPECT_EQ(size.height, c.expectedH) << c.w << "x" << c.h << " on " << c.photoWidth << " at " << c.percent;
    }
}

TEST(WatermarkScaling, WhiteStaysPureWhiteAndDarkStaysDark)
{
    // A dark square in the middle of a white field, and a row of single dark dots.
    const BmpBuffer mark = makeBmp(120, 60, [](int c, int r) {
        if (c >= 40 && c < 80 && r >= 15 && r < 45) return Rgb{20, 30, 40};
        if (r == 5 && c % 7 == 0) return Rgb{0, 0, 0};
        return Rgb{255, 255, 255};
    });
    for (const ScaledSize size : {ScaledSize{30, 15}, ScaledSize{60, 30}, ScaledSize{97, 49}, ScaledSize{240, 120},
                                  ScaledSize{361, 180}}) {
        SCOPED_TRACE(::testing::Message() << size.width << "x" << size.height);
        const BmpBuffer scaled = resizeWatermark(mark, size);
        ASSERT_FALSE(scaled.empty());
        const BmpInfo info = readBmpInfo(scaled.bytes);
        ASSERT_TRUE(isUsableBitmap(info, scaled.size()));
        EXPECT_EQ(info.width, size.width);
        EXPECT_EQ(info.height, size.height);
        const double sx = 120.0 / size.width, sy = 60.0 / size.height;
        for (int r = 0; r < size.height; ++r)
            for (int c = 0; c < size.width; ++c) {
                const double x = (c + 0.5) * sx, y = (r + 0.5) * sy;
                // Far (more than the filter's reach) from anything dark: must be exactly white.
                const double reachX = 3 * std::max(1.0, sx), reachY = 3 * std::max(1.0, sy);
                const bool nearSquare = x > 40 - reachX && x < 80 + reachX && y > 15 - reachY && y < 45 + reachY;
                const bool nearDots = y > 5 - reachY && y < 6 + reachY;
                if (!nearSquare && !nearDots) {
                    ASSERT_EQ(pixelAt(scaled, c, r), (Rgb{255, 255, 255})) << c << "," << r;
                }
                // Well inside the square: its colour.
                if (x > 40 + reachX && x < 80 - reachX && y > 15 + reachY && y < 45 - reachY) {
                    const Rgb p = pixelAt(scaled, c, r);
                    ASSERT_TRUE(std::abs(p.r - 20) <= 2 && std::abs(p.b - 40) <= 2) << c << "," << r;
                }
            }
    }
    const BmpBuffer white = makeSolidBmp(50, 20, {255, 255, 255});
    for (const ScaledSize size : {ScaledSize{7, 3}, ScaledSize{173, 69}}) {
        const BmpBuffer scaled = resizeWatermark(white, size);
        for (int r = 0; r < size.height; ++r)
            for (int c = 0; c < size.width; ++c) ASSERT_EQ(pixelAt(scaled, c, r), (Rgb{255, 255, 255}));
    }
}

TEST(WatermarkScaling, UnusablePictureGivesNothing)
{
    EXPECT_TRUE(resizeWatermark(BmpBuffer{}, {10, 10}).empty());
    EXPECT_TRUE(resizeWatermark(makeSolidBmp(4, 4, {0, 0, 0}), {0, 3}).empty());
}

TEST(WatermarkScaling, OneResamplingPerDistinctWidthFromManyThreads)
{
    const BmpBuffer mark = makeBmp(80, 40, [](int c, int r) { return Rgb{static_cast<std::uint8_t>(3 * c), 0, static_cast<std::uint8_t>(6 * r)}; });
    ScaledWatermarks cache(mark, 25);
    const std::vector<int> widths{640, 1000, 640, 333, 1000, 640, 4000, 333};
    std::vector<std::shared_ptr<const BmpBuffer>> seen(widths.size() * 4);
    {
        std::vector<std::jthread> threads;
        for (std::size_t t = 0; t < 4; ++t)
            threads.emplace_back([&, t] {
                for (std::size_t k = 0; k < widths.size(); ++k) seen[t * widths.size() + k] = cache.forPhotoWidth(widths[k]);
            });
    }
    EXPECT_EQ(cache.resizedCount(), 4u);
    for (std::size_t i = 0; i < seen.size(); ++i) {
        const int width = widths[i % widths.size()];
        EXPECT_EQ(seen[i], cache.forPhotoWidth(width));
        EXPECT_EQ(readBmpInfo(seen[i]->bytes).width, (width * 25 + 50) / 100);
        EXPECT_EQ(seen[i]->bytes, resizeWatermark(mark, scaledWatermarkSize(80, 40, width, 25)).bytes);
    }
    EXPECT_EQ(cache.resizedCount(), 4u);
}

TEST(WatermarkScaling, CacheDropsTheOldestBeyondItsLimitAndKeepsPicturesInUse)
{
    const BmpBuffer mark = makeSolidBmp(100, 50, {10, 20, 30});
    // Marks of 50 x 25 (about 3.8 KB each) for 500-wide photos at 10 %: room for two.
    ScaledWatermarks cache(mark, 10, 8000);
    const std::shared_ptr<const BmpBuffer> first = cache.forPhotoWidth(500);
    cache.forPhotoWidth(510);
    cache.forPhotoWidth(500);
    EXPECT_EQ(cache.resizedCount(), 2u);
    cache.forPhotoWidth(520);  // drops 500's
    EXPECT_EQ(cache.resizedCount(), 3u);
    EXPECT_EQ(readBmpInfo(first->bytes).width, 50);  // still whole for whoever holds it
    const std::shared_ptr<const BmpBuffer> again = cache.forPhotoWidth(500);
    EXPECT_EQ(cache.resizedCount(), 4u);
    EXPECT_EQ(again->bytes, first->bytes);
}

}  // namespace
}  // namespace zendavo
