// The run against a recording host, on small picture files in a temporary folder: the order
// of what the user sees, and the files written.
#include "batch/batch_job.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "batch/work_folder.h"
#include "formats/image_converter.h"
#include "formats/metadata_fixtures.h"
#include "tests/batch/batch_fixture.h"
#include "tests/batch/recording_host.h"

namespace zendavo::testing {
namespace {

using Events = std::vector<std::string>;

class BatchRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(root.path().empty());
        fs::create_directories(root / "prog");
        writePicture(logo, kGrey, 16, 8);
        options.workFolder = work;
        options.settings = &settings;
        options.workers = 3;  // more than the machine may have, so rows really overlap
    }

    BatchResult run() { return runBatch(host, options); }

    // A solid picture in folder p, listed as the next row.
    void addSource(const std::string& name, Rgb colour)
    {
        const fs::path path = root / "p" / name;
        writePicture(path, colour);
        host.add(path);
    }

    // The output holds the source colour, darkened by the grey mark where it was drawn: with
    // 48 x 40 sources at position 9, margins 20 and 10, the mark covers columns 12..27 and
    // rows 22..29.
    void expectWatermarked(const fs::path& output, Rgb source)
    {
        SCOPED_TRACE(output.native());
        ASSERT_TRUE(startsWithJpegMarker(output));
        const BmpBuffer picture = decodePicture(output);
        ASSERT_FALSE(picture.empty());
        EXPECT_TRUE(near(pixelAt(picture, 2, 2), source));
        const Rgb marked = pixelAt(picture, 20, 26);
        EXPECT_TRUE(near(marked, multiplied(source, kGrey), 14))  // q75 blurs the small mark's colour
            << int(marked.r) << "," << int(marked.g) << "," << int(marked.b);
    }

    TempFolder root;
    fs::path work = root / "prog" / "temp";
    fs::path logo = root / "w" / "logo.png";
    WatermarkSettings settings;
    BatchOptions options;
    RecordingHost host;
};

Events passEvents(const std::string& status, const Events& progress)
{
    Events events{"progress:0", "status:" + status, "pump"};
    events.insert(events.end(), progress.begin(), progress.end());
    return events;
}

TEST_F(BatchRunTest, NoSlotTickedOnlyShowsItsMessage)
{
    addSource("a.jpg", kRed);
    host.slots[3].picture = logo.native();  // a picture but no tick
    const BatchResult result = run();
    EXPECT_EQ(result.outcome, BatchOutcome::Refused);
    EXPECT_EQ(host.events, Events{"message:请先选择水印图"});
    EXPECT_FALSE(fs::exists(work));
    EXPECT_EQ(namesIn(root / "p"), std::vector<std::string>{"a.jpg"});
}

TEST_F(BatchRunTest, EmptyListIsRefusedAfterTheSlotTestAndTouchesNothing)
{
    host.tick(1, logo.native());
    const fs::path before = fs::current_path();
    fs::current_path(root.path());
    const BatchResult result = run();
    fs::current_path(before);
    EXPECT_EQ(result.outcome, BatchOutcome::Refused);
    EXPECT_EQ(host.events, Events{"message:请先拖入要加水印的图片"});
    EXPECT_FALSE(fs::exists(root / "水印1"));
    EXPECT_FALSE(fs::exists(work));
}

