#include "cli/image_list.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "batch/image_names.h"
#include "batch/slot_names.h"

namespace zendavo {
namespace fs = std::filesystem;

namespace {

// Relative paths (generic form) of the folder's files, in name order, sub-folders after the
// files of their parent when `recursive`.
void listFolder(const fs::path& root, const fs::path& relative, bool recursive, ImageList& list)
{
    std::vector<std::string> files;
    std::vector<std::string> folders;
    std::error_code ec;
    for (fs::directory_iterator it(root / relative, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        const std::string name = it->path().filename().native();
        if (it->is_symlink(typeError) && it->is_directory(typeError)) continue;  // no loops
        if (it->is_directory(typeError)) {
            if (recursive && !isSlotFolderName(name)) folders.push_back(name);
        } else if (it->is_regular_file(typeError)) {
            files.push_back(name);
        }
    }
    std::sort(files.begin(), files.end());
    std::sort(folders.begin(), folders.end());
    for (const std::string& name : files) {
        const std::string path = (root / relative / name).native();
        if (isListedImageName(name))
            list.images.push_back({path, relative.generic_string()});
        else
            list.skipped.push_back(path);
    }
    for (const std::string& name : folders) listFolder(root, relative / name, true, list);
}

}  // namespace

bool isSlotFolderName(const std::string& name)
{
    for (int slot = 1; slot <= kSlotCount; ++slot)
        if (name == slotFolderName(slot)) return true;
    return false;
}

ImageList collectImages(const std::vector<std::string>& inputs, bool recursive)
{
    ImageList list;
    for (const std::string& input : inputs) {
        std::error_code ec;
        if (fs::is_directory(input, ec))
            listFolder(input, {}, recursive, list);
        else
            list.images.push_back({input, {}});  // a missing file is reported by the run
    }
    return list;
}

}  // namespace zendavo
