// A margin box: centred text; from the keyboard only digits and "-", whatever modifier is held
// (editing keys and the copy, cut, paste, undo, redo and select-all shortcuts still work, so
// pasted text may be anything).
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
