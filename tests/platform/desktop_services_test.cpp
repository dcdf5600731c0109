// The real desktop services, with Qt's own hooks standing in for the person and the shell:
// URL handlers catch what would be opened, and open boxes are answered from the event loop.
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

#include "platform/desktop_services.h"

using zendavo::DesktopServices;

// Receives every URL the services ask the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.push_back(url); }
};

namespace {

const char* const kSchemes[] = {"http", "https", "file", "ftp", "javascript", "smb", "mailto", "data", ""};

// Runs `answer` on the modal window the next call opens, from inside its own event loop.
void answerNextModal(const std::function<void(QWidget*)>& answer)
{
    QTimer::singleShot(0, qApp, [answer] {
        QWidget* modal = QApplication::activeModalWidget();
        answer(modal);
        if (modal && modal->isVisible()) modal->close();  // never left waiting for a person
    });
}

}  // namespace

class DesktopServicesTest : public QObject {
    Q_OBJECT
private:
    UrlCatcher catcher_;

private slots:
    void initTestCase()
    {
        for (const char* scheme : kSchemes) QDesktopServices::setUrlHandler(scheme, &catcher_, "open");
    }
    void cleanupTestCase()
    {
        for (const char* scheme : kSchemes) QDesktopServices::unsetUrlHandler(scheme);
    }
    void init() { catcher_.opened.clear(); }

