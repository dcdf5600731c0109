// zendavo-cli's command line: what it accepts, and every way to get it wrong.
#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include "cli/image_list.h"
#include "tests/batch/batch_fixture.h"

namespace zendavo::testing {
namespace {

ParsedCommandLine parse(std::vector<std::string> args)
{
    args.insert(args.begin(), "zendavo-cli");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    return parseCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(CliOptions, DefaultsMatchTheWindow)
{
    const ParsedCommandLine parsed = parse({"--slot", "2=logo.png", "a.jpg"});
    ASSERT_TRUE(parsed.options) << parsed.err;
    const CliOptions& o = *parsed.options;
    EXPECT_EQ(o.slots, (std::map<int, std::string>{{2, "logo.png"}}));
    EXPECT_EQ(o.settings.position, 9);
    EXPECT_EQ(o.settings.marginX, 20);
    EXPECT_EQ(o.settings.marginY, 10);
    EXPECT_EQ(o.format, EncoderFormat::Jpeg);
    EXPECT_EQ(o.quality, 75);
    EXPECT_FALSE(o.outputDir);
    EXPECT_GE(o.jobs, 1);
    EXPECT_FALSE(o.quiet);
    EXPECT_EQ(o.inputs, std::vector<std::string>{"a.jpg"});
}

TEST(CliOptions, EveryOptionIsRead)
{
    const ParsedCommandLine parsed =
        parse({"--slot", "1=a.png", "--slot=10=b=c.png", "--position", "3", "--margin-x", "0",
               "--margin-y", "1000", "--format", "png", "--quality", "100", "--output-dir", "out",
               "--jobs", "3", "--quiet", "x.jpg", "folder", "y"});
    ASSERT_TRUE(parsed.options) << parsed.err;
    const CliOptions& o = *parsed.options;
    EXPECT_EQ(o.slots, (std::map<int, std::string>{{1, "a.png"}, {10, "b=c.png"}}));
    EXPECT_EQ(o.settings.position, 3);
    EXPECT_EQ(o.settings.marginX, 0);
    EXPECT_EQ(o.settings.marginY, 1000);
    EXPECT_EQ(o.format, EncoderFormat::Png);
    EXPECT_EQ(o.quality, 100);
    EXPECT_EQ(o.outputDir, std::filesystem::path("out"));
    EXPECT_EQ(o.jobs, 3);
    EXPECT_TRUE(o.quiet);
    EXPECT_EQ(o.inputs, (std::vector<std::string>{"x.jpg", "folder", "y"}));
}

TEST(CliOptions, FormatsByName)
{
    for (const auto& [name, format] : {std::pair{"jpeg", EncoderFormat::Jpeg},
                                       std::pair{"png", EncoderFormat::Png},
                                       std::pair{"bmp", EncoderFormat::Bmp}}) {
        const ParsedCommandLine parsed = parse({"--slot", "1=a", "--format", name, "x"});
        ASSERT_TRUE(parsed.options) << name;
        EXPECT_EQ(parsed.options->format, format) << name;
    }
}

TEST(CliOptions, UsageErrorsAreRefusedWithOneLineAndStatusTwo)
{
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"a.jpg"},                                  // no slot
        {"--slot", "1=logo.png"},                   // no image
        {"--slot", "0=logo.png", "a.jpg"},
        {"--slot", "11=logo.png", "a.jpg"},
        {"--slot", "x=logo.png", "a.jpg"},
        {"--slot", "1", "a.jpg"},
        {"--slot", "1=", "a.jpg"},
        {"--slot", " 1=logo.png", "a.jpg"},
        {"--slot", "1=a.png", "--slot", "1=b.png", "a.jpg"},
        {"--slot", "1=a", "--position", "0", "a.jpg"},
        {"--slot", "1=a", "--position", "10", "a.jpg"},
        {"--slot", "1=a", "--position", "9x", "a.jpg"},
        {"--slot", "1=a", "--position", "abc", "a.jpg"},
        {"--slot", "1=a", "--margin-x", "-1", "a.jpg"},
        {"--slot", "1=a", "--margin-x", "1001", "a.jpg"},
        {"--slot", "1=a", "--margin-y", "5.5", "a.jpg"},
        {"--slot", "1=a", "--quality", "0", "a.jpg"},
        {"--slot", "1=a", "--quality", "101", "a.jpg"},
        {"--slot", "1=a", "--format", "gif", "a.jpg"},
        {"--slot", "1=a", "--jobs", "0", "a.jpg"},
        {"--slot", "1=a", "--frobnicate", "a.jpg"},
    };
    for (const std::vector<std::string>& args : cases) {
        std::string joined;
        for (const std::string& a : args) joined += a + " ";
        const ParsedCommandLine parsed = parse(args);
        EXPECT_FALSE(parsed.options) << joined;
        EXPECT_EQ(parsed.exitCode, 2) << joined;
        EXPECT_TRUE(parsed.err.starts_with("zendavo-cli: ")) << joined;
        EXPECT_EQ(std::count(parsed.err.begin(), parsed.err.end(), '\n'), 1) << joined << parsed.err;
    }
}

TEST(CliOptions, HelpListsEveryOption)
{
    const ParsedCommandLine parsed = parse({"--help"});
    EXPECT_FALSE(parsed.options);
    EXPECT_EQ(parsed.exitCode, 0);
    for (const char* option : {"--slot", "--position", "--margin-x", "--margin-y", "--format",
                               "--quality", "--output-dir", "--jobs", "--quiet", "IMAGE_OR_FOLDER"})
        EXPECT_NE(parsed.out.find(option), std::string::npos) << option;
}

TEST(ImageList, FilesInArgumentOrderAndFoldersByName)
{
    TempFolder root;
    for (const char* name : {"b.jpg", "a.PNG", "c.png", "d.JPG", "e.jpeg", "f.txt", "Z.jpg", "sub/g.jpg"})
        writeText(root / "photos" / name, "x");
    fs::create_directories(root / "photos" / "dir.jpg");  // a folder, not a file
    const std::string photos = (root / "photos").native();
    const std::vector<std::string> images =
        collectImages({"z.txt", photos, (root / "photos" / "e.jpeg").native(), "missing.jpg"});
    EXPECT_EQ(images, (std::vector<std::string>{"z.txt", photos + "/Z.jpg", photos + "/a.PNG",
                                                photos + "/b.jpg", photos + "/c.png",
                                                photos + "/d.JPG", photos + "/e.jpeg",
                                                "missing.jpg"}));
}

}  // namespace
}  // namespace zendavo::testing
