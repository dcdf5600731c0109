// A margin box: centred text; from the keyboard only digits and "-" (editing keys and
// shortcuts such as paste still work, so pasted text may be anything).
#pragma once

#include <QLineEdit>

namespace zendavo {

class MarginEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit MarginEdit(const QString& text, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace zendavo
