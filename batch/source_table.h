// The distinct images of one run, each with a working copy and an output name of its own, so
// that two listed files called IMG_1.jpg from different folders never share either.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>

#include "batch/failure_report.h"
#include "batch/unique_names.h"
#include "formats/image_encoder.h"

namespace zendavo {

struct SourceEntry {
    std::string path;                    // as listed
    std::string fileName;                // as listed
    std::filesystem::path copyPath;      // its own working copy
    std::string outputName;              // the file name written in every 水印N folder
    bool prepared = false;               // the conversion has been tried in this run
    std::optional<FailureKind> failure;  // why the conversion failed, when it did
};

class SourceTable {
public:
    SourceTable(std::filesystem::path workFolder, EncoderFormat format);

    // The entry of `path`; the first call for a path names its copy and its output. The same
    // file listed twice, however spelt (a/./b.jpg, a/b.jpg, ./a/b.jpg, a link to it), is one entry.
    SourceEntry& entryFor(const std::string& path, const std::string& fileName);

private:
    std::filesystem::path workFolder_;
    EncoderFormat format_;
    UniqueNames copyNames_;
    UniqueNames outputNames_;
    std::unordered_map<std::string, SourceEntry> entries_;  // by normalised path
};

// The last component of `fileName`, so no listed name can point outside a folder; "image" for
// a name with nothing usable.
std::string safeFileName(const std::string& fileName);

}  // namespace zendavo
