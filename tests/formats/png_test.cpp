// PNG decoding: every colour type and depth, palettes as stored, 16-bit samples scaled to 8,
// transparency laid over white, gamma handled only where the file's gamma calls for it.
#include <gtest/gtest.h>

#include <cmath>

#include "format_fixtures.h"
#include "formats/over_white.h"

namespace zendavo {
namespace {

using namespace zendavo::testing;

class PngTest : public ::testing::Test {
protected:
    ScratchFolder scratch;

    Picture convert(const PngFixture& fixture)
    {
        const Converted out = convertBytes(scratch, pngBytes(fixture));
        EXPECT_EQ(out.status, ConvertStatus::Ok);
        return pictureOfBmp(out.bmp);
    }
};

Bytes sequence(std::size_t count, int modulo)
{
    Bytes bytes(count);
    for (std::size_t k = 0; k < count; ++k) bytes[k] = static_cast<std::uint8_t>(k * 5 % modulo);
    return bytes;
}

TEST_F(PngTest, GreyAtEveryDepthSpansBlackToWhite)
{
    for (int depth : {1, 2, 4, 8}) {
        const int levels = 1 << depth;
        const Bytes samples = sequence(7 * 3, levels);
        const Picture got = convert({7, 3, 0, depth, samples});
        ASSERT_EQ(got.width, 7);
        for (int k = 0; k < 21; ++k) {
            const auto grey = static_cast<std::uint8_t>(samples[k] * 255 / (levels - 1));
            EXPECT_EQ(got.at(k % 7, k / 7), (Rgb{grey, grey, grey}))
                << "depth " << depth << " sample " << k;
        }
    }
}

TEST_F(PngTest, RgbIsExact)
{
    const Picture picture = patternPicture(13, 9);
    EXPECT_EQ(convert({13, 9, 2, 8, picture.rgb}).rgb, picture.rgb);
}

TEST_F(PngTest, PaletteColoursAreUsedAsStored)
{
    for (int depth : {2, 4, 8}) {
        PngFixture fixture{6, 4, 3, depth, sequence(24, 1 << std::min(depth, 2))};
        fixture.palette = {{10, 20, 30}, {200, 0, 0}, {0, 255, 0}, {1, 2, 3}};
        fixture.gamma = 1.0;  // gamma is set up after the palette is taken
        fixture.background = true;
        const Picture got = convert(fixture);
        for (int k = 0; k < 24; ++k)
            EXPECT_EQ(got.at(k % 6, k / 6), fixture.palette[fixture.samples[k]])
                << "depth " << depth;
    }
}

TEST_F(PngTest, IndexBeyondThePaletteIsBlack)
{
    PngFixture fixture{4, 1, 3, 4, {0, 1, 2, 15}};
    fixture.palette = {{10, 20, 30}, {40, 50, 60}};
    const Picture got = convert(fixture);
    EXPECT_EQ(got.at(0, 0), (Rgb{10, 20, 30}));
    EXPECT_EQ(got.at(1, 0), (Rgb{40, 50, 60}));
    EXPECT_EQ(got.at(2, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(got.at(3, 0), (Rgb{0, 0, 0}));
}

TEST_F(PngTest, InterlacedMatchesItsPlainTwin)
{
    const Picture picture = patternPicture(19, 13);
    PngFixture plain{19, 13, 2, 8, picture.rgb};
    PngFixture interlaced = plain;
    interlaced.interlaced = true;
    EXPECT_EQ(convert(interlaced).rgb, convert(plain).rgb);

    PngFixture palette{19, 13, 3, 4, sequence(19 * 13, 16)};
    for (int k = 0; k < 16; ++k)
        palette.palette.push_back(
            {static_cast<std::uint8_t>(k * 16), static_cast<std::uint8_t>(255 - k), 7});
    PngFixture paletteInterlaced = palette;
    paletteInterlaced.interlaced = true;
    EXPECT_EQ(convert(paletteInterlaced).rgb, convert(palette).rgb);
}

TEST_F(PngTest, GammaCorrectsOnlyWhenTheFileGammaDiffers)
{
    Bytes samples;
    for (int v = 0; v < 256; ++v) samples.insert(samples.end(), 3, static_cast<std::uint8_t>(v));
    PngFixture fixture{256, 1, 2, 8, samples};
    EXPECT_EQ(convert(fixture).rgb, samples) << "no gamma chunk";

    fixture.gamma = 0.45455;
    EXPECT_EQ(convert(fixture).rgb, samples) << "gAMA 0.45455";

    fixture.gamma = 0.46;  // |2.2 x 0.46 - 1| = 0.012: below libpng's threshold
    EXPECT_EQ(convert(fixture).rgb, samples) << "gAMA 0.46";

    fixture.gamma.reset();
    fixture.srgb = true;
    EXPECT_EQ(convert(fixture).rgb, samples) << "sRGB";

    fixture.srgb = false;
    fixture.gamma = 1.0;  // linear file on a 2.2 display: brightened by the power 1 / 2.2
    const Picture linear = convert(fixture);
    for (int v = 0; v < 256; ++v) {
        const double want = 255.0 * std::pow(v / 255.0, 1 / 2.2);
        EXPECT_NEAR(linear.at(v, 0).g, want, 1.0) << v;
    }
}

TEST(OverWhiteTest, Arithmetic)
{
    struct Case {
        unsigned c, a;
        std::uint8_t expected;
    };
    for (const Case k : {Case{0, 0, 255}, Case{200, 0, 255}, Case{0, 255, 0}, Case{77, 255, 77},
                         Case{0, 128, 127}, Case{100, 128, 177}, Case{255, 1, 255},
                         Case{0, 1, 254}, Case{9, 254, 10}})
        EXPECT_EQ(overWhite(k.c, k.a), k.expected) << k.c << " " << k.a;
    // Premultiplied colour (as libtiff gives it) lands on the same value.
    for (unsigned c = 0; c < 256; c += 5)
        for (unsigned a = 0; a < 256; a += 3)
            EXPECT_EQ(premultipliedOverWhite((c * a + 127) / 255, a), overWhite(c, a)) << c << a;
}

// Every form of transparency, read as any picture (photo or watermark) is converted: the
// expected colour of each pixel by the over-white arithmetic.
TEST_F(PngTest, TransparencyIsLaidOverWhite)
{
    struct Case {
        const char* name;
        PngFixture fixture;
        std::vector<Rgb> expected;
    };
    std::vector<Case> cases;

    // Grey with alpha: transparent black becomes white, opaque unchanged, half lighter.
    cases.push_back({"grey+alpha", {4, 1, 4, 8, {0, 0, 0, 255, 100, 128, 30, 1}},
                     {{255, 255, 255}, {0, 0, 0}, {177, 177, 177}, {254, 254, 254}}});
    // RGBA: the usual logo, transparent pixels stored black.
    cases.push_back({"rgba",
                     {4, 1, 6, 8, {0, 0, 0, 0, 200, 100, 50, 255, 0, 0, 0, 128, 9, 8, 7, 254}},
                     {{255, 255, 255}, {200, 100, 50}, {127, 127, 127}, {10, 9, 8}}});
    // Palette: entry i takes tRNS[i], 255 beyond the list.
    PngFixture palette{4, 1, 3, 8, {0, 1, 2, 3}};
    palette.palette = {{0, 0, 0}, {200, 0, 0}, {0, 100, 0}, {1, 2, 3}};
    palette.transparency = {0, 128, 255};
    cases.push_back({"palette tRNS", palette,
                     {{255, 255, 255}, {227, 127, 127}, {0, 100, 0}, {1, 2, 3}}});
    // Grey: the one listed level, at the file's own depth, is fully transparent.
    for (int depth : {1, 2, 4, 8}) {
        const int top = (1 << depth) - 1;
        PngFixture grey{3, 1, 0, depth, {0, static_cast<std::uint8_t>(top), 1}};
        grey.transparentGrey = 0;
        const auto one = static_cast<std::uint8_t>(255 / top);
        cases.push_back({"grey tRNS", grey, {{255, 255, 255}, {255, 255, 255}, {one, one, one}}});
    }
    PngFixture grey16{3, 1, 0, 16, {0x12, 0x34, 0x12, 0x35, 0x00, 0x00}};
    grey16.transparentGrey = 0x1234;  // 0x1235 differs only in the low byte: stays opaque
    cases.push_back({"grey16 tRNS", grey16, {{255, 255, 255}, {18, 18, 18}, {0, 0, 0}}});
    PngFixture rgb{3, 1, 2, 8, {10, 20, 30, 10, 20, 31, 0, 0, 0}};
    rgb.transparentRgb = std::array<std::uint16_t, 3>{10, 20, 30};
    cases.push_back({"rgb tRNS", rgb, {{255, 255, 255}, {10, 20, 31}, {0, 0, 0}}});
    PngFixture rgb16{2, 1, 2, 16, {1, 0, 2, 0, 3, 0, 1, 0, 2, 0, 3, 1}};
    rgb16.transparentRgb = std::array<std::uint16_t, 3>{0x100, 0x200, 0x300};
    cases.push_back({"rgb16 tRNS", rgb16, {{255, 255, 255}, {1, 2, 3}}});

    for (Case& c : cases) {
        for (bool interlaced : {false, true}) {
            c.fixture.interlaced = interlaced;
            const Picture got = convert(c.fixture);
            ASSERT_EQ(got.width, static_cast<int>(c.expected.size())) << c.name;
            for (std::size_t x = 0; x < c.expected.size(); ++x)
                EXPECT_EQ(got.at(static_cast<int>(x), 0), c.expected[x])
                    << c.name << " depth " << c.fixture.bitDepth << " pixel " << x
                    << (interlaced ? " interlaced" : "");
        }
    }
}

std::uint8_t scaled(unsigned v)
{
    return static_cast<std::uint8_t>((v * 255 + 32767) / 65535);
}

// 16-bit samples become (v x 255 + 32767) div 65535, alpha included, then lie over white.
TEST_F(PngTest, SixteenBitSamplesAreScaled)
{
    const std::vector<unsigned> values = {0, 128, 129, 32767, 32896, 32897, 65407, 65408, 65535};
    auto be = [](unsigned v) {
        return Bytes{static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
    };
    const int n = static_cast<int>(values.size());
    Bytes grey, rgb, greyAlpha, rgba;
    for (int k = 0; k < n; ++k) {
        const unsigned v = values[k];
        const unsigned other = values[n - 1 - k];
        auto add = [&](Bytes& to, unsigned value) {
            const Bytes b = be(value);
            to.insert(to.end(), b.begin(), b.end());
        };
        add(grey, v);
        add(rgb, v), add(rgb, other), add(rgb, 65535 - v);
        add(greyAlpha, other), add(greyAlpha, v);
        add(rgba, v), add(rgba, 1000), add(rgba, other), add(rgba, other);
    }
    const Picture g = convert({n, 1, 0, 16, grey});
    const Picture c = convert({n, 1, 2, 16, rgb});
    const Picture ga = convert({n, 1, 4, 16, greyAlpha});
    const Picture ca = convert({n, 1, 6, 16, rgba});
    for (int k = 0; k < n; ++k) {
        const unsigned v = values[k];
        const unsigned other = values[n - 1 - k];
        EXPECT_EQ(g.at(k, 0), (Rgb{scaled(v), scaled(v), scaled(v)})) << v;
        EXPECT_EQ(c.at(k, 0), (Rgb{scaled(v), scaled(other), scaled(65535 - v)})) << v;
        const std::uint8_t grey8 = overWhite(scaled(other), scaled(v));
        EXPECT_EQ(ga.at(k, 0), (Rgb{grey8, grey8, grey8})) << v;
        const std::uint8_t a = scaled(other);
        EXPECT_EQ(ca.at(k, 0), (Rgb{overWhite(scaled(v), a), overWhite(scaled(1000), a),
                                     overWhite(scaled(other), a)}))
            << v;
    }
}

// A linear file is brightened on its colour only: alpha is never gamma-corrected.
TEST_F(PngTest, GammaTouchesColourNotAlpha)
{
    PngFixture fixture{3, 1, 6, 8, {0, 0, 0, 128, 128, 128, 128, 255, 128, 128, 128, 128}};
    fixture.gamma = 1.0;
    const Picture got = convert(fixture);
    EXPECT_EQ(got.at(0, 0), (Rgb{127, 127, 127}));  // black half over white, alpha as stored
    const double bright = 255.0 * std::pow(128 / 255.0, 1 / 2.2);
    EXPECT_NEAR(got.at(1, 0).r, bright, 1.0);
    EXPECT_NEAR(got.at(2, 0).r, overWhite(static_cast<unsigned>(std::lround(bright)), 128), 1.0);
}

}  // namespace
}  // namespace zendavo
