#include "formats/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <random>
#include <string_view>
#include <system_error>

namespace zendavo {
namespace {

constexpr std::string_view temporaryPrefix = ".zendavo-";
constexpr std::string_view temporarySuffix = ".part";
constexpr std::size_t temporaryTagDigits = 16;
constexpr auto staleAfter = std::chrono::minutes(1);

// Hidden and short, so that a target name near the length limit still gets its temporary file.
std::filesystem::path temporaryNameBeside(const std::filesystem::path& target, std::uint64_t tag)
{
    char name[40];
    std::snprintf(name, sizeof name, ".zendavo-%016llx.part", static_cast<unsigned long long>(tag));
    return target.parent_path() / name;
}

bool isTemporaryName(std::string_view name)
{
    if (name.size() != temporaryPrefix.size() + temporaryTagDigits + temporarySuffix.size() ||
        !name.starts_with(temporaryPrefix) || !name.ends_with(temporarySuffix))
        return false;
    for (const char c : name.substr(temporaryPrefix.size(), temporaryTagDigits))
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

std::filesystem::path folderOf(const std::filesystem::path& target)
{
    const std::filesystem::path parent = target.parent_path();
    return parent.empty() ? std::filesystem::path(".") : parent;
}

// Makes a rename in `folder` survive a power cut. Errors are of no use to anyone here.
void syncFolder(const std::filesystem::path& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Renames without ever replacing a file at `to`. Where the file system has no RENAME_NOREPLACE,
// a hard link does the same; where it has no links either, a plain rename is all there is.
bool renameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    if (errno == EEXIST) return false;
    struct stat info {};
    if (::lstat(to.c_str(), &info) == 0) {
        errno = EEXIST;
        return false;
    }
    return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace

bool AtomicFile::open(const std::filesystem::path& target)
{
    abandon();
    if (target.filename().empty()) return false;
    std::random_device entropy;
    std::uniform_int_distribution<std::uint64_t> pick;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::filesystem::path name = temporaryNameBeside(target, pick(entropy));
        // 0666 so the finished file gets the usual permissions through the umask.
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            // Held until the file is closed: a cleanup of another run leaves it alone.
            ::flock(fd, LOCK_EX | LOCK_NB);
            fd_ = fd;
            target_ = target;
            temporary_ = name;
            struct stat info {};
            targetExisted_ = ::lstat(target.c_str(), &info) == 0;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

bool AtomicFile::write(std::span<const std::uint8_t> bytes)
{
    if (fd_ < 0) return false;
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = ENOSPC;  // a write that makes no progress: the device is full
            abandon();
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

bool AtomicFile::commit(const KeepExisting& keep)
{
    if (fd_ < 0) return false;
    bool placed = false;
    struct stat existing {};
    const bool targetNow = ::lstat(target_.c_str(), &existing) == 0;
    if (targetExisted_ && targetNow) {
        // Looked at again right before the rename: the file there may have changed meanwhile.
        if (!keep || !keep(target_)) {
            if (S_ISREG(existing.st_mode)) ::fchmod(fd_, existing.st_mode & 0777);
            placed = flush() && std::rename(temporary_.c_str(), target_.c_str()) == 0;
        } else {
            errno = EEXIST;
        }
    } else {
        placed = flush() && renameWithoutReplacing(temporary_, target_);
    }
    // The lock goes with the descriptor, after the rename, so no cleanup can take the file.
    const int reason = errno;
    const int closed = ::close(fd_);
    fd_ = -1;
    if (!placed) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
        errno = reason;
        return false;
    }
    temporary_.clear();
    if (durability_ == Durability::Flushed) syncFolder(folderOf(target_));
    return closed == 0;
}

bool AtomicFile::flush()
{
    return durability_ == Durability::Scratch || ::fsync(fd_) == 0;
}

void AtomicFile::abandon()
{
    const int reason = errno;  // callers report why the write failed, not the clean-up's outcome
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
    errno = reason;
}

void removeStaleTemporaries(const std::filesystem::path& folder)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    const fs::directory_iterator end;
    const auto now = std::chrono::system_clock::now();
    for (; !ec && it != end; it.increment(ec)) {
        const fs::path path = it->path();
        if (!isTemporaryName(path.filename().native())) continue;
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat held {};
        struct stat named {};
        // Only a regular file that has not been written to for a minute and that no writer
        // holds, and only while the name still leads to the file that was locked.
        const bool stale =
            ::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) &&
            now - std::chrono::system_clock::from_time_t(held.st_mtim.tv_sec) > staleAfter &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::lstat(path.c_str(), &named) == 0 &&
            named.st_dev == held.st_dev && named.st_ino == held.st_ino;
        if (stale) ::unlink(path.c_str());
        ::close(fd);
    }
}

}  // namespace zendavo
