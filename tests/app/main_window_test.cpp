// The main window driven as a person would: drops, slots, the file dialog, 开始, closing.
// Dialogs and message boxes are answered through a fake desktop; photos are made per test.
#include <QApplication>
#include <QCheckBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <filesystem>

#include "app/main_window.h"
#include "batch/work_folder.h"
#include "tests/app/cli_job.h"
#include "fake_desktop_services.h"
#include "file_drop.h"
#include "imaging/watermark_settings.h"
#include "ui/settings_window.h"
#include "ui/source_list.h"
#include "ui/text_label.h"
#include "ui/thanks_window.h"
#include "ui/watermark_slot.h"
#include "ui/watermark_slots.h"

namespace fs = std::filesystem;
using zendavo::MainWindow;
using zendavo::TextLabel;
using zendavo::WatermarkSettings;
using zendavo::testing::FakeDesktopServices;
using zendavo::testing::filesMime;

namespace {

QString u8(const char* text)
{
    return QString::fromUtf8(text);
}

// A program folder, a folder of photos and a watermark picture, all made fresh.
struct Scene {
    QTemporaryDir root;
    QString program;
    QString photos;
    QString watermark;

    Scene()
    {
        program = root.path() + "/program";
        photos = root.path() + u8("/照片");
        QDir().mkpath(program);
        QDir().mkpath(photos);
        watermark = root.path() + "/mark.png";
        QImage mark(16, 10, QImage::Format_RGB32);
        mark.fill(qRgb(0, 0, 0));
        mark.save(watermark, "PNG");
    }

    QString photo(const QString& name, const char* format) const
    {
        QImage image(80, 60, QImage::Format_RGB32);
        image.fill(qRgb(200, 200, 200));
        const QString path = photos + "/" + name;
        image.save(path, format);
        return path;
    }

