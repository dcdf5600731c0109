// What zendavo-cli writes to standard error while it runs.
#include "cli/progress_reporter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace zendavo::testing {
namespace {

TEST(ProgressBar, ShowsDoneTotalRateAndTimeLeft)
{
    struct Case {
        int done, total;
        double seconds;
        std::string text;
    };
    const Case cases[] = {
        {0, 20, 0.0, "[                        ] 0/20"},
        {10, 20, 5.0, "[############            ] 10/20  2.0 img/s  0:05 left"},
        {1, 200, 2.0, "[                        ] 1/200  0.5 img/s  6:38 left"},
        {20, 20, 8.0, "[########################] 20/20  2.5 img/s  0:00 left"},
    };
    for (const Case& c : cases) EXPECT_EQ(progressBarText(c.done, c.total, c.seconds), c.text);
}

// A temporary file in the place of standard error, closed when the test ends.
class StreamCapture {
public:
    StreamCapture() : file_(std::tmpfile()) {}
    ~StreamCapture()
    {
        if (file_) std::fclose(file_);
    }
    StreamCapture(const StreamCapture&) = delete;
    StreamCapture& operator=(const StreamCapture&) = delete;

    std::FILE* file() const { return file_; }

    std::string written() const
    {
        std::rewind(file_);
        std::string text;
        for (int c; (c = std::fgetc(file_)) != EOF;) text.push_back(static_cast<char>(c));
        return text;
    }

private:
    std::FILE* file_;
};

TEST(ProgressReporter, WithoutATerminalWritesOnlyWarnings)
{
    const StreamCapture stream;
    ASSERT_NE(stream.file(), nullptr);
    ProgressReporter reporter(stream.file(), false);
    reporter.imageDone(1, 2);
    reporter.sizeWarning("p/a.jpg");
    reporter.imageDone(2, 2);
    reporter.finish();
    EXPECT_EQ(stream.written(), "warning: p/a.jpg: the watermark picture is larger than the photo, so it may not be drawn whole\n");
}

TEST(ProgressReporter, OnATerminalRedrawsTheBarAroundWarnings)
{
    const StreamCapture stream;
    ASSERT_NE(stream.file(), nullptr);
    ProgressReporter reporter(stream.file(), true);
    reporter.imageDone(1, 2);
    reporter.sizeWarning("b.png");
    reporter.finish();
    const std::string text = stream.written();
    const std::size_t warning = text.find("\r\033[Kwarning: b.png: ");
    ASSERT_NE(warning, std::string::npos) << text;  // the bar is cleared before the warning
    EXPECT_LT(text.find("] 1/2"), warning);                      // the bar came first
    EXPECT_NE(text.find("] 1/2", warning), std::string::npos);  // and drawn again after it
    EXPECT_TRUE(text.ends_with("\r\033[K"));                    // finish leaves a clean line
}

}  // namespace
}  // namespace zendavo::testing
