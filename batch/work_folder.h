// The folder that holds the working copies: 24-bit .bmp files of the listed images and of the
// slots' watermark pictures. Each running instance works in a folder of its own inside it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zendavo {

// programFolder/temp.
std::filesystem::path workFolderPath(const std::filesystem::path& programFolder);

// The working copy of a listed file: fileName + ".bmp" (a.jpg gives a.jpg.bmp).
std::filesystem::path sourceCopyPath(const std::filesystem::path& workFolder,
                                     const std::string& fileName);

// The working copy of slot N's picture: 水印N.bmp.
std::filesystem::path watermarkCopyPath(const std::filesystem::path& workFolder, int slot);

// The per-user place used when the program folder cannot hold the work folder:
// $XDG_CACHE_HOME/zendavo/temp when that is an absolute path, else $HOME/.cache/zendavo/temp.
// Empty when neither variable helps.
std::filesystem::path cacheWorkFolderPath(std::string_view xdgCacheHome, std::string_view home);
std::filesystem::path cacheWorkFolderPath();  // from the environment

// Creates `preferred` when missing and checks that files can be made in it; failing that, the
// same with `fallback` (parents included). The folder that works, or nullopt.
std::optional<std::filesystem::path> prepareWorkFolder(const std::filesystem::path& preferred,
                                                       const std::filesystem::path& fallback);

// The paths deleteFolderTree never touches: empty or all spaces, and the file-system root
// however written ("/", "//", "/..").
bool isRefusedFolderPath(std::string_view path);

// Removes the folder and what it holds. Leading spaces of the path are skipped; an empty path
// and the file-system root are refused. Entries whose names begin with a dot are never
// visited, so a ".keep" file survives and keeps the folder. Symbolic links are removed, never
// followed, and a path that is itself a link is refused. A failure on one entry does not stop
// the others. True when the folder itself was removed.
bool deleteFolderTree(std::string_view path);

// A folder of this process's own inside the work folder, named NAME beside a lock file
// NAME.lock that it holds (flock) for as long as the object lives, so that another instance's
// reset leaves it alone. The destructor removes both. path() is empty when it could not be made.
class InstanceFolder {
public:
    explicit InstanceFolder(const std::filesystem::path& workFolder);
    ~InstanceFolder();
    InstanceFolder(const InstanceFolder&) = delete;
    InstanceFolder& operator=(const InstanceFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::filesystem::path lockPath_;
    int lockFd_ = -1;
};

// Whether `entry` of a work folder belongs to an instance that is running now: a lock file
// that another open file holds, or the folder beside such a lock file.
bool heldByRunningInstance(const std::filesystem::path& entry);

// Everything in the folder is removed but the folders of running instances (this process's own
// included while its InstanceFolder lives) and dot entries; then the folder is created again.
// Neither result matters.
void resetWorkFolder(const std::filesystem::path& workFolder);

}  // namespace zendavo
