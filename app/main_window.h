// The program's main window: the source list with its drop hint, the ten watermark slots, the
// buttons, the progress bar, the support link and the update notice. It drives the batch run.
#pragma once

#include <QWidget>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "batch/batch_host.h"
#include "batch/batch_job.h"
#include "imaging/watermark_settings.h"
#include "update/update_check.h"

class QProgressBar;
class QPushButton;
class QThread;

namespace zendavo {

class DesktopServices;
class GuiThreadHost;
class SourceList;
class TextLabel;
class WatermarkSlots;

inline constexpr double kProgramVersion = 1.03;

class MainWindow : public QWidget, public BatchHost {
    Q_OBJECT
public:
    // Runs the start-up sequence (the update check included) before returning.
    MainWindow(WatermarkSettings& settings, DesktopServices& services,
               UpdateServerConfig updateServer, QWidget* parent = nullptr);
    ~MainWindow() override;

    SourceList& sourceList() const { return *list_; }
    WatermarkSlots& watermarkSlots() const { return *slots_; }
    bool running() const { return running_; }

    void acceptDroppedFiles(const std::vector<std::string>& paths);
    void clearList();
    // Starts the run on a thread of its own and returns; runFinished() tells when it has ended.
    void startRun();
    void openSettingsWindow();
    void openThanksWindow();
    void openNoticeLink();

    // BatchHost
    int rowCount() const override;
    std::string fileNameAt(int row) const override;
    std::string pathAt(int row) const override;
    bool slotChecked(int slot) const override;
    std::optional<std::string> slotPicture(int slot) const override;
    void useStatusLook() override;
    void setStatusText(const std::string& text) override;
    void setProgress(int percent) override;
    void showMessage(const std::string& text) override;
    void showSizeWarning(const std::string& fileName) override;
    void pumpMessages() override;
    void shellOpen(const std::string& folder) override;
    bool stopRequested() const override { return stopRequested_; }

    // The caption of slot N's path label ("" for a slot that does not exist).
    std::string slotCaption(int slot) const;

signals:
    void runFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void startUp();
    void showNotice(const UpdateNotice& notice);
    void setRunning(bool running);
    void endRun();
    void resetWorkFolders();

    WatermarkSettings& settings_;
    DesktopServices& services_;
    UpdateCheck update_;
    double programVersion_ = 0;
    std::filesystem::path usedWorkFolder_;
    bool running_ = false;
    std::atomic<bool> stopRequested_ = false;
    bool closeAfterRun_ = false;
    WatermarkSettings runSettings_;  // the settings of the run in progress
    BatchResult runResult_;          // written by the run's thread, read after it ended
    std::unique_ptr<GuiThreadHost> runHost_;
    QThread* runThread_ = nullptr;

    TextLabel* notice_ = nullptr;
    TextLabel* status_ = nullptr;
    TextLabel* hint_ = nullptr;
    SourceList* list_ = nullptr;
    WatermarkSlots* slots_ = nullptr;
    QPushButton* settingsButton_ = nullptr;
    QPushButton* clearButton_ = nullptr;
    QPushButton* startButton_ = nullptr;
    QProgressBar* progress_ = nullptr;
};

}  // namespace zendavo
