// zendavo-cli end to end: opacity, scaling per photo, recursive folders, skipped files, the
// language of its messages and the system's reason for a failed write.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "imaging/watermark_scaling.h"
#include "tests/batch/batch_fixture.h"
#include "tests/cli/cli_process.h"

namespace zendavo::testing {
namespace {

using Names = std::vector<std::string>;

// "p200.png" (built step by step: GCC 12 warns falsely on the chained operator+).
std::string photoName(int width)
{
    std::string name = "p";
    name += std::to_string(width);
    name += ".png";
    return name;
}

class CliFeatureTest : public CliFolderTest {};

TEST_F(CliFeatureTest, OpacityMixesTheMultipliedValueWithThePhoto)
{
    const Rgb photo{200, 120, 30};
    const Rgb mark{100, 0, 255};
    writePicture(root / "p" / "a.png", photo, 20, 10);
    writePicture(root / "w" / "dark.png", mark, 20, 10);
    for (const auto& [opacity, expected] : {std::pair{100, Rgb{78, 0, 30}}, std::pair{60, Rgb{127, 48, 30}},
                                             std::pair{25, Rgb{170, 90, 30}}, std::pair{1, Rgb{199, 119, 30}}}) {
        const std::string out = "out" + std::to_string(opacity);
        const CliOutcome outcome =
            run({"--slot", "1=w/dark.png", "--format", "png", "--position", "1", "--margin-x", "0", "--margin-y",
                 "0", "--opacity", std::to_string(opacity), "--output-dir", out, "p/a.png"});
        ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
        const BmpBuffer result = decodePicture(root / out / "水印1" / "a.png");
        ASSERT_FALSE(result.empty());
        EXPECT_EQ(pixelAt(result, 5, 5), expected) << opacity;
    }
}

TEST_F(CliFeatureTest, ScaledWatermarkFollowsEachPhotoWidthInOneRun)
{
    // A black 40 x 20 mark; photos of three widths; bottom right, margins 2 and 3.
    writePicture(root / "w" / "black.png", {0, 0, 0}, 40, 20);
    const std::vector<std::pair<int, int>> sizes{{200, 120}, {90, 70}, {333, 49}, {40, 30}};
    for (const auto& [w, h] : sizes)
        writePicture(root / "p" / photoName(w), kRed, w, h);
    // Three slots, so that each slot's scaled pictures come from its own picture.
    const CliOutcome outcome = run({"--slot", "1=w/black.png", "--slot", "2=w/logo.png", "--slot", "3=w/black.png",
                                    "--format", "png", "--scale", "30", "--margin-x", "2", "--margin-y", "3",
                                    "--jobs", "3", "p"});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    // Only the 333 x 49 photo gets a mark taller than itself: round(0.3 x 333) = 100 wide,
    // 50 high. The 40-wide photo: 12 x 6.
    const std::string warning =
        "warning: p/p333.png: the watermark picture is larger than the photo, so it may not be drawn whole\n";
    EXPECT_EQ(outcome.err, std::string(warning).append(warning).append(warning));  // 2:1 logos in all three slots

    for (const auto& [w, h] : sizes) {
        SCOPED_TRACE(w);
        const ScaledSize mark = scaledWatermarkSize(40, 20, w, 30);
        EXPECT_EQ(mark.width, (30 * w + 50) / 100);
        const BmpBuffer out = decodePicture(root / "p" / "水印1" / photoName(w));
        ASSERT_FALSE(out.empty());
        EXPECT_EQ(readFile(root / "p" / "水印3" / photoName(w)), readFile(root / "p" / "水印1" / photoName(w)));
        // The grey logo, scaled the same way, lands in the same place.
        const BmpBuffer grey = decodePicture(root / "p" / "水印2" / photoName(w));
        ASSERT_FALSE(grey.empty());
        EXPECT_EQ(pixelAt(grey, w - 4, h - 5), multiplied(kRed, kGrey));
        const int right = w - 2, bottom = h - 3;  // one past the mark
        const int left = right - mark.width, top = bottom - mark.height;
        // Inside every corner of the mark: black; just outside: the photo.
        for (const auto& [c, r] : {std::pair{left + 1, top + 1}, std::pair{right - 2, bottom - 2},
                                   std::pair{left + 1, bottom - 2}, std::pair{right - 2, top + 1}}) {
            if (r < 0) continue;  // the mark taller than the photo: its top is cut
            EXPECT_EQ(pixelAt(out, c, r), (Rgb{0, 0, 0})) << c << "," << r;
        }
        EXPECT_EQ(pixelAt(out, right + 1, bottom - 2), kRed);
        EXPECT_EQ(pixelAt(out, right - 2, bottom + 1), kRed);
        if (left > 0) {
            EXPECT_EQ(pixelAt(out, left - 2, bottom - 2), kRed);
        }
        if (top > 0) {
            EXPECT_EQ(pixelAt(out, right - 2, top - 2), kRed);
        }
    }
}

TEST_F(CliFeatureTest, RecursiveRunKeepsTheTreeAndASecondRunTakesNoOutputs)
{
    writePicture(root / "p" / "a.jpg", kRed);
    writePicture(root / "p" / "2024" / "b.jpg", kBlue);
    writePicture(root / "p" / "2024" / "trip" / "c.png", kGreen);
    writePicture(root / "p" / "2025" / "b.jpg", kGreen);
    writePicture(root / "q" / "2024" / "b.jpg", kRed);  // the same relative path from another folder
    writePicture(root / "q" / "d.jpg", kRed);
    const std::vector<std::string> args{"-r", "--slot", "1=w/logo.png", "--slot", "2=w/logo.png", "p", "q"};
    const Names top{"2024", "2025", "a.jpg", "d.jpg"};
    for (int pass = 1; pass <= 2; ++pass) {
        SCOPED_TRACE(pass);
        const CliOutcome outcome = run(args);
        ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_NE(outcome.out.find("6 images x 2 slots: 12 written, 0 failed"), std::string::npos) << outcome.out;
        for (const char* slot : {"水印1", "水印2"}) {
            const fs::path base = root / "p" / slot;  // the first argument is a folder: the outputs go into it
            EXPECT_EQ(namesIn(base), top);
            EXPECT_EQ(namesIn(base / "2024"), (Names{"b (2).jpg", "b.jpg", "trip"}));
            EXPECT_EQ(namesIn(base / "2024" / "trip"), Names{"c.png.jpg"});
            EXPECT_EQ(namesIn(base / "2025"), Names{"b.jpg"});
            EXPECT_TRUE(near(pixelAt(decodePicture(base / "2024" / "b.jpg"), 1, 1), kBlue));
            EXPECT_TRUE(near(pixelAt(decodePicture(base / "2024" / "b (2).jpg"), 1, 1), kRed));
        }
        EXPECT_FALSE(fs::exists(root / "q" / "水印1"));
    }

    // Without --recursive no sub-folder is entered.
    const CliOutcome flat = run({"--slot", "1=w/logo.png", "--output-dir", "flat", "p"});
    ASSERT_EQ(flat.exitCode, 0) << flat.err;
    EXPECT_EQ(namesIn(root / "flat" / "水印1"), Names{"a.jpg"});
}

TEST_F(CliFeatureTest, SkippedFilesAreCountedOverAllFolders)
{
    for (const char* name : {"a.jpg", "b.txt", "c.jpeg", "d.gif"}) writePicture(root / "p" / name, kRed);
    writePicture(root / "p" / "sub" / "e.bmp", kRed);
    writePicture(root / "q" / "f.png", kRed);
    writePicture(root / "q" / "notes", kRed);
    writePicture(root / "r" / "g.jpg", kRed);
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const std::string three = "zendavo-cli: 3 files skipped (not named *.jpg or *.png)\n";
    const std::vector<Case> cases = {
        {{"p"}, three},
        {{"p", "q"}, "zendavo-cli: 4 files skipped (not named *.jpg or *.png)\n"},
        {{"q"}, "zendavo-cli: 1 file skipped (not named *.jpg or *.png)\n"},
        {{"-r", "p"}, "zendavo-cli: 4 files skipped (not named *.jpg or *.png)\n"},
        {{"r", "p/b.txt"}, ""},  // a file named on the command line is read, not skipped
        {{"r"}, ""},
        {{"-q", "p", "q"}, ""},
        {{"-v", "p"}, std::string(three).append("skipped: p/b.txt\nskipped: p/c.jpeg\nskipped: p/d.gif\n")},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"--slot", "1=w/logo.png", "--output-dir", "out"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliOutcome outcome = run(args);
        std::string joined;
        for (const std::string& a : c.args) joined += a + " ";
        EXPECT_EQ(outcome.err.substr(0, outcome.err.find("error: ")), c.err) << joined;
    }
}

// Each environment, and the language it must give.
struct LocaleCase {
    std::vector<std::pair<std::string, std::string>> env;
    bool chinese;
};

TEST_F(CliFeatureTest, OneLanguagePerRunChosenByTheLocale)
{
    writePicture(root / "w" / "big.png", kGrey, 60, 30);
    writePicture(root / "p" / "a.jpg", kRed);
    const std::vector<LocaleCase> cases = {
        {{}, false},
        {{{"LANG", "zh_CN.UTF-8"}}, true},  // not generated on most machines
        {{{"LANG", "zh_TW.Big5"}}, true},
        {{{"LC_ALL", "zh_CN"}}, true},
        {{{"LC_MESSAGES", "zh_CN.UTF-8"}, {"LANG", "en_US.UTF-8"}}, true},
        {{{"LC_ALL", "en_US.UTF-8"}, {"LANG", "zh_CN.UTF-8"}}, false},
        {{{"LC_ALL", "C"}, {"LC_MESSAGES", "zh_CN.UTF-8"}}, false},
        {{{"LANG", "C.UTF-8"}, {"LANGUAGE", "zh_CN"}}, false},  // LANGUAGE alone does not choose
        {{{"LANG", "de_DE.UTF-8"}}, false},
        {{{"LANG", "no such locale!@#"}}, false},
        {{{"LC_ALL", "zh_CN.UTF-8@broken=="}}, true},
        {{{"LANG", "zhx"}}, false},
    };
    for (const LocaleCase& c : cases) {
        std::string name;
        for (const auto& [variable, value] : c.env) name += variable + "=" + value + " ";
        SCOPED_TRACE(name);
        fs::remove_all(root / "p" / "水印1");
        const CliOutcome outcome = run({"--slot", "1=w/big.png", "p/a.jpg", "p/gone.jpg"}, {c.env, {}});
        EXPECT_EQ(outcome.exitCode, 1);
        const std::string expectedErr =
            c.chinese ? "警告：p/a.jpg：水印图片大于原图，可能造成加水印失败\n"
                        "错误：p/gone.jpg：水印1：找不到此图片\n"
                      : "warning: p/a.jpg: the watermark picture is larger than the photo, so it may not be drawn whole\n"
                        "error: p/gone.jpg: 水印1: cannot find this picture\n";
        EXPECT_EQ(outcome.err, expectedErr);
        EXPECT_TRUE(outcome.out.starts_with(c.chinese ? "zendavo-cli：2 张图片 × 1 个水印：写出 1 个，失败 1 个"
                                                      : "zendavo-cli: 2 images x 1 slot: 1 written, 1 failed"))
            << outcome.out;
        const CliOutcome help = run({"--help"}, {c.env, {}});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_TRUE(help.out.starts_with(c.chinese ? "用法：zendavo-cli" : "Usage: zendavo-cli")) << help.out;
        const CliOutcome usage = run({"--slot", "1=w/logo.png", "--opacity", "0", "p"}, {c.env, {}});
        EXPECT_EQ(usage.exitCode, 2);
        EXPECT_EQ(usage.err, c.chinese ? "zendavo-cli：--opacity: 应为 1 到 100 的整数（参见 --help）\n"
                                       : "zendavo-cli: --opacity: expected a whole number from 1 to 100 (see --help)\n");
        const CliOutcome unknown = run({"--slot", "1=w/logo.png", "--frobnicate", "p"}, {c.env, {}});
        EXPECT_EQ(unknown.exitCode, 2);
        if (c.chinese) {
            EXPECT_EQ(unknown.err, "zendavo-cli：未知选项、缺少值或多余的参数（参见 --help）\n");
        } else {
            EXPECT_TRUE(unknown.err.starts_with("zendavo-cli: ") && unknown.err.ends_with(" (see --help)\n"))
                << unknown.err;
        }
    }
}

TEST_F(CliFeatureTest, ReadOnlyFolderNamesTheSystemsReason)
{
    writePicture(root / "p" / "a.jpg", kRed);
    writePicture(root / "q" / "b.jpg", kRed);
    fs::create_directories(root / "q" / "水印1");
    // Root writes anywhere: run as nobody then, with everything it needs readable.
    CliLaunch launch;
    if (::geteuid() == 0) {
        launch.prefix = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
        for (const fs::path& folder : {root.path(), root / "w", root / "p", root / "q", root / "q" / "水印1"})
            fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                        fs::perms::others_read | fs::perms::others_exec);
        fs::permissions(tmp, fs::perms::all | fs::perms::sticky_bit);
    }
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                               fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;
    fs::permissions(root / "p", readOnly);  // the slot folder cannot be made
    fs::permissions(root / "q" / "水印1", readOnly);  // the slot folder exists, files cannot be made
    const CliOutcome english = run({"--slot", "1=w/logo.png", "p/a.jpg"}, launch);
    EXPECT_EQ(english.exitCode, 1);
    EXPECT_EQ(english.err, "error: p/a.jpg: 水印1: cannot write the output file: Permission denied\n");
    const CliOutcome inside = run({"--slot", "1=w/logo.png", "q/b.jpg"}, launch);
    EXPECT_EQ(inside.err, "error: q/b.jpg: 水印1: cannot write the output file: Permission denied\n");

