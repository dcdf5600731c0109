// zendavo-cli's run for the window's tests, kept apart from Qt (whose "slots" keyword would
// clash with the command line's options).
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "imaging/watermark_settings.h"

namespace zendavo::testing {

// The outputs written, all as JPEG at quality 75 into outputDir/水印N.
int runCliJob(const std::vector<std::string>& images, const std::map<int, std::string>& pictures,
              const WatermarkSettings& settings, const std::filesystem::path& outputDir,
              const std::filesystem::path& workFolder);

}  // namespace zendavo::testing
