#include "app/main_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>

#include "app/gui_thread_host.h"
#include "batch/work_folder.h"
#include "imaging/number_text.h"
#include "platform/desktop_services.h"
#include "ui/builtin_pictures.h"
#include "ui/settings_window.h"
#include "ui/source_list.h"
#include "ui/text_label.h"
#include "ui/thanks_window.h"
#include "ui/watermark_slot.h"
#include "ui/watermark_slots.h"
#include "ui/window_frame.h"

namespace zendavo {

namespace {

constexpr const char* kHintText = "欲加水印的图片拖入此处\n\n暂只支持jpg/png格式图片";
constexpr const char* kSizeWarning = "水印图片大于原图，可能造成加水印失败";

QPushButton* addButton(QWidget* window, const char* name, const char* caption, QRect geometry)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), window);
    button->setObjectName(QString::fromUtf8(name));
    button->setGeometry(geometry);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setAutoDefault(false);
    return button;
}

TextLabel* addLinkLabel(QWidget* window, const char* name, const char* caption, QRect geometry,
                        QColor colour)
{
    auto* label = new TextLabel(QString::fromUtf8(caption), window);
    label->setObjectName(QString::fromUtf8(name));
    label->setGeometry(geometry);
    label->setFont(linkFont());
    label->setTextColour(colour);
    label->setAlignment(Qt::AlignCenter);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

// The notice is one line of text, whatever the server sent.
QString firstLine(const std::string& text)
{
    const std::size_t end = text.find_first_of("\r\n");
    return QString::fromUtf8(text.substr(0, end));
}

}  // namespace

MainWindow::MainWindow(WatermarkSettings& settings, DesktopServices& services,
                       UpdateServerConfig updateServer, QWidget* parent)
    : QWidget(parent), settings_(settings), services_(services), update_(std::move(updateServer))
{
    setWindowIcon(programIcon());
    makeFixedWindow(*this, QSize(535, 492), QSize(535, 520));
    buildControls();
    startUp();
}

MainWindow::~MainWindow()
{
    if (!runThread_) return;
    // Going away under a run: it must neither wait for us nor touch us again.
    stopRequested_ = true;
    runHost_->cancel();
    runThread_->wait();
    delete runThread_;
    if (!runResult_.workFolder.empty()) usedWorkFolder_ = runResult_.workFolder;
    resetWorkFolders();
}

void MainWindow::buildControls()
{
    QString repeated;
    for (int k = 0; k < 9; ++k) repeated += QString::fromUtf8("本地测试");
    notice_ = addLinkLabel(this, "通告", "", QRect(1, 0, 527, 16), QColor(255, 0, 0));
    notice_->setText(repeated);
    notice_->setVisible(false);

    list_ = new SourceList(this);
    list_->setObjectName(QString::fromUtf8("超级列表框1"));
    list_->setGeometry(26, 35, 208, 432);

    hint_ = new TextLabel(QString::fromUtf8(kHintText), this);
    hint_->setObjectName(QString::fromUtf8("标签2"));
    hint_->setGeometry(50, 203, 160, 56);
    hint_->setAlignment(Qt::AlignCenter);
    hint_->setWordWrap(true);
    hint_->setBackground(Qt::white);
    // Lies over the list; drops and clicks go through it to the list.
    hint_->setAttribute(Qt::WA_TransparentForMouseEvents);
    hint_->raise();

    slots_ = new WatermarkSlots(services_, this);

    clearButton_ = addButton(this, "按钮2", "清空列表", QRect(250, 395, 80, 35));
    settingsButton_ = addButton(this, "按钮14", "水印位置", QRect(338, 395, 80, 35));
    startButton_ = addButton(this, "按钮1", "开始", QRect(426, 395, 80, 35));

    status_ = addLinkLabel(this, "标签12", "支持作者 您的支持是我最大的鼓励", QRect(250, 445, 254, 16),
                           QColor(0, 0, 255));

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QString::fromUtf8("进度条1"));
    progress_->setGeometry(0, 483, 535, 9);
    progress_->setOrientation(Qt::Horizontal);
    progress_->setRange(0, 100);
    progress_->setValue(100);
    progress_->setTextVisible(false);
    progress_->setEnabled(false);
    progress_->setFocusPolicy(Qt::NoFocus);

    connect(list_, &SourceList::filesDropped, this, &MainWindow::acceptDroppedFiles);
    connect(clearButton_, &QPushButton::clicked, this, &MainWindow::clearList);
    connect(settingsButton_, &QPushButton::clicked, this, &MainWindow::openSettingsWindow);
    connect(startButton_, &QPushButton::clicked, this, &MainWindow::startRun);
    connect(status_, &TextLabel::pressed, this, &MainWindow::openThanksWindow);
    connect(notice_, &TextLabel::pressed, this, &MainWindow::openNoticeLink);
}

