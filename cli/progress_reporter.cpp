#include "cli/progress_reporter.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "cli/cli_messages.h"
#include "cli/message_language.h"

namespace zendavo {

namespace {

constexpr int kBarWidth = 24;

std::string minutesAndSeconds(double seconds)
{
    const long total = std::lround(std::max(0.0, seconds));
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

}  // namespace

std::string progressBarText(int done, int total, double seconds)
{
    const int filled = total > 0 ? std::clamp(done * kBarWidth / total, 0, kBarWidth) : kBarWidth;
    std::string text;
    text.reserve(96);
    text.push_back('[');
    text.append(static_cast<std::size_t>(filled), '#');
    text.append(static_cast<std::size_t>(kBarWidth - filled), ' ');
    char counts[96];
    std::snprintf(counts, sizeof counts, "] %d/%d", done, total);
    text.append(counts);
    if (done > 0 && seconds > 0) {
        const double rate = done / seconds;
        std::snprintf(counts, sizeof counts, tr("  %.1f img/s  %s left"), rate,
                      minutesAndSeconds((total - done) / rate).c_str());
        text.append(counts);
    }
    return text;
}

ProgressReporter::ProgressReporter(std::FILE* stream, bool showBar)
    : stream_(stream), showBar_(showBar), start_(std::chrono::steady_clock::now())
{
}

void ProgressReporter::clearBar()
{
    if (!barShown_) return;
    std::fputs("\r\033[K", stream_);
    barShown_ = false;
}

void ProgressReporter::warn(const std::string& line)
{
    clearBar();
    std::fprintf(stream_, "%s\n", line.c_str());
    if (showBar_ && lastTotal_ > 0) imageDone(lastDone_, lastTotal_);
}

void ProgressReporter::sizeWarning(const std::string& imagePath)
{
    warn(cliWarningLine(imagePath, sizeWarningText()));
}

void ProgressReporter::decodeWarning(const std::string& imagePath, DecodeWarning warning)
{
    warn(cliWarningLine(imagePath, decodeWarningText(warning)));
}

void ProgressReporter::imageDone(int done, int total)
{
    lastDone_ = done;
    lastTotal_ = total;
    if (!showBar_) return;
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
    std::fprintf(stream_, "\r%s\033[K", progressBarText(done, total, elapsed.count()).c_str());
    std::fflush(stream_);
    barShown_ = true;
}

void ProgressReporter::finish()
{
    clearBar();
    std::fflush(stream_);
}

}  // namespace zendavo
