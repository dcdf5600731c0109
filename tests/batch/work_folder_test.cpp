// The work folder's paths and its deletion rules, on a real temporary tree.
#include "batch/work_folder.h"

#include <gtest/gtest.h>

#include "tests/batch/batch_fixture.h"

namespace zendavo::testing {
namespace {

TEST(WorkFolderPaths, FollowTheNamingOfCopies)
{
    EXPECT_EQ(workFolderPath("/opt/Tools/X"), fs::path("/opt/Tools/X/temp"));
    const fs::path work = "/opt/Tools/X/temp";
    EXPECT_EQ(sourceCopyPath(work, "a.jpg"), fs::path("/opt/Tools/X/temp/a.jpg.bmp"));
    EXPECT_EQ(sourceCopyPath(work, "b.png"), fs::path("/opt/Tools/X/temp/b.png.bmp"));
    EXPECT_EQ(watermarkCopyPath(work, 2), fs::path("/opt/Tools/X/temp/水印2.bmp"));
    EXPECT_EQ(watermarkCopyPath(work, 10), fs::path("/opt/Tools/X/temp/水印10.bmp"));
}

TEST(WorkFolderPaths, CacheFallbackFollowsTheBaseDirectoryRules)
{
    struct Case {
        const char* xdg;
        const char* home;
        const char* expected;
    };
    for (const Case& c : {Case{"/var/cache/u", "/home/u", "/var/cache/u/zendavo/temp"},
                          Case{"", "/home/u", "/home/u/.cache/zendavo/temp"},
                          Case{"relative/cache", "/home/u", "/home/u/.cache/zendavo/temp"},
                          Case{"", "", ""}}) {
        EXPECT_EQ(cacheWorkFolderPath(c.xdg, c.home), fs::path(c.expected)) << c.xdg << "|" << c.home;
    }
}

TEST(WorkFolderPaths, RootsAndEmptyPathsAreRefused)
{
    for (const char* path : {"", "   ", "/", "//", "/..", "  /", "/./", "/../..", "/tmp/.."})
        EXPECT_TRUE(isRefusedFolderPath(path)) << '"' << path << '"';
    for (const char* path : {"/tmp/x", "temp", " /tmp/x", "/tmp/x/.."})
        EXPECT_FALSE(isRefusedFolderPath(path)) << '"' << path << '"';
}

class DeleteTreeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(root.path().empty()); }
    TempFolder root;
    fs::path folder = root / "temp";
};

TEST_F(DeleteTreeTest, RemovesFilesAndNestedFolders)
{
    writeText(folder / "a.jpg.bmp", "x");
    writeText(folder / "sub" / "deeper" / "f", "x");
    writeText(folder / "sub" / "g", "x");
    EXPECT_TRUE(deleteFolderTree(folder.native()));
    EXPECT_FALSE(fs::exists(folder));
}

TEST_F(DeleteTreeTest, DotEntriesAreNeverVisitedAndKeepTheirFolder)
{
    writeText(folder / ".keep", "stay");
    writeText(folder / "a.jpg.bmp", "x");
    writeText(folder / "sub" / ".hidden" / "inner", "stay");
    writeText(folder / "sub" / "f", "x");
    EXPECT_FALSE(deleteFolderTree(folder.native()));
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{".keep", "sub"}));
    EXPECT_EQ(namesIn(folder / "sub"), std::vector<std::string>{".hidden"});
    EXPECT_TRUE(fs::exists(folder / "sub" / ".hidden" / "inner"));
}

TEST_F(DeleteTreeTest, LinksAreRemovedNeverFollowed)
{
    writeText(root / "outside" / "precious", "keep me");
    writeText(root / "outside-file", "keep me too");
    fs::create_directories(folder);
    fs::create_directory_symlink(root / "outside", folder / "to-folder");
    fs::create_symlink(root / "outside-file", folder / "to-file");
    EXPECT_TRUE(deleteFolderTree(folder.native()));
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(fs::exists(root / "outside" / "precious"));
    EXPECT_TRUE(fs::exists(root / "outside-file"));
}

TEST_F(DeleteTreeTest, RefusesWhatIsNotAFolderOfItsOwn)
{
    writeText(root / "real" / "f", "x");
    fs::create_directory_symlink(root / "real", root / "link");
    writeText(root / "plain", "x");
    for (const fs::path& path : {root / "link", root / "plain", root / "missing"})
        EXPECT_FALSE(deleteFolderTree(path.native())) << path;
    EXPECT_TRUE(fs::exists(root / "real" / "f"));
    EXPECT_TRUE(fs::exists(root / "plain"));
    EXPECT_FALSE(deleteFolderTree(""));
    EXPECT_FALSE(deleteFolderTree("    "));
}

