// --quality source end to end: a JPEG photo's output has that photo's quantization tables and
// sampling factors, read back with libjpeg; other photos fall back to 75. Damaged photos give a
// warning line and are still written.
#include <gtest/gtest.h>

#include <jpeglib.h>

#include <array>
#include <cstdio>

#include "tests/batch/batch_fixture.h"
#include "tests/cli/cli_process.h"

namespace zendavo::testing {
namespace {

struct Compression {
    std::vector<std::array<std::uint16_t, 64>> tables;  // in the order of their slots
    std::vector<std::pair<int, int>> sampling;           // per component, h and v
    friend bool operator==(const Compression&, const Compression&) = default;
};

// A textured photo written by libjpeg at `quality` with the luma sampling h x v.
void writeJpeg(const fs::path& path, int width, int height, int quality, int h, int v)
{
    fs::create_directories(path.parent_path());
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(3 * width * height));
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>((i * 37) ^ (i / 97));
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.comp_info[0].h_samp_factor = h;
    cinfo.comp_info[0].v_samp_factor = v;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = rgb.data() + static_cast<std::size_t>(3 * width) * cinfo.next_scanline;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(file);
}

Compression compressionOf(const fs::path& path)
{
    Compression found;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return found;
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    for (const JQUANT_TBL* table : cinfo.quant_tbl_ptrs) {
        if (!table) continue;
        std::array<std::uint16_t, 64> values{};
        for (int k = 0; k < 64; ++k) values[static_cast<std::size_t>(k)] = table->quantval[k];
        found.tables.push_back(values);
    }
    for (int c = 0; c < cinfo.num_components; ++c)
        found.sampling.emplace_back(cinfo.comp_info[c].h_samp_factor, cinfo.comp_info[c].v_samp_factor);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    return found;
}

class CliQualityTest : public CliFolderTest {};

TEST_F(CliQualityTest, SourceQualityKeepsEachJpegsTablesAndSampling)
{
    struct Case {
        const char* name;
        int quality, h, v;
    };
    const std::vector<Case> cases = {{"q92-420.jpg", 92, 2, 2}, {"q60-444.jpg", 60, 1, 1},
                                     {"q98-422.jpg", 98, 2, 1}, {"q30-440.jpg", 30, 1, 2}};
    for (const Case& c : cases) writeJpeg(root / "p" / c.name, 96, 64, c.quality, c.h, c.v);
    writePicture(root / "p" / "z.png", kBlue, 96, 64);
    const CliOutcome outcome = run({"--slot", "1=w/logo.png", "--quality", "source", "p"});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Compression source = compressionOf(root / "p" / c.name);
        ASSERT_EQ(source.sampling.size(), 3u);
        EXPECT_EQ(source.sampling[0], (std::pair{c.h, c.v}));
        EXPECT_EQ(compressionOf(root / "p" / "水印1" / c.name), source);
    }
    // Not a JPEG photo: quality 75, as without the option.
    const CliOutcome plain = run({"--slot", "1=w/logo.png", "--output-dir", "plain", "p/z.png"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    const Compression fallback = compressionOf(root / "plain" / "水印1" / "z.png.jpg");
    ASSERT_FALSE(fallback.tables.empty());
    EXPECT_EQ(compressionOf(root / "p" / "水印1" / "z.png.jpg"), fallback);
    EXPECT_NE(compressionOf(root / "p" / "水印1" / "q92-420.jpg").tables, fallback.tables);
}

TEST_F(CliQualityTest, DamagedPhotoIsWrittenWithAWarningLine)
{
    writeJpeg(root / "p" / "cut.jpg", 64, 64, 90, 2, 2);
    std::vector<std::uint8_t> bytes = readFile(root / "p" / "cut.jpg");
    bytes.resize(bytes.size() * 2 / 3);  // ends early
    writeBytes(root / "p" / "cut.jpg", bytes);
    writePicture(root / "p" / "fine.jpg", kRed);
    struct Case {
        std::vector<std::pair<std::string, std::string>> env;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{}, "warning: p/cut.jpg: the picture data is incomplete; the missing part is filled with grey\n"},
        {{{"LANG", "zh_CN.UTF-8"}}, "警告：p/cut.jpg：图片数据不完整，缺失部分以灰色填充\n"},
    };
    for (const Case& c : cases) {
        fs::remove_all(root / "p" / "水印1");
        fs::remove_all(root / "p" / "水印2");
        const CliOutcome outcome = run({"--slot", "1=w/logo.png", "--slot", "2=w/logo.png", "p"}, {c.env, {}});
        EXPECT_EQ(outcome.exitCode, 0);
        EXPECT_EQ(outcome.err, c.err);  // once per photo, not per slot
        EXPECT_TRUE(startsWithJpegMarker(root / "p" / "水印1" / "cut.jpg"));
        EXPECT_TRUE(startsWithJpegMarker(root / "p" / "水印2" / "cut.jpg"));
    }
}

}  // namespace
}  // namespace zendavo::testing
