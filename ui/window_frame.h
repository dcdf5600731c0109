// Top-level windows of fixed size: caption, system menu, minimize and close, no maximize;
// centred on the screen.
#pragma once

#include <QSize>

class QWidget;

namespace zendavo {

void makeFixedWindow(QWidget& window, QSize clientSize);
void centreOnScreen(QWidget& window);

}  // namespace zendavo
