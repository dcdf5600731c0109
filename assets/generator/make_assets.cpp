// Draws the program's built-in pictures: the sample photo and watermark of the settings window,
// the thanks picture and the icon. Deterministic: the same fonts give the same files.
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// Small deterministic noise, so the photo has texture without any random state.
double hashNoise(int x, int y)
{
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<double>((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

double smoothNoise(double x, double y)
{
    const int xi = static_cast<int>(std::floor(x));
    const int yi = static_cast<int>(std::floor(y));
    const double fx = x - xi, fy = y - yi;
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const double a = hashNoise(xi, yi), b = hashNoise(xi + 1, yi);
    const double c = hashNoise(xi, yi + 1), d = hashNoise(xi + 1, yi + 1);
    return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

double fractal(double x, double y)
{
    double sum = 0, amp = 0.5, freq = 1;
    for (int k = 0; k < 5; ++k, amp *= 0.5, freq *= 2) sum += amp * smoothNoise(x * freq, y * freq);
    return sum;
}

bool writeBmp24(const QImage& source, const char* path)
{
    const QImage img = source.convertToFormat(QImage::Format_RGB888);
    const int w = img.width(), h = img.height();
    const int stride = (3 * w + 3) / 4 * 4;
    const std::uint32_t size = 54 + static_cast<std::uint32_t>(stride * h);
    std::vector<unsigned char> out(size, 0);
    auto put = [&](int at, std::uint32_t v, int n) {
        for (int k = 0; k < n; ++k) out[at + k] = static_cast<unsigned char>(v >> (8 * k));
    };
    out[0] = 'B';
    out[1] = 'M';
    put(2, size, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(w), 4);
    put(22, static_cast<std::uint32_t>(h), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, static_cast<std::uint32_t>(stride * h), 4);
    put(38, 2835, 4);
    put(42, 2835, 4);
    for (int r = 0; r < h; ++r) {
        const uchar* line = img.constScanLine(r);
        unsigned char* row = out.data() + 54 + static_cast<std::size_t>(stride) * (h - 1 - r);
        for (int c = 0; c < w; ++c) {
            row[3 * c] = line[3 * c + 2];
            row[3 * c + 1] = line[3 * c + 1];
            row[3 * c + 2] = line[3 * c];
        }
    }
    QFile file(QString::fromUtf8(path));
    return file.open(QIODevice::WriteOnly) &&
           file.write(reinterpret_cast<const char*>(out.data()), size) == size;
}

int clampByte(double v)
{
    return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v);
}

// Sky, sun, three ranges of hills and a meadow, each with its own grain.
QImage samplePhoto()
{
    const int W = 650, H = 450;
    QImage img(W, H, QImage::Format_RGB888);
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const double t = static_cast<double>(y) / H;
            double r = 120 + 100 * t, g = 170 + 60 * t, b = 235 - 10 * t;
            const double cloud = fractal(x / 90.0, y / 40.0);
            if (cloud > 0.55 && y < 220) {
                const double k = std::min(1.0, (cloud - 0.55) * 4);
                r += (250 - r) * k; g += (250 - g) * k; b += (252 - b) * k;
            }
            const double sd = std::hypot(x - 520.0, y - 80.0);
            if (sd < 34) { r = 255; g = 244; b = 200; }
            else if (sd < 90) { const double k = (90 - sd) / 56 * 0.35; r += (255 - r) * k; g += (240 - g) * k; b += (200 - b) * k; }

            struct Range { double base, amp, freq, shift; int cr, cg, cb; };
            constexpr Range ranges[3] = {
                {220, 70, 1 / 160.0, 0, 110, 135, 165},
                {285, 55, 1 / 110.0, 40, 70, 125, 80},
                {350, 35, 1 / 80.0, 90, 85, 150, 60},
            };
            for (const Range& rg : ranges) {
                const double ridge = rg.base - rg.amp * fractal(x * rg.freq + rg.shift, rg.shift);
                if (y >= ridge) {
                    const double grain = fractal(x / 6.0 + rg.shift, y / 6.0) - 0.5;
                    const double shade = 1 - 0.25 * (y - ridge) / (H - ridge);
                    r = (rg.cr + 60 * grain) * shade;
                    g = (rg.cg + 70 * grain) * shade;
                    b = (rg.cb + 40 * grain) * shade;
                }
            }
            if (y > 395) {  // meadow in front, with flowers here and there
                const double grass = fractal(x / 3.0, y / 9.0);
                r = 60 + 60 * grass; g = 120 + 80 * grass; b = 40 + 30 * grass;
                if (hashNoise(x / 3, y / 3) > 0.992) { r = 250; g = 220; b = 90; }
            }
            uchar* p = img.scanLine(y) + 3 * x;
            p[0] = static_cast<uchar>(clampByte(r));
            p[1] = static_cast<uchar>(clampByte(g));
            p[2] = static_cast<uchar>(clampByte(b));
        }
    }
    return img;
}

QImage sampleWatermark()
{
    QImage img(131, 47, QImage::Format_RGB888);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(25);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(45, 45, 60));
    p.drawText(img.rect(), Qt::AlignCenter, QStringLiteral("Zendavo"));
    return img;
}

