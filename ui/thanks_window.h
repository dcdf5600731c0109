// "感谢支持": one built-in picture asking for support; no controls of its own.
#pragma once

#include <QDialog>

namespace zendavo {

class ThanksWindow : public QDialog {
    Q_OBJECT
public:
    explicit ThanksWindow(QWidget* parent = nullptr);
};

}  // namespace zendavo
