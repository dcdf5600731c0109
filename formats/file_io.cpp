#include "formats/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "formats/atomic_file.h"
#include "formats/large_buffer.h"

namespace zendavo {
namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

// Reads into `bytes` from `used` until it is full or the file ends; -1 on a read error.
ssize_t readInto(int fd, std::span<std::uint8_t> bytes)
{
    std::size_t used = 0;
    while (used < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        used += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(used);
}

// The size fstat gave is read in one go; anything the file grew by since is appended.
bool readAll(int fd, std::vector<std::uint8_t>& bytes, std::size_t expected)
{
    resizeLargeBuffer(bytes, expected);
    const ssize_t got = readInto(fd, bytes);
    if (got < 0) return false;
    bytes.resize(static_cast<std::size_t>(got));
    std::vector<std::uint8_t> chunk(1 << 16);
    for (;;) {
        const ssize_t more = readInto(fd, chunk);
        if (more < 0) return false;
        if (more == 0) return true;
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + more);
    }
}

}  // namespace

std::vector<std::uint8_t> readFile(const std::filesystem::path& path)
{
    std::vector<std::uint8_t> bytes;
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return bytes;
    try {
        if (!readAll(file.get(), bytes, static_cast<std::size_t>(info.st_size))) bytes.clear();
    } catch (const std::bad_alloc&) {
        bytes.clear();
    }
    return bytes;
}

bool writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         const KeepExisting& keep)
{
    AtomicFile file;
    return file.open(path) && file.write(bytes) && file.commit(keep);
}

}  // namespace zendavo