void drawCodePlaceholder(QPainter& p, QRect box, const QString& caption, QColor accent)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(box.adjusted(-12, -12, 12, 44), 10, 10);
    // A made-up pattern of squares in the place of a payment code.
    const int cells = 21, cell = box.width() / cells;
    p.setBrush(QColor(40, 40, 40));
    for (int cy = 0; cy < cells; ++cy)
        for (int cx = 0; cx < cells; ++cx) {
            const bool finder = (cx < 7 && cy < 7) || (cx >= cells - 7 && cy < 7) || (cx < 7 && cy >= cells - 7);
            bool on;
            if (finder) {
                const int fx = cx < 7 ? cx : cx - (cells - 7), fy = cy < 7 ? cy : cy - (cells - 7);
                on = fx == 0 || fx == 6 || fy == 0 || fy == 6 || (fx >= 2 && fx <= 4 && fy >= 2 && fy <= 4);
            } else {
                on = hashNoise(cx + caption.size() * 31, cy) > 0.5;
            }
            if (on) p.drawRect(box.left() + cx * cell, box.top() + cy * cell, cell, cell);
        }
    p.setPen(accent);
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(18);
    p.setFont(font);
    p.drawText(QRect(box.left() - 12, box.bottom() + 6, box.width() + 24, 30), Qt::AlignCenter, caption);
}

QImage thanksPicture()
{
    QImage img(650, 400, QImage::Format_RGB888);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient bg(0, 0, 0, 400);
    bg.setColorAt(0, QColor(255, 236, 214));
    bg.setColorAt(1, QColor(250, 205, 180));
    p.fillRect(img.rect(), bg);
    QFont title(QStringLiteral("WenQuanYi Micro Hei"));
    title.setPixelSize(30);
    p.setFont(title);
    p.setPen(QColor(170, 50, 40));
    p.drawText(QRect(0, 14, 650, 40), Qt::AlignCenter, QString::fromUtf8("感谢您使用 Zendavo！"));
    title.setPixelSize(18);
    p.setFont(title);
    p.setPen(QColor(120, 60, 50));
    p.drawText(QRect(0, 54, 650, 26), Qt::AlignCenter, QString::fromUtf8("您的支持是我最大的鼓励"));
    drawCodePlaceholder(p, QRect(110, 102, 189, 189), QString::fromUtf8("微信付款码（示意）"), QColor(30, 130, 60));
    drawCodePlaceholder(p, QRect(351, 102, 189, 189), QString::fromUtf8("支付宝付款码（示意）"), QColor(20, 90, 180));
    return img;
}

QImage programIcon()
{
    QImage img(128, 128, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient bg(0, 0, 128, 128);
    bg.setColorAt(0, QColor(60, 140, 220));
    bg.setColorAt(1, QColor(30, 70, 150));
    p.setPen(Qt::NoPen);
    p.setBrush(bg);
    p.drawRoundedRect(QRectF(6, 6, 116, 116), 24, 24);
    // A photo with hills, and a stamp over its corner.
    p.setBrush(QColor(250, 250, 245));
    p.drawRect(QRectF(24, 30, 80, 62));
    QPainterPath hills;
    hills.moveTo(28, 88);
    hills.cubicTo(45, 55, 60, 60, 72, 74);
    hills.cubicTo(82, 62, 92, 64, 100, 76);
    hills.lineTo(100, 88);
    hills.closeSubpath();
    p.setBrush(QColor(90, 170, 90));
    p.drawPath(hills);
    p.setBrush(QColor(250, 200, 70));
    p.drawEllipse(QPointF(84, 44), 7, 7);
    p.setBrush(QColor(230, 70, 60, 235));
    p.drawEllipse(QPointF(92, 94), 24, 24);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(30);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(68, 70, 48, 48), Qt::AlignCenter, QStringLiteral("Z"));
    return img;
}

bool writeWith(const QImage& img, const char* path, const char* format, int quality)
{
    QImageWriter writer(QString::fromUtf8(path), format);
    if (quality >= 0) writer.setQuality(quality);
    writer.setProgressiveScanWrite(false);
    writer.setOptimizedWrite(false);
    return writer.write(img);
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-assets OUTPUT_FOLDER\n");
        return 2;
    }
    QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"));
    const QByteArray dir = QByteArray(argv[1]) + "/";
    const bool ok = writeBmp24(samplePhoto(), (dir + "sample_photo.bmp").constData()) &&
                    writeBmp24(sampleWatermark(), (dir + "sample_watermark.bmp").constData()) &&
                    writeWith(thanksPicture(), (dir + "thanks.jpg").constData(), "jpeg", 85) &&
                    writeWith(programIcon(), (dir + "zendavo.png").constData(), "png", -1);
    if (!ok) std::fprintf(stderr, "make-assets: could not write into %s\n", argv[1]);
    return ok ? 0 : 1;
}
