#include "ui/thanks_window.h"

#include <QLabel>

#include "ui/builtin_pictures.h"
#include "ui/window_frame.h"

namespace zendavo {

ThanksWindow::ThanksWindow(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8("感谢支持"));
    setWindowIcon(programIcon());
    makeFixedWindow(*this, QSize(650, 400), QSize(650, 429));

    auto* picture = new QLabel(this);
    picture->setObjectName(QString::fromUtf8("图片框1"));
    picture->setGeometry(0, 0, 650, 400);
    picture->setFrameShape(QFrame::NoFrame);
    picture->setPixmap(QPixmap::fromImage(thanksPicture()));
}

}  // namespace zendavo
