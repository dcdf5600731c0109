// The thanks window and the pictures built into the program.
#include <QFile>
#include <QLabel>
#include <QTest>

#include "support/bmp_fixture.h"
#include "ui/builtin_pictures.h"
#include "ui/thanks_window.h"

namespace {

QByteArray resource(const char* name)
{
    QFile file(QString::fromUtf8(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The first start-of-frame marker of a JPEG: its kind, height, width and components.
struct Frame {
    int marker = 0, height = 0, width = 0, components = 0;
};

Frame firstFrame(const QByteArray& jpeg)
{
    int at = 2;
    while (at + 9 < jpeg.size() && static_cast<unsigned char>(jpeg[at]) == 0xFF) {
        const int marker = static_cast<unsigned char>(jpeg[at + 1]);
        const int length = static_cast<unsigned char>(jpeg[at + 2]) << 8 | static_cast<unsigned char>(jpeg[at + 3]);
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            const auto u = [&](int k) { return static_cast<int>(static_cast<unsigned char>(jpeg[at + k])); };
            return {marker, u(5) << 8 | u(6), u(7) << 8 | u(8), u(9)};
        }
        at += 2 + length;
    }
    return {};
}

}  // namespace

class ThanksWindowTest : public QObject {
    Q_OBJECT
private slots:
    void windowShowsThePictureWhole()
    {
        zendavo::ThanksWindow window;
        QCOMPARE(window.windowTitle(), QString::fromUtf8("感谢支持"));
        QCOMPARE(window.size(), QSize(650, 400));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(!window.windowIcon().isNull());
        auto* box = window.findChild<QLabel*>(QString::fromUtf8("图片框1"));
        QVERIFY(box);
        QCOMPARE(box->geometry(), QRect(0, 0, 650, 400));
        const QImage shown = box->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown, zendavo::thanksPicture().convertToFormat(QImage::Format_RGB32));
    }

    void thanksPictureIsABaselineJpegOfThreeComponents()
    {
        const QByteArray jpeg = resource(":/zendavo/thanks.jpg");
        QVERIFY(jpeg.startsWith("\xFF\xD8"));
        const Frame frame = firstFrame(jpeg);
        QCOMPARE(frame.marker, 0xC0);
        QCOMPARE(frame.width, 650);
        QCOMPARE(frame.height, 400);
        QCOMPARE(frame.components, 3);
        QCOMPARE(zendavo::thanksPicture().size(), QSize(650, 400));
    }

    void samplesAre24BitBitmapsOfTheirSizes_data()
    {
        QTest::addColumn<bool>("watermark");
        QTest::addColumn<QSize>("size");
        QTest::newRow("sample photo") << false << QSize(650, 450);
        QTest::newRow("sample watermark") << true << QSize(131, 47);
    }
    void samplesAre24BitBitmapsOfTheirSizes()
    {
        QFETCH(bool, watermark);
        QFETCH(QSize, size);
        const zendavo::BmpBuffer bmp = watermark ? zendavo::sampleWatermark() : zendavo::samplePhoto();
        const zendavo::BmpInfo info = zendavo::readBmpInfo(bmp.view());
        QVERIFY(zendavo::isUsableBitmap(info, bmp.size()));
        QCOMPARE(int(info.bitCount), 24);
        QCOMPARE(QSize(info.width, info.height), size);
    }

    // Dark lettering on pure white: the border is white, the middle has dark pixels.
    void watermarkIsDarkLetteringOnWhite()
    {
        const QImage mark = zendavo::imageOfBmp(zendavo::sampleWatermark());
        int dark = 0;
        for (int y = 0; y < mark.height(); ++y)
            for (int x = 0; x < mark.width(); ++x) {
                const QRgb p = mark.pixel(x, y);
                if (x == 0 || y == 0 || x == mark.width() - 1 || y == mark.height() - 1)
                    QCOMPARE(p & 0xFFFFFF, QRgb(0xFFFFFF));
                if (qGray(p) < 100) ++dark;
            }
        QVERIFY(dark > 150);
    }

    void iconIs128PixelsWithAlpha()
    {
        const QImage icon(QStringLiteral(":/zendavo/zendavo.png"));
        QCOMPARE(icon.size(), QSize(128, 128));
        QVERIFY(icon.hasAlphaChannel());
        QCOMPARE(icon.depth(), 32);
        QVERIFY(!zendavo::programIcon().isNull());
    }

    // Rows bottom-up and blue, green, red in the file become a picture the right way round.
    void bitmapBecomesAPictureTheRightWayRound()
    {
        using zendavo::testing::Rgb;
        const zendavo::BmpBuffer bmp = zendavo::testing::makeBmp(5, 3, [](int c, int r) {
            return Rgb{static_cast<std::uint8_t>(10 * c), static_cast<std::uint8_t>(50 * r), 200};
        });
        const QImage image = zendavo::imageOfBmp(bmp);
        QCOMPARE(image.size(), QSize(5, 3));
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 5; ++c) QCOMPARE(image.pixel(c, r), qRgb(10 * c, 50 * r, 200));
        QVERIFY(zendavo::imageOfBmp(zendavo::BmpBuffer{}).isNull());
        zendavo::BmpBuffer cut = bmp;
        cut.bytes.resize(60);
        QVERIFY(zendavo::imageOfBmp(cut).isNull());
    }
};

QTEST_MAIN(ThanksWindowTest)
#include "thanks_window_test.moc"
