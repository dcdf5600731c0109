// The run without a window: every slot's picture checked first, then every image converted
// once into its own working copy, composed and written for every slot, several images at a
// time. Outputs depend only on their image, the slot's picture and the options, so they come
// out the same whatever --jobs is.
#pragma once

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_messages.h"
#include "cli/cli_options.h"
#include "cli/image_list.h"
#include "formats/decode_warning.h"

namespace zendavo {

// Told what happens while workers run; calls are serialised by the run.
class CliReporter {
public:
    virtual ~CliReporter() = default;
    virtual void sizeWarning(const std::string& imagePath) = 0;
    // The photo was damaged and is written with the missing part filled in.
    virtual void decodeWarning(const std::string& imagePath, DecodeWarning warning) = 0;
    virtual void imageDone(int done, int total) = 0;
};

struct CliRunResult {
    int images = 0;  // distinct images
    int outputsWritten = 0;
    // In image order, then slot order. When a slot's picture cannot be used these are the
    // pictures, and nothing was processed or created.
    std::vector<CliFailure> failures;
    bool slotPictureUnusable = false;
    bool interrupted = false;
};

// Working copies go into workFolder and are removed as each image is done. Workers stop taking
// images once `stop` is set; what they are writing then is finished whole.
CliRunResult runImages(const CliOptions& options, const std::vector<ListedImage>& images,
                       const std::filesystem::path& workFolder, CliReporter& reporter,
                       const std::atomic<bool>& stop);

// Where the 水印N folders go: --output-dir, else the first argument when it is a folder,
// else the folder of the first image.
std::filesystem::path outputBase(const CliOptions& options, const std::vector<ListedImage>& images);

}  // namespace zendavo
