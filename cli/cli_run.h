// The run without a window: every image converted once into its own working copy, then
// composed and written for every slot, several images at a time. Outputs depend only on their
// image, the slot's picture and the options, so they come out the same whatever --jobs is.
#pragma once

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "batch/failure_report.h"
#include "cli/cli_options.h"

namespace zendavo {

// Told what happens while workers run; calls are serialised by the run.
class CliReporter {
public:
    virtual ~CliReporter() = default;
    virtual void sizeWarning(const std::string& imagePath) = 0;
    virtual void imageDone(int done, int total) = 0;
};

struct CliFailure {
    std::string path;
    int slot = 0;
    FailureKind kind = FailureKind::SourceMissing;
};

struct CliRunResult {
    int images = 0;  // distinct images
    int outputsWritten = 0;
    std::vector<CliFailure> failures;  // in image order, then slot order
    bool interrupted = false;
};

// Working copies go into workFolder and are removed as each image is done. Workers stop taking
// images once `stop` is set; what they are writing then is finished whole.
CliRunResult runImages(const CliOptions& options, const std::vector<std::string>& images,
                       const std::filesystem::path& workFolder, CliReporter& reporter,
                       const std::atomic<bool>& stop);

// "error: a/b.png: 水印2: 无法读取此图片".
std::string cliFailureLine(const CliFailure& failure);

}  // namespace zendavo
