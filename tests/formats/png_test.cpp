// PNG decoding: every colour type and depth up to 8 bits, palettes as stored, alpha dropped,
// gamma handled only where the file's gamma calls for it.
#include <gtest/gtest.h>

#include <cmath>

#include "format_fixtures.h"

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

TEST_F(PngTest, GreyWithTransparentLevelKeepsItsLevels)
{
    PngFixture fixture{5, 2, 0, 4, sequence(10, 16)};
    fixture.transparentGrey = 5;
    const Picture got = convert(fixture);
    for (int k = 0; k < 10; ++k) {
        const auto grey = static_cast<std::uint8_t>(fixture.samples[k] * 17);
        EXPECT_EQ(got.at(k % 5, k / 5), (Rgb{grey, grey, grey}));
    }
}

TEST_F(PngTest, RgbIsExact)
{
    const Picture picture = patternPicture(13, 9);
    EXPECT_EQ(convert({13, 9, 2, 8, picture.rgb}).rgb, picture.rgb);
}

TEST_F(PngTest, PaletteColoursAreUsedAsStoredWithoutTransparency)
{
    for (int depth : {2, 4, 8}) {
        PngFixture fixture{6, 4, 3, depth, sequence(24, 1 << std::min(depth, 2))};
        fixture.palette = {{10, 20, 30}, {200, 0, 0}, {0, 255, 0}, {1, 2, 3}};
        fixture.transparency = {0, 0, 128};
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

TEST_F(PngTest, GreyWithAlphaKeepsTheGrey)
{
    Bytes samples;
    for (int k = 0; k < 8; ++k) {
        samples.push_back(static_cast<std::uint8_t>(k * 30));
        samples.push_back(static_cast<std::uint8_t>(k % 2 ? 0 : 255));
    }
    const Picture got = convert({4, 2, 4, 8, samples});
    for (int k = 0; k < 8; ++k) {
        const auto grey = static_cast<std::uint8_t>(k * 30);
        EXPECT_EQ(got.at(k % 4, k / 4), (Rgb{grey, grey, grey}));
    }
}

TEST_F(PngTest, AlphaIsDroppedWithoutBlending)
{
    // Transparent black stays black; half-transparent colour keeps its samples.
    const Bytes samples = {0, 0, 0, 0, 200, 100, 50, 0, 9, 8, 7, 128, 255, 255, 255, 255};
    PngFixture fixture{2, 2, 6, 8, samples};
    fixture.background = true;
    const Picture got = convert(fixture);
    EXPECT_EQ(got.at(0, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(got.at(1, 0), (Rgb{200, 100, 50}));
    EXPECT_EQ(got.at(0, 1), (Rgb{9, 8, 7}));
    EXPECT_EQ(got.at(1, 1), (Rgb{255, 255, 255}));
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

TEST_F(PngTest, SixteenBitIsRefused)
{
    const Converted out = convertBytes(scratch, pngBytes({3, 2, 2, 16, Bytes(36, 0x80)}));
    EXPECT_EQ(out.status, ConvertStatus::Undecodable);
    EXPECT_EQ(convertBytes(scratch, pngBytes({3, 2, 0, 16, Bytes(12, 0x80)})).status,
              ConvertStatus::Undecodable);
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

}  // namespace
}  // namespace zendavo