TEST_F(BatchRunTest, TwoSlotsOverThreeImagesShowEveryStageAndWriteEveryOutput)
{
    addSource("a.jpg", kRed);
    addSource("b.png", kBlue);
    addSource("c.JPG", kGreen);
    const fs::path logo5 = root / "w" / "other.bmp";
    writePicture(logo5, kGrey, 16, 8);
    host.tick(2, logo.native());
    host.tick(5, logo5.native());

    const BatchResult result = run();

    Events expected{"look"};
    for (const Events& stage : {passEvents("源文件预处理...", {"progress:33", "progress:66", "progress:100"}),
                                passEvents("水印2制作中...", {"progress:33", "progress:66", "progress:100"}),
                                passEvents("水印5制作中...", {"progress:33", "progress:66", "progress:100"})})
        expected.insert(expected.end(), stage.begin(), stage.end());
    expected.push_back("open:" + (root / "p").native());
    expected.push_back("status:已全部制作完成");
    EXPECT_EQ(host.events, expected);
    EXPECT_EQ(result.outcome, BatchOutcome::Finished);
    EXPECT_TRUE(result.failures.empty());
    EXPECT_EQ(result.outputsWritten, 6);
    EXPECT_EQ(result.workFolder, work);

    const std::vector<std::string> outputs{"a.jpg", "b.png.jpg", "c.JPG"};
    for (const char* slot : {"水印2", "水印5"}) {
        EXPECT_EQ(namesIn(root / "p" / slot), outputs);
        expectWatermarked(root / "p" / slot / "a.jpg", kRed);
        expectWatermarked(root / "p" / slot / "b.png.jpg", kBlue);
        expectWatermarked(root / "p" / slot / "c.JPG", kGreen);
    }
    EXPECT_TRUE(namesIn(work).empty());  // every working copy went with its last pass
}

struct MissingPictureCase {
    const char* name;
    std::vector<int> withPicture;
    int withoutPicture;
    std::string lastStatus;
    std::vector<std::string> folders;  // in p after the run
};

class MissingPictureTest : public BatchRunTest,
                           public ::testing::WithParamInterface<MissingPictureCase> {};

