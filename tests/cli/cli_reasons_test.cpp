// zendavo-cli names the system's reason when a photo or a slot's picture cannot be opened,
// so a file the user may not read is not taken for a damaged one.
#include <gtest/gtest.h>

#include <unistd.h>

#include "tests/batch/batch_fixture.h"
#include "tests/cli/cli_process.h"

namespace zendavo::testing {
namespace {

class CliReasonTest : public CliFolderTest {
protected:
    void SetUp() override
    {
        CliFolderTest::SetUp();
        writePicture(root / "w" / "secret.png", kGrey, 16, 8);
        writePicture(root / "p" / "a.jpg", kRed);
        writePicture(root / "p" / "secret.jpg", kRed);
        writeText(root / "p" / "bad.jpg", "not a picture");
        // Root reads anything: run as nobody then, with the rest open to it.
        if (::geteuid() == 0) {
            launch.prefix = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
            for (const fs::path& folder : {root.path(), root / "w", root / "p"})
                fs::permissions(folder, fs::perms::all);
            fs::permissions(tmp, fs::perms::all | fs::perms::sticky_bit);
        }
        for (const fs::path& file : {root / "w" / "secret.png", root / "p" / "secret.jpg"})
            fs::permissions(file, fs::perms::none);
    }

    CliOutcome run(const std::vector<std::string>& args, const std::string& lang = "")
    {
        CliLaunch withLanguage = launch;
        if (!lang.empty()) withLanguage.env = {{"LANG", lang}};
        return CliFolderTest::run(args, withLanguage);
    }

    CliLaunch launch;
};

TEST_F(CliReasonTest, AnUnreadablePhotoIsNotCalledDamaged)
{
    const CliOutcome outcome = run({"--slot", "1=w/logo.png", "p/a.jpg", "p/secret.jpg", "p/bad.jpg"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err,
              "error: p/secret.jpg: 水印1: cannot read this picture: Permission denied\n"
              "error: p/bad.jpg: 水印1: cannot read this picture\n");
    EXPECT_TRUE(fs::exists(root / "p" / "水印1" / "a.jpg"));
}

TEST_F(CliReasonTest, AnUnusableSlotPictureSaysWhy)
{
    struct Case {
        std::string picture;
        std::string expected;
    };
    const Case cases[] = {
        {"w/secret.png", "error: w/secret.png: 水印2: cannot read the watermark picture: Permission denied\n"},
        {"w/gone.png", "error: w/gone.png: 水印2: cannot read the watermark picture: No such file or directory\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.picture);
        const CliOutcome outcome = run({"--slot", "2=" + c.picture, "p/a.jpg"});
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.err, c.expected);
        EXPECT_FALSE(fs::exists(root / "p" / "水印2"));
    }
    const CliOutcome chinese = run({"--slot", "2=w/secret.png", "p/a.jpg"}, "zh_CN.UTF-8");
    EXPECT_TRUE(chinese.err.starts_with("错误：w/secret.png：水印2：无法读取水印图片：")) << chinese.err;
}

}  // namespace
}  // namespace zendavo::testing
