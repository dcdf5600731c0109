// zendavo-screenshots FOLDER: renders the windows offscreen into FOLDER as main-window.png (rows
// and two ticked slots), main-window-empty.png, settings-window.png and thanks-window.png.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QPixmap>

#include <cstdio>

#include "app/main_window.h"
#include "platform/desktop_services.h"
#include "ui/settings_window.h"
#include "ui/source_list.h"
#include "ui/thanks_window.h"
#include "ui/watermark_slot.h"
#include "ui/watermark_slots.h"

namespace {

// Nothing is opened or asked while rendering.
class QuietServices : public zendavo::DesktopServices {
public:
    void showMessage(const QString&) override {}
    void showSizeWarning(const QString&) override {}
    void openFolder(const std::string&) override {}
    bool openLink(const std::string&) override { return false; }
    std::filesystem::path programFolder() const override { return "/opt/zendavo"; }
};

bool save(QWidget& window, const QString& path)
{
    window.show();
    QApplication::processEvents();
    const bool ok = window.grab().save(path, "PNG");
    if (!ok) std::fprintf(stderr, "zendavo-screenshots: cannot write %s\n", qPrintable(path));
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zendavo-screenshots FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    const int font = QFontDatabase::addApplicationFont(
        QStringLiteral("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"));
    if (font >= 0) QApplication::setFont(QFont(QFontDatabase::applicationFontFamilies(font).value(0), 9));

    QuietServices services;
    zendavo::WatermarkSettings settings;
    bool ok = true;
    {
        zendavo::MainWindow empty(settings, services, zendavo::UpdateServerConfig{});
        ok = save(empty, folder + "/main-window-empty.png") && ok;
    }
    {
        zendavo::MainWindow window(settings, services, zendavo::UpdateServerConfig{});
        window.acceptDroppedFiles({"/home/you/Pictures/trip/beach.jpg", "/home/you/Pictures/trip/harbour.JPG",
                                   "/home/you/Pictures/trip/hills.png", "/home/you/Pictures/trip/market.jpg",
                                   "/home/you/Pictures/trip/sunset.png"});
        zendavo::WatermarkSlots& rows = window.watermarkSlots();
        rows.slotAt(1).checkBox()->click();
        rows.slotAt(1).setCaption(QStringLiteral("/home/you/Pictures/marks/logo.png"));
        rows.slotAt(3).checkBox()->click();
        rows.slotAt(3).setCaption(QStringLiteral("/home/you/Pictures/marks/signature.bmp"));
        ok = save(window, folder + "/main-window.png") && ok;
    }
    {
        zendavo::SettingsWindow window(settings);
        window.preview();
        ok = save(window, folder + "/settings-window.png") && ok;
    }
    {
        zendavo::ThanksWindow window;
        ok = save(window, folder + "/thanks-window.png") && ok;
    }
    return ok ? 0 : 1;
}
