// The run behind 开始: every listed image converted once, then one pass per ticked slot that
// writes a watermarked copy of every image into 水印N beside the first image.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "batch/batch_host.h"
#include "batch/failure_report.h"
#include "formats/image_encoder.h"
#include "imaging/watermark_settings.h"

namespace zendavo {

struct BatchOptions {
    std::filesystem::path workFolder;  // holds the run's own folder of working copies
    const WatermarkSettings* settings = nullptr;  // copied when the run begins; defaults when null
    EncoderFormat format = EncoderFormat::Jpeg;
    int quality = 75;
    std::optional<std::filesystem::path> outputDir;  // instead of the first image's folder
    int workers = 0;  // photos worked on at once; 0 for one per core
};

enum class BatchOutcome {
    Refused,   // nothing ticked, or the list is empty: a message, nothing changed
    Stopped,   // a ticked slot without a picture, or the host asked to stop
    Finished,  // every ticked slot's pass ran
};

// A row written in a slot's pass from a picture the decoder had to patch up.
struct BatchWarning {
    int slot = 0;
    std::string fileName;
    DecodeWarning warning = DecodeWarning::None;
};

struct BatchResult {
    BatchOutcome outcome = BatchOutcome::Refused;
    std::vector<BatchFailure> failures;
    std::vector<BatchWarning> warnings;  // outputs written all the same
    int outputsWritten = 0;
    // The work folder the run used: options.workFolder, or the per-user fallback when that
    // could not be created or written. Empty when the run was refused. The run's working
    // copies lie in a folder of its own inside it, gone when the run returns.
    std::filesystem::path workFolder;
};

// The texts the run shows.
inline constexpr const char* kNoSlotTicked = "请先选择水印图";
inline constexpr const char* kNoImageListed = "请先拖入要加水印的图片";
inline constexpr const char* kSlotWithoutPicture = "请选择有效的水印图";
inline constexpr const char* kPreparingText = "源文件预处理...";
inline constexpr const char* kFinishedText = "已全部制作完成";

// The list, the ticked slots with their pictures and the settings are read once, when the run
// begins. Conversion, compositing and encoding run on `options.workers` threads; everything the
// host sees comes from the calling thread in the order of a one-photo-at-a-time run. Once the
// host's stopRequested() is true no photo starts, the photos in progress are finished and the
// run ends without opening the folder.
BatchResult runBatch(BatchHost& host, const BatchOptions& options);

}  // namespace zendavo