void MainWindow::startUp()
{
    programVersion_ = kProgramVersion;
    setWindowTitle(QStringLiteral("Zendavo") + QString::fromStdString(formatNumber(programVersion_)));
    update_.connectUpdateServer();
    showNotice(update_.checkForUpdate(programVersion_));
    settings_.position = 9;
    list_->setDropsAllowed(true);
    slots_->setInitialFolder(pathToText(services_.programFolder().native()));
    progress_->setValue(100);
    settings_.marginX = 20;
    settings_.marginY = 10;
    showNotice(update_.checkForUpdate(programVersion_));
}

void MainWindow::showNotice(const UpdateNotice& notice)
{
    if (!notice.visible) {
        notice_->setVisible(false);
        return;
    }
    notice_->setText(firstLine(notice.text));
    notice_->setVisible(true);
    setWindowTitle(QString::fromUtf8(notice.title));
}

void MainWindow::acceptDroppedFiles(const std::vector<std::string>& paths)
{
    // A run reads the list at every row; it must not change under it.
    if (running_) return;
    hint_->setVisible(false);
    progress_->setValue(0);
    list_->appendAccepted(paths);
}

void MainWindow::clearList()
{
    if (running_) return;
    list_->clearRows();
}

void MainWindow::startRun()
{
    if (running_) return;
    setRunning(true);
    stopRequested_ = false;
    runSettings_ = settings_;
    BatchOptions options;
    options.workFolder = workFolderPath(services_.programFolder());
    options.settings = &runSettings_;
    runHost_ = std::make_unique<GuiThreadHost>(*this, this);
    runThread_ = QThread::create([this, options] { runResult_ = runBatch(*runHost_, options); });
    connect(runThread_, &QThread::finished, this, &MainWindow::endRun);
    runThread_->start();
}

void MainWindow::endRun()
{
    runThread_->wait();
    delete runThread_;
    runThread_ = nullptr;
    runHost_.reset();
    if (!runResult_.workFolder.empty()) usedWorkFolder_ = runResult_.workFolder;
    setRunning(false);
    emit runFinished();
    if (!closeAfterRun_) return;
    close();
    // Hidden since the close was asked for, the toolkit no longer counts it as a window that
    // goes: ending the program is ours to do.
    if (QGuiApplication::quitOnLastWindowClosed()) QCoreApplication::quit();
}

void MainWindow::setRunning(bool running)
{
    running_ = running;
    startButton_->setEnabled(!running);
    clearButton_->setEnabled(!running);
    settingsButton_->setEnabled(!running);
    list_->setDropsAllowed(!running);
    slots_->setChangesAllowed(!running);
}

void MainWindow::openSettingsWindow()
{
    if (running_) return;
    SettingsWindow window(settings_);
    services_.runModal(window);
}

void MainWindow::openThanksWindow()
{
    if (running_) return;
    ThanksWindow window;
    services_.runModal(window);
}

void MainWindow::openNoticeLink()
{
    services_.openLink(update_.noticeLink());
}

int MainWindow::rowCount() const
{
    return list_->rowCount();
}

std::string MainWindow::fileNameAt(int row) const
{
    return list_->fileNameAt(row);
}

std::string MainWindow::pathAt(int row) const
{
    return list_->pathAt(row);
}

bool MainWindow::slotChecked(int slot) const
{
    return slot >= 1 && slot <= kSlotRows && slots_->slotAt(slot).checked();
}

std::optional<std::string> MainWindow::slotPicture(int slot) const
{
    if (slot < 1 || slot > kSlotRows) return std::nullopt;
    const std::optional<QString> picture = slots_->slotAt(slot).picture();
    if (!picture) return std::nullopt;
    return textToPath(*picture);
}

std::string MainWindow::slotCaption(int slot) const
{
    if (slot < 1 || slot > kSlotRows) return {};
    return textToPath(slots_->slotAt(slot).caption());
}

void MainWindow::useStatusLook()
{
    QFont font = status_->font();
    font.setUnderline(false);
    status_->setFont(font);
    status_->setTextColour(Qt::black);
}

void MainWindow::setStatusText(const std::string& text)
{
    status_->setText(QString::fromUtf8(text));
}

void MainWindow::setProgress(int percent)
{
    progress_->setValue(percent);
}

void MainWindow::showMessage(const std::string& text)
{
    services_.showMessage(QString::fromUtf8(text));
}

void MainWindow::showSizeWarning(const std::string& /*fileName*/)
{
    services_.showSizeWarning(QString::fromUtf8(kSizeWarning));
}

void MainWindow::pumpMessages()
{
    services_.pumpMessages();
}

void MainWindow::shellOpen(const std::string& folder)
{
    if (stopRequested_) return;
    services_.openFolder(folder);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (running_) {
        // The photos in progress are finished, then the run ends and closes us for good.
        stopRequested_ = true;
        closeAfterRun_ = true;
        hide();
        event->ignore();
        return;
    }
    resetWorkFolders();
    event->accept();
}

void MainWindow::resetWorkFolders()
{
    const std::filesystem::path own = workFolderPath(services_.programFolder());
    resetWorkFolder(own);
    if (!usedWorkFolder_.empty() && usedWorkFolder_ != own) resetWorkFolder(usedWorkFolder_);
}

}  // namespace zendavo
