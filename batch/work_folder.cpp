#include "batch/work_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace zendavo {
namespace fs = std::filesystem;

fs::path workFolderPath(const fs::path& programFolder)
{
    return programFolder / "temp";
}

fs::path sourceCopyPath(const fs::path& workFolder, const std::string& fileName)
{
    return workFolder / (fileName + ".bmp");
}

fs::path watermarkCopyPath(const fs::path& workFolder, int slot)
{
    return workFolder / ("水印" + std::to_string(slot) + ".bmp");
}

fs::path cacheWorkFolderPath(std::string_view xdgCacheHome, std::string_view home)
{
    // Relative values of XDG_CACHE_HOME are to be ignored, as the base directory rules say.
    if (!xdgCacheHome.empty() && xdgCacheHome.front() == '/')
        return fs::path(xdgCacheHome) / "zendavo" / "temp";
    if (!home.empty()) return fs::path(home) / ".cache" / "zendavo" / "temp";
    return {};
}

fs::path cacheWorkFolderPath()
{
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    return cacheWorkFolderPath(xdg ? xdg : "", home ? home : "");
}

namespace {

bool usableFolder(const fs::path& folder, bool withParents)
{
    if (folder.empty()) return false;
    std::error_code ec;
    if (withParents)
        fs::create_directories(folder, ec);
    else
        fs::create_directory(folder, ec);
    // access() also answers EROFS for a read-only medium.
    return fs::is_directory(folder, ec) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool isLink(const fs::path& path)
{
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(path, ec));
}

bool keepAlways(const fs::path&)
{
    return false;
}

template <typename Keep>
void emptyFolder(const fs::path& folder, Keep keep)
{
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const fs::path entry = it->path();
        if (entry.filename().native().starts_with('.') || keep(entry)) continue;
        std::error_code statusError;
        const fs::file_status status = fs::symlink_status(entry, statusError);
        if (fs::is_directory(status)) emptyFolder(entry, keepAlways);
        std::error_code removeError;
        fs::remove(entry, removeError);  // a link goes, its target stays
    }
}

}  // namespace

std::optional<fs::path> prepareWorkFolder(const fs::path& preferred, const fs::path& fallback)
{
    if (usableFolder(preferred, false)) return preferred;
    if (usableFolder(fallback, true)) return fallback;
    return std::nullopt;
}

namespace {

std::string_view withoutLeadingSpaces(std::string_view path)
{
    while (!path.empty() && path.front() == ' ') path.remove_prefix(1);
    return path;
}

}  // namespace

bool isRefusedFolderPath(std::string_view path)
{
    path = withoutLeadingSpaces(path);
    return path.empty() || fs::path(path).lexically_normal().relative_path().empty();
}

bool deleteFolderTree(std::string_view path)
{
    if (isRefusedFolderPath(path)) return false;
    const fs::path folder(withoutLeadingSpaces(path));
    std::error_code ec;
    if (isLink(folder) || !fs::is_directory(folder, ec)) return false;
    emptyFolder(folder, keepAlways);
    return fs::remove(folder, ec) && !ec;
}

namespace {

constexpr std::string_view kLockSuffix = ".lock";

// True when another open file holds the lock: its instance is running. A lock nobody holds is
// unlinked while we hold it when `removeWhenFree`, so no instance can take it over meanwhile.
bool lockIsHeld(const fs::path& lockFile, bool removeWhenFree)
{
    const int fd = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (!held && removeWhenFree) ::unlink(lockFile.c_str());
    ::close(fd);
    return held;
}

// The lock file that guards an instance's folder.
fs::path lockFileOf(const fs::path& folder)
{
    return folder.parent_path() / (folder.filename().native() + std::string(kLockSuffix));
}

bool isLockFile(const fs::path& entry)
{
    return entry.filename().native().ends_with(kLockSuffix);
}

// For resetWorkFolder: an entry to keep, or a free lock file already removed here.
bool keepOrRemoveLock(const fs::path& entry)
{
    if (isLockFile(entry)) {
        lockIsHeld(entry, true);
        return true;
    }
    return lockIsHeld(lockFileOf(entry), false);
}

}  // namespace

bool heldByRunningInstance(const fs::path& entry)
{
    if (isLockFile(entry)) return lockIsHeld(entry, false);
    return lockIsHeld(lockFileOf(entry), false);
}

void resetWorkFolder(const fs::path& workFolder)
{
    std::error_code ec;
    if (!isRefusedFolderPath(workFolder.native()) && !isLink(workFolder) &&
        fs::is_directory(workFolder, ec)) {
        emptyFolder(workFolder, keepOrRemoveLock);
        fs::remove(workFolder, ec);
    }
    fs::create_directory(workFolder, ec);
}

InstanceFolder::InstanceFolder(const fs::path& workFolder)
{
    // The lock comes first and its folder second, so a folder never stands unguarded; a reset
    // that unlinked our lock file just before we locked it is caught by comparing inodes.
    for (int attempt = 0; attempt < 8 && path_.empty(); ++attempt) {
        std::string pattern = (workFolder / "instance-XXXXXX").native() + std::string(kLockSuffix);
        const int fd = ::mkostemps(pattern.data(), static_cast<int>(kLockSuffix.size()), O_CLOEXEC);
        if (fd < 0) return;
        struct stat opened {};
        struct stat named {};
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &opened) != 0 ||
            ::stat(pattern.c_str(), &named) != 0 || opened.st_ino != named.st_ino ||
            opened.st_dev != named.st_dev) {
            ::close(fd);
            continue;
        }
        fs::path folder = pattern.substr(0, pattern.size() - kLockSuffix.size());
        std::error_code ec;
        if (!fs::create_directory(folder, ec)) {
            ::unlink(pattern.c_str());
            ::close(fd);
            return;
        }
        path_ = std::move(folder);
        lockPath_ = pattern;
        lockFd_ = fd;
    }
}

InstanceFolder::~InstanceFolder()
{
    if (lockFd_ < 0) return;
    deleteFolderTree(path_.native());
    ::unlink(lockPath_.c_str());
    ::close(lockFd_);
}

}  // namespace zendavo
