#include "cli/cli_run.h"

#include <mutex>
#include <thread>

#include "batch/batch_steps.h"
#include "batch/file_identities.h"
#include "batch/slot_names.h"
#include "batch/source_table.h"
#include "batch/work_folder.h"

namespace zendavo {
namespace fs = std::filesystem;

namespace {

struct Slot {
    int number = 0;
    BmpBuffer watermark;
};

struct Job {
    const SourceEntry* source = nullptr;
    std::vector<CliFailure> failures;
    int written = 0;
};

class ParallelRun {
public:
    ParallelRun(const CliOptions& options, CliReporter& reporter, const std::atomic<bool>& stop)
        : options_(options), reporter_(reporter), stop_(stop)
    {
    }

    CliRunResult run(const std::vector<std::string>& images, const fs::path& workFolder)
    {
        SourceTable sources(workFolder, options_.format);
        for (const std::string& path : images) {
            SourceEntry& entry = sources.entryFor(path, fs::path(path).filename().native());
            if (entry.prepared) continue;  // the same file twice writes one output
            entry.prepared = true;
            readFiles_.add(path);
            jobs_.push_back({&entry, {}, 0});
        }
        if (jobs_.empty()) return {};
        for (const auto& [number, picture] : options_.slots) readFiles_.add(picture);
        for (const auto& [number, picture] : options_.slots)
            slots_.push_back({number, loadWatermark(picture, watermarkCopyPath(workFolder, number))});
        base_ = options_.outputDir ? *options_.outputDir : baseFolderOf(images.front());
        std::error_code ec;
        if (options_.outputDir) fs::create_directories(*options_.outputDir, ec);
        for (const Slot& slot : slots_) createSlotFolder(base_, slot.number);

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
        for (const Slot& slot : slots_) {
            if (stop_) break;
            std::optional<FailureKind> failure = sourceFailure;
            if (!failure && !isUsable(slot.watermark)) failure = FailureKind::WatermarkUnreadable;
            if (!failure) failure = writeSlot(source, slot, prepared.metadata);
            if (failure)
                job.failures.push_back({source.path, slot.number, *failure});
            else
                ++job.written;
        }
        std::error_code ec;
        fs::remove(source.copyPath, ec);  // keeps the work folder small on long runs
    }

    std::optional<FailureKind> writeSlot(const SourceEntry& source, const Slot& slot,
                                         const PictureMetadata& metadata)
    {
        OutputRequest request{base_ / slotFolderName(slot.number) / source.outputName,
                              options_.format, options_.quality};
        request.metadata = &metadata;
        const auto warn = [this, &source](SizeWarning) {
            const std::lock_guard lock(reportMutex_);
            reporter_.sizeWarning(source.path);
        };
        return writeWatermarked(source.copyPath, slot.watermark, options_.settings, warn, request,
                                readFiles_);
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

CliRunResult runImages(const CliOptions& options, const std::vector<std::string>& images,
                       const fs::path& workFolder, CliReporter& reporter,
                       const std::atomic<bool>& stop)
{
    ParallelRun run(options, reporter, stop);
    return run.run(images, workFolder);
}

std::string cliFailureLine(const CliFailure& failure)
{
    return "error: " + failure.path + ": " + slotFolderName(failure.slot) + ": " +
           reasonText(failure.kind);
}

}  // namespace zendavo
