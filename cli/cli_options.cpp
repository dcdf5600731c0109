#include "cli/cli_options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <thread>

namespace zendavo {
namespace {

constexpr int kMaxJobs = 256;

// "N=PICTURE" with N from 1 to 10 and a picture path that is not empty.
std::optional<std::pair<int, std::string>> parseSlot(const std::string& text)
{
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals + 1 == text.size()) return std::nullopt;
    int slot = 0;
    const char* first = text.data();
    const char* last = text.data() + equals;
    const auto [end, error] = std::from_chars(first, last, slot);
    if (error != std::errc{} || end != last || slot < 1 || slot > 10) return std::nullopt;
    return std::pair{slot, text.substr(equals + 1)};
}

EncoderFormat formatNamed(const std::string& name)
{
    if (name == "png") return EncoderFormat::Png;
    if (name == "bmp") return EncoderFormat::Bmp;
    return EncoderFormat::Jpeg;
}

int defaultJobs()
{
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(std::min<unsigned>(cores, kMaxJobs));
}

void describe(CLI::App& app, CliOptions& options, std::vector<std::string>& slotTexts,
              std::string& formatName, std::string& outputDir)
{
    app.add_option("--slot", slotTexts,
                   "Enable slot N (1 to 10) with the watermark PICTURE; repeatable, at least one")
        ->type_name("N=PICTURE")
        ->allow_extra_args(false)  // one picture per --slot; what follows is an image
        ->take_all()
        ->required()
        ->check([](const std::string& text) {
            return parseSlot(text) ? std::string{} : "expected N=PICTURE with N from 1 to 10";
        });
    app.add_option("--position", options.settings.position,
                   "Where the watermark goes: 1 top left ... 9 bottom right, row by row")
        ->default_val(9)
        ->check(CLI::Range(1, 9));
    app.add_option("--margin-x", options.settings.marginX, "Pixels from the left or right edge")
        ->default_val(20)
        ->check(CLI::Range(0, 1000));
    app.add_option("--margin-y", options.settings.marginY, "Pixels from the top or bottom edge")
        ->default_val(10)
        ->check(CLI::Range(0, 1000));
    app.add_option("--format", formatName, "Output format; its extension is appended unless present")
        ->default_val("jpeg")
        ->check(CLI::IsMember({"jpeg", "png", "bmp"}));
    app.add_option("--quality", options.quality, "JPEG quality")
        ->default_val(75)
        ->check(CLI::Range(1, 100));
    app.add_option("--output-dir", outputDir,
                   "Put the 水印N folders into DIR instead of beside the first image")
        ->type_name("DIR");
    app.add_option("--jobs", options.jobs, "Images processed in parallel (default: the cores)")
        ->default_val(defaultJobs())
        ->check(CLI::Range(1, kMaxJobs));
    app.add_flag("--quiet,-q", options.quiet, "No summary line");
    app.add_option("IMAGE_OR_FOLDER", options.inputs,
                   "Images (any name; read by content) and folders (their *.jpg and *.png files)")
        ->type_name("")
        ->required();
}

}  // namespace

ParsedCommandLine parseCommandLine(int argc, const char* const* argv)
{
    CLI::App app{"Stamps watermark pictures onto photos: for every slot N, a watermarked copy of "
                 "every image goes into 水印N beside the first image.",
                 "zendavo-cli"};
    CliOptions options;
    std::vector<std::string> slotTexts;
    std::string formatName;
    std::string outputDir;
    describe(app, options, slotTexts, formatName, outputDir);

    ParsedCommandLine parsed;
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        parsed.out = app.help();
        return parsed;
    } catch (const CLI::ParseError& error) {
        parsed.exitCode = 2;
        std::string what = error.what();
        std::replace(what.begin(), what.end(), '\n', ' ');
        parsed.err = "zendavo-cli: " + what + " (see --help)\n";
        return parsed;
    }
    for (const std::string& text : slotTexts) {
        const auto [slot, picture] = *parseSlot(text);
        if (!options.slots.emplace(slot, picture).second) {
            parsed.exitCode = 2;
            parsed.err = "zendavo-cli: --slot " + std::to_string(slot) + " given twice (see --help)\n";
            return parsed;
        }
    }
    options.format = formatNamed(formatName);
    if (!outputDir.empty()) options.outputDir = outputDir;
    parsed.options = std::move(options);
    return parsed;
}

}  // namespace zendavo
