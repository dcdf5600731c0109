#include "formats/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

namespace zendavo {
namespace {

// Hidden and short, so that a target name near the length limit still gets its temporary file.
std::filesystem::path temporaryNameBeside(const std::filesystem::path& target, std::uint64_t tag)
{
    char name[40];
    std::snprintf(name, sizeof name, ".zendavo-%016llx.part", static_cast<unsigned long long>(tag));
    return target.parent_path() / name;
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
            fd_ = fd;
            target_ = target;
            temporary_ = name;
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

bool AtomicFile::commit()
{
    if (fd_ < 0) return false;
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0 || std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        const int reason = errno;
        ::unlink(temporary_.c_str());
        errno = reason;
        temporary_.clear();
        return false;
    }
    temporary_.clear();
    return true;
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

}  // namespace zendavo
