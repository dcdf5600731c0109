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
        // The passes that will run: up to the first ticked slot without a picture.
        for (const TickedSlot& ticked : input_.slots) {
            if (!ticked.picture) break;
            lastPassSlot_ = ticked.slot;
        }
    }

    BatchResult& result() { return result_; }
    const RunInput& input() const { return input_; }
    bool stopped() const { return host_.stopRequested(); }

    bool preparation()
    {
        const int n = rowCount();
        return workers_.run(
            n,
            [this](int row) {
                if (!firstOfEntry_[row]) return;
                SourceEntry& entry = *entries_[row];
                prepared_[row] = prepareSource(entry.path, entry.copyPath);
                entry.failure = prepared_[row].failure;
            },
            [this, n](int row) { host_.setProgress(progressPercent(row + 1, n)); },
            [this] { return stopped(); });
    }

    // False when the run must end here.
    bool slotPass(const TickedSlot& ticked)
    {
        if (!ticked.picture) {
            host_.showMessage(kSlotWithoutPicture);
            return false;
        }
        const int slot = ticked.slot;
        createSlotFolder(base_, slot);
        const fs::path watermarkCopy = watermarkCopyPath(copyFolder_, slot);
        const BmpBuffer watermark = loadWatermark(*ticked.picture, watermarkCopy);
        removeQuietly(watermarkCopy);  // held in memory for the pass
        host_.setProgress(0);
        host_.setStatusText(slotStatusText(slot));
        host_.pumpMessages();
        if (stopped()) return false;

        const int n = rowCount();
        const bool lastPass = slot == lastPassSlot_;
        std::vector<std::optional<FailureKind>> failures(static_cast<std::size_t>(n));
        std::vector<char> written(static_cast<std::size_t>(n), 0);
        const bool finished = workers_.run(
            n,
            [&](int row) {
                if (!firstOfEntry_[row]) return;  // the same file listed twice writes once
                const SourceEntry& entry = *entries_[row];
                failures[row] = writeRow(row, slot, entry, watermark, prepared_[row].metadata);
                written[row] = !failures[row];
                if (lastPass) removeQuietly(entry.copyPath);
            },
            [this, n](int row) { host_.setProgress(progressPercent(row + 1, n)); },
            [this] { return stopped(); });
        for (int row = 0; row < n; ++row) {
            if (written[row]) {
                ++result_.outputsWritten;
                if (prepared_[row].warning != DecodeWarning::None)
                    result_.warnings.push_back({slot, entries_[row]->fileName, prepared_[row].warning});
            }
            if (!failures[row]) continue;
            const SourceEntry& entry = *entries_[row];
            result_.failures.push_back({slot, entry.fileName, entry.path, reasonText(*failures[row]), *failures[row]});
        }
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
    int rowCount() const { return static_cast<int>(input_.rows.size()); }

    // On a worker. The size warnings wait for the run's own thread and every earlier row.
    std::optional<FailureKind> writeRow(int row, int slot, const SourceEntry& entry, const BmpBuffer& watermark,
                                        const PictureMetadata& metadata)
    {
        if (entry.failure) return entry.failure;
        if (!isUsable(watermark)) return FailureKind::WatermarkUnreadable;
        OutputRequest request{base_ / slotFolderName(slot) / entry.outputName, options_.format, options_.quality};
        request.metadata = &metadata;
        const auto warn = [this, row, &entry](SizeWarning) {
            if (!workers_.onStageThread(row, [this, &entry] { host_.showSizeWarning(entry.fileName); }))
                throw RowGivenUp{};
        };
        return writeWatermarked(entry.copyPath, watermark, input_.settings, warn, request, readFiles_);
    }

    BatchHost& host_;
    const BatchOptions& options_;
    RunInput input_;
    SourceTable sources_;
    fs::path copyFolder_;
    RowWorkers workers_;
    std::vector<SourceEntry*> entries_;  // per row
    std::vector<bool> firstOfEntry_;     // per row: the first row of its file
    std::vector<PreparedSource> prepared_;  // per row (its first row's): metadata and damage
    fs::path base_;
    FileIdentities readFiles_;  // read-only once the workers run
    int lastPassSlot_ = 0;
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

    host.useStatusLook();
    host.setProgress(0);
    host.setStatusText(kPreparingText);
    host.pumpMessages();
    if (run.stopped() || !run.preparation()) return std::move(run.result());

    for (const TickedSlot& ticked : run.input().slots)
        if (!run.slotPass(ticked)) return std::move(run.result());

    run.finish();
    run.result().outcome = BatchOutcome::Finished;
    return std::move(run.result());
}

}  // namespace zendavo
