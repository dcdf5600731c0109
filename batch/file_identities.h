// The files a run reads, known by device and inode, so that no output replaces one of them
// whatever path, link or spelling leads to it.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <set>
#include <utility>

namespace zendavo {

class FileIdentities {
public:
    // Nothing happens for a path where no file exists.
    void add(const std::filesystem::path& path);
    // Whether an existing file at `path` (links followed) is one of those added.
    bool contains(const std::filesystem::path& path) const;

private:
    std::set<std::pair<dev_t, ino_t>> files_;
};

}  // namespace zendavo
