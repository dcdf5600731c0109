#include "batch/file_identities.h"

#include <sys/stat.h>

namespace zendavo {

void FileIdentities::add(const std::filesystem::path& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) files_.emplace(info.st_dev, info.st_ino);
}

bool FileIdentities::contains(const std::filesystem::path& path) const
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && files_.contains({info.st_dev, info.st_ino});
}

}  // namespace zendavo
