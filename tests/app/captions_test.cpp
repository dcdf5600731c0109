// Every caption of every window shows whole with the fonts at hand: each text is measured with
// its control's own font against the room the control's style gives it.
#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include "app/main_window.h"
#include "fake_desktop_services.h"
#include "ui/settings_window.h"
#include "ui/thanks_window.h"
#include "ui/watermark_slot.h"
#include "ui/watermark_slots.h"

namespace {

using zendavo::MainWindow;
using zendavo::WatermarkSettings;

// The room a control's text has, or an empty rectangle when the control shows no text.
QRect textRoom(QWidget& control)
{
    if (auto* button = qobject_cast<QAbstractButton*>(&control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        QStyle::SubElement element = QStyle::SE_PushButtonContents;
        if (qobject_cast<QCheckBox*>(button)) element = QStyle::SE_CheckBoxContents;
        if (qobject_cast<QRadioButton*>(button)) element = QStyle::SE_RadioButtonContents;
        return button->style()->subElementRect(element, &option, button);
    }
    if (auto* label = qobject_cast<QLabel*>(&control)) return label->contentsRect();
    return {};
}

QString textOf(QWidget& control)
{
    if (auto* button = qobject_cast<QAbstractButton*>(&control)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(&control)) return label->text();
    return {};
}

// "" when every caption of `window` fits; otherwise one line per caption that does not.
QString captionsCut(QWidget& window, const QStringList& skipped = {})
{
    QString cut;
    for (QWidget* control : window.findChildren<QWidget*>()) {
        const QString text = textOf(*control);
        if (text.isEmpty() || skipped.contains(control->objectName())) continue;
        const QRect room = textRoom(*control);
        const QFontMetrics metrics(control->font());
        auto* label = qobject_cast<QLabel*>(control);
        const int flags = label && label->wordWrap() ? int(Qt::TextWordWrap) : int(Qt::TextSingleLine);
        const QRect needed = metrics.boundingRect(QRect(0, 0, room.width(), 10000), flags, text);
        if (needed.width() > room.width() || needed.height() > room.height())
            cut += QStringLiteral("%1 \"%2\": needs %3 x %4, has %5 x %6\n")
                       .arg(control->objectName(), text)
                       .arg(needed.width())
                       .arg(needed.height())
                       .arg(room.width())
                       .arg(room.height());
    }
    return cut;
}

}  // namespace

class CaptionsTest : public QObject {
    Q_OBJECT
private slots:
    void mainWindowCaptionsFit()
    {
        zendavo::testing::FakeDesktopServices services;
        WatermarkSettings settings;
        MainWindow window(settings, services, zendavo::UpdateServerConfig{});
        for (int slot = 1; slot <= zendavo::kSlotRows; ++slot) {
            QTest::mouseClick(window.watermarkSlots().slotAt(slot).checkBox(), Qt::LeftButton);
            QCOMPARE(window.watermarkSlots().slotAt(slot).caption(), QString::fromUtf8(zendavo::kPicturePlaceholder));
        }
        const QString cut = captionsCut(window);
        QVERIFY2(cut.isEmpty(), qPrintable(cut));
        // The status texts of a run fit the status line.
        for (const char* status : {"源文件预处理...", "水印10制作中...", "已全部制作完成", "已完成，有1000个文件失败"}) {
            window.setStatusText(status);
            window.useStatusLook();
            const QString cutStatus = captionsCut(window);
            QVERIFY2(cutStatus.isEmpty(), qPrintable(cutStatus));
        }
    }

    void settingsWindowCaptionsFit()
    {
        WatermarkSettings settings;
        zendavo::SettingsWindow window(settings);
        const QString cut = captionsCut(window);
        QVERIFY2(cut.isEmpty(), qPrintable(cut));
    }

    void thanksWindowCaptionsFit()
    {
        zendavo::ThanksWindow window;
        const QString cut = captionsCut(window);
        QVERIFY2(cut.isEmpty(), qPrintable(cut));
    }
};

QTEST_MAIN(CaptionsTest)
#include "captions_test.moc"
