// The language choice, and the Chinese catalogue saying what the window says.
#include <gtest/gtest.h>

#include <cerrno>

#include "batch/failure_report.h"
#include "cli/cli_messages.h"
#include "cli/message_language.h"

namespace zendavo::testing {
namespace {

TEST(MessageLanguage, FirstSetVariableDecides)
{
    struct Case {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        MessageLanguage expected;
    };
    const auto zh = MessageLanguage::Chinese;
    const auto en = MessageLanguage::English;
    for (const Case& c : {Case{nullptr, nullptr, nullptr, en}, Case{nullptr, nullptr, "zh_CN.UTF-8", zh},
                          Case{nullptr, nullptr, "zh", zh}, Case{nullptr, nullptr, "zh_TW.Big5", zh},
                          Case{nullptr, nullptr, "zh.GBK", zh}, Case{nullptr, nullptr, "zhx_CN", en},
                          Case{nullptr, nullptr, "en_US.UTF-8", en}, Case{"", "", "zh_SG", zh},
                          Case{"C", "zh_CN", "zh_CN", en}, Case{"", "zh_HK", "en_GB", zh},
                          Case{"zh_CN.GB18030", "en_US", "en_US", zh}, Case{nullptr, "C.UTF-8", "zh_CN", en},
                          Case{nullptr, nullptr, "@#!garbage", en}, Case{nullptr, nullptr, "ZH_cn", en}}) {
        EXPECT_EQ(languageOf(c.lcAll, c.lcMessages, c.lang), c.expected)
            << (c.lcAll ? c.lcAll : "-") << " " << (c.lcMessages ? c.lcMessages : "-") << " " << (c.lang ? c.lang : "-");
    }
}

// Switches this process to Chinese for one test and back to English after it.
class ChineseCatalogue : public ::testing::Test {
protected:
    void SetUp() override { startMessages(MessageLanguage::Chinese, ZENDAVO_LOCALE_DIR); }
    void TearDown() override { startMessages(MessageLanguage::English, ZENDAVO_LOCALE_DIR); }
};

TEST_F(ChineseCatalogue, ReasonsAndWarningsReadAsTheWindowsDo)
{
    for (FailureKind kind : {FailureKind::SourceMissing, FailureKind::SourceUnreadable, FailureKind::WorkCopyFailed,
                             FailureKind::WatermarkUnreadable, FailureKind::OutputNotWritten,
                             FailureKind::WouldOverwriteSource})
        EXPECT_EQ(failureReason(kind), reasonText(kind)) << static_cast<int>(kind);
    EXPECT_EQ(decodeWarningText(DecodeWarning::IncompleteData), warningText(DecodeWarning::IncompleteData));
    EXPECT_EQ(sizeWarningText(), "水印图片大于原图，可能造成加水印失败");
    EXPECT_EQ(cliFailureLine({"a/b.png", 2, FailureKind::SourceUnreadable, 0}), "错误：a/b.png：水印2：无法读取此图片");
    EXPECT_EQ(skippedLine(1), "zendavo-cli：跳过了 1 个文件（文件名不以 jpg 或 png 结尾）");
}

TEST(EnglishMessages, LinesAndPlurals)
{
    startMessages(MessageLanguage::English, ZENDAVO_LOCALE_DIR);
    EXPECT_EQ(cliFailureLine({"a/b.png", 2, FailureKind::OutputNotWritten, ENOSPC}),
              "error: a/b.png: 水印2: cannot write the output file: No space left on device");
    EXPECT_EQ(cliFailureLine({"a/b.png", 10, FailureKind::SourceMissing, 0}), "error: a/b.png: 水印10: cannot find this picture");
    EXPECT_EQ(skippedLine(1), "zendavo-cli: 1 file skipped (not named *.jpg or *.png)");
    EXPECT_EQ(skippedLine(12), "zendavo-cli: 12 files skipped (not named *.jpg or *.png)");
    EXPECT_EQ(summaryLine(1, 2, 1, 1, 0.25), "zendavo-cli: 1 image x 2 slots: 1 written, 1 failed in 0.2 s");
}

}  // namespace
}  // namespace zendavo::testing
