#include "cli/image_list.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "batch/image_names.h"

namespace zendavo {
namespace fs = std::filesystem;

namespace {

std::vector<std::string> imagesInFolder(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        const std::string name = it->path().filename().native();
        if (isListedImageName(name) && it->is_regular_file(typeError)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> paths;
    for (const std::string& name : names) paths.push_back((fs::path(folder) / name).native());
    return paths;
}

}  // namespace

std::vector<std::string> collectImages(const std::vector<std::string>& inputs)
{
    std::vector<std::string> images;
    for (const std::string& input : inputs) {
        std::error_code ec;
        if (fs::is_directory(input, ec)) {
            const std::vector<std::string> found = imagesInFolder(input);
            images.insert(images.end(), found.begin(), found.end());
        } else {
            images.push_back(input);  // a missing file is reported by the run
        }
    }
    return images;
}

}  // namespace zendavo
