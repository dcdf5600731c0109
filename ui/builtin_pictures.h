// The pictures carried inside the program: the two samples of the settings window, the thanks
// picture and the program's icon.
#pragma once

#include <QIcon>
#include <QImage>

#include "imaging/bmp_buffer.h"

namespace zendavo {

BmpBuffer samplePhoto();      // 24-bit, 650 x 450
BmpBuffer sampleWatermark();  // 24-bit, 131 x 47, dark lettering on white
QImage thanksPicture();       // 650 x 400
QIcon programIcon();          // 128 x 128

// A 24-bit BMP held in memory as a picture to show; a null image when it is not one.
QImage imageOfBmp(const BmpBuffer& bmp);

}  // namespace zendavo
