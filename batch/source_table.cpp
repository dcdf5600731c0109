#include "batch/source_table.h"

#include "batch/slot_names.h"
#include "batch/work_folder.h"

namespace zendavo {
namespace fs = std::filesystem;

std::string safeFileName(const std::string& fileName)
{
    const std::size_t slash = fileName.rfind('/');
    std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") return "image";
    return name;
}

namespace {

// One key for every spelling of one file: relative or absolute, through links or not.
std::string sameFileKey(const std::string& path)
{
    std::error_code ec;
    const fs::path resolved = fs::weakly_canonical(fs::absolute(path, ec), ec);
    return ec ? fs::path(path).lexically_normal().native() : resolved.native();
}

}  // namespace

SourceTable::SourceTable(fs::path workFolder, EncoderFormat format)
    : workFolder_(std::move(workFolder)), format_(format)
{
    // The slots' copies live in the same folder; no image may take their names.
    for (int slot = 1; slot <= kSlotCount; ++slot)
        copyNames_.claim(watermarkCopyPath(workFolder_, slot).filename().native());
}

SourceEntry& SourceTable::entryFor(const std::string& path, const std::string& fileName)
{
    const std::string key = sameFileKey(path);
    auto [it, isNew] = entries_.try_emplace(key);
    SourceEntry& entry = it->second;
    if (isNew) {
        const std::string name = safeFileName(fileName);
        entry.path = path;
        entry.fileName = fileName;
        entry.copyPath = workFolder_ / copyNames_.claim(sourceCopyPath({}, name).native());
        entry.outputName = outputNames_.claim(encodedFileName(name, format_));
    }
    return entry;
}

}  // namespace zendavo
