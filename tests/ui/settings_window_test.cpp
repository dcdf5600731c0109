// The settings window: margin boxes, the nine positions, restore and the preview.
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "imaging/compositor.h"
#include "ui/builtin_pictures.h"
#include "ui/settings_window.h"

namespace zendavo {

bool operator==(const WatermarkSettings& a, const WatermarkSettings& b)
{
    return a.position == b.position && a.marginX == b.marginX && a.marginY == b.marginY;
}

char* toString(const WatermarkSettings& s)
{
    return QTest::toString(
        QString("{position %1, marginX %2, marginY %3}").arg(s.position).arg(s.marginX).arg(s.marginY));
}

}  // namespace zendavo

using zendavo::SettingsWindow;
using zendavo::WatermarkSettings;

namespace {

QLineEdit* edit(SettingsWindow& w, int n)
{
    return w.findChild<QLineEdit*>(QString::fromUtf8("编辑框") + QString::number(n));
}

QRadioButton* radio(SettingsWindow& w, int n)
{
    return w.findChild<QRadioButton*>(QString::fromUtf8("单选框") + QString::number(n));
}

QPushButton* button(SettingsWindow& w, const char* name)
{
    return w.findChild<QPushButton*>(QString::fromUtf8(name));
}

// The texts an edit box shows after each typed key.
QStringList typeInto(QLineEdit* box, const QString& keys)
{
    QStringList seen;
    for (const QChar ch : keys) {
        QTest::keyClicks(box, QString(ch));
        seen << box->text();
    }
    return seen;
}

void paste(QLineEdit* box, const QString& text)
{
    QApplication::clipboard()->setText(text);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
}

}  // namespace

class SettingsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void controlsAreBuiltAsDesigned_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        const struct { const char* name; QRect g; const char* text; } rows[] = {
            {"图片框1", {0, 0, 650, 450}, ""},
            {"图片框2", {31, 470, 161, 50}, ""},
            {"标签1", {40, 520, 104, 24}, "左右边距（0-1000）"},
            {"编辑框1", {144, 520, 48, 24}, "20"},
            {"标签2", {40, 559, 104, 24}, "上下边距（0-1000）"},
            {"编辑框2", {144, 559, 48, 24}, "10"},
            {"单选框1", {247, 487, 64, 24}, "左上角"},
            {"单选框2", {320, 487, 64, 24}, "上居中"},
            {"单选框3", {396, 487, 64, 24}, "右上角"},
            {"单选框4", {247, 524, 64, 24}, "左居中"},
            {"单选框5", {320, 524, 64, 24}, "居  中"},
            {"单选框6", {396, 524, 64, 24}, "右居中"},
            {"单选框7", {247, 558, 64, 24}, "左下角"},
            {"单选框8", {320, 557, 64, 24}, "下居中"},
            {"单选框9", {396, 558, 64, 24}, "右下角"},
            {"按钮2", {496, 484, 120, 32}, "恢复默认"},
            {"按钮1", {496, 525, 120, 56}, "预览并保存"},
            {"标签3", {0, 598, 648, 24}, "本版本暂只支持水印扣白，更多功能期待后续更新..."},
        };
        for (const auto& r : rows) QTest::newRow(r.name) << QString::fromUtf8(r.name) << r.g << QString::fromUtf8(r.text);
    }
    void controlsAreBuiltAsDesigned()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        WatermarkSettings settings;
        SettingsWindow window(settings);
        QWidget* control = window.findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), geometry);
        const QVariant shown = control->property("text");
        if (!text.isEmpty()) QCOMPARE(shown.toString(), text);
        if (auto* box = qobject_cast<QLineEdit*>(control)) QCOMPARE(box->alignment(), Qt::AlignCenter);
    }

    void windowIsFixedAndTitled()
    {
        WatermarkSettings settings;
        SettingsWindow window(settings);
        QCOMPARE(window.windowTitle(), QString::fromUtf8("水印设置"));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(radio(window, 9)->isChecked());
        for (int n = 1; n <= 8; ++n) QVERIFY(!radio(window, n)->isChecked());
    }

    // Typing "1500" into an emptied box: "1", "15", "150" stay, the fourth key gives "1000".
    void typedMarginIsCappedAtTheFourthKey()
    {
        WatermarkSettings settings;
        SettingsWindow window(settings);
        QLineEdit* box = edit(window, 1);
        box->clear();
        QCOMPARE(settings.marginX, 0);
        QCOMPARE(typeInto(box, "1500"), (QStringList{"1", "15", "150", "1000"}));
        QCOMPARE(settings.marginX, 1000);
    }

    void typedMarginY_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("margin");
        QTest::newRow("minus alone stays") << "-" << "-" << 0;
        QTest::newRow("negative becomes 0") << "-5" << "0" << 0;
        QTest::newRow("in range") << "999" << "999" << 999;
        QTest::newRow("exactly 1000") << "1000" << "1000" << 1000;
        QTest::newRow("zero") << "0" << "0" << 0;
        QTest::newRow("letters refused") << "1a2b" << "12" << 12;
        QTest::newRow("space and dot refused") << "3 .5" << "35" << 35;
    }
    void typedMarginY()
    {
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(int, margin);
        WatermarkSettings settings;
        settings.marginY = 77;
        SettingsWindow window(settings);
        QLineEdit* box = edit(window, 2);
        box->clear();
        QTest::keyClicks(box, keys);
        QCOMPARE(box->text(), text);
        QCOMPARE(settings.marginY, margin);
    }

    void editingKeysStillWork()
    {
        WatermarkSettings settings;
        SettingsWindow window(settings);
        QLineEdit* box = edit(window, 1);
        box->setFocus();
        box->end(false);
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), QString("2"));
        QCOMPARE(settings.marginX, 2);
        QTest::keyClick(box, Qt::Key_Home);
        QTest::keyClick(box, Qt::Key_Delete);
        QCOMPARE(box->text(), QString());
        QCOMPARE(settings.marginX, 0);
    }

    // Held modifiers never let a letter through; the editing shortcuts still work.
    void modifiedKeys_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Alt") << int(Qt::AltModifier);
        QTest::newRow("Super") << int(Qt::MetaModifier);
        QTest::newRow("Shift") << int(Qt::ShiftModifier);
        QTest::newRow("Alt+Shift") << int(Qt::AltModifier | Qt::ShiftModifier);
        QTest::newRow("Ctrl+Alt") << int(Qt::ControlModifier | Qt::AltModifier);
    }
    void modifiedKeys()
    {
        QFETCH(int, modifiers);
        WatermarkSettings settings;
        SettingsWindow window(settings);
        QLineEdit* box = edit(window, 1);
        box->setFocus();
        box->setText("1");
        box->end(false);
        const auto mods = Qt::KeyboardModifiers(modifiers);
        for (const auto& [key, text] : {std::pair{Qt::Key_A, "a"}, std::pair{Qt::Key_B, "b"}, std::pair{Qt::Key_X, "x"},
                                        std::pair{Qt::Key_Period, "."}, std::pair{Qt::Key_Space, " "}}) {
            QKeyEvent press(QEvent::KeyPress, key, mods, QString::fromLatin1(text));
            QApplication::sendEvent(box, &press);
        }
        QCOMPARE(box->text(), QString("1"));
        QCOMPARE(settings.marginX, 1);  // the letters changed nothing
    }

    void editingShortcutsStillWork()
    {
        WatermarkSettings settings;
        SettingsWindow window(settings);
        QLineEdit* box = edit(window, 1);
        box->setFocus();
        box->setText("123");
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(box->selectedText(), QString("123"));
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString("123"));
        QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(box->text(), QString());
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(box->text(), QString("123"));
        box->end(false);
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);  // 123123, capped
        QCOMPARE(box->text(), QString("1000"));
        QCOMPARE(settings.marginX, 1000);
    }

    // Pasting may bring any text; the number is read the way the program reads numbers.
    void pastedText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("margin");
        QTest::newRow("full-width digits") << QString::fromUtf8("２０") << QString::fromUtf8("２０") << 20;
        QTest::newRow("ideographic space first") << QString::fromUtf8("\u300035") << QString::fromUtf8("\u300035") << 35;
        QTest::newRow("not a number") << "abc" << "abc" << 0;
        QTest::newRow("fraction truncated") << "12.9px" << "12.9px" << 12;
        QTest::newRow("too large") << "2e3" << "1000" << 1000;
        QTest::newRow("negative fraction") << "-0.5" << "-0.5" << 0;
    }
    void pastedText()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QFETCH(int, margin);
        WatermarkSettings settings;
        SettingsWindow window(settings);
        QLineEdit* box = edit(window, 1);
        box->clear();
        paste(box, text);
        QCOMPARE(box->text(), shown);
        QCOMPARE(settings.marginX, margin);
    }

    // A click takes both margins from the boxes and the clicked position.
    void radioClickTakesPositionAndBothMargins_data()
    {
        QTest::addColumn<int>("n");
        for (int n = 1; n <= 9; ++n) QTest::newRow(qPrintable(QString("position %1").arg(n))) << n;
    }
    void radioClickTakesPositionAndBothMargins()
    {
        QFETCH(int, n);
        WatermarkSettings settings;
        SettingsWindow window(settings);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        edit(window, 1)->setText("35");
        edit(window, 2)->setText("7");
        settings = WatermarkSettings{4, 500, 600};  // as if changed elsewhere since
        QTest::mouseClick(radio(window, n), Qt::LeftButton);
        QVERIFY(radio(window, n)->isChecked());
        for (int k = 1; k <= 9; ++k) QCOMPARE(radio(window, k)->isChecked(), k == n);
        QCOMPARE(settings, (WatermarkSettings{n, 35, 7}));
    }

    void restoreDefaultsResetsEverythingAndPreviews()
    {
        WatermarkSettings settings;
        SettingsWindow window(settings);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        edit(window, 1)->setText("300");
        edit(window, 2)->setText("0");
        QTest::mouseClick(radio(window, 5), Qt::LeftButton);
        QCOMPARE(settings, (WatermarkSettings{5, 300, 0}));

        QTest::mouseClick(button(window, "按钮2"), Qt::LeftButton);
        QCOMPARE(settings, (WatermarkSettings{9, 20, 10}));
        QCOMPARE(edit(window, 1)->text(), QString("20"));
        QCOMPARE(edit(window, 2)->text(), QString("10"));
        QVERIFY(radio(window, 9)->isChecked());
        QVERIFY(!radio(window, 5)->isChecked());
        const QImage expected = zendavo::imageOfBmp(
            zendavo::composite(zendavo::samplePhoto(), zendavo::sampleWatermark(), WatermarkSettings{}));
        QCOMPARE(window.shownPreview().convertToFormat(QImage::Format_RGB888), expected);
    }

    // The preview is the sample photo with the sample watermark multiplied in at the placement.
    void previewDrawsTheWatermarkAt_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("marginX");
        QTest::addColumn<QString>("marginY");
        QTest::addColumn<QPoint>("topLeft");
        QTest::newRow("defaults") << 9 << "20" << "10" << QPoint(499, 393);
        QTest::newRow("centre") << 5 << "20" << "10" << QPoint(259, 201);
        QTest::newRow("top left without margins") << 1 << "0" << "0" << QPoint(0, 0);
        QTest::newRow("top right") << 3 << "5" << "6" << QPoint(650 - 131 - 5, 6);
    }
    void previewDrawsTheWatermarkAt()
    {
        QFETCH(int, n);
        QFETCH(QString, marginX);
        QFETCH(QString, marginY);
        QFETCH(QPoint, topLeft);
        WatermarkSettings settings;
        SettingsWindow window(settings);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        edit(window, 1)->setText(marginX);
        edit(window, 2)->setText(marginY);
        QTest::mouseClick(radio(window, n), Qt::LeftButton);
        QTest::mouseClick(button(window, "按钮1"), Qt::LeftButton);

        const QImage shown = window.shownPreview().convertToFormat(QImage::Format_RGB888);
        const QImage photo = zendavo::imageOfBmp(zendavo::samplePhoto());
        const QImage mark = zendavo::imageOfBmp(zendavo::sampleWatermark());
        QCOMPARE(shown.size(), QSize(650, 450));
        QCOMPARE(mark.size(), QSize(131, 47));
        int darkened = 0;
        for (int y = 0; y < 450; ++y) {
            for (int x = 0; x < 650; ++x) {
                const QRgb p = photo.pixel(x, y);
                QRgb want = p;
                const QPoint m(x - topLeft.x(), y - topLeft.y());
                if (m.x() >= 0 && m.y() >= 0 && m.x() < 131 && m.y() < 47) {
                    const QRgb w = mark.pixel(m);
                    if ((w & 0xFFFFFF) != 0xFFFFFF) {
                        want = qRgb(qRed(p) * qRed(w) / 255, qGreen(p) * qGreen(w) / 255, qBlue(p) * qBlue(w) / 255);
                        if (want != p) ++darkened;
                    }
                }
                if (shown.pixel(x, y) != want)
                    QFAIL(qPrintable(QString("pixel (%1, %2) differs").arg(x).arg(y)));
            }
        }
        QVERIFY(darkened > 200);
        const QImage compositor = zendavo::imageOfBmp(
            zendavo::composite(zendavo::samplePhoto(), zendavo::sampleWatermark(), settings));
        QCOMPARE(shown, compositor);
    }

    // A margin typed without a click on a position is used with the position chosen last.
    void previewUsesANewMarginWithTheLastPosition()
    {
        WatermarkSettings settings{1, 0, 0};
        SettingsWindow window(settings);
        edit(window, 1)->setText("40");
        window.preview();
        QCOMPARE(settings, (WatermarkSettings{1, 40, 0}));
        const QImage compositor = zendavo::imageOfBmp(
            zendavo::composite(zendavo::samplePhoto(), zendavo::sampleWatermark(), WatermarkSettings{1, 40, 0}));
        QCOMPARE(window.shownPreview().convertToFormat(QImage::Format_RGB888), compositor);
    }

    // Every opening shows the design state; the settings keep what the last window gave them.
    void reopeningShowsTheDesignStateAndKeepsTheSettings()
    {
        WatermarkSettings settings;
        {
            SettingsWindow window(settings);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            edit(window, 1)->setText("50");
            QTest::mouseClick(radio(window, 1), Qt::LeftButton);
            window.preview();
        }
        QCOMPARE(settings, (WatermarkSettings{1, 50, 10}));
        SettingsWindow again(settings);
        QCOMPARE(edit(again, 1)->text(), QString("20"));
        QCOMPARE(edit(again, 2)->text(), QString("10"));
        QVERIFY(radio(again, 9)->isChecked());
        QCOMPARE(settings, (WatermarkSettings{1, 50, 10}));
        QCOMPARE(again.shownPreview().convertToFormat(QImage::Format_RGB888),
                 zendavo::imageOfBmp(zendavo::samplePhoto()));
    }
};

QTEST_MAIN(SettingsWindowTest)
#include "settings_window_test.moc"
