// The ten slot rows: their controls, ticking, and the shared file dialog.
#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include "fake_desktop_services.h"
#include "ui/text_label.h"
#include "ui/watermark_slot.h"
#include "ui/watermark_slots.h"

using zendavo::WatermarkSlot;
using zendavo::WatermarkSlots;
using zendavo::testing::FakeDesktopServices;

namespace {

const QString kPlaceholder = QString::fromUtf8("请选择水印文件");

template <typename T>
T* find(QWidget& window, const QString& name)
{
    return window.findChild<T*>(name);
}

}  // namespace

class WatermarkSlotsTest : public QObject {
    Q_OBJECT
private slots:
    void rowsAreBuiltAsDesigned_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("label");
        const char* labels[] = {"标签1", "标签3", "标签4", "标签5", "标签6",
                                "标签7", "标签8", "标签9", "标签10", "标签11"};
        for (int n = 1; n <= 10; ++n)
            QTest::newRow(qPrintable(QString("slot %1").arg(n)))
                << n << QString::fromUtf8("选择框") + QString::number(n)
                << QString::fromUtf8("按钮") + QString::number(n + 2) << QString::fromUtf8(labels[n - 1]);
    }
    void rowsAreBuiltAsDesigned()
    {
        QFETCH(int, n);
        QFETCH(QString, box);
        QFETCH(QString, button);
        QFETCH(QString, label);
        FakeDesktopServices services;
        QWidget window;
        WatermarkSlots rows(services, &window);
        const int top = 38 + 35 * (n - 1);

        auto* check = find<QCheckBox>(window, box);
        QVERIFY(check);
        QCOMPARE(check->geometry(), QRect(258, top, 64, 24));
        QCOMPARE(check->text(), QString::fromUtf8("水印") + QString::number(n));
        QVERIFY(!check->isChecked());
        QCOMPARE(check->focusPolicy(), Qt::StrongFocus);

        auto* select = find<QPushButton>(window, button);
        QVERIFY(select);
        QCOMPARE(select->geometry(), QRect(474, top + 5, 32, 16));
        QCOMPARE(select->text(), QString::fromUtf8("…"));
        QVERIFY(select->isHidden());

        auto* path = find<zendavo::TextLabel>(window, label);
        QVERIFY(path);
        QCOMPARE(path->geometry(), QRect(314, top, 145, 24));
        QCOMPARE(path->text(), kPlaceholder);
        QCOMPARE(path->alignment(), Qt::AlignRight | Qt::AlignVCenter);
        QVERIFY(!path->wordWrap());
        QVERIFY(path->isHidden());
        QVERIFY(!path->isEnabled());
        QCOMPARE(path->focusPolicy(), Qt::NoFocus);

        QCOMPARE(rows.slotAt(n).checkBox(), check);
        QCOMPARE(rows.slotAt(n).pathLabel(), path);
    }

    // Ticking row 3 shows 按钮5 and 标签4; unticking hides both; other rows stay as they were.
    void tickingShowsAndHidesTheRow()
    {
        FakeDesktopServices services;
        QWidget window;
        WatermarkSlots rows(services, &window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* box = find<QCheckBox>(window, QString::fromUtf8("选择框3"));
        auto* button = find<QPushButton>(window, QString::fromUtf8("按钮5"));
        auto* label = find<zendavo::TextLabel>(window, QString::fromUtf8("标签4"));

        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(box->isChecked());
        QVERIFY(button->isVisible());
        QVERIFY(label->isVisible());
        QCOMPARE(label->text(), kPlaceholder);
        QVERIFY(!find<QPushButton>(window, QString::fromUtf8("按钮4"))->isVisible());

        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(!box->isChecked());
        QVERIFY(!button->isVisible());
        QVERIFY(!label->isVisible());
    }

    void chosenFileBecomesTheCaptionAndThePresetOfTheNext()
    {
        FakeDesktopServices services;
        QWidget window;
        WatermarkSlots rows(services, &window);
        rows.setInitialFolder("/opt/zendavo");
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mouseClick(rows.slotAt(1).checkBox(), Qt::LeftButton);
        QTest::mouseClick(rows.slotAt(2).checkBox(), Qt::LeftButton);

        services.fileAnswers.push_back(QString("/w/logo & co.png"));
        QTest::mouseClick(rows.slotAt(1).selectButton(), Qt::LeftButton);
        QCOMPARE(rows.slotAt(1).caption(), QString("/w/logo & co.png"));
        QCOMPARE(services.fileRequests.size(), std::size_t{1});
        QCOMPARE(services.fileRequests[0].initialFolder, QString("/opt/zendavo"));
        QCOMPARE(services.fileRequests[0].presetFile, QString());

        // Row 2's dialog starts with row 1's choice; cancelling it keeps row 2's placeholder.
        QTest::mouseClick(rows.slotAt(2).selectButton(), Qt::LeftButton);
        QCOMPARE(services.fileRequests.size(), std::size_t{2});
        QCOMPARE(services.fileRequests[1].presetFile, QString("/w/logo & co.png"));
        QCOMPARE(services.fileRequests[1].initialFolder, QString("/opt/zendavo"));
        QCOMPARE(rows.slotAt(2).caption(), kPlaceholder);
        QCOMPARE(rows.storedFile(), QString("/w/logo & co.png"));
    }

    void cancelKeepsAnEarlierChoice()
    {
        FakeDesktopServices services;
        QWidget window;
        WatermarkSlots rows(services, &window);
        services.fileAnswers = {QString("/w/first.png"), QString()};
        rows.chooseSlotPicture(4);
        rows.chooseSlotPicture(4);
        QCOMPARE(rows.slotAt(4).caption(), QString("/w/first.png"));
        QCOMPARE(services.fileRequests.back().presetFile, QString("/w/first.png"));
    }

    void pathSurvivesUntickingAndReticking()
    {
        FakeDesktopServices services;
        QWidget window;
        WatermarkSlots rows(services, &window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCheckBox* box = rows.slotAt(1).checkBox();
        QTest::mouseClick(box, Qt::LeftButton);
        services.fileAnswers.push_back(QString("/w/logo.png"));
        QTest::mouseClick(rows.slotAt(1).selectButton(), Qt::LeftButton);
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(!rows.slotAt(1).pathLabel()->isVisible());
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(rows.slotAt(1).pathLabel()->isVisible());
        QCOMPARE(rows.slotAt(1).pathLabel()->text(), QString("/w/logo.png"));
    }
};

QTEST_MAIN(WatermarkSlotsTest)
#include "watermark_slots_test.moc"
