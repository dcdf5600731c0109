#include "cli/cli_run.h"

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "batch/batch_steps.h"
#include "batch/file_identities.h"
#include "batch/slot_names.h"
#include "batch/source_table.h"
#include "batch/unique_names.h"
#include "batch/work_folder.h"
#include "formats/c_file.h"

namespace zendavo {
namespace fs = std::filesystem;

namespace {

// The system's reason when a file that could not be read as a picture cannot even be opened
// (no permission, no such file); 0 when it opens and the fault is in its content.
int openError(const std::string& path)
{
    errno = 0;
    return openForReading(path) ? 0 : errno;
}

struct Slot {
    int number = 0;
    std::string picturePath;
    BmpBuffer watermark;
    std::unique_ptr<ScaledWatermarks> scaled;  // with --scale
    int folderError = 0;                       // errno when its folder could not be made
};

struct Job {
    const SourceEntry* source = nullptr;
    fs::path outputName;  // below the slot folder: the relative folder, then the file name
    std::vector<CliFailure> failures;
    int written = 0;
};

class ParallelRun {
public:
    ParallelRun(const CliOptions& options, CliReporter& reporter, const std::atomic<bool>& stop)
        : options_(options), reporter_(reporter), stop_(stop)
    {
    }

    CliRunResult run(const std::vector<ListedImage>& images, const fs::path& workFolder)
    {
        if (images.empty()) return {};
        // Every slot's picture before any photo: one unusable picture ends the run untouched.
        CliRunResult refused;
        for (const auto& [number, picture] : options_.slots) {
            Slot& slot = slots_.emplace_back();
            slot.number = number;
            slot.picturePath = picture;
            slot.watermark = loadWatermark(picture, watermarkCopyPath(workFolder, number));
            if (!isUsable(slot.watermark))
                refused.failures.push_back({picture, number, FailureKind::WatermarkUnreadable, openError(picture)});
        }
        if (!refused.failures.empty()) {
            refused.slotPictureUnusable = true;
            return refused;
        }
        // Only now: the scaled pictures refer to the slots' own, which must no longer move.
        if (options_.scale)
            for (Slot& slot : slots_) slot.scaled = std::make_unique<ScaledWatermarks>(slot.watermark, *options_.scale);

        SourceTable sources(workFolder, options_.format);
        std::map<std::string, UniqueNames> namesByFolder;  // the collision rule, per relative folder
        std::vector<std::string> folders;
        for (const ListedImage& image : images) {
            SourceEntry& entry = sources.entryFor(image.path, fs::path(image.path).filename().native());
            if (entry.prepared) continue;  // the same file twice writes one output
            entry.prepared = true;
            readFiles_.add(image.path);
            UniqueNames& names = namesByFolder[image.relativeFolder];
            const std::string name =
                names.claim(encodedFileName(safeFileName(fs::path(image.path).filename().native()), options_.format));
            jobs_.push_back({&entry, fs::path(image.relativeFolder) / name, {}, 0});
            if (!image.relativeFolder.empty()) folders.push_back(image.relativeFolder);
        }
        for (const auto& [number, picture] : options_.slots) readFiles_.add(picture);

        base_ = outputBase(options_, images);
        std::error_code ec;
        if (options_.outputDir) fs::create_directories(*options_.outputDir, ec);
        for (Slot& slot : slots_) {
            const fs::path folder = base_ / slotFolderName(slot.number);
            createSlotFolder(base_, slot.number);
            std::error_code made;
            if (!fs::is_directory(folder, made)) {
                // Learn the reason (create_directory is what createSlotFolder did).
                fs::create_directory(folder, made);
                slot.folderError = made.value();
                continue;
            }
            // Sub-folders only inside a slot folder that exists, never its parents.
            for (const std::string& relative : folders) fs::create_directories(folder / relative, made);
        }

        const int workers = std::min<int>(options_.jobs, static_cast<int>(jobs_.size()));
        {
            std::vector<std::jthread> threads;
            for (int k = 0; k < workers; ++k) threads.emplace_back([this] { work(); });
        }
        return collect();
    }

private:
    void work()
    {
        for (std::size_t j = next_++; j < jobs_.size() && !stop_; j = next_++) {
            process(jobs_[j]);
            const std::lock_guard lock(reportMutex_);
            reporter_.imageDone(++done_, static_cast<int>(jobs_.size()));
        }
    }

    void process(Job& job)
    {
        const SourceEntry& source = *job.source;
        const PreparedSource prepared = prepareSource(source.path, source.copyPath);
        const std::optional<FailureKind>& sourceFailure = prepared.failure;
        // "cannot find this picture" needs no system reason beside it.
        const int sourceError = sourceFailure == FailureKind::SourceUnreadable ? openError(source.path) : 0;
        if (!sourceFailure && prepared.warning != DecodeWarning::None) {
            const std::lock_guard lock(reportMutex_);
            reporter_.decodeWarning(source.path, prepared.warning);
        }
        for (const Slot& slot : slots_) {
            if (stop_) break;
            int systemError = sourceError;
            std::optional<FailureKind> failure = sourceFailure;
            if (!failure) failure = writeSlot(job, slot, prepared.metadata, systemError);
            if (failure == FailureKind::OutputNotWritten && slot.folderError != 0)
                systemError = slot.folderError;
            if (failure)
                job.failures.push_back({source.path, slot.number, *failure, systemError});
            else
                ++job.written;
        }
        std::error_code ec;
        fs::remove(source.copyPath, ec);  // keeps the work folder small on long runs
    }

    std::optional<FailureKind> writeSlot(const Job& job, const Slot& slot, const PictureMetadata& metadata,
                                         int& systemError)
    {
        OutputRequest request{base_ / slotFolderName(slot.number) / job.outputName, options_.format,
                              options_.quality};
        request.metadata = &metadata;
        request.sourceQuality = options_.sourceQuality;
        request.opacity = options_.opacity;
        request.scaled = slot.scaled.get();
        const auto warn = [this, &job](SizeWarning) {
            const std::lock_guard lock(reportMutex_);
            reporter_.sizeWarning(job.source->path);
        };
        return writeWatermarked(job.source->copyPath, slot.watermark, options_.settings, warn, request,
                                readFiles_, &systemError);
    }

    CliRunResult collect()
    {
        CliRunResult result;
        result.images = static_cast<int>(jobs_.size());
        for (const Job& job : jobs_) {
            result.outputsWritten += job.written;
            result.failures.insert(result.failures.end(), job.failures.begin(), job.failures.end());
        }
        result.interrupted = stop_;
        return result;
    }

    const CliOptions& options_;
    CliReporter& reporter_;
    const std::atomic<bool>& stop_;
    FileIdentities readFiles_;  // read-only once workers start
    std::vector<Job> jobs_;
    std::vector<Slot> slots_;
    fs::path base_;
    std::atomic<std::size_t> next_{0};
    std::mutex reportMutex_;
    int done_ = 0;
};

}  // namespace

fs::path outputBase(const CliOptions& options, const std::vector<ListedImage>& images)
{
    if (options.outputDir) return *options.outputDir;
    std::error_code ec;
    if (!options.inputs.empty() && fs::is_directory(options.inputs.front(), ec))
        return options.inputs.front();
    return images.empty() ? fs::path{} : baseFolderOf(images.front().path);
}

CliRunResult runImages(const CliOptions& options, const std::vector<ListedImage>& images,
                       const fs::path& workFolder, CliReporter& reporter,
                       const std::atomic<bool>& stop)
{
    ParallelRun run(options, reporter, stop);
    return run.run(images, workFolder);
}

}  // namespace zendavo
