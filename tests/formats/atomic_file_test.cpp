// Complete-or-nothing writes on a real folder: what they replace, what they refuse to replace,
// and what they clean up after a killed run.
#include "formats/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>

#include <string>
#include <vector>

#include "format_fixtures.h"
#include "formats/file_io.h"

namespace zendavo {
namespace {

using namespace zendavo::testing;
namespace fs = std::filesystem;

mode_t permissionsOf(const fs::path& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// Sets the time of last change `secondsAgo` seconds back.
void age(const fs::path& path, int secondsAgo)
{
    const timespec times[2] = {{::time(nullptr) - secondsAgo, 0}, {::time(nullptr) - secondsAgo, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

// The temporary file an unfinished write holds in `folder`.
fs::path onlyTemporaryIn(const fs::path& folder)
{
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().native().starts_with(".zendavo-")) found.push_back(entry.path());
    EXPECT_EQ(found.size(), 1u);
    return found.empty() ? fs::path() : found.front();
}

TEST(AtomicFileTest, AReplacedFileKeepsItsPermissions)
{
    for (const mode_t mode : {0600, 0640, 0644, 0755, 0444, 0700}) {
        SCOPED_TRACE(mode);
        ScratchFolder scratch;
        writeBytes(scratch / "out.jpg", Bytes{1});
        ASSERT_EQ(::chmod((scratch / "out.jpg").c_str(), mode), 0);
        ASSERT_TRUE(writeFileAtomically(scratch / "out.jpg", Bytes{2, 3}));
        EXPECT_EQ(readFile(scratch / "out.jpg"), (Bytes{2, 3}));
        EXPECT_EQ(permissionsOf(scratch / "out.jpg"), mode);
        EXPECT_EQ(scratch.entries(), std::vector<std::string>{"out.jpg"});
    }
}

TEST(AtomicFileTest, ANewFileGetsTheUsualPermissions)
{
    ScratchFolder scratch;
    const mode_t previous = ::umask(027);
    const bool written = writeFileAtomically(scratch / "new.jpg", Bytes{1});
    ::umask(previous);
    ASSERT_TRUE(written);
    EXPECT_EQ(permissionsOf(scratch / "new.jpg"), 0640u);
}

// Nothing was at the target when the write began; a file that appears meanwhile stays.
TEST(AtomicFileTest, AFileThatAppearsDuringTheWriteIsNotReplaced)
{
    ScratchFolder scratch;
    AtomicFile file;
    ASSERT_TRUE(file.open(scratch / "out.jpg"));
    ASSERT_TRUE(file.write(Bytes{1, 2, 3}));
    writeBytes(scratch / "out.jpg", Bytes{9});
    EXPECT_FALSE(file.commit());
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(readFile(scratch / "out.jpg"), Bytes{9});
    EXPECT_EQ(scratch.entries(), std::vector<std::string>{"out.jpg"});
}

TEST(AtomicFileTest, ATargetThatBecameAProtectedFileIsNotReplaced)
{
    ScratchFolder scratch;
    writeBytes(scratch / "source.jpg", Bytes{7, 7});
    writeBytes(scratch / "out.jpg", Bytes{1});
    struct stat source {};
    ASSERT_EQ(::stat((scratch / "source.jpg").c_str(), &source), 0);
    const KeepExisting keepSource = [&](const fs::path& target) {
        struct stat now {};
        return ::stat(target.c_str(), &now) == 0 && now.st_dev == source.st_dev &&
               now.st_ino == source.st_ino;
    };

    // Checked at the start, the target was an ordinary old output; by the rename it has
    // become the source itself (a hard link) or a link to it.
    for (const bool hardLink : {true, false}) {
        SCOPED_TRACE(hardLink ? "hard link" : "symbolic link");
        AtomicFile file;
        ASSERT_TRUE(file.open(scratch / "out.jpg"));
        ASSERT_TRUE(file.write(Bytes{1, 2, 3}));
        fs::remove(scratch / "out.jpg");
        if (hardLink)
            fs::create_hard_link(scratch / "source.jpg", scratch / "out.jpg");
        else
            fs::create_symlink("source.jpg", scratch / "out.jpg");
        EXPECT_FALSE(file.commit(keepSource));
        EXPECT_EQ(errno, EEXIST);
        EXPECT_EQ(readFile(scratch / "source.jpg"), (Bytes{7, 7}));
        EXPECT_EQ(readFile(scratch / "out.jpg"), (Bytes{7, 7}));
        EXPECT_EQ(scratch.entries(), (std::vector<std::string>{"out.jpg", "source.jpg"}));
        fs::remove(scratch / "out.jpg");
        writeBytes(scratch / "out.jpg", Bytes{1});
    }

    // Any other file there is replaced as usual.
    AtomicFile file;
    ASSERT_TRUE(file.open(scratch / "out.jpg"));
    ASSERT_TRUE(file.write(Bytes{4}));
    EXPECT_TRUE(file.commit(keepSource));
    EXPECT_EQ(readFile(scratch / "out.jpg"), Bytes{4});
    EXPECT_EQ(readFile(scratch / "source.jpg"), (Bytes{7, 7}));
}

struct LeftoverCase {
    std::string name;
    int secondsAgo;
    bool removed;
};

TEST(AtomicFileTest, StaleTemporariesOfKilledRunsAreRemoved)
{
    const LeftoverCase cases[] = {
        {".zendavo-0123456789abcdef.part", 120, true},
        {".zendavo-fedcba9876543210.part", 3600 * 24, true},
        // Written to in the last minute: perhaps a run that is still at it.
        {".zendavo-00000000000000aa.part", 10, false},
        // Not our names.
        {".zendavo-0123456789ABCDEF.part", 120, false},
        {".zendavo-0123456789abcde.part", 120, false},
        {".zendavo-0123456789abcdefg.part", 120, false},
        {"zendavo-0123456789abcdef.part", 120, false},
        {".zendavo-0123456789abcdef.partial", 120, false},
        {"photo.jpg", 120, false},
    };
    ScratchFolder scratch;
    for (const LeftoverCase& c : cases) {
        writeBytes(scratch / c.name, Bytes{1});
        age(scratch / c.name, c.secondsAgo);
    }
    removeStaleTemporaries(scratch.path());
    for (const LeftoverCase& c : cases) EXPECT_EQ(fs::exists(scratch / c.name), !c.removed) << c.name;
}

TEST(AtomicFileTest, ATemporaryHeldByARunningWriterStays)
{
    ScratchFolder scratch;
    AtomicFile writer;
    ASSERT_TRUE(writer.open(scratch / "out.jpg"));
    ASSERT_TRUE(writer.write(Bytes{1, 2}));
    const fs::path held = onlyTemporaryIn(scratch.path());
    age(held, 600);
    removeStaleTemporaries(scratch.path());
    ASSERT_TRUE(fs::exists(held));
    ASSERT_TRUE(writer.write(Bytes{3}));
    ASSERT_TRUE(writer.commit());
    EXPECT_EQ(readFile(scratch / "out.jpg"), (Bytes{1, 2, 3}));
    EXPECT_EQ(scratch.entries(), std::vector<std::string>{"out.jpg"});
}

TEST(AtomicFileTest, OnlyPlainFilesAreCleanedUp)
{
    ScratchFolder scratch;
    writeBytes(scratch / "kept.jpg", Bytes{5});
    const std::string directory = ".zendavo-1111111111111111.part";
    const std::string link = ".zendavo-2222222222222222.part";
    fs::create_directory(scratch / directory);
    fs::create_symlink("kept.jpg", scratch / link);
    age(scratch / directory, 600);
    age(scratch / link, 600);
    age(scratch / "kept.jpg", 600);
    removeStaleTemporaries(scratch.path());
    removeStaleTemporaries(scratch / "missing");
    EXPECT_EQ(scratch.entries(), (std::vector<std::string>{directory, link, "kept.jpg"}));
    EXPECT_EQ(readFile(scratch / "kept.jpg"), Bytes{5});
}

}  // namespace
}  // namespace zendavo
