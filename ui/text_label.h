// A label that paints its own text: plain text only (no markup, no "&" shortcuts), its own
// colour whether enabled or not, its alignment; a left press emits pressed().
#pragma once

#include <QColor>
#include <QLabel>

namespace zendavo {

class TextLabel : public QLabel {
    Q_OBJECT
public:
    explicit TextLabel(const QString& text, QWidget* parent = nullptr);

    QColor textColour() const { return colour_; }
    void setTextColour(const QColor& colour);
    void setBackground(const QColor& colour);

signals:
    void pressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QColor colour_ = Qt::black;
};

// Makes the label's font smaller, a quarter point at a time, until its one-line text fits its
// width (never below 6 points), for fixed labels whose text is wider than the desktop's font allows.
void fitTextToWidth(TextLabel& label);

// The 12-pixel underlined font of the two link labels.
QFont linkFont();

}  // namespace zendavo
