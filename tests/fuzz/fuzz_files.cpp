#include "fuzz_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

namespace zendavo::fuzz {
namespace {

namespace fs = std::filesystem;

fs::path temporaryBase()
{
    if (const char* tmpdir = std::getenv("TMPDIR"); tmpdir != nullptr && *tmpdir != '\0') return tmpdir;
    std::error_code ec;
    if (fs::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0) return "/dev/shm";
    return fs::temp_directory_path(ec);
}

// Made on first use and removed when the process exits normally.
class PrivateFolder {
public:
    PrivateFolder()
    {
        std::string pattern = (temporaryBase() / "zendavo-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
    }
    ~PrivateFolder()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

const fs::path& folder()
{
    static const PrivateFolder made;
    return made.path();
}

}  // namespace

fs::path writeInput(std::span<const std::uint8_t> data, std::size_t minimumLength)
{
    const fs::path path = folder() / "input";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) std::abort();
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t written = ::write(fd, data.data() + done, data.size() - done);
        if (written <= 0) std::abort();
        done += static_cast<std::size_t>(written);
    }
    if (minimumLength > data.size() && ::ftruncate(fd, static_cast<off_t>(minimumLength)) != 0)
        std::abort();
    ::close(fd);
    return path;
}

fs::path outputPath()
{
    return folder() / "output.bmp";
}

}  // namespace zendavo::fuzz
