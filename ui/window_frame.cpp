#include "ui/window_frame.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace zendavo {

void makeFixedWindow(QWidget& window, QSize clientSize, QSize outerSize)
{
    const Qt::WindowFlags type = window.windowFlags() & Qt::WindowType_Mask;
    window.setWindowFlags(type | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint);
    window.setFixedSize(clientSize);
    centreOnScreen(window, outerSize);
}

void centreOnScreen(QWidget& window, QSize outerSize)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect whole = screen->geometry();
    window.move(whole.left() + (whole.width() - outerSize.width()) / 2,
                whole.top() + (whole.height() - outerSize.height()) / 2);
}

}  // namespace zendavo
