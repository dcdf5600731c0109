#include "batch/work_folder.h"

#include <unistd.h>

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

void emptyFolder(const fs::path& folder)
{
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const fs::path entry = it->path();
        if (entry.filename().native().starts_with('.')) continue;
        std::error_code statusError;
        const fs::file_status status = fs::symlink_status(entry, statusError);
        if (fs::is_directory(status)) emptyFolder(entry);
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
    emptyFolder(folder);
    return fs::remove(folder, ec) && !ec;
}

void resetWorkFolder(const fs::path& workFolder)
{
    deleteFolderTree(workFolder.native());
    std::error_code ec;
    fs::create_directory(workFolder, ec);
}

}  // namespace zendavo
