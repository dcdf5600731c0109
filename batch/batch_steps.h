// The steps every driver of a run shares: making working copies, loading a slot's picture,
// writing one watermarked output, and where outputs go. The window's run and zendavo-cli
// order them differently but never do them differently.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "batch/failure_report.h"
#include "batch/file_identities.h"
#include "formats/decode_warning.h"
#include "formats/image_encoder.h"
#include "formats/picture_metadata.h"
#include "imaging/bmp_buffer.h"
#include "imaging/compositor.h"
#include "imaging/watermark_scaling.h"
#include "imaging/watermark_settings.h"

namespace zendavo {

struct PreparedSource {
    std::optional<FailureKind> failure;
    PictureMetadata metadata;  // what the outputs carry; small, kept per source row
    DecodeWarning warning = DecodeWarning::None;
};

// Converts a listed image into its working copy. When that fails the copy is removed, so a
// copy left by an earlier run can never be composed in its place.
PreparedSource prepareSource(const std::string& sourcePath,
                             const std::filesystem::path& copyPath);

// The slot's picture converted into `copyPath` and read back; an empty buffer when it cannot
// be used (a stale copy is removed then, too).
BmpBuffer loadWatermark(const std::string& picturePath, const std::filesystem::path& copyPath);

bool isUsable(const BmpBuffer& picture);

struct OutputRequest {
    std::filesystem::path output;  // the final file name, extension included
    EncoderFormat format = EncoderFormat::Jpeg;
    int quality = 75;
    const PictureMetadata* metadata = nullptr;  // the source's, carried into the output
    bool sourceQuality = false;                 // JPEG: the source's own tables when it has them
    int opacity = kFullOpacity;
    ScaledWatermarks* scaled = nullptr;  // when set, the watermark is resized to each photo
};

// Creates the slot's output folder inside `base` (one folder, never its parents: a missing
// base means the outputs fail rather than a tree appearing somewhere), and removes what killed
// runs left there. Failure is not reported.
void createSlotFolder(const std::filesystem::path& base, int slot);

// Reads the working copy, draws the watermark into it and writes the output into its existing
// folder. Refuses to replace a file in `protectedFiles`. nullopt when written; then
// `systemError`, when given, receives the errno of a failed write (0 when there was none).
std::optional<FailureKind> writeWatermarked(const std::filesystem::path& copyPath,
                                            const BmpBuffer& watermark,
                                            const WatermarkSettings& settings,
                                            const SizeWarningHandler& onSizeWarning,
                                            const OutputRequest& request,
                                            const FileIdentities& protectedFiles,
                                            int* systemError = nullptr);

// The folder of the first listed image ("" when its path holds no folder).
std::filesystem::path baseFolderOf(const std::string& firstPath);

// k of n rows done as the progress bar shows it: k / n * 100 in double, truncated, kept
// within 0..100.
int progressPercent(int k, int n);

}  // namespace zendavo
