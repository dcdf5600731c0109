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
        {"--slot", "1=a", "--opacity", "0", "a.jpg"},
        {"--slot", "1=a", "--opacity", "101", "a.jpg"},
        {"--slot", "1=a", "--opacity", "half", "a.jpg"},
        {"--slot", "1=a", "--opacity", "50.5", "a.jpg"},
        {"--slot", "1=a", "--opacity", "-5", "a.jpg"},
        {"--slot", "1=a", "--scale", "0", "a.jpg"},
        {"--slot", "1=a", "--scale", "101", "a.jpg"},
        {"--slot", "1=a", "--scale", "20%", "a.jpg"},
        {"--slot", "1=a", "--quality", "Source", "a.jpg"},
        {"--slot", "1=a", "--quality", "", "a.jpg"},
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
    // A line per option, plain words, and the sections a manual has.
    for (const char* text : {"\n  --slot N=PICTURE ", "\n  --position N ", "\n  --margin-x PIXELS ",
                             "\n  --margin-y PIXELS ", "\n  --opacity P ", "\n  --scale P ",
                             "\n  --format F ", "\n  --quality Q ", "\n  --recursive, -r ",
                             "\n  --output-dir DIR ", "\n  --jobs N ", "\n  --quiet, -q ",
                             "\n  --verbose, -v ", "\n  --help ", "\n  --version ", "Usage: zendavo-cli",
                             "\nOptions:\n", "\nPhotos:\n", "\nExit status:\n", "\nExamples:\n",
                             "Transparent", "upright", "metadata", "\n  zendavo-cli --slot 1=logo.png photos\n"})
        EXPECT_NE(parsed.out.find(text), std::string::npos) << text;
    EXPECT_EQ(parsed.out.find("INT"), std::string::npos);
    EXPECT_EQ(parsed.out.find("[1 - 9]"), std::string::npos);

    const ParsedCommandLine version = parse({"--version"});
    EXPECT_FALSE(version.options);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.starts_with("zendavo-cli 1.")) << version.out;
}

TEST(CliOptions, OpacityScaleQualityAndRecursion)
{
    struct Case {
        std::vector<std::string> args;
        int opacity;
        std::optional<int> scale;
        int quality;
        bool sourceQuality;
        bool recursive;
    };
    const std::vector<Case> cases = {
        {{}, 100, std::nullopt, 75, false, false},
        {{"--opacity", "1", "--scale", "100"}, 1, 100, 75, false, false},
        {{"--opacity", "100", "--scale", "1", "--quality", "source"}, 100, 1, 75, true, false},
        {{"--opacity", "45", "--quality", "92", "-r"}, 45, std::nullopt, 92, false, true},
        {{"--recursive", "--scale", "20", "--quality", "1"}, 100, 20, 1, false, true},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"--slot", "1=a.png"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.push_back("x.jpg");
        const ParsedCommandLine parsed = parse(args);
        ASSERT_TRUE(parsed.options) << parsed.err;
        EXPECT_EQ(parsed.options->opacity, c.opacity);
        EXPECT_EQ(parsed.options->scale, c.scale);
        EXPECT_EQ(parsed.options->quality, c.quality);
        EXPECT_EQ(parsed.options->sourceQuality, c.sourceQuality);
        EXPECT_EQ(parsed.options->recursive, c.recursive);
    }
}

TEST(ImageList, FilesInArgumentOrderAndFoldersByName)
{
    TempFolder root;
    for (const char* name : {"b.jpg", "a.PNG", "c.png", "d.JPG", "e.jpeg", "f.txt", "Z.jpg", "sub/g.jpg"})
        writeText(root / "photos" / name, "x");
    fs::create_directories(root / "photos" / "dir.jpg");  // a folder, not a file
    const std::string photos = (root / "photos").native();
    const ImageList list = collectImages({"z.txt", photos, (root / "photos" / "e.jpeg").native(), "missing.jpg"});
    std::vector<std::string> images;
    for (const ListedImage& image : list.images) {
        images.push_back(image.path);
        EXPECT_EQ(image.relativeFolder, "");
    }
    EXPECT_EQ(images, (std::vector<std::string>{"z.txt", photos + "/Z.jpg", photos + "/a.PNG",
                                                photos + "/b.jpg", photos + "/c.png",
                                                photos + "/d.JPG", photos + "/e.jpeg", "missing.jpg"}));
    // Named on the command line it is read; inside the folder it is skipped.
    EXPECT_EQ(list.skipped, (std::vector<std::string>{photos + "/e.jpeg", photos + "/f.txt"}));
}

TEST(ImageList, RecursionKeepsRelativeFoldersAndNeverEntersSlotFolders)
{
    TempFolder root;
    for (const char* name : {"a.jpg", "b.txt", "2024/c.png", "2024/x/d.JPG", "2024/x/e.gif", "水印1/old.jpg",
                             "2024/水印10/old.jpg", "2024/水印11/new.jpg", "水印/f.jpg"})
        writeText(root / "p" / name, "x");
    fs::create_directory_symlink(root / "p", root / "p" / "2024" / "loop");
    const std::string p = (root / "p").native();
    const ImageList list = collectImages({p}, true);
    std::vector<std::pair<std::string, std::string>> images;
    for (const ListedImage& image : list.images) images.emplace_back(image.path, image.relativeFolder);
    EXPECT_EQ(images, (std::vector<std::pair<std::string, std::string>>{
                          {p + "/a.jpg", ""},
                          {p + "/2024/c.png", "2024"},
                          {p + "/2024/x/d.JPG", "2024/x"},
                          {p + "/2024/水印11/new.jpg", "2024/水印11"},
                          {p + "/水印/f.jpg", "水印"}}));
    EXPECT_EQ(list.skipped, (std::vector<std::string>{p + "/b.txt", p + "/2024/x/e.gif"}));

    const ImageList flat = collectImages({p}, false);
    ASSERT_EQ(flat.images.size(), 1u);
    EXPECT_EQ(flat.skipped, std::vector<std::string>{p + "/b.txt"});
}

}  // namespace
}  // namespace zendavo::testing
