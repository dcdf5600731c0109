#include "batch/failure_report.h"

#include "batch/slot_names.h"

namespace zendavo {

const char* reasonText(FailureKind kind)
{
    switch (kind) {
    case FailureKind::SourceMissing: return "找不到此图片";
    case FailureKind::SourceUnreadable: return "无法读取此图片";
    case FailureKind::WorkCopyFailed: return "无法写入工作副本";
    case FailureKind::WatermarkUnreadable: return "无法读取水印图片";
    case FailureKind::OutputNotWritten: return "无法写入输出文件";
    case FailureKind::WouldOverwriteSource: return "输出会覆盖源文件";
    }
    return "失败";
}

std::optional<FailureKind> sourceFailureOf(ConvertStatus status)
{
    switch (status) {
    case ConvertStatus::Ok: return std::nullopt;
    case ConvertStatus::SourceMissing:
    case ConvertStatus::MissingPath: return FailureKind::SourceMissing;
    case ConvertStatus::Undecodable: return FailureKind::SourceUnreadable;
    case ConvertStatus::WriteFailed: return FailureKind::WorkCopyFailed;
    }
    return FailureKind::SourceUnreadable;
}

namespace {

// "水印2/b.png：" followed by the text.
std::string slotFileLine(int slot, const std::string& fileName, const std::string& text)
{
    return slotFolderName(slot) + "/" + fileName + "：" + text;
}

}  // namespace

std::string failureLine(const BatchFailure& failure)
{
    return slotFileLine(failure.slot, failure.fileName, failure.reason);
}

const char* warningText(DecodeWarning warning)
{
    switch (warning) {
    case DecodeWarning::None: return "";
    case DecodeWarning::IncompleteData: return "图片数据不完整，缺失部分以灰色填充";
    }
    return "";
}

std::string warningLine(int slot, const std::string& fileName, DecodeWarning warning)
{
    return slotFileLine(slot, fileName, warningText(warning));
}

std::string failureMessage(const std::vector<BatchFailure>& failures)
{
    constexpr std::size_t kMaxLines = 20;
    std::string text;
    for (std::size_t k = 0; k < failures.size() && k < kMaxLines; ++k) {
        if (k > 0) text += '\n';
        text += failureLine(failures[k]);
    }
    if (failures.size() > kMaxLines) text += "\n……共" + std::to_string(failures.size()) + "个";
    return text;
}

std::string failureStatusText(std::size_t count)
{
    return "已完成，有" + std::to_string(count) + "个文件失败";
}

}  // namespace zendavo
