#include "batch/batch_steps.h"

#include <cerrno>
#include <memory>
#include <system_error>

#include "formats/file_io.h"
#include "batch/slot_names.h"
#include "formats/image_converter.h"

namespace zendavo {
namespace fs = std::filesystem;

namespace {

void removeQuietly(const fs::path& path)
{
    std::error_code ec;
    fs::remove(path, ec);
}

}  // namespace

bool isUsable(const BmpBuffer& picture)
{
    return isUsableBitmap(readBmpInfo(picture.bytes), picture.size());
}

PreparedSource prepareSource(const std::string& sourcePath, const fs::path& copyPath)
{
    ConvertDetails details;
    PreparedSource prepared;
    prepared.failure = sourceFailureOf(convertToBmp(fs::path(sourcePath), copyPath, details));
    if (prepared.failure) {
        removeQuietly(copyPath);
        return prepared;
    }
    prepared.metadata = std::move(details.metadata);
    prepared.warning = details.warning;
    return prepared;
}

BmpBuffer loadWatermark(const std::string& picturePath, const fs::path& copyPath)
{
    if (convertToBmp(fs::path(picturePath), copyPath) != ConvertStatus::Ok) {
        removeQuietly(copyPath);
        return {};
    }
    BmpBuffer picture{readFile(copyPath)};
    if (!isUsable(picture)) return {};
    return picture;
}

std::optional<FailureKind> writeWatermarked(const fs::path& copyPath, const BmpBuffer& watermark,
                                            const WatermarkSettings& settings,
                                            const SizeWarningHandler& onSizeWarning,
                                            const OutputRequest& request,
                                            const FileIdentities& protectedFiles,
                                            int* systemError)
{
    if (protectedFiles.contains(request.output)) return FailureKind::WouldOverwriteSource;
    BmpBuffer picture{readFile(copyPath)};
    std::shared_ptr<const BmpBuffer> scaled;
    if (request.scaled) scaled = request.scaled->forPhotoWidth(readBmpInfo(picture.bytes).width);
    const BmpBuffer& mark = scaled ? *scaled : watermark;
    if (!compositeInPlace(picture, mark, settings, onSizeWarning, kWhite, request.opacity))
        return isUsable(picture) ? FailureKind::WatermarkUnreadable : FailureKind::WorkCopyFailed;
    // Encoded to memory, then written with the source check repeated right before the rename.
    EncodeOptions options;
    options.quality = request.quality;
    options.sourceQuality = request.sourceQuality;
    options.metadata = request.metadata;
    std::vector<std::uint8_t> encoded;
    if (encodeBmp(picture.view(), request.format, " ", options, &encoded) != 1)
        return FailureKind::OutputNotWritten;
    const fs::path target = encodedFileName(request.output.native(), request.format);
    errno = 0;
    if (!writeFileAtomically(target, encoded,
                             [&](const fs::path& at) { return protectedFiles.contains(at); })) {
        const int reason = errno;  // before the check below, which looks at files too
        if (protectedFiles.contains(target)) return FailureKind::WouldOverwriteSource;
        if (systemError) *systemError = reason;
        return FailureKind::OutputNotWritten;
    }
    return std::nullopt;
}

void createSlotFolder(const fs::path& base, int slot)
{
    std::error_code ec;
    fs::create_directory(base / slotFolderName(slot), ec);
    removeStaleTemporaries(base / slotFolderName(slot));
}

fs::path baseFolderOf(const std::string& firstPath)
{
    return fs::path(firstPath).parent_path();
}

int progressPercent(int k, int n)
{
    if (n <= 0) return 100;
    const double percent = static_cast<double>(k) / n * 100;
    if (percent <= 0) return 0;
    if (percent >= 100) return 100;
    return static_cast<int>(percent);
}

}  // namespace zendavo
