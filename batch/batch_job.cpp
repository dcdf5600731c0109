#include "batch/batch_job.h"

#include <system_error>

#include "batch/batch_steps.h"
#include "batch/file_identities.h"
#include "batch/row_workers.h"
#include "batch/slot_names.h"
#include "batch/source_table.h"
#include "batch/work_folder.h"

namespace zendavo {
namespace fs = std::filesystem;

namespace {

bool anySlotChecked(const BatchHost& host)
{
    for (int slot = 1; slot <= kSlotCount; ++slot)
        if (host.slotChecked(slot)) return true;
    return false;
}

struct ListedRow {
    std::string path;
    std::string fileName;
};

struct TickedSlot {
    int slot = 0;
    std::optional<std::string> picture;
};

// What the run takes from the host when it begins.
struct RunInput {
    std::vector<ListedRow> rows;
    std::vector<TickedSlot> slots;  // in slot order
    WatermarkSettings settings;
};

RunInput takeInput(const BatchHost& host, const BatchOptions& options)
{
    RunInput input;
    const int rows = host.rowCount();
    for (int row = 0; row < rows; ++row) input.rows.push_back({host.pathAt(row), host.fileNameAt(row)});
    for (int slot = 1; slot <= kSlotCount; ++slot)
        if (host.slotChecked(slot)) input.slots.push_back({slot, host.slotPicture(slot)});
    if (options.settings) input.settings = *options.settings;
    return input;
}

// The failures, then the photos written from damaged data; each part capped as failureMessage
// caps its lines.
std::string endOfRunMessage(const std::vector<BatchFailure>& failures, const std::vector<BatchWarning>& warnings)
{
    constexpr std::size_t kMaxLines = 20;
    std::string text = failures.empty() ? std::string() : failureMessage(failures);
    for (std::size_t k = 0; k < warnings.size() && k < kMaxLines; ++k) {
        if (!text.empty()) text += '\n';
        text += warningLine(warnings[k].slot, warnings[k].fileName, warnings[k].warning);
    }
    if (warnings.size() > kMaxLines) text += "\n……共" + std::to_string(warnings.size()) + "个";
    return text;
}

void removeQuietly(const fs::path& path)
{
    std::error_code ec;
    fs::remove(path, ec);
}

// One run in progress.
class Run {
public:
    Run(BatchHost& host, const BatchOptions& options, RunInput input, const fs::path& copyFolder)
        : host_(host), options_(options), input_(std::move(input)), sources_(copyFolder, options.format),
          copyFolder_(copyFolder), workers_(options.workers)
    {
        // Every row's entry is named here, in row order, so names never depend on the workers.
        for (const ListedRow& row : input_.rows) {
            SourceEntry& entry = sources_.entryFor(row.path, row.fileName);
            firstOfEntry_.push_back(!entry.prepared);
            entry.prepared = true;
            entries_.push_back(&entry);
        }
        prepared_.resize(input_.rows.size());
        base_ = options_.outputDir ? *options_.outputDir
                                   : baseFolderOf(input_.rows.empty() ? std::string() : input_.rows.front().path);
        // No output may replace a listed image or a ticked slot's picture.
        for (const ListedRow& row : input_.rows) readFiles_.add(row.path);
        for (const TickedSlot& ticked : input_.slots)
            if (ticked.picture) readFiles_.add(*ticked.picture);
    }

    BatchResult& result() { return result_; }

    // The passes that will run: the ticked slots up to the first one without a picture, each
    // with its picture converted and held in memory. True when such a slot stops the run.
    bool loadPasses()
    {
        for (const TickedSlot& ticked : input_.slots) {
            if (!ticked.picture) return true;
            const fs::path copy = watermarkCopyPath(copyFolder_, ticked.slot);
            passes_.push_back({ticked.slot, loadWatermark(*ticked.picture, copy)});
            removeQuietly(copy);
        }
        return false;
    }

    // The preparation and every pass; false when the run stopped on the way.
    bool stages()
    {
        const int n = static_cast<int>(input_.rows.size());
        outcomes_.assign(passes_.size(), std::vector<RowOutcome>(static_cast<std::size_t>(n)));
        RowWorkers::Stages stages;
        stages.rows = n;
        stages.count = 1 + static_cast<int>(passes_.size());
        stages.work = [this](int row, int stage) {
            if (stage == 0)
                prepare(row);
            else
                write(row, stage);
        };
        stages.begins = [this](int stage) {
            if (stage == 0) host_.useStatusLook();
            host_.setProgress(0);
            host_.setStatusText(stage == 0 ? std::string(kPreparingText) : slotStatusText(passOf(stage).slot));
            host_.pumpMessages();
        };
        stages.rowDone = [this, n](int row, int) { host_.setProgress(progressPercent(row + 1, n)); };
        stages.stopRequested = [this] { return host_.stopRequested(); };
        const bool finished = workers_.run(stages);
        gatherOutcomes();
        return finished;
    }

