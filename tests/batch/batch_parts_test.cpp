// The rules both drivers of a run share: unique output names, one entry per listed file,
// protected files, progress values and the failure report.
#include <gtest/gtest.h>

#include <unistd.h>

#include "batch/batch_steps.h"
#include "batch/failure_report.h"
#include "batch/file_identities.h"
#include "batch/source_table.h"
#include "batch/unique_names.h"
#include "tests/batch/batch_fixture.h"

namespace zendavo::testing {
namespace {

TEST(UniqueNames, NumbersTakenNamesBeforeTheirExtension)
{
    struct Case {
        std::vector<std::string> claims;
        std::vector<std::string> given;
    };
    const Case cases[] = {
        {{"IMG_1.jpg", "IMG_1.jpg", "IMG_1.jpg"}, {"IMG_1.jpg", "IMG_1 (2).jpg", "IMG_1 (3).jpg"}},
        {{"b.png.jpg", "b.png.jpg"}, {"b.png.jpg", "b.png (2).jpg"}},
        {{"noext", "noext"}, {"noext", "noext (2)"}},
        {{".hidden", ".hidden"}, {".hidden", ".hidden (2)"}},
        {{"a.jpg", "A.JPG"}, {"a.jpg", "A (2).JPG"}},
        {{"a (2).jpg", "a.jpg", "a.jpg"}, {"a (2).jpg", "a.jpg", "a (3).jpg"}},
        {{"水印.jpg", "水印.jpg"}, {"水印.jpg", "水印 (2).jpg"}},
    };
    for (const Case& c : cases) {
        UniqueNames names;
        std::vector<std::string> given;
        for (const std::string& claim : c.claims) given.push_back(names.claim(claim));
        EXPECT_EQ(given, c.given);
    }
}

TEST(SourceTable, EachListedFileGetsItsOwnCopyAndOutputName)
{
    SourceTable table("/w", EncoderFormat::Jpeg);
    const SourceEntry& a = table.entryFor("/p/IMG_1.jpg", "IMG_1.jpg");
    const SourceEntry& b = table.entryFor("/q/IMG_1.jpg", "IMG_1.jpg");
    const SourceEntry& again = table.entryFor("/p/./IMG_1.jpg", "IMG_1.jpg");
    const SourceEntry& png = table.entryFor("/p/b.png", "b.png");
    const SourceEntry& named = table.entryFor("/p/水印1", "水印1");
    const SourceEntry& sneaky = table.entryFor("/p/x", "../../etc/passwd");
    EXPECT_EQ(&again, &a);
    EXPECT_EQ(a.copyPath, fs::path("/w/IMG_1.jpg.bmp"));
    EXPECT_EQ(b.copyPath, fs::path("/w/IMG_1.jpg (2).bmp"));
    EXPECT_EQ(a.outputName, "IMG_1.jpg");
    EXPECT_EQ(b.outputName, "IMG_1 (2).jpg");
    EXPECT_EQ(png.outputName, "b.png.jpg");
    EXPECT_EQ(named.copyPath, fs::path("/w/水印1 (2).bmp"));  // 水印1.bmp is slot 1's
    EXPECT_EQ(sneaky.copyPath, fs::path("/w/passwd.bmp"));
    EXPECT_EQ(sneaky.outputName, "passwd.jpg");
}

TEST(SourceTable, OutputNamesFollowTheFormatsExtension)
{
    struct Case {
        EncoderFormat format;
        const char* fileName;
        const char* output;
    };
    for (const Case& c : {Case{EncoderFormat::Jpeg, "c.JPG", "c.JPG"},
                          Case{EncoderFormat::Jpeg, "a.jpeg", "a.jpeg.jpg"},
                          Case{EncoderFormat::Png, "a.jpg", "a.jpg.png"},
                          Case{EncoderFormat::Png, "b.PNG", "b.PNG"},
                          Case{EncoderFormat::Bmp, "a.jpg", "a.jpg.bmp"}}) {
        SourceTable table("/w", c.format);
        EXPECT_EQ(table.entryFor(std::string("/p/") + c.fileName, c.fileName).outputName, c.output);
    }
}

TEST(FileIdentities, KnowAFileByWhateverPathLeadsToIt)
{
    TempFolder root;
    const fs::path file = root / "p" / "a.jpg";
    writeText(file, "x");
    writeText(root / "p" / "other.jpg", "x");
    fs::create_hard_link(file, root / "hard.jpg");
    fs::create_symlink(file, root / "soft.jpg");
    FileIdentities ids;
    ids.add(file);
    ids.add(root / "missing.jpg");
    for (const fs::path& same : {file, root / "p" / ".." / "p" / "a.jpg", root / "hard.jpg", root / "soft.jpg"})
        EXPECT_TRUE(ids.contains(same)) << same;
    for (const fs::path& other : {root / "p" / "other.jpg", root / "missing.jpg"})
        EXPECT_FALSE(ids.contains(other)) << other;
}

TEST(Progress, DividesFirstThenTruncates)
{
    struct Case {
        int k, n, percent;
    };
    for (const Case& c : {Case{29, 100, 28}, Case{57, 100, 56}, Case{58, 100, 57}, Case{1, 3, 33},
                          Case{2, 3, 66}, Case{3, 3, 100}, Case{0, 5, 0}, Case{1, 0, 100},
                          Case{5, 2, 100}}) {
        EXPECT_EQ(progressPercent(c.k, c.n), c.percent) << c.k << "/" << c.n;
    }
}

std::vector<BatchFailure> failures(int count)
{
    std::vector<BatchFailure> list;
    for (int k = 1; k <= count; ++k)
        list.push_back({k % 10 + 1, std::to_string(k) + ".jpg", "/p/" + std::to_string(k) + ".jpg",
                        reasonText(FailureKind::OutputNotWritten), FailureKind::OutputNotWritten});
    return list;
}

TEST(FailureReport, ListsAtMostTwentyLinesThenTheCount)
{
    struct Case {
        int count;
        std::size_t lines;
        bool trailer;
    };
    for (const Case& c : {Case{1, 1, false}, Case{20, 20, false}, Case{21, 21, true}, Case{57, 21, true}}) {
        const std::string text = failureMessage(failures(c.count));
        const std::size_t lines = std::count(text.begin(), text.end(), '\n') + 1;
        EXPECT_EQ(lines, c.lines) << c.count;
        const std::string trailer = "\n……共" + std::to_string(c.count) + "个";
        EXPECT_EQ(text.ends_with(trailer), c.trailer) << c.count;
        EXPECT_TRUE(text.starts_with("水印2/1.jpg：无法写入输出文件"));
    }
    EXPECT_EQ(failureStatusText(3), "已完成，有3个文件失败");
}

TEST(FailureReport, EveryConversionFailureHasAReason)
{
    EXPECT_EQ(sourceFailureOf(ConvertStatus::Ok), std::nullopt);
    EXPECT_EQ(sourceFailureOf(ConvertStatus::SourceMissing), FailureKind::SourceMissing);
    EXPECT_EQ(sourceFailureOf(ConvertStatus::MissingPath), FailureKind::SourceMissing);
    EXPECT_EQ(sourceFailureOf(ConvertStatus::Undecodable), FailureKind::SourceUnreadable);
    EXPECT_EQ(sourceFailureOf(ConvertStatus::WriteFailed), FailureKind::WorkCopyFailed);
    std::set<std::string> texts;
    for (int k = 1; k <= 6; ++k) texts.insert(reasonText(static_cast<FailureKind>(k)));
    EXPECT_EQ(texts.size(), 6u);  // each kind tells its own reason
}

TEST(BatchSteps, OutputThatCannotBeWrittenIsReported)
{
    TempFolder root;
    const fs::path copy = root / "a.jpg.bmp";
    writeBytes(copy, makeSolidBmp(20, 20, {200, 100, 50}).bytes);
    const BmpBuffer mark = makeSolidBmp(4, 4, {0, 0, 0});
    writeText(root / "blocked", "a file where the output folder should be");
    const FileIdentities none;
    const WatermarkSettings settings;
    EXPECT_EQ(writeWatermarked(copy, mark, settings, {}, {root / "blocked" / "a.jpg"}, none),
              FailureKind::OutputNotWritten);
    EXPECT_EQ(writeWatermarked(root / "gone.bmp", mark, settings, {}, {root / "out" / "a.jpg"}, none),
              FailureKind::WorkCopyFailed);
    EXPECT_EQ(writeWatermarked(copy, mark, settings, {}, {root / "out" / "a.jpg"}, none),
              FailureKind::OutputNotWritten);  // the folder is not made here
    fs::create_directory(root / "out");
    EXPECT_EQ(writeWatermarked(copy, mark, settings, {}, {root / "out" / "a.jpg"}, none), std::nullopt);
    EXPECT_TRUE(startsWithJpegMarker(root / "out" / "a.jpg"));
}

TEST(BatchSteps, SlotFolderIsOneFolderNeverItsParents)
{
    TempFolder root;
    createSlotFolder(root.path(), 3);
    EXPECT_TRUE(fs::is_directory(root / "水印3"));
    createSlotFolder(root.path(), 3);  // an existing folder is fine
    EXPECT_TRUE(fs::is_directory(root / "水印3"));
    createSlotFolder(root / "gone" / "deep", 1);
    EXPECT_FALSE(fs::exists(root / "gone"));
}

}  // namespace
}  // namespace zendavo::testing