TEST_P(MissingPictureTest, StopsTheRunWhereTheSlotsPassWouldBegin)
{
    const MissingPictureCase& c = GetParam();
    addSource("a.jpg", kRed);
    addSource("b.jpg", kBlue);
    for (int slot : c.withPicture) host.tick(slot, logo.native());
    host.slots[c.withoutPicture].checked = true;

    const BatchResult result = run();

    EXPECT_EQ(result.outcome, BatchOutcome::Stopped);
    ASSERT_FALSE(host.events.empty());
    EXPECT_EQ(host.events.back(), "message:请选择有效的水印图");
    EXPECT_EQ(host.only("status:").back(), "status:" + c.lastStatus);
    EXPECT_TRUE(host.only("open:").empty());
    EXPECT_EQ(host.only("progress:").back(), "progress:100");  // where the last stage left it
    std::vector<std::string> expectedNames = c.folders;
    expectedNames.insert(expectedNames.begin(), {"a.jpg", "b.jpg"});
    EXPECT_EQ(namesIn(root / "p"), expectedNames);
    for (const std::string& folder : c.folders)
        EXPECT_EQ(namesIn(root / "p" / folder), (std::vector<std::string>{"a.jpg", "b.jpg"}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MissingPictureTest,
    ::testing::Values(MissingPictureCase{"FirstTicked", {}, 4, "源文件预处理...", {}},
                      MissingPictureCase{"AfterAFullPass", {1}, 3, "水印1制作中...", {"水印1"}},
                      MissingPictureCase{"LaterSlotsNotMade", {1, 7}, 3, "水印1制作中...", {"水印1"}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(BatchRunTest, ImagesFromTwoFoldersAllGoBesideTheFirst)
{
    addSource("a.jpg", kRed);
    writePicture(root / "q" / "d.jpg", kBlue);
    host.add(root / "q" / "d.jpg");
    host.tick(1, logo.native());
    run();
    EXPECT_EQ(namesIn(root / "p" / "水印1"), (std::vector<std::string>{"a.jpg", "d.jpg"}));
    EXPECT_FALSE(fs::exists(root / "q" / "水印1"));
    expectWatermarked(root / "p" / "水印1" / "d.jpg", kBlue);
}

TEST_F(BatchRunTest, SameNameFromTwoFoldersKeepsBothPicturesApart)
{
    writePicture(root / "p" / "IMG_1.jpg", kRed);
    writePicture(root / "q" / "IMG_1.jpg", kBlue);
    writePicture(root / "r" / "b.png", kGreen);
    writePicture(root / "s" / "b.png", kGrey);
    for (const char* path : {"p/IMG_1.jpg", "q/IMG_1.jpg", "r/b.png", "s/b.png"}) host.add(root / path);
    host.tick(1, logo.native());
    host.tick(2, logo.native());

    const BatchResult result = run();

    EXPECT_TRUE(result.failures.empty());
    for (const char* slot : {"水印1", "水印2"}) {
        const fs::path out = root / "p" / slot;
        EXPECT_EQ(namesIn(out), (std::vector<std::string>{"IMG_1 (2).jpg", "IMG_1.jpg",
                                                         "b.png (2).jpg", "b.png.jpg"}));
        expectWatermarked(out / "IMG_1.jpg", kRed);
        expectWatermarked(out / "IMG_1 (2).jpg", kBlue);
        expectWatermarked(out / "b.png.jpg", kGreen);
        expectWatermarked(out / "b.png (2).jpg", kGrey);
    }
    EXPECT_TRUE(namesIn(work).empty());
}

TEST_F(BatchRunTest, SameFileListedTwiceWritesOneOutput)
{
    addSource("a.jpg", kRed);
    host.rows.push_back({"a.jpg", (root / "p" / "." / "a.jpg").native()});
    fs::create_directory_symlink(root / "p", root / "link");
    host.rows.push_back({"a.jpg", (root / "link" / "a.jpg").native()});
    host.tick(1, logo.native());
    const BatchResult result = run();
    EXPECT_TRUE(result.failures.empty());
    EXPECT_EQ(result.outputsWritten, 1);
    EXPECT_EQ(namesIn(root / "p" / "水印1"), std::vector<std::string>{"a.jpg"});
    EXPECT_EQ(host.only("progress:"),
              (Events{"progress:0", "progress:33", "progress:66", "progress:100", "progress:0",
                      "progress:33", "progress:66", "progress:100"}));
}

TEST_F(BatchRunTest, CorruptImageBetweenTwoGoodOnesIsReportedAndWrittenNowhere)
{
    writePicture(root / "p" / "a.jpg", kRed);
    writeText(root / "p" / "bad.jpg", "this is not a picture at all, only text");
    writePicture(root / "p" / "c.png", kBlue);
    for (const char* name : {"a.jpg", "bad.jpg", "c.png"}) host.add(root / "p" / name);
    host.tick(1, logo.native());
    host.tick(2, logo.native());

    const BatchResult result = run();

    for (const char* slot : {"水印1", "水印2"})
        EXPECT_EQ(namesIn(root / "p" / slot), (std::vector<std::string>{"a.jpg", "c.png.jpg"}));
    ASSERT_EQ(result.failures.size(), 2u);
    EXPECT_EQ(result.failures[0].kind, FailureKind::SourceUnreadable);
    EXPECT_EQ(result.failures[1].slot, 2);
    const Events tail(host.events.end() - 3, host.events.end());
    EXPECT_EQ(tail, (Events{"open:" + (root / "p").native(), "status:已完成，有2个文件失败",
                            "message:水印1/bad.jpg：无法读取此图片\n水印2/bad.jpg：无法读取此图片"}));
    EXPECT_FALSE(fs::exists(work / "bad.jpg.bmp"));
}

TEST_F(BatchRunTest, MissingSourceIsReportedWithItsReason)
{
    addSource("a.jpg", kRed);
    host.add(root / "p" / "gone.jpg");
    host.tick(3, logo.native());
    const BatchResult result = run();
    EXPECT_EQ(host.only("message:"), Events{"message:水印3/gone.jpg：找不到此图片"});
    EXPECT_EQ(result.outputsWritten, 1);
}

TEST_F(BatchRunTest, FailedConversionNeverComposesAnOlderWorkingCopy)
{
    const fs::path a = root / "p" / "a.jpg";
    writePicture(a, kRed);
    host.add(a);
    host.tick(1, logo.native());
    run();
    EXPECT_TRUE(namesIn(work).empty());
    fs::remove_all(root / "p" / "水印1");
    // A copy left behind by an older program in the shared folder.
    writePicture(work / "a.jpg.bmp", kBlue);
    writePicture(work / "水印1.bmp", kGrey, 16, 8);

    writeText(a, "broken now");
    RecordingHost second;
    second.rows = host.rows;
    second.slots = host.slots;
    const BatchResult result = runBatch(second, options);

    EXPECT_FALSE(fs::exists(root / "p" / "水印1" / "a.jpg"));
    ASSERT_EQ(result.failures.size(), 1u);
    EXPECT_EQ(result.failures[0].kind, FailureKind::SourceUnreadable);
}

TEST_F(BatchRunTest, SlotWhosePictureFailsWritesNothingNotEvenAnOldPicture)
{
    addSource("a.jpg", kRed);
    host.tick(1, logo.native());
    run();
    fs::remove_all(root / "p" / "水印1");
    writePicture(work / "水印1.bmp", kGrey, 16, 8);  // left behind by an older program

    const fs::path broken = root / "w" / "broken.png";
    writeText(broken, "no picture");
    RecordingHost second;
    second.rows = host.rows;
    second.tick(1, broken.native());
    second.tick(2, logo.native());
    const BatchResult result = runBatch(second, options);

    EXPECT_TRUE(fs::is_directory(root / "p" / "水印1"));
    EXPECT_TRUE(namesIn(root / "p" / "水印1").empty());
    EXPECT_EQ(namesIn(root / "p" / "水印2"), std::vector<std::string>{"a.jpg"});
    ASSERT_EQ(result.failures.size(), 1u);
    EXPECT_EQ(result.failures[0].kind, FailureKind::WatermarkUnreadable);
    EXPECT_EQ(second.only("message:"), Events{"message:水印1/a.jpg：无法读取水印图片"});
}

TEST_F(BatchRunTest, WatermarkLargerThanEveryImageWarnsTwicePerImageHeightFirst)
{
    const fs::path big = root / "w" / "big.png";
    writePicture(big, kGrey, 60, 50);
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) addSource(name, kRed);
    host.tick(1, big.native());
    host.tick(2, big.native());
    const BatchResult result = run();
    Events expected;
    for (int pass = 0; pass < 2; ++pass)
        for (const char* name : {"a.jpg", "a.jpg", "b.jpg", "b.jpg", "c.jpg", "c.jpg"})
            expected.push_back(std::string("warning:") + name);
    EXPECT_EQ(host.only("warning:"), expected);
    EXPECT_EQ(result.outputsWritten, 6);
}

TEST_F(BatchRunTest, WorkFolderIsMadeWhenTheRunBegins)
{
    addSource("a.jpg", kRed);
    host.tick(1, logo.native());
    ASSERT_FALSE(fs::exists(work));
    const BatchResult result = run();
    EXPECT_TRUE(result.failures.empty());
    EXPECT_TRUE(fs::is_directory(work));
    EXPECT_TRUE(namesIn(work).empty());
    EXPECT_TRUE(fs::exists(root / "p" / "水印1" / "a.jpg"));
}

TEST_F(BatchRunTest, WorkFolderFallsBackToTheCacheWhenTheProgramFolderCannotHoldIt)
{
    writeText(root / "readonly-prog", "a file where the program folder should be");
    options.workFolder = root / "readonly-prog" / "temp";
    const char* old = std::getenv("XDG_CACHE_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
    addSource("a.jpg", kRed);
    host.tick(1, logo.native());

    const BatchResult result = run();

    if (old)
        ::setenv("XDG_CACHE_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CACHE_HOME");
    EXPECT_TRUE(result.failures.empty());
    EXPECT_EQ(result.workFolder, root / "cache" / "zendavo" / "temp");
    EXPECT_TRUE(fs::is_directory(root / "cache" / "zendavo" / "temp"));
    EXPECT_TRUE(fs::exists(root / "p" / "水印1" / "a.jpg"));
}

TEST_F(BatchRunTest, NoOutputReplacesAListedSourceOrAWatermarkPicture)
{
    // The second image and slot 2's picture lie where outputs of the first image would go.
    const fs::path first = root / "p" / "a.jpg";
    const fs::path second = root / "p" / "水印1" / "a.jpg";
    const fs::path mark2 = root / "p" / "水印2" / "a.jpg";
    writePicture(first, kRed);
    writePicture(second, kBlue);
    writePicture(mark2, kGrey, 16, 8);
    const std::vector<std::uint8_t> secondBefore = readFile(second);
    const std::vector<std::uint8_t> markBefore = readFile(mark2);
    host.add(first);
    host.add(second);
    host.tick(1, logo.native());
    host.tick(2, mark2.native());

    const BatchResult result = run();

    EXPECT_EQ(readFile(second), secondBefore);
    EXPECT_EQ(readFile(mark2), markBefore);
    ASSERT_EQ(result.failures.size(), 2u);
    for (const BatchFailure& failure : result.failures) {
        EXPECT_EQ(failure.kind, FailureKind::WouldOverwriteSource);
        EXPECT_EQ(failure.path, first.native());
    }
    expectWatermarked(root / "p" / "水印1" / "a (2).jpg", kBlue);
    EXPECT_EQ(host.only("status:").back(), "status:已完成，有2个文件失败");
}

TEST_F(BatchRunTest, StopRequestEndsTheRunAtOnce)
{
    addSource("a.jpg", kRed);
    addSource("b.jpg", kBlue);
    host.tick(1, logo.native());
    host.tick(2, logo.native());
    int pumps = 0;
    host.onPump = [&pumps](RecordingHost& h) {
        if (++pumps == 3) h.stop = true;  // at slot 2's pump
    };

    const BatchResult result = run();

    EXPECT_EQ(result.outcome, BatchOutcome::Stopped);
    EXPECT_EQ(host.events.back(), "pump");
    EXPECT_TRUE(host.only("open:").empty());
    EXPECT_EQ(namesIn(root / "p" / "水印1").size(), 2u);
    // Workers run ahead of what is shown: slot 2's outputs they finished stay, whole.
    for (const std::string& name : namesIn(root / "p" / "水印2"))
        EXPECT_TRUE(startsWithJpegMarker(root / "p" / "水印2" / name)) << name;
    EXPECT_TRUE(namesIn(work).empty());
}

TEST_F(BatchRunTest, StopDuringASizeWarningEndsTheRunBeforeTheNextRow)
{
    const fs::path big = root / "w" / "big.png";
    writePicture(big, kGrey, 60, 50);
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) addSource(name, kRed);
    host.tick(1, big.native());
    host.onWarning = [](RecordingHost& h) { h.stop = true; };  // the window closes meanwhile
    const BatchResult result = run();
    EXPECT_EQ(result.outcome, BatchOutcome::Stopped);
    EXPECT_EQ(host.only("warning:"), (Events{"warning:a.jpg", "warning:a.jpg"}));
    EXPECT_EQ(namesIn(root / "p" / "水印1"), std::vector<std::string>{"a.jpg"});
    EXPECT_TRUE(host.only("open:").empty());
    EXPECT_EQ(host.events.back(), "progress:33");
}

TEST_F(BatchRunTest, StopBeforeTheFirstRowConvertsNothing)
{
    addSource("a.jpg", kRed);
    host.tick(1, logo.native());
    host.onPump = [](RecordingHost& h) { h.stop = true; };
    const BatchResult result = run();
    EXPECT_EQ(result.outcome, BatchOutcome::Stopped);
    EXPECT_EQ(host.events, (Events{"look", "progress:0", "status:源文件预处理...", "pump"}));
    EXPECT_FALSE(fs::exists(work / "a.jpg.bmp"));
}

// The run works on the list, slots and settings as they were when it began.
TEST_F(BatchRunTest, ChangesDuringTheRunDoNotReachIt)
{
    addSource("a.jpg", kRed);
    writePicture(root / "q" / "late.png", kBlue);
    host.tick(1, logo.native());
    settings.marginX = 0;
    settings.marginY = 0;
    int pumps = 0;
    host.onPump = [&](RecordingHost& h) {
        if (++pumps != 2) return;  // slot 1's pump
        h.add(root / "q" / "late.png");
        h.tick(2, logo.native());
        settings.position = 1;
    };
    const BatchResult result = run();
    EXPECT_EQ(result.outcome, BatchOutcome::Finished);
    EXPECT_EQ(result.outputsWritten, 1);
    EXPECT_EQ(namesIn(root / "p" / "水印1"), std::vector<std::string>{"a.jpg"});
    EXPECT_FALSE(fs::exists(root / "p" / "水印2"));
    const BmpBuffer picture = decodePicture(root / "p" / "水印1" / "a.jpg");
    ASSERT_FALSE(picture.empty());
    EXPECT_TRUE(near(pixelAt(picture, 4, 4), kRed));  // still at position 9
    EXPECT_TRUE(near(pixelAt(picture, 44, 36), multiplied(kRed, kGrey)));
}

TEST_F(BatchRunTest, ListClearedDuringTheRunStillOpensTheFirstImagesFolder)
{
    addSource("a.jpg", kRed);
    host.tick(1, logo.native());
    int pumps = 0;
    host.onPump = [&pumps](RecordingHost& h) {
        if (++pumps == 2) h.rows.clear();
    };
    const BatchResult result = run();
    EXPECT_EQ(result.outcome, BatchOutcome::Finished);
    EXPECT_EQ(host.only("open:"), Events{"open:" + (root / "p").native()});
    EXPECT_EQ(host.events.back(), "status:已全部制作完成");
    EXPECT_EQ(namesIn(root / "p" / "水印1"), std::vector<std::string>{"a.jpg"});
}

TEST_F(BatchRunTest, AMissingFirstFolderIsNeverCreated)
{
    host.add(root / "gone" / "deep" / "a.jpg");
    addSource("b.jpg", kRed);
    host.tick(1, logo.native());
    const BatchResult result = run();
    EXPECT_FALSE(fs::exists(root / "gone"));
    ASSERT_EQ(result.failures.size(), 2u);
    EXPECT_EQ(result.failures[0].kind, FailureKind::SourceMissing);
    EXPECT_EQ(result.failures[1].kind, FailureKind::OutputNotWritten);
}

TEST_F(BatchRunTest, OptionsChooseFormatQualityAndOutputFolder)
{
    addSource("a.jpg", kRed);
    addSource("b.png", kBlue);
    host.tick(1, logo.native());
    options.format = EncoderFormat::Png;
    options.outputDir = root / "out";
    run();
    EXPECT_EQ(namesIn(root / "out" / "水印1"), (std::vector<std::string>{"a.jpg.png", "b.png"}));
    EXPECT_EQ(host.only("open:"), Events{"open:" + (root / "out").native()});
    const BmpBuffer b = decodePicture(root / "out" / "水印1" / "b.png");
    ASSERT_FALSE(b.empty());
    EXPECT_EQ(pixelAt(b, 20, 26), multiplied(kBlue, kGrey));  // lossless
}

TEST_F(BatchRunTest, SettingsAreTheOnesOfTheMomentTheRunBegins)
{
    addSource("a.jpg", kRed);
    host.tick(1, logo.native());
    settings = {1, 0, 0};
    run();
    const BmpBuffer picture = decodePicture(root / "p" / "水印1" / "a.jpg");
    ASSERT_FALSE(picture.empty());
    EXPECT_TRUE(near(pixelAt(picture, 4, 4), multiplied(kRed, kGrey)));
    EXPECT_TRUE(near(pixelAt(picture, 44, 36), kRed));
}

// A JPEG cut inside its scan: still written, listed at the end, never counted as a failure.
void writeCutJpeg(const fs::path& path)
{
    writePicture(path, kBlue, 256, 256);
    std::vector<std::uint8_t> bytes = readFile(path);
    const std::uint8_t startOfScan[] = {0xFF, 0xDA};
    const auto scan = std::search(bytes.begin(), bytes.end(), startOfScan, startOfScan + 2);
    ASSERT_NE(scan, bytes.end());
    bytes.resize(static_cast<std::size_t>(scan - bytes.begin()) + static_cast<std::size_t>(bytes.end() - scan) / 2);
    writeBytes(path, bytes);
}

struct DamageCase {
    const char* name;
    bool withFailure;
    std::string status;
    std::string message;
};

class DamagedPhotoTest : public BatchRunTest, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedPhotoTest, IsWrittenAndListedWithoutCountingAsAFailure)
{
    const DamageCase& c = GetParam();
    addSource("a.jpg", kRed);
    writeCutJpeg(root / "p" / "cut.jpg");
    host.add(root / "p" / "cut.jpg");
    if (c.withFailure) {
        writeText(root / "p" / "bad.jpg", "not a picture");
        host.add(root / "p" / "bad.jpg");
    }
    host.tick(1, logo.native());
    host.tick(2, logo.native());

    const BatchResult result = run();

    EXPECT_EQ(result.outcome, BatchOutcome::Finished);
    EXPECT_EQ(result.outputsWritten, 4);
    for (const char* slot : {"水印1", "水印2"}) EXPECT_TRUE(startsWithJpegMarker(root / "p" / slot / "cut.jpg"));
    ASSERT_EQ(result.warnings.size(), 2u);
    EXPECT_EQ(result.warnings[0].warning, DecodeWarning::IncompleteData);
    const Events tail(host.events.end() - 2, host.events.end());
    EXPECT_EQ(tail, (Events{"status:" + c.status, "message:" + c.message}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedPhotoTest,
    ::testing::Values(
        DamageCase{"OnlyDamage", false, "已全部制作完成",
                   "水印1/cut.jpg：图片数据不完整，缺失部分以灰色填充\n水印2/cut.jpg：图片数据不完整，缺失部分以灰色填充"},
        DamageCase{"DamageAndFailures", true, "已完成，有2个文件失败",
                   "水印1/bad.jpg：无法读取此图片\n水印2/bad.jpg：无法读取此图片\n"
                   "水印1/cut.jpg：图片数据不完整，缺失部分以灰色填充\n水印2/cut.jpg：图片数据不完整，缺失部分以灰色填充"}),
    [](const auto& param) { return std::string(param.param.name); });

std::string photoName(int k)
{
    std::string name = "m0.jpg";
    name[1] = static_cast<char>('0' + k);
    return name;
}

// Each row's output carries that row's own metadata, whichever worker wrote it.
TEST_F(BatchRunTest, EachOutputCarriesItsOwnSourcesMetadata)
{
    std::vector<std::vector<std::uint8_t>> profiles;
    for (int k = 0; k < 6; ++k) {
        PictureMetadata metadata;
        metadata.icc = rgbIccProfile(static_cast<std::size_t>(k) * 16);
        profiles.push_back(metadata.icc);
        EncodeOptions encode;
        encode.metadata = &metadata;
        std::vector<std::uint8_t> bytes;
        ASSERT_EQ(encodeBmp(makeSolidBmp(48, 40, kRed).view(), EncoderFormat::Jpeg, " ", encode, &bytes), 1);
        const fs::path path = root / "p" / photoName(k);
        writeBytes(path, bytes);
        host.add(path);
    }
    host.tick(1, logo.native());
    options.workers = 4;
    run();
    for (int k = 0; k < 6; ++k) {
        ConvertDetails details;
        const fs::path output = root / "p" / "水印1" / photoName(k);
        ASSERT_EQ(convertToBmp(output, root / "back.bmp", details), ConvertStatus::Ok);
        EXPECT_EQ(details.metadata.icc, profiles[static_cast<std::size_t>(k)]) << k;
    }
}

// Rows finish in any order on the workers; the host still sees every row's warnings and
// progress in row order, and a row's warnings before its progress.
TEST_F(BatchRunTest, WorkersReportInRowOrder)
{
    const std::vector<std::pair<const char*, bool>> rows{
        {"a.jpg", false}, {"b.jpg", true}, {"c.png", false}, {"d.jpg", true}, {"e.jpg", false}, {"f.jpg", true}};
    for (const auto& [name, small] : rows) {
        const fs::path path = root / "p" / name;
        if (small)
            writePicture(path, kBlue, 10, 6);  // smaller than the 16 x 8 mark both ways
        else
            writePicture(path, kRed);
        host.add(path);
    }
    host.tick(1, logo.native());
    host.tick(3, logo.native());

    Events pass;
    const char* percents[] = {"16", "33", "50", "66", "83", "100"};
    for (std::size_t k = 0; k < rows.size(); ++k) {
        if (rows[k].second) pass.insert(pass.end(), 2, std::string("warning:") + rows[k].first);
        pass.push_back(std::string("progress:") + percents[k]);
    }
    Events expected{"look", "progress:0", "status:源文件预处理...", "pump"};
    expected.insert(expected.end(), std::begin(percents), std::end(percents));
    std::transform(expected.begin() + 4, expected.end(), expected.begin() + 4,
                   [](const std::string& p) { return "progress:" + p; });
    for (const char* status : {"status:水印1制作中...", "status:水印3制作中..."}) {
        expected.insert(expected.end(), {"progress:0", status, "pump"});
        expected.insert(expected.end(), pass.begin(), pass.end());
    }
    expected.insert(expected.end(), {"open:" + (root / "p").native(), "status:已全部制作完成"});
    for (int workers : {1, 2, 5}) {  // one worker defers and takes rows up again alone
        SCOPED_TRACE(workers);
        host.events.clear();
        options.workers = workers;
        const BatchResult result = run();
        EXPECT_EQ(host.events, expected);
        EXPECT_EQ(result.outputsWritten, 12);
        EXPECT_TRUE(namesIn(work).empty());
    }
}

TEST_F(BatchRunTest, OutputsAreTheSameBytesWhateverTheNumberOfWorkers)
{
    for (int k = 0; k < 7; ++k) addSource("photo" + std::to_string(k) + (k % 2 ? ".png" : ".jpg"),
                                           k % 3 ? kRed : kGreen);
    const fs::path logo2 = root / "w" / "other.png";
    writePicture(logo2, kBlue, 12, 20);
    host.tick(1, logo.native());
    host.tick(4, logo2.native());
    std::vector<std::vector<std::vector<std::uint8_t>>> outputs;
    for (int workers : {1, 4}) {
        options.workers = workers;
        options.outputDir = root / ("out" + std::to_string(workers));
        const BatchResult result = run();
        EXPECT_EQ(result.outputsWritten, 14);
        std::vector<std::vector<std::uint8_t>> bytes;
        for (const char* slot : {"水印1", "水印4"})
            for (const std::string& name : namesIn(*options.outputDir / slot))
                bytes.push_back(readFile(*options.outputDir / slot / name));
        outputs.push_back(bytes);
    }
    ASSERT_EQ(outputs[0].size(), 14u);
    EXPECT_EQ(outputs[0], outputs[1]);
}

// A working copy goes as soon as the last pass has written its row.
TEST_F(BatchRunTest, WorkingCopiesGoWithTheirLastPass)
{
    for (const char* name : {"a.jpg", "b.png", "c.jpg"}) addSource(name, kRed);
    host.tick(2, logo.native());
    host.tick(6, logo.native());
    const auto copiesLeft = [this] {
        std::vector<std::string> names;
        for (const std::string& folder : namesIn(work))
            if (fs::is_directory(work / folder))
                for (const std::string& name : namesIn(work / folder)) names.push_back(name);
        return names;
    };
    int pumps = 0;
    std::vector<std::vector<std::string>> seen;
    host.onPump = [&](RecordingHost&) { ++pumps; };
    host.onProgress = [&](int percent) {
        if (percent > 0 && pumps >= 2) seen.push_back(copiesLeft());
    };

    run();

    ASSERT_EQ(seen.size(), 6u);
    const std::vector<std::string> names{"a.jpg.bmp", "b.png.bmp", "c.jpg.bmp"};
    for (int k = 0; k < 3; ++k)  // slot 6's pass: rows up to the one shown are gone
        for (int row = 0; row <= k; ++row)
            EXPECT_EQ(std::count(seen[3 + k].begin(), seen[3 + k].end(), names[row]), 0) << k << names[row];
    EXPECT_TRUE(namesIn(work).empty());
}

}  // namespace
}  // namespace zendavo::testing
