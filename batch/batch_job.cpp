#include "batch/batch_job.h"

#include <unordered_set>

#include "batch/batch_steps.h"
#include "batch/file_identities.h"
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

// One run in progress: what it has learnt about the listed images so far.
class Run {
public:
    Run(BatchHost& host, const BatchOptions& options, fs::path workFolder)
        : host_(host), options_(options), sources_(workFolder, options.format)
    {
        result_.workFolder = std::move(workFolder);
    }

    BatchResult& result() { return result_; }

    bool stopped() const { return host_.stopRequested(); }

    // Row i's entry, converted on first sight (rows dropped during a pump are converted
    // when their pass first meets them).
    SourceEntry& sourceAt(int row)
    {
        SourceEntry& entry = sources_.entryFor(host_.pathAt(row), host_.fileNameAt(row));
        if (!entry.prepared) {
            entry.prepared = true;
            readFiles_.add(entry.path);
            entry.failure = prepareSource(entry.path, entry.copyPath).failure;
        }
        return entry;
    }

    // Pictures chosen for ticked slots are read by the run; no output may replace them.
    void protectSlotPictures()
    {
        for (int slot = 1; slot <= kSlotCount; ++slot)
            if (host_.slotChecked(slot) && host_.slotCaption(slot) != kNoPictureCaption)
                readFiles_.add(host_.slotCaption(slot));
    }

    bool preparation()
    {
        for (int k = 1; k - 1 < host_.rowCount(); ++k) {
            if (stopped()) return false;
            sourceAt(k - 1);
            host_.setProgress(progressPercent(k, host_.rowCount()));
        }
        return true;
    }

    // False when the run must end here.
    bool slotPass(int slot)
    {
        const std::string caption = host_.slotCaption(slot);
        if (caption == kNoPictureCaption) {
            host_.showMessage(kSlotWithoutPicture);
            return false;
        }
        readFiles_.add(caption);
        createSlotFolder(outputBase(), slot);
        const BmpBuffer watermark = loadWatermark(caption, watermarkCopyPath(result_.workFolder, slot));
        host_.setProgress(0);
        host_.setStatusText(slotStatusText(slot));
        host_.pumpMessages();
        if (stopped()) return false;

        std::unordered_set<const SourceEntry*> written;  // the same file listed twice writes once
        for (int k = 1; k - 1 < host_.rowCount(); ++k) {
            if (stopped()) return false;
            SourceEntry& entry = sourceAt(k - 1);
            if (written.insert(&entry).second) writeRow(slot, entry, watermark);
            host_.setProgress(progressPercent(k, host_.rowCount()));
        }
        return true;
    }

    void finish()
    {
        const fs::path base = outputBase();
        if (!base.empty()) host_.shellOpen(base.native());
        if (result_.failures.empty()) {
            host_.setStatusText(kFinishedText);
        } else {
            host_.setStatusText(failureStatusText(result_.failures.size()));
            host_.showMessage(failureMessage(result_.failures));
        }
    }

private:
    fs::path outputBase() const
    {
        return options_.outputDir ? *options_.outputDir : baseFolderOf(host_.pathAt(0));
    }

    void writeRow(int slot, const SourceEntry& entry, const BmpBuffer& watermark)
    {
        std::optional<FailureKind> failure = entry.failure;
        if (!failure && !isUsable(watermark)) failure = FailureKind::WatermarkUnreadable;
        if (!failure) {
            const WatermarkSettings defaults;
            const WatermarkSettings& settings = options_.settings ? *options_.settings : defaults;
            const OutputRequest request{outputBase() / slotFolderName(slot) / entry.outputName,
                                        options_.format, options_.quality};
            const std::string name = entry.fileName;
            failure = writeWatermarked(entry.copyPath, watermark, settings,
                                       [this, &name](SizeWarning) { host_.showSizeWarning(name); }, request,
                                       readFiles_);
        }
        if (!failure) {
            ++result_.outputsWritten;
            return;
        }
        result_.failures.push_back(
            {slot, entry.fileName, entry.path, reasonText(*failure), *failure});
    }

    BatchHost& host_;
    const BatchOptions& options_;
    SourceTable sources_;
    FileIdentities readFiles_;
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
    // Made here, not at start-up, so the first run of a fresh install has somewhere to write.
    const fs::path workFolder =
        prepareWorkFolder(options.workFolder, cacheWorkFolderPath()).value_or(options.workFolder);
    if (options.outputDir) {
        std::error_code ec;
        fs::create_directories(*options.outputDir, ec);
    }
    Run run(host, options, workFolder);
    run.result().outcome = BatchOutcome::Stopped;

    host.useStatusLook();
    host.setProgress(0);
    host.setStatusText(kPreparingText);
    host.pumpMessages();
    if (run.stopped()) return std::move(run.result());
    run.protectSlotPictures();
    if (!run.preparation()) return std::move(run.result());

    for (int slot = 1; slot <= kSlotCount; ++slot)
        if (host.slotChecked(slot) && !run.slotPass(slot)) return std::move(run.result());

    run.finish();
    run.result().outcome = BatchOutcome::Finished;
    return std::move(run.result());
}

}  // namespace zendavo
