// Why a row produced no output in a slot's pass, and how the run tells the user.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "formats/convert_status.h"
#include "formats/decode_warning.h"

namespace zendavo {

enum class FailureKind : int {
    SourceMissing = 1,         // nothing at the listed path
    SourceUnreadable = 2,      // not a picture the converter reads
    WorkCopyFailed = 3,        // the working copy could not be written or read back
    WatermarkUnreadable = 4,   // the slot's picture could not be converted
    OutputNotWritten = 5,      // the output file could not be written
    WouldOverwriteSource = 6,  // the output name is a file the run reads
};

// A short Chinese reason, e.g. "无法读取此图片".
const char* reasonText(FailureKind kind);

// nullopt for Ok; the kind a failed conversion of a listed image stands for otherwise.
std::optional<FailureKind> sourceFailureOf(ConvertStatus status);

// One row that produced no output in one slot's pass.
struct BatchFailure {
    int slot = 0;
    std::string fileName;
    std::string path;
    std::string reason;  // reasonText(kind)
    FailureKind kind = FailureKind::SourceMissing;
};

// "水印2/b.png：无法读取此图片".
std::string failureLine(const BatchFailure& failure);

// One line per failure, at most 20, then "……共N个" when there were more.
std::string failureMessage(const std::vector<BatchFailure>& failures);

// What a decode warning means to the user, e.g. "图片数据不完整，缺失部分以灰色填充"; "" for None.
const char* warningText(DecodeWarning warning);

// "水印1/x.jpg：图片数据不完整，缺失部分以灰色填充".
std::string warningLine(int slot, const std::string& fileName, DecodeWarning warning);

// "已完成，有N个文件失败".
std::string failureStatusText(std::size_t count);

}  // namespace zendavo
