// Painted labels: plain text exactly as given, the end of a long right-aligned path visible,
// their own colour even when disabled, and the press signal.
#include <QSignalSpy>
#include <QTest>

#include "ui/text_label.h"

using zendavo::TextLabel;

namespace {

// Columns holding at least one pixel darker than the background.
struct Ink {
    int left = -1;
    int right = -1;
    int darkest = 255;
};

Ink inkOf(QWidget& widget)
{
    const QImage image = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    Ink ink;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            const int grey = qGray(image.pixel(x, y));
            ink.darkest = std::min(ink.darkest, grey);
            if (grey < 160) {
                if (ink.left < 0) ink.left = x;
                ink.right = x;
            }
        }
    }
    return ink;
}

TextLabel* pathLabel(const QString& text, QWidget* parent)
{
    auto* label = new TextLabel(text, parent);
    label->setGeometry(0, 0, 145, 24);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setBackground(Qt::white);
    return label;
}

}  // namespace

class TextLabelTest : public QObject {
    Q_OBJECT
private slots:
    // Right-aligned on one line: a path wider than the label shows its end and overflows left.
    void longPathShowsItsEnd()
    {
        QWidget window;
        TextLabel* label =
            pathLabel(QString("/home/someone/Pictures/very/long/folder/names/here/logo.png"), &window);
        const QFontMetrics metrics(label->font());
        QVERIFY(metrics.horizontalAdvance(label->text()) > 2 * label->width());
        const Ink ink = inkOf(*label);
        QVERIFY2(ink.right >= label->width() - 6, "the end of the text reaches the right edge");
        QVERIFY2(ink.left <= 2, "the text is cut at the left edge");
    }

    void shortPathSitsAtTheRight()
    {
        QWidget window;
        TextLabel* label = pathLabel(QString("/w/a.png"), &window);
        const Ink ink = inkOf(*label);
        QVERIFY(ink.right >= label->width() - 6);
        QVERIFY(ink.left > label->width() / 2);
    }

    // "&" is a character like any other, never the marker of an underlined shortcut.
    void ampersandIsShownAsItself()
    {
        QWidget window;
        TextLabel* with = new TextLabel(QString("W&W"), &window);
        TextLabel* without = new TextLabel(QString("WW"), &window);
        for (TextLabel* l : {with, without}) {
            l->setGeometry(0, 0, 200, 24);
            l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            l->setBackground(Qt::white);
        }
        const Ink a = inkOf(*with);
        const Ink b = inkOf(*without);
        const int ampersand = QFontMetrics(with->font()).horizontalAdvance(QChar('&'));
        QVERIFY(ampersand > 2);
        QVERIFY2(a.right - a.left >= b.right - b.left + ampersand - 2, "the & takes its own room");
        QCOMPARE(with->text(), QString("W&W"));
    }

    // A disabled path label is drawn in its black, not in the greyed disabled colour.
    void disabledLabelKeepsItsColour()
    {
        QWidget window;
        TextLabel* label = pathLabel(QString("/w/logo.png"), &window);
        label->setEnabled(false);
        QFont bold = label->font();
        bold.setPixelSize(20);
        bold.setBold(true);
        label->setFont(bold);
        QVERIFY(inkOf(*label).darkest < 40);
    }

    void markupIsNotInterpreted()
    {
        TextLabel label(QString("<b>x</b>"));
        QCOMPARE(label.textFormat(), Qt::PlainText);
        QCOMPARE(label.text(), QString("<b>x</b>"));
    }

    void leftPressEmitsPressed_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("presses");
        QTest::newRow("left") << int(Qt::LeftButton) << 1;
        QTest::newRow("right") << int(Qt::RightButton) << 0;
        QTest::newRow("middle") << int(Qt::MiddleButton) << 0;
    }
    void leftPressEmitsPressed()
    {
        QFETCH(int, button);
        QFETCH(int, presses);
        TextLabel label(QString("link"));
        label.resize(100, 20);
        QSignalSpy spy(&label, &TextLabel::pressed);
        QTest::mousePress(&label, Qt::MouseButton(button), Qt::NoModifier, QPoint(10, 10));
        QCOMPARE(spy.count(), presses);
        QTest::mouseRelease(&label, Qt::MouseButton(button), Qt::NoModifier, QPoint(10, 10));
        QCOMPARE(spy.count(), presses);
    }

    void linkFontIsTwelvePixelsUnderlined()
    {
        const QFont font = zendavo::linkFont();
        QCOMPARE(font.pixelSize(), 12);
        QVERIFY(font.underline());
        QVERIFY(!font.italic());
        QCOMPARE(font.weight(), QFont::Normal);
    }
};

QTEST_MAIN(TextLabelTest)
#include "text_label_test.moc"
