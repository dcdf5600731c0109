#include "ui/text_label.h"

#include <QFontMetrics>
#include <QMouseEvent>

#include <algorithm>
#include <QPainter>

namespace zendavo {

TextLabel::TextLabel(const QString& text, QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setText(text);
}

void TextLabel::setTextColour(const QColor& colour)
{
    colour_ = colour;
    update();
}

void TextLabel::setBackground(const QColor& colour)
{
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    setPalette(p);
    setAutoFillBackground(true);
}

void TextLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(colour_);
    painter.setFont(font());
    int flags = static_cast<int>(alignment());
    flags |= wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine;
    // No clipping: text wider than the label overflows on the side away from its alignment.
    painter.drawText(contentsRect(), flags, text());
}

void TextLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        event->accept();
        emit pressed();
        return;
    }
    QLabel::mousePressEvent(event);
}

void fitTextToWidth(TextLabel& label)
{
    QFont font = label.font();
    const int room = label.contentsRect().width();
    constexpr double kSmallest = 6;
    while (QFontMetrics(font).horizontalAdvance(label.text()) > room && font.pointSizeF() > kSmallest)
        font.setPointSizeF(std::max(kSmallest, font.pointSizeF() - 0.25));
    label.setFont(font);
}

QFont linkFont()
{
    QFont font;
    font.setPixelSize(12);
    font.setWeight(QFont::Normal);
    font.setUnderline(true);
    font.setItalic(false);
    return font;
}

}  // namespace zendavo
