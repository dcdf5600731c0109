// Which writes are flushed to the disk: outputs are, with their folder; the converter's
// working copies are not (flushing them would write every byte of a file about to go). The
// C library's fsync is wrapped here to see what is flushed, which is why these tests have a
// program of their own.
#include <dlfcn.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "format_fixtures.h"
#include "formats/file_io.h"
#include "formats/image_converter.h"

namespace {

std::mutex flushedMutex;
std::vector<std::string> flushed;  // what fsync was called on, by path

}  // namespace

extern "C" int fsync(int fd)
{
    char path[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t length = ::readlink(link.c_str(), path, sizeof path - 1);
    {
        const std::lock_guard lock(flushedMutex);
        flushed.emplace_back(path, length > 0 ? static_cast<std::size_t>(length) : 0);
    }
    using Fsync = int (*)(int);
    static const auto next = reinterpret_cast<Fsync>(::dlsym(RTLD_NEXT, "fsync"));
    return next ? next(fd) : 0;
}

namespace zendavo {
namespace {

using namespace zendavo::testing;
namespace fs = std::filesystem;

std::vector<std::string> takeFlushed()
{
    const std::lock_guard lock(flushedMutex);
    return std::exchange(flushed, {});
}

bool flushedInto(const std::vector<std::string>& paths, const fs::path& folder)
{
    const std::string canonical = fs::canonical(folder).native();
    for (const std::string& path : paths)
        if (path == canonical || fs::path(path).parent_path() == canonical) return true;
    return false;
}

TEST(FlushTest, AnOutputAndItsFolderAreFlushed)
{
    ScratchFolder scratch;
    fs::create_directory(scratch / "out");
    takeFlushed();
    ASSERT_TRUE(writeFileAtomically(scratch / "out" / "a.jpg", Bytes{1, 2, 3}));
    const std::vector<std::string> paths = takeFlushed();
    const std::string folder = fs::canonical(scratch / "out").native();
    // The file under its temporary name, then the folder that holds the new name.
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(fs::path(paths[0]).parent_path(), folder);
    EXPECT_EQ(paths[1], folder);
}

TEST(FlushTest, AWorkingCopyIsPutInPlaceWholeWithoutFlushing)
{
    ScratchFolder scratch;
    fs::create_directory(scratch / "work");
    writeBytes(scratch / "photo.jpg", jpegBytes(patternPicture(40, 30)));
    takeFlushed();
    ASSERT_EQ(convertToBmp(scratch / "photo.jpg", scratch / "work" / "copy.bmp"), ConvertStatus::Ok);
    EXPECT_FALSE(flushedInto(takeFlushed(), scratch / "work"));
    EXPECT_EQ(readFile(scratch / "work" / "copy.bmp").size(), 54u + 120u * 30u);
    EXPECT_EQ(scratch.entries().size(), 2u);  // no temporary file left beside it
}

}  // namespace
}  // namespace zendavo
