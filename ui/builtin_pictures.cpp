#include "ui/builtin_pictures.h"

#include <QFile>

namespace zendavo {

namespace {

BmpBuffer resourceBytes(const char* name)
{
    QFile file(QString::fromUtf8(name));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray data = file.readAll();
    return BmpBuffer{std::vector<std::uint8_t>(data.begin(), data.end())};
}

}  // namespace

BmpBuffer samplePhoto()
{
    return resourceBytes(":/zendavo/sample_photo.bmp");
}

BmpBuffer sampleWatermark()
{
    return resourceBytes(":/zendavo/sample_watermark.bmp");
}

QImage thanksPicture()
{
    return QImage(QStringLiteral(":/zendavo/thanks.jpg"), "JPEG");
}

QIcon programIcon()
{
    return QIcon(QStringLiteral(":/zendavo/zendavo.png"));
}

QImage imageOfBmp(const BmpBuffer& bmp)
{
    const BmpInfo info = readBmpInfo(bmp.view());
    if (!isUsableBitmap(info, bmp.size()) || info.width <= 0 || info.height <= 0) return {};
    QImage image(info.width, info.height, QImage::Format_RGB888);
    for (int r = 0; r < info.height; ++r) {
        uchar* line = image.scanLine(r);
        for (int c = 0; c < info.width; ++c) {
            const auto at = static_cast<std::size_t>(pixelIndex(info, c, r));
            line[3 * c] = bmp.bytes[at + 2];
            line[3 * c + 1] = bmp.bytes[at + 1];
            line[3 * c + 2] = bmp.bytes[at];
        }
    }
    return image;
}

}  // namespace zendavo
