// The window's side of the update check, against the private server of the update_server
// fixture: the notice line, its visibility, the title, and what a press on it opens.
#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include "app/main_window.h"
#include "fake_desktop_services.h"
#include "tests/update/update_test_server.h"
#include "ui/text_label.h"

namespace {

constexpr const char* kDatabase = "zendavo_window_test";

QString u8(const char* text)
{
    return QString::fromUtf8(text);
}

}  // namespace

class UpdateNoticeTest : public QObject {
    Q_OBJECT
private:
    zendavo::test::TestServer server_;

    QString admin(const std::string& sql) const
    {
        return QString::fromStdString(zendavo::test::adminExecute(server_, sql));
    }

private slots:
    void initTestCase()
    {
        const auto server = zendavo::test::readTestServer();
        if (!server) QFAIL("the update_server fixture is not running");
        server_ = *server;
        QCOMPARE(admin(std::string("DROP DATABASE IF EXISTS ") + kDatabase + "; CREATE DATABASE " + kDatabase +
                       " CHARACTER SET utf8mb4"),
                 QString());
    }
    void cleanupTestCase() { admin(std::string("DROP DATABASE IF EXISTS ") + kDatabase); }

    void noticeAfterStartUp_data()
    {
        QTest::addColumn<QString>("rows");  // SQL that fills the table, or "" for no table
        QTest::addColumn<bool>("visible");
        QTest::addColumn<QString>("notice");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("link");
        QTest::newRow("newer version")
            << u8("(1, '1.1', '新版本1.1已发布，点此下载', 'https://zendavo.example/download')") << true
            << u8("新版本1.1已发布，点此下载") << u8("Zendavo1.03（有新的版本1.1）")
            << "https://zendavo.example/download";
        QTest::newRow("markup and a second line stay plain text on one line")
            << u8("(1, '2', '<b>粗体</b> &amp; <a href=\"x\">链接</a>\\n第二行', 'https://zendavo.example/')") << true
            << u8("<b>粗体</b> &amp; <a href=\"x\">链接</a>") << u8("Zendavo1.03（有新的版本2）")
            << "https://zendavo.example/";
        QTest::newRow("equal version") << u8("(1, '1.03', '无', 'https://zendavo.example/')") << false
                                       << QString() << u8("Zendavo1.03") << QString();
        QTest::newRow("row not marked") << u8("(0, '9', '旧', 'https://zendavo.example/')") << false << QString()
                                        << u8("Zendavo1.03") << QString();
        QTest::newRow("no table") << QString() << false << QString() << u8("Zendavo1.03") << QString();
    }
    void noticeAfterStartUp()
    {
        QFETCH(QString, rows);
        QFETCH(bool, visible);
        QFETCH(QString, notice);
        QFETCH(QString, title);
        QFETCH(QString, link);
        std::string sql = std::string("USE ") + kDatabase + "; DROP TABLE IF EXISTS addwatermark;";
        if (!rows.isEmpty())
            sql += " CREATE TABLE addwatermark (mark INT, ver VARCHAR(64), note TEXT, upaddress TEXT) "
                   "CHARACTER SET utf8mb4; INSERT INTO addwatermark VALUES " + rows.toStdString();
        QCOMPARE(admin(sql), QString());

        QTemporaryDir program;
        zendavo::testing::FakeDesktopServices services;
        services.folder = program.path().toStdString();
        zendavo::WatermarkSettings settings;
        zendavo::MainWindow window(settings, services, server_.config(kDatabase));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        auto* line = window.findChild<zendavo::TextLabel*>(u8("通告"));
        QVERIFY(line);
        QCOMPARE(line->isVisible(), visible);
        QCOMPARE(window.windowTitle(), title);
        if (!visible) return;
        QCOMPARE(line->text(), notice);
        QCOMPARE(line->textFormat(), Qt::PlainText);
        QTest::mousePress(line, Qt::LeftButton, Qt::NoModifier, QPoint(10, 8));
        QCOMPARE(services.linksOpened, std::vector<std::string>{link.toStdString()});
    }
};

QTEST_MAIN(UpdateNoticeTest)
#include "update_notice_test.moc"
