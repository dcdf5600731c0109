// TIFF decoding through libtiff's RGBA reading: colours kept, alpha laid over white, first page
// only, strips that must exist in the file.
#include <gtest/gtest.h>

#include "format_fixtures.h"
#include "formats/file_io.h"
#include "formats/image_converter.h"
#include "formats/over_white.h"

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

TEST_F(TiffTest, AlphaIsLaidOverWhite)
{
    struct Sample {
        std::uint8_t colour, alpha;
    };
    const std::vector<Sample> samples = {{0, 0}, {200, 255}, {0, 128}, {100, 128}, {9, 254}};
    const int n = static_cast<int>(samples.size());
    for (bool unassociated : {false, true}) {
        Bytes bytes;
        for (const Sample s : samples) {
            // Associated alpha stores the colour already multiplied by its alpha.
            const auto stored = static_cast<std::uint8_t>(
                unassociated ? s.colour : (s.colour * s.alpha + 127) / 255);
            bytes.insert(bytes.end(), {stored, stored, stored, s.alpha});
        }
        TiffPage page{n, 1, 4, bytes};
        page.unassociatedAlpha = unassociated;
        const Converted out = convertTiff({page});
        ASSERT_EQ(out.status, ConvertStatus::Ok);
        const Picture got = pictureOfBmp(out.bmp);
        for (int k = 0; k < n; ++k) {
            const std::uint8_t want = overWhite(samples[k].colour, samples[k].alpha);
            EXPECT_EQ(got.at(k, 0), (Rgb{want, want, want})) << k << " " << unassociated;
        }
    }
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
