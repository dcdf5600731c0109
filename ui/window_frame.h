// Top-level windows of fixed size: caption, system menu, minimize and close, no maximize;
// centred on the screen.
#pragma once

#include <QSize>

class QWidget;

namespace zendavo {

// outerSize is the window with its caption and frame, which is what gets centred: a top-level
// window's position is its frame's corner.
void makeFixedWindow(QWidget& window, QSize clientSize, QSize outerSize);
void centreOnScreen(QWidget& window, QSize outerSize);

}  // namespace zendavo
