#include "tests/app/cli_job.h"

#include <atomic>

#include "cli/cli_run.h"

namespace zendavo::testing {

int runCliJob(const std::vector<std::string>& images, const std::map<int, std::string>& pictures,
              const WatermarkSettings& settings, const std::filesystem::path& outputDir,
              const std::filesystem::path& workFolder)
{
    CliOptions options;
    options.slots = pictures;
    options.settings = settings;
    options.outputDir = outputDir;
    options.jobs = 2;
    struct Quiet : CliReporter {
        void sizeWarning(const std::string&) override {}
        void decodeWarning(const std::string&, DecodeWarning) override {}
        void imageDone(int, int) override {}
    } quiet;
    std::vector<ListedImage> listed;
    for (const std::string& path : images) listed.push_back({path, ""});
    const std::atomic<bool> stop{false};
    return runImages(options, listed, workFolder, quiet, stop).outputsWritten;
}

}  // namespace zendavo::testing