    void onlyWebLinksWithAHostAreOpened_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("opened");
        QTest::newRow("https") << "https://example.com/zendavo/download" << true;
        QTest::newRow("http with port") << "http://example.com:8080/new" << true;
        QTest::newRow("upper-case scheme") << "HTTPS://example.com/" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("local path") << "/usr/bin/xterm" << false;
        QTest::newRow("file url") << "file:///etc/passwd" << false;
        QTest::newRow("smb share") << "smb://host/share/setup.exe" << false;
        QTest::newRow("javascript") << "javascript:alert(1)" << false;
        QTest::newRow("no host") << "http:///path" << false;
        QTest::newRow("ftp") << "ftp://example.com/file" << false;
        QTest::newRow("relative") << "example.com/page" << false;
        QTest::newRow("program with argument") << "xdg-open http://example.com" << false;
    }
    void onlyWebLinksWithAHostAreOpened()
    {
        QFETCH(QString, link);
        QFETCH(bool, opened);
        DesktopServices services;
        QCOMPARE(services.openLink(link.toStdString()), opened);
        QCOMPARE(catcher_.opened.size(), opened ? 1 : 0);
        if (opened) QCOMPARE(catcher_.opened.front().host(), QString("example.com"));
    }

    void folderIsOpenedAsALocalFile_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("plain") << "/home/you/Pictures/";
        QTest::newRow("chinese and spaces") << "/home/you/照片 2024/";
        QTest::newRow("characters a URL treats specially") << "/tmp/a#b?c%d&e/";
    }
    void folderIsOpenedAsALocalFile()
    {
        QFETCH(QString, folder);
        DesktopServices services;
        services.openFolder(folder.toStdString());
        QCOMPARE(catcher_.opened.size(), 1);
        QVERIFY(catcher_.opened.front().isLocalFile());
        QCOMPARE(catcher_.opened.front().toLocalFile(), folder);
    }

    void emptyFolderOpensNothing()
    {
        DesktopServices services;
        services.openFolder("");
        QVERIFY(catcher_.opened.isEmpty());
    }

    void pumpHandlesPendingEvents()
    {
        bool ran = false;
        QMetaObject::invokeMethod(qApp, [&ran] { ran = true; }, Qt::QueuedConnection);
        QVERIFY(!ran);
        DesktopServices services;
        services.pumpMessages();
        QVERIFY(ran);
    }

    void messageBoxes_data()
    {
        QTest::addColumn<bool>("warning");
        QTest::addColumn<int>("icon");
        QTest::newRow("message") << false << int(QMessageBox::NoIcon);
        QTest::newRow("size warning") << true << int(QMessageBox::Warning);
    }
    void messageBoxes()
    {
        QFETCH(bool, warning);
        QFETCH(int, icon);
        bool seen = false;
        answerNextModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            seen = true;
            QCOMPARE(box->windowTitle(), QString::fromUtf8("信息："));
            QCOMPARE(box->text(), QString::fromUtf8("请先选择水印图"));
            QCOMPARE(int(box->icon()), icon);
            QCOMPARE(box->windowModality(), Qt::ApplicationModal);
            QCOMPARE(box->buttons().size(), 1);
            QCOMPARE(box->standardButton(box->buttons().front()), QMessageBox::Ok);
            box->buttons().front()->click();
        });
        DesktopServices services;
        const QString text = QString::fromUtf8("请先选择水印图");
        if (warning) {
            services.showSizeWarning(text);
        } else {
            services.showMessage(text);
        }
        QVERIFY(seen);
    }

    void fileDialogOffersPicturesFromTheInitialFolder()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString logo = dir.path() + "/logo.png";
        QFile file(logo);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        bool seen = false;
        answerNextModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            seen = true;
            QCOMPARE(dialog->nameFilters(), QStringList{QString::fromUtf8(zendavo::kPictureFilter)});
            QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
            QCOMPARE(dialog->directory().absolutePath(), dir.path());
            dialog->selectFile(logo);
            static_cast<QDialog*>(dialog)->accept();  // as the Open button does
        });
        DesktopServices services;
        const std::optional<QString> chosen = services.chooseOpenFile(nullptr, {dir.path(), QString()});
        QVERIFY(seen);
        QVERIFY(chosen.has_value());
        QCOMPARE(*chosen, logo);
    }

    void fileDialogStartsWithThePresetAndCanBeCancelled()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString logo = dir.path() + "/logo.png";
        QFile file(logo);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        QStringList preset;
        answerNextModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            preset = dialog->selectedFiles();
            dialog->reject();
        });
        DesktopServices services;
        QVERIFY(!services.chooseOpenFile(nullptr, {QDir::homePath(), logo}).has_value());
        QCOMPARE(preset, QStringList{logo});
    }

    // Refuses a name that does not exist, as an open dialog for an existing file must.
    void fileDialogRefusesAMissingFile()
    {
        QTemporaryDir dir;
        bool stillOpen = false;
        QString complaint;
        answerNextModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            dialog->selectFile(dir.path() + "/missing.png");
            // The dialog answers with a box of its own; it is dismissed from its own loop.
            answerNextModal([&](QWidget* box) {
                if (auto* m = qobject_cast<QMessageBox*>(box)) complaint = m->text();
            });
            static_cast<QDialog*>(dialog)->accept();  // as the Open button does
            stillOpen = dialog->isVisible();
            dialog->reject();
        });
        DesktopServices services;
        QVERIFY(!services.chooseOpenFile(nullptr, {dir.path(), QString()}).has_value());
        QVERIFY(stillOpen);
        QVERIFY(complaint.contains("missing.png"));
    }

    void programFolderIsTheExecutablesFolder()
    {
        DesktopServices services;
        QCOMPARE(QString::fromStdString(services.programFolder().native()), QCoreApplication::applicationDirPath());
    }

    void pathsCrossToTextAndBack_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("ascii") << "/p/a.jpg";
        QTest::newRow("chinese") << "/照片/水印1/猫.jpg";
        QTest::newRow("full-width") << "/ｐ/ａ.png";
    }
    void pathsCrossToTextAndBack()
    {
        QFETCH(QString, path);
        const std::string bytes = path.toUtf8().toStdString();
        QCOMPARE(zendavo::pathToText(bytes), path);
        QCOMPARE(zendavo::textToPath(path), bytes);
    }
};

QTEST_MAIN(DesktopServicesTest)
#include "desktop_services_test.moc"
