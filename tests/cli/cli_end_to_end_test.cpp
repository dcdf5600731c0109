// The built zendavo-cli on small generated photos: exit codes, files written, messages, and
// the private work folder gone afterwards.
#include <gtest/gtest.h>

#include <csignal>
#include <thread>

#include "tests/batch/batch_fixture.h"
#include "tests/cli/cli_process.h"

namespace zendavo::testing {
namespace {

using Names = std::vector<std::string>;

class CliTest : public CliFolderTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(CliFolderTest::SetUp());
        writePicture(root / "w" / "mark.jpg", {60, 60, 60}, 12, 6);
    }

    void expectNoPrivateFolderLeft() { EXPECT_EQ(namesIn(tmp), Names{}); }
};

TEST_F(CliTest, WritesEverySlotBesideTheFirstImage)
{
    writePicture(root / "p" / "a.jpg", kRed);
    writePicture(root / "p" / "b.png", kBlue);
    writePicture(root / "p" / "c.JPG", kRed);
    const CliOutcome outcome = run({"--slot", "2=w/logo.png", "--slot", "5=w/mark.jpg",
                                    "p/a.jpg", "p/b.png", "p/c.JPG"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");  // not a terminal: no progress bar
    EXPECT_NE(outcome.out.find("6 written, 0 failed"), std::string::npos) << outcome.out;
    EXPECT_EQ(std::count(outcome.out.begin(), outcome.out.end(), '\n'), 1);
    for (const char* slot : {"水印2", "水印5"}) {
        EXPECT_EQ(namesIn(root / "p" / slot), (Names{"a.jpg", "b.png.jpg", "c.JPG"}));
        EXPECT_TRUE(startsWithJpegMarker(root / "p" / slot / "b.png.jpg"));
    }
    const BmpBuffer b = decodePicture(root / "p" / "水印2" / "b.png.jpg");
    ASSERT_FALSE(b.empty());
    EXPECT_TRUE(near(pixelAt(b, 20, 26), multiplied(kBlue, kGrey), 14));
    EXPECT_TRUE(near(pixelAt(b, 2, 2), kBlue));
    expectNoPrivateFolderLeft();
}

TEST_F(CliTest, FailuresAreListedOnePerLineAndGiveStatusOne)
{
    writePicture(root / "p" / "a.jpg", kRed);
    writeText(root / "p" / "bad.jpg", "not a picture");
    writePicture(root / "p" / "c.png", kBlue);
    const CliOutcome outcome =
        run({"--slot", "1=w/logo.png", "--slot", "3=w/mark.jpg", "p", "p/gone.jpg"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(namesIn(root / "p" / "水印1"), (Names{"a.jpg", "c.png.jpg"}));
    EXPECT_EQ(namesIn(root / "p" / "水印3"), (Names{"a.jpg", "c.png.jpg"}));
    const std::string expected =
        "error: p/bad.jpg: 水印1: cannot read this picture\n"
        "error: p/bad.jpg: 水印3: cannot read this picture\n"
        "error: p/gone.jpg: 水印1: cannot find this picture\n"
        "error: p/gone.jpg: 水印3: cannot find this picture\n";
    EXPECT_EQ(outcome.err, expected);
    EXPECT_NE(outcome.out.find("4 written, 4 failed"), std::string::npos) << outcome.out;
    expectNoPrivateFolderLeft();
}

TEST_F(CliTest, SlotPicturesAreCheckedBeforeAnyPhoto)
{
    for (int k = 0; k < 5; ++k) writePicture(root / "p" / ("img" + std::to_string(k) + ".jpg"), kRed);
    writeText(root / "w" / "broken.png", "not a picture");
    const CliOutcome outcome = run({"--slot", "1=w/logo.png", "--slot", "3=w/broken.png", "--slot",
                                    "4=w/missing.png", "p"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err,
              "error: w/broken.png: 水印3: cannot read the watermark picture\n"
              "error: w/missing.png: 水印4: cannot read the watermark picture: No such file or directory\n");
    EXPECT_EQ(outcome.out, "");
    Names photos;
    for (int k = 0; k < 5; ++k) photos.push_back("img" + std::to_string(k) + ".jpg");
    EXPECT_EQ(namesIn(root / "p"), photos);  // no slot folder, not even the good slot's
    expectNoPrivateFolderLeft();
}

TEST_F(CliTest, UsageErrorsGiveStatusTwoAndTouchNothing)
{
    writePicture(root / "p" / "a.jpg", kRed);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"p/a.jpg"}, {"--slot", "1=w/logo.png", "--position", "12", "p/a.jpg"},
          {"--slot", "1=w/logo.png", root.path() / "w" / "empty-folder"}}) {
        fs::create_directories(root / "w" / "empty-folder");
        const CliOutcome outcome = run(args);
        EXPECT_EQ(outcome.exitCode, 2) << outcome.err;
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
        EXPECT_EQ(outcome.out, "");
    }
    EXPECT_EQ(namesIn(root / "p"), Names{"a.jpg"});
    expectNoPrivateFolderLeft();
}

TEST_F(CliTest, QuietDropsTheSummaryAndOutputDirFormatAndQualityApply)
{
    writePicture(root / "p" / "a.jpg", kRed, 64, 48);
    writePicture(root / "p" / "b.png", kBlue, 64, 48);
    EXPECT_EQ(run({"-q", "--slot", "1=w/logo.png", "--format", "png", "--output-dir", "out",
                   "p/a.jpg", "p/b.png"})
                  .out,
              "");
    EXPECT_EQ(namesIn(root / "out" / "水印1"), (Names{"a.jpg.png", "b.png"}));

    const CliOutcome low = run({"--slot", "1=w/logo.png", "--quality", "5", "--output-dir", "low", "p/a.jpg"});
    const CliOutcome high = run({"--slot", "1=w/logo.png", "--quality", "100", "--output-dir", "high", "p/a.jpg"});
    ASSERT_EQ(low.exitCode, 0);
    ASSERT_EQ(high.exitCode, 0);
    EXPECT_LT(fs::file_size(root / "low" / "水印1" / "a.jpg"), fs::file_size(root / "high" / "水印1" / "a.jpg"));
}

TEST_F(CliTest, PlacementOptionsMoveTheMark)
{
    writePicture(root / "p" / "a.png", kRed, 64, 48);
    ASSERT_EQ(run({"--slot", "1=w/logo.png", "--format", "png", "--position", "1", "--margin-x", "3",
                   "--margin-y", "2", "p/a.png"})
                  .exitCode,
              0);
    const BmpBuffer out = decodePicture(root / "p" / "水印1" / "a.png");
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(pixelAt(out, 3, 2), multiplied(kRed, kGrey));
    EXPECT_EQ(pixelAt(out, 2, 2), kRed);
    EXPECT_EQ(pixelAt(out, 60, 40), kRed);
}

TEST_F(CliTest, SameNamesFromTwoFoldersAndTheSameFileTwice)
{
    writePicture(root / "p" / "IMG_1.jpg", kRed);
    writePicture(root / "q" / "IMG_1.jpg", kBlue);
    const CliOutcome outcome =
        run({"--slot", "1=w/logo.png", "p/IMG_1.jpg", "q/IMG_1.jpg", "p/./IMG_1.jpg"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(namesIn(root / "p" / "水印1"), (Names{"IMG_1 (2).jpg", "IMG_1.jpg"}));
    const BmpBuffer second = decodePicture(root / "p" / "水印1" / "IMG_1 (2).jpg");
    ASSERT_FALSE(second.empty());
    EXPECT_TRUE(near(pixelAt(second, 2, 2), kBlue));
}

TEST_F(CliTest, OutputsAreByteIdenticalWhateverTheJobs)
{
    for (int k = 0; k < 7; ++k)
        writePicture(root / "p" / ("img" + std::to_string(k) + (k % 2 ? ".png" : ".jpg")),
                     {static_cast<std::uint8_t>(30 * k), 90, static_cast<std::uint8_t>(200 - 20 * k)},
                     40 + 8 * k, 30 + 5 * k);
    writePicture(root / "q" / "img0.jpg", kBlue);
    std::map<int, std::map<std::string, std::vector<std::uint8_t>>> outputs;
    for (int jobs : {1, 2, 4}) {
        const std::string out = "out" + std::to_string(jobs);
        const CliOutcome outcome = run({"--jobs", std::to_string(jobs), "--slot", "1=w/logo.png",
                                        "--slot", "4=w/mark.jpg", "--output-dir", out, "p", "q/img0.jpg"});
        ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
        for (const char* slot : {"水印1", "水印4"})
            for (const std::string& name : namesIn(root / out / slot))
                outputs[jobs][std::string(slot) + "/" + name] = readFile(root / out / slot / name);
    }
    EXPECT_EQ(outputs[1].size(), 16u);
    EXPECT_TRUE(outputs[1].contains("水印4/img0 (2).jpg"));
    EXPECT_EQ(outputs[1], outputs[2]);
    EXPECT_EQ(outputs[1], outputs[4]);
}

TEST_F(CliTest, SizeWarningsGoToStandardErrorOncePerOccurrence)
{
    writePicture(root / "w" / "big.png", kGrey, 60, 30);  // wider, not taller
    writePicture(root / "w" / "huge.png", kGrey, 60, 60);  // both
    writePicture(root / "p" / "a.jpg", kRed);
    const CliOutcome outcome = run({"--slot", "1=w/big.png", "--slot", "2=w/huge.png", "p/a.jpg"});
    EXPECT_EQ(outcome.exitCode, 0);
    const std::string line =
        "warning: p/a.jpg: the watermark picture is larger than the photo, so it may not be drawn whole\n";
    EXPECT_EQ(outcome.err, line + line + line);
}

TEST_F(CliTest, NoOutputReplacesAnImageOfTheRun)
{
    writePicture(root / "p" / "a.jpg", kRed);
    writePicture(root / "p" / "水印1" / "a.jpg", kBlue);
    const std::vector<std::uint8_t> before = readFile(root / "p" / "水印1" / "a.jpg");
    const CliOutcome outcome = run({"--slot", "1=w/logo.png", "p/a.jpg", "p/水印1/a.jpg"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err, "error: p/a.jpg: 水印1: the output would replace a photo of the run\n");
    EXPECT_EQ(readFile(root / "p" / "水印1" / "a.jpg"), before);
    EXPECT_TRUE(startsWithJpegMarker(root / "p" / "水印1" / "a (2).jpg"));
}

TEST_F(CliTest, SignalStopsTheRunCleansUpAndLeavesOnlyWholeFiles)
{
    for (int k = 0; k < 40; ++k) writePicture(root / "p" / ("img" + std::to_string(k) + ".jpg"), kRed, 900, 700);
    for (const auto& [signal, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}, std::pair{SIGHUP, 129}}) {
        SCOPED_TRACE(signal);
        std::error_code ec;
        fs::remove_all(root / "p" / "水印1", ec);
        CliProcess process({"--jobs", "1", "--slot", "1=w/logo.png", "p"}, root.path(), tmp);
        // Wait for the first output, so the signal lands while the run is busy.
        for (int tries = 0; tries < 20000 && namesIn(root / "p" / "水印1").empty(); ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ::kill(process.pid(), signal);
        const CliOutcome outcome = process.wait();
        EXPECT_EQ(outcome.exitCode, status) << outcome.err;
        const Names written = namesIn(root / "p" / "水印1");
        EXPECT_GE(written.size(), 1u);
        EXPECT_LT(written.size(), 40u);
        for (const std::string& name : written) EXPECT_TRUE(startsWithJpegMarker(root / "p" / "水印1" / name)) << name;
        expectNoPrivateFolderLeft();
    }
}

}  // namespace
}  // namespace zendavo::testing
