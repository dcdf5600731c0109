#include "imaging/compositor.h"

#include <gtest/gtest.h>

#include "support/bmp_fixture.h"

namespace zendavo {
namespace {

using testing::Rgb;
using testing::makeBmp;
using testing::makeSolidBmp;
using testing::pixelAt;

// A source whose every pixel is distinct, so a misplaced write shows.
BmpBuffer patternedSource(int width, int height)
{
    return makeBmp(width, height, [](int c, int r) {
        return Rgb{static_cast<std::uint8_t>(c * 7 + r), static_cast<std::uint8_t>(200 - r),
                   static_cast<std::uint8_t>(c + r * 3)};
    });
}

std::uint8_t product(std::uint8_t a, std::uint8_t b) { return static_cast<std::uint8_t>(a * b / 255); }

// True when every pixel of `result` is the source's, except those with drawn(c, r), which
// must be the product of the source and the watermark pixel at markAt(c, r).
void expectDrawnExactly(const BmpBuffer& result, const BmpBuffer& source, const BmpBuffer& mark,
                        const std::function<bool(int, int)>& drawn,
                        const std::function<std::pair<int, int>(int, int)>& markAt)
{
    const BmpInfo info = readBmpInfo(source.bytes);
    for (int r = 0; r < info.height; ++r)
        for (int c = 0; c < info.width; ++c) {
            const Rgb s = pixelAt(source, c, r);
            Rgb want = s;
            if (drawn(c, r)) {
                const auto [mc, mr] = markAt(c, r);
                const Rgb m = pixelAt(mark, mc, mr);
                want = {product(m.r, s.r), product(m.g, s.g), product(m.b, s.b)};
            }
            ASSERT_EQ(pixelAt(result, c, r), want) << "column " << c << " row " << r;
        }
}

TEST(Compositor, ChannelArithmeticIsTheFloorOfTheProduct)
{
    // Source column c holds grey c, watermark row r holds grey r: every pair of byte values.
    const auto source = makeBmp(256, 256, [](int c, int) {
        const auto v = static_cast<std::uint8_t>(c);
        return Rgb{v, v, v};
    });
    const auto mark = makeBmp(256, 256, [](int, int r) {
        const auto v = static_cast<std::uint8_t>(r);
        return Rgb{v, v, v};
    });
    const BmpBuffer result = composite(source, mark, {1, 0, 0});
    ASSERT_EQ(result.size(), source.size());
    for (int r = 0; r < 256; ++r)
        for (int c = 0; c < 256; ++c)
            ASSERT_EQ(pixelAt(result, c, r).g, c * r / 255) << c << " x " << r;
}

TEST(Compositor, ArithmeticTable)
{
    const std::pair<std::uint8_t, std::uint8_t> cases[] = {{128, 200}, {254, 254}, {1, 254},
                                                           {255, 77}, {0, 77}};
    const std::uint8_t want[] = {100, 253, 0, 77, 0};
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        const auto [m, s] = cases[k];
        const auto source = makeSolidBmp(1, 1, {s, s, s});
        const auto mark = makeSolidBmp(1, 1, {m, m, 0});
        const Rgb out = pixelAt(composite(source, mark, {1, 0, 0}), 0, 0);
        EXPECT_EQ(out.r, want[k]) << int(m) << " x " << int(s);
        EXPECT_EQ(out.b, 0);
    }
}

TEST(Compositor, SamplePicturesAtDefaultsDrawOnlyTheirRectangle)
{
    const auto source = patternedSource(650, 450);
    const auto mark = makeBmp(131, 47, [](int c, int r) {
        return (c + r) % 3 ? Rgb{255, 255, 255} : Rgb{static_cast<std::uint8_t>(c), 40, 90};
    });
    int warnings = 0;
    const BmpBuffer result = composite(source, mark, WatermarkSettings{}, [&](SizeWarning) { ++warnings; });
    EXPECT_EQ(warnings, 0);
    expectDrawnExactly(
        result, source, mark,
        [](int c, int r) { return c >= 499 && c < 630 && r >= 393 && r < 440; },
        [](int c, int r) { return std::pair{c - 499, r - 393}; });
}

TEST(Compositor, HeaderPaddingAndTrailingBytesAreKept)
{
    const auto source = makeSolidBmp(5, 4, {10, 20, 30}, 3);  // 5 wide: one padding byte a row
    const auto mark = makeSolidBmp(5, 4, {0, 0, 0});
    const BmpBuffer result = composite(source, mark, {1, 0, 0});
    ASSERT_EQ(result.size(), source.size());
    const BmpInfo info = readBmpInfo(source.bytes);
    for (std::size_t k = 0; k < source.size(); ++k) {
        const bool pixelByte = k >= 54 && k < 54 + 16 * 4 && (k - 54) % 16 < 15;
        if (pixelByte)
            EXPECT_EQ(result.bytes[k], 0) << k;
        else
            EXPECT_EQ(result.bytes[k], source.bytes[k]) << k;
    }
    EXPECT_EQ(info.pixelEnd, 54 + 16 * 4);
}

TEST(Compositor, KeyTestIsExact)
{
    const auto source = makeSolidBmp(2, 1, {200, 200, 200});
    const auto mark = makeBmp(2, 1, [](int c, int) { return c ? Rgb{254, 255, 255} : Rgb{255, 255, 255}; });
    const BmpBuffer result = composite(source, mark, {1, 0, 0});
    EXPECT_EQ(pixelAt(result, 0, 0), (Rgb{200, 200, 200}));
    EXPECT_EQ(pixelAt(result, 1, 0), (Rgb{199, 200, 200}));
}

TEST(Compositor, OtherKeyColourSkipsThatColourAndMultipliesWhite)
{
    const Rgb key{10, 20, 30};
    const auto source = makeSolidBmp(3, 1, {200, 100, 50});
    const auto mark = makeBmp(3, 1, [&](int c, int) {
        return c == 0 ? key : c == 1 ? Rgb{255, 255, 255} : Rgb{128, 128, 128};
    });
    const ColourValue keyValue = colourOfBgr(key.b, key.g, key.r);
    const BmpBuffer result = composite(source, mark, {1, 0, 0}, {}, keyValue);
    EXPECT_EQ(pixelAt(result, 0, 0), (Rgb{200, 100, 50}));
    EXPECT_EQ(pixelAt(result, 1, 0), (Rgb{200, 100, 50}));
    EXPECT_EQ(pixelAt(result, 2, 0), (Rgb{100, 50, 25}));
    // The same pixels with the white key: the key colour is multiplied in.
    EXPECT_EQ(pixelAt(composite(source, mark, {1, 0, 0}), 0, 0), (Rgb{7, 7, 5}));
}

struct ClipCase {
    const char* name;
    WatermarkSettings settings;
    int markWidth, markHeight;
    int x, y;  // where the watermark's top-left pixel belongs, possibly outside
    int warnings;
};

class ClipAtEdges : public ::testing::TestWithParam<ClipCase> {};

TEST_P(ClipAtEdges, OverlapIsDrawnWhereItBelongs)
{
    const ClipCase& k = GetParam();
    const int W = 40, H = 30;
    const auto source = patternedSource(W, H);
    const auto mark = makeBmp(k.markWidth, k.markHeight, [](int c, int r) {
        return Rgb{static_cast<std::uint8_t>(c * 3), static_cast<std::uint8_t>(r * 5), 128};
    });
    int warnings = 0;
    const BmpBuffer result = composite(source, mark, k.settings, [&](SizeWarning) { ++warnings; });
    EXPECT_EQ(warnings, k.warnings);
    expectDrawnExactly(
        result, source, mark,
        [&](int c, int r) {
            return c >= k.x && c < k.x + k.markWidth && r >= k.y && r < k.y + k.markHeight;
        },
        [&](int c, int r) { return std::pair{c - k.x, r - k.y}; });
}

INSTANTIATE_TEST_SUITE_P(
    Compositor, ClipAtEdges,
    ::testing::Values(
        ClipCase{"Inside", {5, 0, 0}, 10, 6, 15, 12, 0},
        ClipCase{"Right", {1, 35, 2}, 10, 6, 35, 2, 0},
        ClipCase{"Bottom", {1, 3, 27}, 10, 6, 3, 27, 0},
        ClipCase{"RightPastTheEdge", {1, 45, 0}, 10, 6, 45, 0, 0},
        ClipCase{"LeftByMargin", {3, 35, 4}, 10, 6, -5, 4, 0},
        ClipCase{"TopByMargin", {7, 4, 28}, 10, 6, 4, -4, 0},
        ClipCase{"WiderCentred", {5, 0, 0}, 46, 6, -3, 12, 1},
        ClipCase{"TallerBottom", {8, 0, 0}, 10, 33, 15, -3, 1},
        ClipCase{"LargerBothWays", {9, 0, 0}, 50, 40, -10, -10, 2},
        ClipCase{"LargerTopLeft", {1, 0, 0}, 50, 40, 0, 0, 2},
        ClipCase{"WiderWithMargin", {1, 20, 0}, 45, 6, 20, 0, 1}),
    [](const auto& test) { return test.param.name; });

TEST(Compositor, SizeWarningsComeHeightFirst)
{
    using W = SizeWarning;
    const auto source = makeSolidBmp(650, 450, {90, 90, 90});
    const std::pair<std::pair<int, int>, std::vector<W>> cases[] = {
        {{800, 500}, {W::TallerThanPicture, W::WiderThanPicture}},
        {{700, 40}, {W::WiderThanPicture}},
        {{100, 451}, {W::TallerThanPicture}},
        {{650, 450}, {}},
    };
    for (const auto& [size, expected] : cases) {
        std::vector<W> seen;
        const auto mark = makeSolidBmp(size.first, size.second, {0, 0, 0});
        EXPECT_FALSE(composite(source, mark, {1, 0, 0}, [&](W w) { seen.push_back(w); }).empty());
        EXPECT_EQ(seen, expected) << size.first << " x " << size.second;
    }
}

TEST(Compositor, WatermarkWiderThanThePhotoIsCutToTheOverlap)
{
    const auto source = patternedSource(650, 450);
    const auto mark = makeSolidBmp(700, 40, {100, 100, 100});
    int warnings = 0;
    const BmpBuffer result = composite(source, mark, {1, 20, 0}, [&](SizeWarning) { ++warnings; });
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(pixelAt(result, 19, 0), pixelAt(source, 19, 0));
    EXPECT_NE(pixelAt(result, 20, 0), pixelAt(source, 20, 0));
    EXPECT_NE(pixelAt(result, 649, 39), pixelAt(source, 649, 39));
    EXPECT_EQ(pixelAt(result, 649, 40), pixelAt(source, 649, 40));
}

TEST(Compositor, NonBitmapInputsGiveAnEmptyResultWithoutWarning)
{
    const auto good = makeSolidBmp(8, 8, {1, 2, 3});
    auto eightBit = makeSolidBmp(80, 80, {1, 2, 3});
    eightBit.bytes[28] = 8;
    auto thirtyTwo = eightBit;
    thirtyTwo.bytes[28] = 32;
    int warnings = 0;
    const auto count = [&](SizeWarning) { ++warnings; };
    for (const BmpBuffer* bad : {&eightBit, &thirtyTwo}) {
        EXPECT_TRUE(composite(good, *bad, {}, count).empty());
        EXPECT_TRUE(composite(*bad, good, {}, count).empty());
    }
    EXPECT_TRUE(composite(BmpBuffer{}, good, {}, count).empty());
    EXPECT_TRUE(composite(good, BmpBuffer{}, {}, count).empty());
    EXPECT_EQ(warnings, 0);
}

TEST(Compositor, HostileHeadersAreRefusedWithoutTouchingMemory)
{
    const auto good = makeSolidBmp(16, 16, {9, 9, 9});
    const auto setLe = [](BmpBuffer b, std::size_t at, std::uint32_t v, int n) {
        testing::putLe(b.bytes, at, v, n);
        return b;
    };
    const BmpBuffer hostile[] = {
        BmpBuffer{std::vector<std::uint8_t>(good.bytes.begin(), good.bytes.end() - 1)},  // short
        setLe(good, 18, 0, 4),                 // width 0
        setLe(good, 22, 0, 4),                 // height 0
        setLe(good, 18, 0xFFFFFFF0u, 4),       // negative width
        setLe(good, 22, 0xFFFFFFF0u, 4),       // negative height
        setLe(good, 18, 0x7FFFFFFFu, 4),       // huge width
        setLe(setLe(good, 18, 0x7FFFFFFFu, 4), 22, 0x7FFFFFFFu, 4),  // stride * height overflows
        setLe(good, 10, 0x7FF0, 2),            // pixel array past the end
        setLe(good, 10, 0xFFF0, 2),            // negative pixel offset
        BmpBuffer{std::vector<std::uint8_t>(good.bytes.begin(), good.bytes.begin() + 30)},
    };
    int warnings = 0;
    for (const BmpBuffer& bad : hostile) {
        EXPECT_TRUE(composite(good, bad, {}, [&](SizeWarning) { ++warnings; }).empty());
        EXPECT_TRUE(composite(bad, good, {}, [&](SizeWarning) { ++warnings; }).empty());
        BmpBuffer copy = bad;
        EXPECT_FALSE(compositeInPlace(copy, good, {}));
        EXPECT_EQ(copy.bytes, bad.bytes);
    }
    EXPECT_EQ(warnings, 0);
}

TEST(Compositor, InPlaceDrawsTheSameAsACopy)
{
    const auto source = patternedSource(33, 21);
    const auto mark = makeBmp(9, 7, [](int c, int r) {
        return Rgb{static_cast<std::uint8_t>(c * 20), static_cast<std::uint8_t>(r * 30), 7};
    });
    BmpBuffer inPlace = source;
    ASSERT_TRUE(compositeInPlace(inPlace, mark, {6, 3, 0}));
    EXPECT_EQ(inPlace.bytes, composite(source, mark, {6, 3, 0}).bytes);
    EXPECT_NE(inPlace.bytes, source.bytes);
}

}  // namespace
}  // namespace zendavo
