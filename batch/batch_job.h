// The run behind 开始: every listed image converted once, then one pass per ticked slot that
// writes a watermarked copy of every image into 水印N beside the first image.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "batch/batch_host.h"
#include "formats/image_encoder.h"
#include "imaging/watermark_settings.h"

namespace zendavo {

struct BatchOptions {
    std::filesystem::path workFolder;  // where the working copies go
    const WatermarkSettings* settings = nullptr;  // read at every composite; defaults when null
    EncoderFormat format = EncoderFormat::Jpeg;
    int quality = 75;
    std::optional<std::filesystem::path> outputDir;  // instead of the first image's folder
};

// One row that produced no output in one slot's pass.
struct BatchFailure {
    int slot = 0;
    std::string fileName;
    std::string path;
    std::string reason;  // Chinese, for the window's message
};

enum class BatchOutcome {
    Refused,   // nothing ticked, or the list is empty: a message, nothing changed
    Stopped,   // a ticked slot without a picture, or the host asked to stop
    Finished,  // every ticked slot's pass ran
};

struct BatchResult {
    BatchOutcome outcome = BatchOutcome::Refused;
    std::vector<BatchFailure> failures;
    int outputsWritten = 0;
};

BatchResult runBatch(BatchHost& host, const BatchOptions& options);

}  // namespace zendavo
