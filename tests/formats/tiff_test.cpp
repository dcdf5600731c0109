// TIFF decoding through libtiff's RGBA reading: colours kept, alpha dropped, first page only.
#include <gtest/gtest.h>

#include "format_fixtures.h"
#include "formats/file_io.h"
#include "formats/image_converter.h"

namespace zendavo {
namespace {

using namespace zendavo::testing;

class TiffTest : public ::testing::Test {
protected:
    ScratchFolder scratch;

    Converted convertTiff(const std::vector<TiffPage>& pages)
    {
        writeTiff(scratch / "in.tif", pages);
        Converted out;
        out.status = convertToBmp(scratch / "in.tif", scratch / "out.bmp");
        out.bmp.bytes = readFile(scratch / "out.bmp");
        return out;
    }
};

TEST_F(TiffTest, EveryLayoutGivesThePictureUpright)
{
    // Strips read one at a time (a short last strip included), one strip for the whole
    // picture, rows stored bottom first, and tiles.
    const Picture picture = patternPicture(37, 23);
    struct Case {
        const char* name;
        int rowsPerStrip;
        bool bottomUp, tiled;
    };
    for (const Case c : {Case{"strips of 2", 2, false, false}, Case{"strips of 5", 5, false, false},
                         Case{"one strip", 23, false, false}, Case{"bottom-up", 5, true, false},
                         Case{"tiles", 0, false, true}}) {
        TiffPage page{37, 23, 3, picture.rgb};
        page.rowsPerStrip = c.rowsPerStrip;
        page.storedBottomUp = c.bottomUp;
        page.tiled = c.tiled;
        const Converted out = convertTiff({page});
        ASSERT_EQ(out.status, ConvertStatus::Ok) << c.name;
        EXPECT_EQ(pictureOfBmp(out.bmp).rgb, picture.rgb) << c.name;
    }
}

TEST_F(TiffTest, AlphaIsDroppedAndColoursKept)
{
    const Picture picture = patternPicture(6, 5);
    Bytes samples;
    for (int k = 0; k < 30; ++k) {
        // Associated alpha: colours are stored premultiplied, so every colour is at most alpha.
        const std::uint8_t alpha = k % 3 == 0 ? 255 : 200;
        for (int ch = 0; ch < 3; ++ch) samples.push_back(std::min(picture.rgb[3 * k + ch], alpha));
        samples.push_back(alpha);
    }
    const Converted out = convertTiff({{6, 5, 4, samples}});
    ASSERT_EQ(out.status, ConvertStatus::Ok);
    const Picture got = pictureOfBmp(out.bmp);
    for (int k = 0; k < 30; ++k)
        EXPECT_EQ(got.at(k % 6, k / 6),
                  (Rgb{samples[4 * k], samples[4 * k + 1], samples[4 * k + 2]}))
            << k;
}

TEST_F(TiffTest, MultiPageGivesTheFirstPage)
{
    const Picture first = patternPicture(4, 3);
    const Picture second = patternPicture(9, 9);
    const Converted out = convertTiff({{4, 3, 3, first.rgb}, {9, 9, 3, second.rgb}});
    ASSERT_EQ(out.status, ConvertStatus::Ok);
    EXPECT_EQ(pictureOfBmp(out.bmp).rgb, first.rgb);
}

TEST_F(TiffTest, CutShortIsUndecodable)
{
    const Picture picture = patternPicture(40, 40);
    writeTiff(scratch / "whole.tif", {{40, 40, 3, picture.rgb}});
    const Bytes whole = readFile(scratch / "whole.tif");
    // libtiff writes the directory after the strips: without it the file is no TIFF at all.
    for (std::size_t length :
         {std::size_t{4}, std::size_t{8}, whole.size() / 2, whole.size() - 10}) {
        const Converted out = convertBytes(scratch, Bytes(whole.begin(), whole.begin() + length));
        EXPECT_EQ(out.status, ConvertStatus::Undecodable) << length;
    }
}

}  // namespace
}  // namespace zendavo
