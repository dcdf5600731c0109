#include "cli/cli_messages.h"

#include <cstdio>
#include <cstring>

#include "batch/slot_names.h"
#include "cli/message_language.h"

namespace zendavo {
namespace {

// printf into a std::string. The patterns come from tr(), checked where they are written.
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
template <typename... Args>
std::string format(const char* pattern, const Args&... args)
{
    const int length = std::snprintf(nullptr, 0, pattern, args...);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), pattern, args...);
    text.pop_back();
    return text;
}

}  // namespace

std::string failureReason(FailureKind kind)
{
    switch (kind) {
    case FailureKind::SourceMissing: return tr("cannot find this picture");
    case FailureKind::SourceUnreadable: return tr("cannot read this picture");
    case FailureKind::WorkCopyFailed: return tr("cannot write the working copy");
    case FailureKind::WatermarkUnreadable: return tr("cannot read the watermark picture");
    case FailureKind::OutputNotWritten: return tr("cannot write the output file");
    case FailureKind::WouldOverwriteSource: return tr("the output would replace a photo of the run");
    }
    return tr("failed");
}

std::string cliFailureLine(const CliFailure& failure)
{
    std::string reason = failureReason(failure.kind);
    if (failure.systemError != 0)
        reason = format(tr("%s: %s"), reason.c_str(), std::strerror(failure.systemError));
    return format(tr("error: %s: %s: %s"), failure.path.c_str(), slotFolderName(failure.slot).c_str(),
                  reason.c_str());
}

std::string cliWarningLine(const std::string& path, const std::string& what)
{
    return format(tr("warning: %s: %s"), path.c_str(), what.c_str());
}

std::string sizeWarningText()
{
    return tr("the watermark picture is larger than the photo, so it may not be drawn whole");
}

std::string decodeWarningText(DecodeWarning warning)
{
    switch (warning) {
    case DecodeWarning::None: return {};
    case DecodeWarning::IncompleteData:
        return tr("the picture data is incomplete; the missing part is filled with grey");
    }
    return {};
}

std::string skippedLine(std::size_t count)
{
    return format(trPlural("zendavo-cli: %zu file skipped (not named *.jpg or *.png)",
                           "zendavo-cli: %zu files skipped (not named *.jpg or *.png)", count),
                  count);
}

std::string skippedFileLine(const std::string& path)
{
    return format(tr("skipped: %s"), path.c_str());
}

std::string summaryLine(int images, std::size_t slots, int written, std::size_t failed, double seconds)
{
    const std::string imageCount =
        format(trPlural("%d image", "%d images", static_cast<unsigned long>(images)), images);
    const std::string slotCount = format(trPlural("%zu slot", "%zu slots", slots), slots);
    return format(tr("zendavo-cli: %s x %s: %d written, %zu failed in %.1f s"), imageCount.c_str(),
                  slotCount.c_str(), written, failed, seconds);
}

}  // namespace zendavo