    launch.env = {{"LANG", "zh_CN.UTF-8"}};
    const CliOutcome chinese = run({"--slot", "1=w/logo.png", "p/a.jpg"}, launch);
    EXPECT_EQ(chinese.exitCode, 1);
    const std::string prefix = "错误：p/a.jpg：水印1：无法写入输出文件：";
    EXPECT_TRUE(chinese.err.starts_with(prefix)) << chinese.err;
    // The system's own text, in Chinese where the C library's catalogue is installed.
    if (fs::exists("/usr/share/locale/zh_CN/LC_MESSAGES/libc.mo")) {
        EXPECT_EQ(chinese.err, std::string(prefix).append("权限不够\n"));
    }
    fs::permissions(root / "p", fs::perms::owner_all);
    fs::permissions(root / "q" / "水印1", fs::perms::owner_all);
}

TEST_F(CliFeatureTest, FullDeviceNamesTheSystemsReason)
{
    // A 64 KiB file system, where the machine lets us make one (root, outside most containers).
    const fs::path small = root / "small";
    fs::create_directories(small);
    if (::geteuid() != 0 || ::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    writePicture(root / "p" / "a.png", kRed, 200, 200);  // 120 KB as BMP
    const CliOutcome outcome = run({"--slot", "1=w/logo.png", "--format", "bmp", "--output-dir", "small", "p/a.png"});
    const Names left = namesIn(small / "水印1");
    ::umount(small.c_str());
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err, "error: p/a.png: 水印1: cannot write the output file: No space left on device\n");
    EXPECT_EQ(left, Names{});  // no partial file
}

}  // namespace
}  // namespace zendavo::testing