    void finish()
    {
        if (!base_.empty()) host_.shellOpen(base_.native());
        // Damaged photos were still written: they are listed, but only failures change the status.
        host_.setStatusText(result_.failures.empty() ? std::string(kFinishedText)
                                                     : failureStatusText(result_.failures.size()));
        if (!result_.failures.empty() || !result_.warnings.empty())
            host_.showMessage(endOfRunMessage(result_.failures, result_.warnings));
    }

private:
    struct Pass {
        int slot = 0;
        BmpBuffer watermark;
    };
    struct RowOutcome {
        bool written = false;
        std::optional<FailureKind> failure;
    };

    const Pass& passOf(int stage) const { return passes_[static_cast<std::size_t>(stage - 1)]; }

    // On a worker: the row's working copy and what the source says about itself.
    void prepare(int row)
    {
        if (!firstOfEntry_[row]) return;  // the same file listed twice is converted once
        SourceEntry& entry = *entries_[row];
        prepared_[row] = prepareSource(entry.path, entry.copyPath);
        entry.failure = prepared_[row].failure;
    }

    // On a worker: the row's output of one pass; after the last pass its copy goes.
    void write(int row, int stage)
    {
        if (!firstOfEntry_[row]) return;  // and written once
        const Pass& pass = passOf(stage);
        const SourceEntry& entry = *entries_[row];
        createSlotFolder(base_, pass.slot);
        RowOutcome& outcome = outcomes_[static_cast<std::size_t>(stage - 1)][static_cast<std::size_t>(row)];
        outcome.failure = writeRow(row, stage, entry, pass, prepared_[row].metadata);
        outcome.written = !outcome.failure;
        if (stage == static_cast<int>(passes_.size())) removeQuietly(entry.copyPath);
    }

    // The size warnings wait for the run's own thread to reach this row of this pass.
    std::optional<FailureKind> writeRow(int row, int stage, const SourceEntry& entry, const Pass& pass,
                                        const PictureMetadata& metadata)
    {
        if (entry.failure) return entry.failure;
        if (!isUsable(pass.watermark)) return FailureKind::WatermarkUnreadable;
        OutputRequest request{base_ / slotFolderName(pass.slot) / entry.outputName, options_.format,
                              options_.quality};
        request.metadata = &metadata;
        const auto warn = [this, row, stage, &entry](SizeWarning) {
            if (!workers_.onStageThread(row, stage, [this, &entry] { host_.showSizeWarning(entry.fileName); }))
                throw RowGivenUp{};
        };
        return writeWatermarked(entry.copyPath, pass.watermark, input_.settings, warn, request, readFiles_);
    }

    // Failures and warnings in pass order, then row order, as a one-at-a-time run finds them.
    void gatherOutcomes()
    {
        for (std::size_t p = 0; p < passes_.size(); ++p) {
            for (std::size_t row = 0; row < outcomes_[p].size(); ++row) {
                const RowOutcome& outcome = outcomes_[p][row];
                const SourceEntry& entry = *entries_[row];
                if (outcome.written) {
                    ++result_.outputsWritten;
                    if (prepared_[row].warning != DecodeWarning::None)
                        result_.warnings.push_back({passes_[p].slot, entry.fileName, prepared_[row].warning});
                }
                if (outcome.failure)
                    result_.failures.push_back(
                        {passes_[p].slot, entry.fileName, entry.path, reasonText(*outcome.failure), *outcome.failure});
            }
        }
    }

    BatchHost& host_;
    const BatchOptions& options_;
    RunInput input_;
    SourceTable sources_;
    fs::path copyFolder_;
    RowWorkers workers_;
    std::vector<SourceEntry*> entries_;     // per row
    std::vector<bool> firstOfEntry_;        // per row: the first row of its file
    std::vector<PreparedSource> prepared_;  // per row (its first row's): metadata and damage
    std::vector<Pass> passes_;
    std::vector<std::vector<RowOutcome>> outcomes_;  // per pass, per row
    fs::path base_;
    FileIdentities readFiles_;  // read-only once the workers run
    BatchResult result_;
};

}  // namespace

BatchResult runBatch(BatchHost& host, const BatchOptions& options)
{
    if (!anySlotChecked(host)) {
        host.showMessage(kNoSlotTicked);
        return {};
    }
    if (host.rowCount() <= 0) {
        host.showMessage(kNoImageListed);
        return {};
    }
    RunInput input = takeInput(host, options);
    // Made here, not at start-up, so the first run of a fresh install has somewhere to write.
    const fs::path workFolder =
        prepareWorkFolder(options.workFolder, cacheWorkFolderPath()).value_or(options.workFolder);
    const InstanceFolder ownFolder(workFolder);
    if (options.outputDir) {
        std::error_code ec;
        fs::create_directories(*options.outputDir, ec);
    }
    Run run(host, options, std::move(input), ownFolder.path().empty() ? workFolder : ownFolder.path());
    run.result().workFolder = workFolder;
    run.result().outcome = BatchOutcome::Stopped;
    const bool slotWithoutPicture = run.loadPasses();
    if (!run.stages()) return std::move(run.result());
    if (slotWithoutPicture) {
        host.showMessage(kSlotWithoutPicture);
        return std::move(run.result());
    }
    run.finish();
    run.result().outcome = BatchOutcome::Finished;
    return std::move(run.result());
}

}  // namespace zendavo