    // JPEG photos p0.jpg, p1.jpg, ...
    QStringList numberedPhotos(int count) const
    {
        QStringList paths;
        for (int k = 0; k < count; ++k) paths << photo(QStringLiteral("p%1.jpg").arg(k), "JPEG");
        return paths;
    }
};

// A drop of files on the list, as the desktop delivers it; true when it was taken.
bool drop(MainWindow& window, const QStringList& paths)
{
    QWidget* target = window.sourceList().viewport();
    const std::unique_ptr<QMimeData> mime = filesMime(paths);
    const QPoint at(30, 60);
    QDragEnterEvent enter(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent dropped(QPointF(at), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &dropped);
    return dropped.isAccepted();
}

template <typename T = QWidget>
T* control(MainWindow& window, const char* name);

// 开始 clicked; true once the run, which works on threads of its own, has ended.
bool runAndWait(MainWindow& window)
{
    QSignalSpy ended(&window, &MainWindow::runFinished);
    QTest::mouseClick(control(window, "按钮1"), Qt::LeftButton);
    return !ended.isEmpty() || ended.wait(60000);
}

template <typename T>
T* control(MainWindow& window, const char* name)
{
    T* found = window.findChild<T*>(u8(name));
    if (!found) qFatal("no control %s", name);
    return found;
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

// Mean grey of a rectangle of a picture file.
double meanGrey(const QString& file, QRect area)
{
    const QImage image(file);
    double sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) sum += qGray(image.pixel(x, y));
    return sum / (area.width() * area.height());
}

void tick(MainWindow& window, int slot, FakeDesktopServices& services, const QString& picture)
{
    zendavo::WatermarkSlot& row = window.watermarkSlots().slotAt(slot);
    QTest::mouseClick(row.checkBox(), Qt::LeftButton);
    if (picture.isEmpty()) return;
    services.fileAnswers.push_back(picture);
    QTest::mouseClick(row.selectButton(), Qt::LeftButton);
}

struct Window {
    explicit Window(const Scene& scene, WatermarkSettings& settings) : settings_(settings)
    {
        services.folder = fs::path(scene.program.toStdString());
        window = std::make_unique<MainWindow>(settings_, services, zendavo::UpdateServerConfig{});
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get())) qFatal("window not exposed");
    }
    WatermarkSettings& settings_;
    FakeDesktopServices services;
    std::unique_ptr<MainWindow> window;
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void controlsAreBuiltAsDesigned_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("tabStop");
        QTest::addColumn<bool>("hand");
        QString notice;
        for (int k = 0; k < 9; ++k) notice += u8("本地测试");
        QTest::newRow("通告") << u8("通告") << QRect(1, 0, 527, 16) << notice << false << true << false << true;
        QTest::newRow("标签12") << u8("标签12") << QRect(250, 445, 254, 16) << u8("支持作者 您的支持是我最大的鼓励")
                              << true << true << false << true;
        QTest::newRow("按钮14") << u8("按钮14") << QRect(338, 395, 80, 35) << u8("水印位置") << true << true << true << false;
        QTest::newRow("按钮2") << u8("按钮2") << QRect(250, 395, 80, 35) << u8("清空列表") << true << true << true << false;
        QTest::newRow("按钮1") << u8("按钮1") << QRect(426, 395, 80, 35) << u8("开始") << true << true << true << false;
        QTest::newRow("进度条1") << u8("进度条1") << QRect(0, 483, 535, 9) << QString() << true << false << false << false;
        QTest::newRow("标签2") << u8("标签2") << QRect(50, 203, 160, 56)
                             << u8("欲加水印的图片拖入此处\n\n暂只支持jpg/png格式图片") << true << true << false << false;
        QTest::newRow("超级列表框1") << u8("超级列表框1") << QRect(26, 35, 208, 432) << QString() << true << true << true << false;
        QTest::newRow("选择框1") << u8("选择框1") << QRect(258, 38, 64, 24) << u8("水印1") << true << true << true << false;
        QTest::newRow("选择框10") << u8("选择框10") << QRect(258, 353, 64, 24) << u8("水印10") << true << true << true << false;
        QTest::newRow("标签11") << u8("标签11") << QRect(314, 353, 145, 24) << u8("请选择水印文件") << false << false << false << false;
        QTest::newRow("按钮12") << u8("按钮12") << QRect(474, 358, 32, 16) << u8("…") << false << true << true << false;
    }
    void controlsAreBuiltAsDesigned()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        QFETCH(bool, visible);
        QFETCH(bool, enabled);
        QFETCH(bool, tabStop);
        QFETCH(bool, hand);
        Scene scene;
        WatermarkSettings settings;
        Window w(scene, settings);
        QWidget* c = w.window->findChild<QWidget*>(name);
        QVERIFY(c);
        QCOMPARE(c->geometry(), geometry);
        if (!text.isEmpty()) QCOMPARE(c->property("text").toString(), text);
        QCOMPARE(c->isVisible(), visible);
        QCOMPARE(c->isEnabled(), enabled);
        QCOMPARE(bool(c->focusPolicy() & Qt::TabFocus), tabStop);
        QCOMPARE(c->cursor().shape() == Qt::PointingHandCursor, hand);
    }

    void labelsLookAsDesigned()
    {
        Scene scene;
        WatermarkSettings settings;
        Window w(scene, settings);
        auto* notice = control<TextLabel>(*w.window, "通告");
        auto* link = control<TextLabel>(*w.window, "标签12");
        auto* hint = control<TextLabel>(*w.window, "标签2");
        QCOMPARE(notice->textColour(), QColor(255, 0, 0));
        QCOMPARE(link->textColour(), QColor(0, 0, 255));
        for (TextLabel* l : {notice, link}) {
            QCOMPARE(l->font().pixelSize(), 12);
            QVERIFY(l->font().underline());
            QCOMPARE(l->alignment(), Qt::AlignCenter);
        }
        QVERIFY(hint->wordWrap());
        QCOMPARE(hint->palette().color(QPalette::Window), QColor(Qt::white));
        // The hint lies over the list and lets drops and clicks through to it.
        QCOMPARE(w.window->childAt(QPoint(100, 230)), w.window->sourceList().viewport());
        QVERIFY(hint->testAttribute(Qt::WA_TransparentForMouseEvents));
        auto* progress = control<QProgressBar>(*w.window, "进度条1");
        QCOMPARE(progress->minimum(), 0);
        QCOMPARE(progress->maximum(), 100);
        QCOMPARE(progress->value(), 100);
    }

    // Start-up gives the settings their start values whatever they held before.
    void startUpSetsTitleSettingsAndFolders()
    {
        Scene scene;
        WatermarkSettings settings{3, 999, 444};
        Window w(scene, settings);
        QCOMPARE(w.window->windowTitle(), QString("Zendavo1.03"));
        QCOMPARE(settings.position, 9);
        QCOMPARE(settings.marginX, 20);
        QCOMPARE(settings.marginY, 10);
        QCOMPARE(w.window->watermarkSlots().initialFolder(), scene.program);
        QVERIFY(!control(*w.window, "通告")->isVisible());
        QVERIFY(!w.window->windowIcon().isNull());
    }

    void windowHasAFixedSize()
    {
        Scene scene;
        WatermarkSettings settings;
        Window w(scene, settings);
        QCOMPARE(w.window->size(), QSize(535, 492));
        QCOMPARE(w.window->minimumSize(), QSize(535, 492));
        QCOMPARE(w.window->maximumSize(), QSize(535, 492));
        const Qt::WindowFlags flags = w.window->windowFlags();
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
    }

    void dropsFillTheListHideTheHintAndResetProgress_data()
    {
        QTest::addColumn<QStringList>("dropped");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("mixed list") << QStringList{"a.jpg", "b.txt", "c.PNG", "d.Jpg", "e.jpeg", "pics"}
                                    << QStringList{"a.jpg", "c.PNG"};
        QTest::newRow("only b.txt") << QStringList{"b.txt"} << QStringList{};
        QTest::newRow("same file twice") << QStringList{"a.jpg", "a.jpg"} << QStringList{"a.jpg", "a.jpg"};
    }
    void dropsFillTheListHideTheHintAndResetProgress()
    {
        QFETCH(QStringList, dropped);
        QFETCH(QStringList, rows);
        Scene scene;
        QDir(scene.photos).mkdir("pics");
        WatermarkSettings settings;
        Window w(scene, settings);
        QStringList paths;
        for (const QString& n : dropped) paths << scene.photos + "/" + n;
        QVERIFY(drop(*w.window, paths));
        QVERIFY(!control(*w.window, "标签2")->isVisible());
        QCOMPARE(control<QProgressBar>(*w.window, "进度条1")->value(), 0);
        QCOMPARE(w.window->rowCount(), rows.size());
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(QString::fromStdString(w.window->fileNameAt(i)), rows[i]);
            QCOMPARE(QString::fromStdString(w.window->pathAt(i)), scene.photos + "/" + rows[i]);
        }
    }

    void clearEmptiesTheListAndTheHintStaysHidden()
    {
        Scene scene;
        WatermarkSettings settings;
        Window w(scene, settings);
        QVERIFY(drop(*w.window, {scene.photos + "/a.jpg", scene.photos + "/b.png", scene.photos + "/c.JPG"}));
        control<QProgressBar>(*w.window, "进度条1")->setValue(42);
        QTest::mouseClick(control(*w.window, "按钮2"), Qt::LeftButton);
        QCOMPARE(w.window->rowCount(), 0);
        QCOMPARE(control<QProgressBar>(*w.window, "进度条1")->value(), 42);
        QVERIFY(drop(*w.window, {scene.photos + "/d.png"}));
        QCOMPARE(w.window->rowCount(), 1);
        QCOMPARE(w.window->fileNameAt(0), std::string("d.png"));
        QVERIFY(!control(*w.window, "标签2")->isVisible());
    }

    // Three photos, slots 2 and 5: every output written, the stages and progress shown in
    // order, the photos' folder opened, no message.
    void runWritesEveryOutputAndShowsItsStages()
    {
        Scene scene;
        const QStringList photos{scene.photo("a.jpg", "JPEG"), scene.photo("b.png", "PNG"), scene.photo("c.JPG", "JPEG")};
        WatermarkSettings settings;
        Window w(scene, settings);
        QVERIFY(drop(*w.window, photos));
        tick(*w.window, 2, w.services, scene.watermark);
        tick(*w.window, 5, w.services, scene.watermark);
        QCOMPARE(w.window->slotCaption(2), scene.watermark.toStdString());

        QStringList stages;
        auto* status = control<TextLabel>(*w.window, "标签12");
        w.services.onPump = [&](int) { stages << status->text(); };
        QList<int> progress;
        control<QProgressBar>(*w.window, "进度条1")->setValue(57);  // so the run's first 0 shows
        connect(control<QProgressBar>(*w.window, "进度条1"), &QProgressBar::valueChanged, this,
                [&progress](int v) { progress << v; });

        QVERIFY(runAndWait(*w.window));

        QCOMPARE(stages, (QStringList{u8("源文件预处理..."), u8("水印2制作中..."), u8("水印5制作中...")}));
        QCOMPARE(status->text(), u8("已全部制作完成"));
        QCOMPARE(progress, (QList<int>{0, 33, 66, 100, 0, 33, 66, 100, 0, 33, 66, 100}));
        QVERIFY2(w.services.messages.empty(), qPrintable(w.services.messages.empty() ? QString() : w.services.messages.front()));
        QCOMPARE(w.services.foldersOpened.size(), std::size_t{1});
        QCOMPARE(QDir::cleanPath(QString::fromStdString(w.services.foldersOpened[0])), scene.photos);
        QVERIFY(!status->font().underline());
        QCOMPARE(status->textColour(), QColor(Qt::black));

        for (const char* slot : {"/水印2", "/水印5"}) {
            const QString folder = scene.photos + u8(slot);
            QCOMPARE(filesIn(folder), (QStringList{"a.jpg", "b.png.jpg", "c.JPG"}));
            for (const QString& name : filesIn(folder)) {
                QFile file(folder + "/" + name);
                QVERIFY(file.open(QIODevice::ReadOnly));
                const QByteArray bytes = file.readAll();
                QVERIFY2(bytes.startsWith("\xFF\xD8") && bytes.endsWith("\xFF\xD9"), qPrintable(name));
                QCOMPARE(QImage(folder + "/" + name).size(), QSize(80, 60));
                // The black watermark sits at the bottom right, 20 and 10 pixels from the edges.
                QVERIFY(meanGrey(folder + "/" + name, QRect(46, 42, 12, 6)) < 40);
                QVERIFY(meanGrey(folder + "/" + name, QRect(4, 4, 30, 30)) > 180);
            }
        }
        QCOMPARE(filesIn(scene.program + "/temp"), QStringList{});  // no working copy is kept
        QVERIFY(control(*w.window, "按钮1")->isEnabled());
    }

    void runWithoutATickedSlotOnlyTellsSo()
    {
        Scene scene;
        WatermarkSettings settings;
        Window w(scene, settings);
        QVERIFY(drop(*w.window, {scene.photo("a.jpg", "JPEG")}));
        control<QProgressBar>(*w.window, "进度条1")->setValue(57);
        QVERIFY(runAndWait(*w.window));
        QCOMPARE(w.services.messages, std::vector<QString>{u8("请先选择水印图")});
        auto* status = control<TextLabel>(*w.window, "标签12");
        QCOMPARE(status->text(), u8("支持作者 您的支持是我最大的鼓励"));
        QVERIFY(status->font().underline());
        QCOMPARE(control<QProgressBar>(*w.window, "进度条1")->value(), 57);
        QVERIFY(w.services.foldersOpened.empty());
        QCOMPARE(w.services.pumps, 0);
    }

    // Slot 1 is made in full, then the run stops at slot 3, which has no picture.
    void runStopsAtATickedSlotWithoutAPicture()
    {
        Scene scene;
        WatermarkSettings settings;
        Window w(scene, settings);
        QVERIFY(drop(*w.window, {scene.photo("a.jpg", "JPEG"), scene.photo("b.png", "PNG")}));
        tick(*w.window, 1, w.services, scene.watermark);
        tick(*w.window, 3, w.services, QString());
        QVERIFY(runAndWait(*w.window));
        QCOMPARE(w.services.messages, std::vector<QString>{u8("请选择有效的水印图")});
        QCOMPARE(control<TextLabel>(*w.window, "标签12")->text(), u8("水印1制作中..."));
        QCOMPARE(filesIn(scene.photos + u8("/水印1")), (QStringList{"a.jpg", "b.png.jpg"}));
        QVERIFY(!QDir(scene.photos + u8("/水印3")).exists());
        QVERIFY(w.services.foldersOpened.empty());
        QVERIFY(control(*w.window, "按钮1")->isEnabled());
    }

    // The window and zendavo-cli write the same bytes for the same photos, slots and settings.
    void outputsEqualThoseOfTheCommandLine()
    {
        Scene scene;
        QStringList photos;
        for (int k = 0; k < 5; ++k) {
            QImage image(120 + 7 * k, 90 + 3 * k, QImage::Format_RGB32);
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb((x * 2 + k * 30) % 256, (y * 3) % 256, (x + y) % 256));
            const QString path = scene.photos + QStringLiteral("/p%1.%2").arg(k).arg(k % 2 ? "png" : "jpg");
            QVERIFY(image.save(path, k % 2 ? "PNG" : "JPEG", 90));
            photos << path;
        }
        QImage mark(40, 14, QImage::Format_RGB32);
        for (int y = 0; y < mark.height(); ++y)
            for (int x = 0; x < mark.width(); ++x) mark.setPixel(x, y, (x + y) % 5 ? qRgb(255, 255, 255) : qRgb(x * 6, 90, 30));
        const QString mark2 = scene.root.path() + "/mark2.png";
        QVERIFY(mark.save(mark2, "PNG"));

        WatermarkSettings settings;
        Window w(scene, settings);
        settings = {5, 13, 4};
        QVERIFY(drop(*w.window, photos));
        tick(*w.window, 2, w.services, scene.watermark);
        tick(*w.window, 5, w.services, mark2);
        QVERIFY(runAndWait(*w.window));
        QVERIFY(w.services.messages.empty());

        std::vector<std::string> images;
        for (const QString& p : photos) images.push_back(p.toStdString());
        const fs::path cliWork = (scene.root.path() + "/cli-work").toStdString();
        fs::create_directories(cliWork);
        QCOMPARE(zendavo::testing::runCliJob(images, {{2, scene.watermark.toStdString()}, {5, mark2.toStdString()}},
                                             WatermarkSettings{5, 13, 4},
                                             fs::path((scene.root.path() + "/cli").toStdString()), cliWork),
                 10);

        for (const char* slot : {"/水印2", "/水印5"}) {
            const QString ours = scene.photos + u8(slot);
            const QString theirs = scene.root.path() + "/cli" + u8(slot);
            QCOMPARE(filesIn(ours).size(), 5);
            QCOMPARE(filesIn(ours), filesIn(theirs));
            for (const QString& name : filesIn(ours)) {
                QFile a(ours + "/" + name);
                QFile b(theirs + "/" + name);
                QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
                QVERIFY2(a.readAll() == b.readAll(), qPrintable(name));
            }
        }
    }

    // 开始 returns at once: the window moves, minimises and repaints while the run goes on.
    void windowStaysLiveDuringARun()
    {
        Scene scene;
        const QStringList photos = scene.numberedPhotos(4);
        WatermarkSettings settings;
        Window w(scene, settings);
        QVERIFY(drop(*w.window, photos));
        tick(*w.window, 1, w.services, scene.watermark);
        QSignalSpy ended(w.window.get(), &MainWindow::runFinished);
        QTest::mouseClick(control(*w.window, "按钮1"), Qt::LeftButton);
        // The run cannot have ended: it waits for this thread to show its first stage.
        QVERIFY(w.window->running());
        QVERIFY(ended.isEmpty());
        w.window->move(40, 30);
        w.window->repaint();
        QCOMPARE(w.window->pos(), QPoint(40, 30));
        w.window->showMinimized();
        QVERIFY(w.window->isMinimized());
        QVERIFY(ended.wait(60000));
        QVERIFY(!w.window->running());
        QCOMPARE(filesIn(scene.photos + u8("/水印1")).size(), 4);
    }

    // Closing in the middle of a run: the window goes at once, the photos in progress are
    // finished whole, nothing else starts, and the work folder is left empty.
    void closingMidPassWritesNothingTruncated()
    {
        Scene scene;
        QStringList photos;
        for (int k = 0; k < 12; ++k) {
            QImage image(900, 700, QImage::Format_RGB32);
            image.fill(qRgb(20 * k % 256, 120, 200));
            const QString path = scene.photos + QStringLiteral("/p%1.jpg").arg(k, 2, 10, QChar('0'));
            QVERIFY(image.save(path, "JPEG"));
            photos << path;
        }
        WatermarkSettings settings;
        Window w(scene, settings);
        QVERIFY(drop(*w.window, photos));
        tick(*w.window, 1, w.services, scene.watermark);
        auto* progress = control<QProgressBar>(*w.window, "进度条1");
        bool closeReturned = true;
        bool hiddenAtOnce = false;
        connect(progress, &QProgressBar::valueChanged, this, [&](int v) {
            if (v == 0 || !w.window->isVisible()) return;  // the first photo shown done
            closeReturned = w.window->close();
            hiddenAtOnce = !w.window->isVisible();
        });
        QVERIFY(runAndWait(*w.window));
        QVERIFY(!closeReturned);
        QVERIFY(hiddenAtOnce);
        const QStringList written = filesIn(scene.photos + u8("/水印1"));
        QVERIFY2(written.size() < 12, qPrintable(written.join(',')));
        for (const QString& name : written) {
            QFile file(scene.photos + u8("/水印1/") + name);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            QVERIFY2(bytes.startsWith("\xFF\xD8") && bytes.endsWith("\xFF\xD9"), qPrintable(name));
        }
        QVERIFY(w.services.foldersOpened.empty());
        QCOMPARE(filesIn(scene.program + "/temp"), QStringList{});
    }

    // Closing during a run ends the program once the run has stopped, as closing an idle
    // window does: the window hidden at the close must not keep the program running.
    void closingDuringARunEndsTheProgram()
    {
        Scene scene;
        QStringList photos;
        for (int k = 0; k < 4; ++k) photos << scene.photo(QStringLiteral("p%1.jpg").arg(k), "JPEG");
        WatermarkSettings settings;
        Window w(scene, settings);
        QVERIFY(drop(*w.window, photos));
        tick(*w.window, 1, w.services, scene.watermark);
        w.services.onPump = [&](int pump) {
            if (pump == 1) w.window->close();
        };
        QTimer::singleShot(0, w.window.get(), [&] { QTest::mouseClick(control(*w.window, "按钮1"), Qt::LeftButton); });
        QTimer giveUp;
        giveUp.setSingleShot(true);
        connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(2); });
        giveUp.start(30000);
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!w.window->running());
        QVERIFY(!w.window->isVisible());
        QCOMPARE(filesIn(scene.program + "/temp"), QStringList{});
    }

    // A window destroyed under a run waits for the photos in progress, never for itself, and
    // leaves the work folder empty.
    void destroyingTheWindowDuringARunEndsItCleanly()
    {
        Scene scene;
        const QStringList photos = scene.numberedPhotos(6);
        WatermarkSettings settings;
        Window w(scene, settings);
        QVERIFY(drop(*w.window, photos));
        tick(*w.window, 1, w.services, scene.watermark);
        QTest::mouseClick(control(*w.window, "按钮1"), Qt::LeftButton);
        QTest::qWait(20);  // the run is somewhere in its photos
        w.window.reset();
        QCOMPARE(filesIn(scene.program + "/temp"), QStringList{});
        for (const QString& name : filesIn(scene.photos + u8("/水印1")))
            QCOMPARE(QImage(scene.photos + u8("/水印1/") + name).size(), QSize(80, 60));
    }

    // Another instance's folder in the shared work folder is left alone by our run and our reset.
    void anotherInstancesFolderSurvivesOurRunAndClose()
    {
        Scene scene;
        const QString temp = scene.program + "/temp";
        QDir().mkpath(temp);
        const zendavo::InstanceFolder other(fs::path(temp.toStdString()));
        QVERIFY(!other.path().empty());
        QFile copy(QString::fromStdString((other.path() / "a.jpg.bmp").native()));
        QVERIFY(copy.open(QIODevice::WriteOnly));
        copy.write("the other window's working copy");
        copy.close();

        WatermarkSettings settings;
        Window w(scene, settings);
        QVERIFY(drop(*w.window, {scene.photo("a.jpg", "JPEG")}));
        tick(*w.window, 1, w.services, scene.watermark);
        QVERIFY(runAndWait(*w.window));
        QCOMPARE(filesIn(scene.photos + u8("/水印1")), QStringList{"a.jpg"});
        QVERIFY(w.window->close());
        QVERIFY(copy.exists());
        const QString name = QString::fromStdString(other.path().filename().native());
        QCOMPARE(filesIn(temp), (QStringList{name, name + ".lock"}));
    }

    // A watermark taller and wider than the photo: the warning, height then width, per row.
    void oversizedWatermarkWarnsThroughTheDesktop()
    {
        Scene scene;
        QImage small(10, 8, QImage::Format_RGB32);
        small.fill(qRgb(200, 200, 200));
        const QString photo = scene.photos + "/tiny.jpg";
        QVERIFY(small.save(photo, "JPEG"));
        WatermarkSettings settings;
        Window w(scene, settings);
        QVERIFY(drop(*w.window, {photo}));
        tick(*w.window, 1, w.services, scene.watermark);
        QVERIFY(runAndWait(*w.window));
        QCOMPARE(w.services.sizeWarnings.size(), std::size_t{2});
        for (const QString& text : w.services.sizeWarnings)
            QCOMPARE(text, u8("水印图片大于原图，可能造成加水印失败"));
    }

    // During a run 开始, 清空列表, 水印位置 and the slots' controls are disabled, drops refused
    // and the thanks window stays shut; all come back afterwards.
    void inputThatWouldChangeARunIsRefusedAtPumpPoints()
    {
        Scene scene;
        const QStringList photos{scene.photo("a.jpg", "JPEG"), scene.photo("b.png", "PNG")};
        WatermarkSettings settings;
        Window w(scene, settings);
        QVERIFY(drop(*w.window, photos));
        tick(*w.window, 1, w.services, scene.watermark);
        const QString other = QDir(scene.root.path()).filePath("elsewhere");
        QDir().mkpath(other);

        int checked = 0;
        w.services.onPump = [&](int pump) {
            if (pump > 2) return;  // only the outer run's own pump points
            ++checked;
            QVERIFY(!control(*w.window, "按钮1")->isEnabled());
            QVERIFY(!control(*w.window, "按钮2")->isEnabled());
            QVERIFY(!control(*w.window, "按钮14")->isEnabled());
            for (int slot : {1, 2}) {
                QVERIFY(!w.window->watermarkSlots().slotAt(slot).checkBox()->isEnabled());
                QVERIFY(!w.window->watermarkSlots().slotAt(slot).selectButton()->isEnabled());
            }
            QTest::mouseClick(control(*w.window, "按钮1"), Qt::LeftButton);
            QTest::mouseClick(control(*w.window, "按钮2"), Qt::LeftButton);
            QTest::mouseClick(control(*w.window, "按钮14"), Qt::LeftButton);
            QTest::mouseClick(w.window->watermarkSlots().slotAt(2).checkBox(), Qt::LeftButton);
            QTest::mousePress(control(*w.window, "标签12"), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
            QVERIFY(w.services.modalTitles.empty());  // neither the settings nor the thanks window
            QVERIFY(!w.window->slotChecked(2));
            QVERIFY(!drop(*w.window, {other + "/x.jpg"}));
            w.window->acceptDroppedFiles({(other + "/y.jpg").toStdString()});
            QCOMPARE(w.window->rowCount(), 2);
        };
        QVERIFY(runAndWait(*w.window));

        QCOMPARE(checked, 2);
        QCOMPARE(w.services.pumps, 2);  // no nested run pumped
        QCOMPARE(w.services.foldersOpened.size(), std::size_t{1});
        QCOMPARE(filesIn(scene.photos + u8("/水印1")), (QStringList{"a.jpg", "b.png.jpg"}));
        QVERIFY(!QDir(other + u8("/水印1")).exists());
        QVERIFY(control(*w.window, "按钮1")->isEnabled());
        QVERIFY(control(*w.window, "按钮2")->isEnabled());
        QVERIFY(control(*w.window, "按钮14")->isEnabled());
        QVERIFY(w.window->watermarkSlots().slotAt(2).checkBox()->isEnabled());
        QVERIFY(w.window->watermarkSlots().slotAt(1).selectButton()->isEnabled());
        QVERIFY(drop(*w.window, {other + "/x.jpg"}));
        QCOMPARE(w.window->rowCount(), 3);
    }

    // Closing when a stage of the run begins: the run stops there, then the folder is reset.
    void closingDuringARunStopsItThenResetsTheWorkFolder_data()
    {
        QTest::addColumn<int>("closeAtPump");
        QTest::newRow("while preparing") << 1;
        QTest::newRow("at the first slot's pass") << 2;
        QTest::newRow("at the second slot's pass") << 3;
    }
    void closingDuringARunStopsItThenResetsTheWorkFolder()
    {
        QFETCH(int, closeAtPump);
        Scene scene;
        const QStringList photos{scene.photo("a.jpg", "JPEG"), scene.photo("b.png", "PNG")};
        WatermarkSettings settings;
        Window w(scene, settings);
        QVERIFY(drop(*w.window, photos));
        tick(*w.window, 1, w.services, scene.watermark);
        tick(*w.window, 2, w.services, scene.watermark);
        bool closedAtPump = true;
        w.services.onPump = [&](int pump) {
            if (pump == closeAtPump) closedAtPump = w.window->close();
        };
        QVERIFY(runAndWait(*w.window));

        QVERIFY2(!closedAtPump, "the window waits for the run to stop");
        QVERIFY(!w.window->isVisible());
        QCOMPARE(w.services.pumps, closeAtPump);
        QVERIFY(w.services.foldersOpened.empty());
        QVERIFY(w.services.messages.empty());
        QVERIFY(control<TextLabel>(*w.window, "标签12")->text() != u8("已全部制作完成"));
        const QStringList first = filesIn(scene.photos + u8("/水印1"));
        if (closeAtPump == 1) QCOMPARE(first, QStringList{});  // closed before any photo began
        if (closeAtPump == 3) QCOMPARE(first, (QStringList{"a.jpg", "b.png.jpg"}));
        // The workers run ahead of what the window shows; what they finished is whole.
        for (const char* slot : {"/水印1", "/水印2"}) {
            for (const QString& name : filesIn(scene.photos + u8(slot))) {
                QVERIFY(QStringList({"a.jpg", "b.png.jpg"}).contains(name));
                QCOMPARE(QImage(scene.photos + u8(slot) + "/" + name).size(), QSize(80, 60));
            }
        }
        if (closeAtPump == 1) QCOMPARE(filesIn(scene.photos + u8("/水印2")), QStringList{});
        QVERIFY(QDir(scene.program + "/temp").exists());
        QCOMPARE(filesIn(scene.program + "/temp"), QStringList{});
    }

    // Closing resets the work folder: emptied of files and sub-folders, and there again.
    void closingResetsTheWorkFolder_data()
    {
        QTest::addColumn<bool>("existed");
        QTest::newRow("folder with files") << true;
        QTest::newRow("no folder yet") << false;
    }
    void closingResetsTheWorkFolder()
    {
        QFETCH(bool, existed);
        Scene scene;
        const QString temp = scene.program + "/temp";
        if (existed) {
            QDir().mkpath(temp + "/inner");
            for (const QString& f : {temp + "/a.jpg.bmp", temp + u8("/水印1.bmp"), temp + "/inner/x"}) {
                QFile file(f);
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write("x");
            }
        }
        WatermarkSettings settings;
        Window w(scene, settings);
        QVERIFY(w.window->close());
        QVERIFY(QDir(temp).exists());
        QCOMPARE(filesIn(temp), QStringList{});
    }

    // "&" in a chosen path is part of the caption and reaches the run unchanged.
    void chosenPathIsKeptExactly()
    {
        Scene scene;
        WatermarkSettings settings;
        Window w(scene, settings);
        const QString odd = scene.root.path() + u8("/R&D 水印/logo&.png");
        tick(*w.window, 3, w.services, odd);
        QCOMPARE(control<TextLabel>(*w.window, "标签4")->text(), odd);
        QCOMPARE(w.window->slotCaption(3), odd.toUtf8().toStdString());
        QVERIFY(w.window->slotChecked(3));
        QVERIFY(!w.window->slotChecked(4));
        QCOMPARE(w.window->slotCaption(4), std::string("请选择水印文件"));
        QCOMPARE(w.window->slotCaption(11), std::string());
    }

    // Each click of 水印位置 opens a fresh settings window on the program-wide settings.
    void settingsWindowOpensFreshOnTheSharedSettings()
    {
        Scene scene;
        WatermarkSettings settings;
        Window w(scene, settings);
        int opened = 0;
        w.services.onModal = [&](QDialog& dialog) {
            auto* window = qobject_cast<zendavo::SettingsWindow*>(&dialog);
            QVERIFY(window);
            ++opened;
            auto* nine = window->findChild<QAbstractButton*>(u8("单选框9"));
            QVERIFY(nine->isChecked());
            window->show();
            QTest::mouseClick(window->findChild<QAbstractButton*>(u8("单选框1")), Qt::LeftButton);
        };
        QTest::mouseClick(control(*w.window, "按钮14"), Qt::LeftButton);
        QCOMPARE(settings.position, 1);
        QTest::mouseClick(control(*w.window, "按钮14"), Qt::LeftButton);
        QCOMPARE(opened, 2);
        QCOMPARE(w.services.modalTitles, (std::vector<QString>{u8("水印设置"), u8("水印设置")}));
    }

    // The press alone opens the thanks window, also after a run has made the label plain.
    void thanksWindowOpensOnThePress()
    {
        Scene scene;
        WatermarkSettings settings;
        Window w(scene, settings);
        auto* link = control<TextLabel>(*w.window, "标签12");
        QTest::mousePress(link, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QCOMPARE(w.services.modalTitles, std::vector<QString>{u8("感谢支持")});
        QTest::mouseRelease(w.window.get(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 300));
        QCOMPARE(w.services.modalTitles.size(), std::size_t{1});

        w.window->setStatusText("已全部制作完成");
        w.window->useStatusLook();
        QTest::mousePress(link, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QCOMPARE(w.services.modalTitles.size(), std::size_t{2});
    }
};

// A desktop whose modal windows really run, so blocking can be seen.
class ModalDesktop : public FakeDesktopServices {
public:
    std::function<void(QDialog&)> whileOpen;
    int runModal(QDialog& dialog) override
    {
        QTimer::singleShot(0, &dialog, [this, &dialog] {
            if (whileOpen) whileOpen(dialog);
            dialog.close();
        });
        return DesktopServices::runModal(dialog);
    }
};

class ModalWindowTest : public QObject {
    Q_OBJECT
private slots:
    // While the thanks window is open the main window takes no input; afterwards it does.
    void thanksWindowBlocksTheMainWindow()
    {
        Scene scene;
        ModalDesktop services;
        services.folder = fs::path(scene.program.toStdString());
        WatermarkSettings settings;
        MainWindow window(settings, services, zendavo::UpdateServerConfig{});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(drop(window, {scene.photos + "/a.jpg"}));
        QWidget* clear = window.findChild<QWidget*>(u8("按钮2"));
        const QPoint onClear = clear->geometry().center();

        bool sawIt = false;
        services.whileOpen = [&](QDialog& dialog) {
            sawIt = true;
            QVERIFY(qobject_cast<zendavo::ThanksWindow*>(&dialog));
            QCOMPARE(QApplication::activeModalWidget(), &dialog);
            QCOMPARE(dialog.windowModality(), Qt::ApplicationModal);
            QTest::mouseClick(window.windowHandle(), Qt::LeftButton, Qt::NoModifier, onClear);
            QCOMPARE(window.rowCount(), 1);
        };
        QTest::mousePress(window.findChild<QWidget*>(u8("标签12")), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QVERIFY(sawIt);
        QVERIFY(!QApplication::activeModalWidget());
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, Qt::NoModifier, onClear);
        QCOMPARE(window.rowCount(), 0);
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int status = 0;
    {
        MainWindowTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        ModalWindowTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}

#include "main_window_test.moc"