TEST_F(DeleteTreeTest, LeadingSpacesAreSkipped)
{
    writeText(folder / "a", "x");
    EXPECT_TRUE(deleteFolderTree("   " + folder.native()));
    EXPECT_FALSE(fs::exists(folder));
}

TEST_F(DeleteTreeTest, ResetLeavesTheFolderPresentAndEmpty)
{
    struct Case {
        const char* name;
        std::vector<std::string> filesBefore;  // relative to the folder; none: no folder
        std::vector<std::string> namesAfter;
    };
    for (const Case& c : {Case{"missing before", {}, {}},
                          Case{"files and a sub-folder", {"a.jpg.bmp", "水印1.bmp", "sub/x"}, {}},
                          Case{"keep file", {".keep", "a.jpg.bmp"}, {".keep"}}}) {
        SCOPED_TRACE(c.name);
        std::error_code ec;
        fs::remove_all(folder, ec);
        for (const std::string& file : c.filesBefore) writeText(folder / file, "x");
        resetWorkFolder(folder);
        EXPECT_TRUE(fs::is_directory(folder));
        EXPECT_EQ(namesIn(folder), c.namesAfter);
    }
}

TEST_F(DeleteTreeTest, PrepareUsesThePreferredFolderThenTheFallback)
{
    const fs::path preferred = root / "prog" / "temp";
    const fs::path fallback = root / "cache" / "zendavo" / "temp";
    fs::create_directories(root / "prog");
    EXPECT_EQ(prepareWorkFolder(preferred, fallback), preferred);
    EXPECT_TRUE(fs::is_directory(preferred));
    EXPECT_FALSE(fs::exists(fallback));

    writeText(root / "not-a-folder", "x");
    EXPECT_EQ(prepareWorkFolder(root / "not-a-folder" / "temp", fallback), fallback);
    EXPECT_TRUE(fs::is_directory(fallback));

    EXPECT_EQ(prepareWorkFolder(root / "not-a-folder" / "temp", root / "not-a-folder" / "c"),
              std::nullopt);
    // Parents of the program folder are not made: only temp itself.
    EXPECT_EQ(prepareWorkFolder(root / "no-prog" / "temp", fallback), fallback);
    EXPECT_FALSE(fs::exists(root / "no-prog"));
}

// Each instance's folder is held by a lock: a reset removes what no running instance holds.
TEST_F(DeleteTreeTest, ResetKeepsTheFoldersOfRunningInstancesOnly)
{
    fs::create_directories(folder);
    writeText(folder / "a.jpg.bmp", "left by an older program");
    writeText(folder / "instance-dead01" / "b.jpg.bmp", "x");  // its instance has ended
    writeText(folder / "instance-dead01.lock", "");
    writeText(folder / "instance-nolock" / "c.jpg.bmp", "x");
    {
        const InstanceFolder running(folder);
        ASSERT_FALSE(running.path().empty());
        EXPECT_EQ(running.path().parent_path(), folder);
        writeText(running.path() / "d.jpg.bmp", "in use");
        EXPECT_TRUE(heldByRunningInstance(running.path()));
        EXPECT_FALSE(heldByRunningInstance(folder / "instance-dead01"));

        resetWorkFolder(folder);

        const std::string name = running.path().filename().native();
        EXPECT_EQ(namesIn(folder), (std::vector<std::string>{name, name + ".lock"}));
        EXPECT_TRUE(fs::exists(running.path() / "d.jpg.bmp"));
    }
    // Gone with its object, lock file and all.
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(namesIn(folder).empty());
}

TEST_F(DeleteTreeTest, TwoInstancesGetFoldersOfTheirOwn)
{
    fs::create_directories(folder);
    const InstanceFolder first(folder);
    const InstanceFolder second(folder);
    ASSERT_FALSE(first.path().empty());
    ASSERT_FALSE(second.path().empty());
    EXPECT_NE(first.path(), second.path());
    EXPECT_TRUE(heldByRunningInstance(first.path()));
    EXPECT_TRUE(heldByRunningInstance(second.path()));
}

TEST_F(DeleteTreeTest, InstanceFolderIsEmptyPathWhereNothingCanBeMade)
{
    const InstanceFolder nowhere(root / "missing" / "temp");
    EXPECT_TRUE(nowhere.path().empty());
}

}  // namespace
}  // namespace zendavo::testing
