// The lines zendavo-cli prints on standard error and its summary, in the run's language.
#pragma once

#include <cstddef>
#include <string>

#include "batch/failure_report.h"
#include "formats/decode_warning.h"

namespace zendavo {

struct CliFailure {
    std::string path;  // the photo, or the slot's picture when that cannot be used
    int slot = 0;
    FailureKind kind = FailureKind::SourceMissing;
    int systemError = 0;  // errno of a failed write; 0 when the system gave no reason
};

// "cannot write the output file" / "无法写入输出文件".
std::string failureReason(FailureKind kind);

// "error: a/b.png: 水印2: cannot write the output file: Permission denied".
std::string cliFailureLine(const CliFailure& failure);

// "warning: a/b.png: " followed by `what`.
std::string cliWarningLine(const std::string& path, const std::string& what);

// The watermark larger than the photo: "水印图片大于原图，可能造成加水印失败" in Chinese.
std::string sizeWarningText();

// The damage of a photo that is still written: "图片数据不完整，缺失部分以灰色填充" in Chinese.
std::string decodeWarningText(DecodeWarning warning);

// "zendavo-cli: 3 files skipped (not named *.jpg or *.png)".
std::string skippedLine(std::size_t count);
std::string skippedFileLine(const std::string& path);

// "zendavo-cli: 2 images x 1 slot: 2 written, 0 failed in 0.1 s".
std::string summaryLine(int images, std::size_t slots, int written, std::size_t failed, double seconds);

}  // namespace zendavo
