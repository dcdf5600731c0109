#include "formats/file_io.h"

#include <gtest/gtest.h>

#include "format_fixtures.h"

namespace zendavo {
namespace {

using namespace zendavo::testing;
namespace fs = std::filesystem;

TEST(ReadFileTest, WholeFileOrNothing)
{
    ScratchFolder scratch;
    const Bytes big = randomBytes(3 * 65536 + 17, 1);
    writeBytes(scratch / "big", big);
    writeBytes(scratch / "empty", Bytes{});
    EXPECT_EQ(readFile(scratch / "big"), big);
    EXPECT_TRUE(readFile(scratch / "empty").empty());
    EXPECT_TRUE(readFile(scratch / "absent").empty());
    EXPECT_TRUE(readFile(scratch.path()).empty());
    EXPECT_TRUE(readFile("").empty());
}

TEST(WriteFileAtomicallyTest, CreatesAndReplacesLeavingNothingElse)
{
    ScratchFolder scratch;
    const Bytes first = randomBytes(1000, 2);
    const Bytes second = randomBytes(200, 3);
    ASSERT_TRUE(writeFileAtomically(scratch / "f", first));
    EXPECT_EQ(readFile(scratch / "f"), first);
    ASSERT_TRUE(writeFileAtomically(scratch / "f", second));
    EXPECT_EQ(readFile(scratch / "f"), second);
    ASSERT_TRUE(writeFileAtomically(scratch / "zero", Bytes{}));
    EXPECT_TRUE(fs::exists(scratch / "zero"));
    EXPECT_EQ(scratch.entries(), (std::vector<std::string>{"f", "zero"}));
}

TEST(WriteFileAtomicallyTest, FailureLeavesTargetAndFolderAsTheyWere)
{
    ScratchFolder scratch;
    fs::create_directory(scratch / "dir");
    writeBytes(scratch / "dir" / "inside", Bytes{1});
    EXPECT_FALSE(writeFileAtomically(scratch / "dir", Bytes{1, 2, 3}));
    EXPECT_FALSE(writeFileAtomically(scratch / "missing" / "f", Bytes{1, 2, 3}));
    EXPECT_FALSE(writeFileAtomically(scratch.path() / "", Bytes{1}));
    EXPECT_EQ(readFile(scratch / "dir" / "inside"), Bytes{1});
    EXPECT_EQ(scratch.entries(), std::vector<std::string>{"dir"});
}

}  // namespace
}  // namespace zendavo
