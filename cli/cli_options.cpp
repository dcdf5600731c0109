#include "cli/cli_options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <functional>
#include <cstdio>
#include <thread>

#include "cli/cli_manual.h"
#include "cli/message_language.h"

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

// A whole decimal number from 1 to 100.
std::optional<int> parsePercent(const std::string& text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < 1 || value > 100)
        return std::nullopt;
    return value;
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

std::string usageError(const std::string& what)
{
    char line[512];
    std::snprintf(line, sizeof line, tr("zendavo-cli: %s (see --help)\n"), what.c_str());
    return line;
}

std::string oneLine(std::string text)
{
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

struct OptionTexts {
    std::vector<std::string> slots;
    std::string format;
    std::string quality;
    std::string outputDir;
    bool version = false;
};

// A whole decimal number from `low` to `high`, said in the run's language when it is not.
std::function<std::string(const std::string&)> wholeNumber(int low, int high)
{
    return [low, high](const std::string& text) -> std::string {
        int value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error == std::errc{} && end == text.data() + text.size() && value >= low && value <= high)
            return {};
        char message[128];
        std::snprintf(message, sizeof message, tr("expected a whole number from %d to %d"), low, high);
        return message;
    };
}

// The manual (cli_manual) describes the options; CLI11 only reads them. The checks say what is
// wrong in the run's language.
void describe(CLI::App& app, CliOptions& options, OptionTexts& texts)
{
    const auto percent = wholeNumber(1, 100);
    app.add_option("--slot", texts.slots)
        ->allow_extra_args(false)  // one picture per --slot; what follows is an image
        ->take_all()
        ->check([](const std::string& text) {
            return parseSlot(text) ? std::string{} : std::string(tr("expected N=PICTURE with N from 1 to 10"));
        });
    app.add_option("--position", options.settings.position)->default_val(9)->check(wholeNumber(1, 9));
    app.add_option("--margin-x", options.settings.marginX)->default_val(20)->check(wholeNumber(0, 1000));
    app.add_option("--margin-y", options.settings.marginY)->default_val(10)->check(wholeNumber(0, 1000));
    app.add_option("--opacity", options.opacity)->default_val(100)->check(percent);
    app.add_option("--scale", options.scale)->check(percent);
    app.add_option("--format", texts.format)->default_val("jpeg")->check([](const std::string& text) {
        return text == "jpeg" || text == "png" || text == "bmp" ? std::string{}
                                                                : std::string(tr("expected jpeg, png or bmp"));
    });
    app.add_option("--quality", texts.quality)->default_val("75")->check([](const std::string& text) {
        return text == "source" || parsePercent(text)
                   ? std::string{}
                   : std::string(tr("expected source or a whole number from 1 to 100"));
    });
    app.add_flag("--recursive,-r", options.recursive);
    app.add_option("--output-dir", texts.outputDir);
    app.add_option("--jobs", options.jobs)->default_val(defaultJobs())->check(wholeNumber(1, kMaxJobs));
    app.add_flag("--quiet,-q", options.quiet);
    app.add_flag("--verbose,-v", options.verbose);
    app.add_flag("--version", texts.version);
    app.add_option("IMAGE_OR_FOLDER", options.inputs);
}

}  // namespace

ParsedCommandLine parseCommandLine(int argc, const char* const* argv, MessageLanguage language)
{
    CLI::App app{"", "zendavo-cli"};
    CliOptions options;
    OptionTexts texts;
    describe(app, options, texts);

    ParsedCommandLine parsed;
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        parsed.out = manualText();
        return parsed;
    } catch (const CLI::ValidationError& error) {
        // "--opacity: " and our own check's words.
        parsed.exitCode = 2;
        parsed.err = usageError(oneLine(error.what()));
        return parsed;
    } catch (const CLI::ParseError& error) {
        // CLI11's own words are English; a Chinese run says what kind of mistake it is.
        parsed.exitCode = 2;
        parsed.err = usageError(language == MessageLanguage::English
                                    ? oneLine(error.what())
                                    : std::string(tr("unknown option, missing value or extra argument")));
        return parsed;
    }
    if (texts.version) {
        parsed.out = versionText();
        return parsed;
    }
    if (texts.slots.empty() || options.inputs.empty()) {
        parsed.exitCode = 2;
        parsed.err = usageError(texts.slots.empty() ? tr("at least one --slot N=PICTURE is needed")
                                                    : tr("no image or folder given"));
        return parsed;
    }
    for (const std::string& text : texts.slots) {
        const auto [slot, picture] = *parseSlot(text);
        if (!options.slots.emplace(slot, picture).second) {
            char what[128];
            std::snprintf(what, sizeof what, tr("--slot %d given twice"), slot);
            parsed.exitCode = 2;
            parsed.err = usageError(what);
            return parsed;
        }
    }
    options.format = formatNamed(texts.format);
    options.sourceQuality = texts.quality == "source";
    if (!options.sourceQuality) options.quality = *parsePercent(texts.quality);
    if (!texts.outputDir.empty()) options.outputDir = texts.outputDir;
    parsed.options = std::move(options);
    return parsed;
}

}  // namespace zendavo
