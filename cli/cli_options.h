// The command line of zendavo-cli: what to stamp, where, and how.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/message_language.h"
#include "formats/image_encoder.h"
#include "imaging/watermark_settings.h"

namespace zendavo {

struct CliOptions {
    std::map<int, std::string> slots;  // slot number 1..10 -> watermark picture
    WatermarkSettings settings;
    EncoderFormat format = EncoderFormat::Jpeg;
    int quality = 75;
    bool sourceQuality = false;  // --quality source: a JPEG photo's own tables
    int opacity = 100;
    std::optional<int> scale;    // percent of each photo's width; the picture's own size when unset
    bool recursive = false;
    std::optional<std::filesystem::path> outputDir;
    int jobs = 1;
    bool quiet = false;
    bool verbose = false;
    std::vector<std::string> inputs;  // images and folders, in argument order
};

// Either options to run with, or what to print and the exit status: 0 after --help or
// --version, 2 for a usage error (a one-line hint on standard error).
struct ParsedCommandLine {
    std::optional<CliOptions> options;
    int exitCode = 0;
    std::string out;
    std::string err;
};

// Messages come through tr(); `language` only says whether CLI11's own (English) wording of a
// mistake may be shown.
ParsedCommandLine parseCommandLine(int argc, const char* const* argv,
                                   MessageLanguage language = MessageLanguage::English);

}  // namespace zendavo
