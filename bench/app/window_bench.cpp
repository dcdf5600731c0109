// The window's run against zendavo-cli on the same photos, slots and cores, side by side, and
// how long the window's thread goes without handling events meanwhile.
//   zendavo-window-bench PHOTO_DIR WATERMARK ZENDAVO_CLI [REPEAT]
// Drives the real MainWindow headless (QT_QPA_PLATFORM=offscreen); prints ratios.
#include <sys/resource.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>

#include "app/main_window.h"
#include "batch/allocator_tuning.h"
#include "fake_desktop_services.h"
#include "imaging/watermark_settings.h"
#include "ui/watermark_slot.h"
#include "ui/watermark_slots.h"

namespace {

namespace fs = std::filesystem;
using zendavo::MainWindow;

struct WindowRun {
    double seconds = 0;
    double cpuSeconds = 0;
    double longestGapMs = 0;
};

struct CliRun {
    double seconds = 0;
    double cpuSeconds = 0;
};

// User and system time of this process (RUSAGE_SELF) or of its reaped children.
double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void removeOutputs(const QString& folder)
{
    for (int slot = 1; slot <= zendavo::kSlotRows; ++slot)
        QDir(folder + QString::fromUtf8("/水印") + QString::number(slot)).removeRecursively();
}

WindowRun runWindow(const QStringList& photos, const QString& watermark, int slotCount, const QString& program)
{
    zendavo::testing::FakeDesktopServices services;
    services.folder = fs::path(program.toStdString());
    zendavo::WatermarkSettings settings;
    MainWindow window(settings, services, zendavo::UpdateServerConfig{});
    window.show();
    std::vector<std::string> paths;
    for (const QString& p : photos) paths.push_back(p.toStdString());
    window.acceptDroppedFiles(paths);
    for (int slot = 1; slot <= slotCount; ++slot) {
        window.watermarkSlots().slotAt(slot).checkBox()->click();
        services.fileAnswers.push_back(watermark);
        window.watermarkSlots().slotAt(slot).selectButton()->click();
    }

    // A timer of 5 ms: the longest time between two of its ticks is how long the window's
    // thread went without handling events.
    QElapsedTimer sinceTick;
    double longest = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = std::max(longest, sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
    });

    QEventLoop loop;
    QObject::connect(&window, &MainWindow::runFinished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    clock.start();
    sinceTick.start();
    ticker.start();
    window.findChild<QPushButton*>(QString::fromUtf8("按钮1"))->click();
    loop.exec();
    const double seconds = clock.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds(RUSAGE_SELF) - cpuBefore;
    ticker.stop();
    if (!services.messages.empty())
        std::fprintf(stderr, "message: %s\n", services.messages.front().toUtf8().constData());
    return {seconds, cpu, longest};
}

CliRun runCli(const QString& cli, const QString& photoDir, const QString& watermark, int slotCount, const QString& out)
{
    QStringList args{"-q", "--output-dir", out};
    for (int slot = 1; slot <= slotCount; ++slot) args << "--slot" << QString::number(slot) + "=" + watermark;
    args << photoDir;
    QDir(out).removeRecursively();
    QElapsedTimer clock;
    const double cpuBefore = cpuSeconds(RUSAGE_CHILDREN);
    clock.start();
    QProcess process;
    process.start(cli, args);
    process.waitForFinished(-1);
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (process.exitCode() != 0)
        std::fprintf(stderr, "zendavo-cli failed: %s\n", process.readAllStandardError().constData());
    return {seconds, cpuSeconds(RUSAGE_CHILDREN) - cpuBefore};
}

}  // namespace

int main(int argc, char** argv)
{
    zendavo::keepLargeBuffersInTheHeap();  // as the program's own main does
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fputs("usage: zendavo-window-bench PHOTO_DIR WATERMARK ZENDAVO_CLI [REPEAT]\n", stderr);
        return 2;
    }
    const QString photoDir = QString::fromLocal8Bit(argv[1]);
    const QString watermark = QString::fromLocal8Bit(argv[2]);
    const QString cli = QString::fromLocal8Bit(argv[3]);
    const int repeat = argc > 4 ? std::max(1, std::atoi(argv[4])) : 2;
    QStringList photos;
    for (const QString& name : QDir(photoDir).entryList({"*.jpg"}, QDir::Files, QDir::Name))
        photos << photoDir + "/" + name;
    QTemporaryDir scratch;
    const QString program = scratch.path() + "/program";
    QDir().mkpath(program);

    std::printf("%lld photos in %s; best of %d; window and zendavo-cli alternate\n",
                static_cast<long long>(photos.size()), argv[1], repeat);
    std::printf("wall: seconds from 开始 to the end of the run (window) or of the process (zendavo-cli);\n"
                "cpu: user + system seconds, less disturbed by other load on the machine\n");
    std::printf("%-6s %9s %9s %7s %7s %9s %9s %7s %17s %6s\n", "slots", "window s", "cli s", "ratio", "goal",
                "win cpu", "cli cpu", "ratio", "longest gap (ms)", "goal");
    bool met = true;
    for (int slotCount : {1, 3}) {
        constexpr double kNone = std::numeric_limits<double>::max();
        double window = kNone, windowCpu = kNone, cliTime = kNone, cliCpu = kNone;
        double gap = 0;
        for (int k = 0; k < repeat; ++k) {
            removeOutputs(photoDir);
            const WindowRun run = runWindow(photos, watermark, slotCount, program);
            window = std::min(window, run.seconds);
            windowCpu = std::min(windowCpu, run.cpuSeconds);
            gap = std::max(gap, run.longestGapMs);
            const CliRun other = runCli(cli, photoDir, watermark, slotCount, scratch.path() + "/cli-out");
            cliTime = std::min(cliTime, other.seconds);
            cliCpu = std::min(cliCpu, other.cpuSeconds);
        }
        removeOutputs(photoDir);
        const double ratio = window / cliTime;
        met = met && ratio <= 1.15 && gap <= 100;
        std::printf("%-6d %9.2f %9.2f %7.2f %7s %9.2f %9.2f %7.2f %17.1f %6s\n", slotCount, window, cliTime, ratio,
                    "<=1.15", windowCpu, cliCpu, windowCpu / cliCpu, gap, "<=100");
    }
    return met ? 0 : 1;
}
