// zendavo: the desktop program. One settings record for the whole run, one main window.
#include <QApplication>
#include <QDir>

#include <cstdio>
#include <cstdlib>

#include "app/main_window.h"
#include "batch/allocator_tuning.h"
#include "imaging/watermark_settings.h"
#include "platform/desktop_services.h"
#include "ui/builtin_pictures.h"
#include "update/update_check.h"

namespace {

// Without a display Qt would end in a toolkit error; say what is missing instead.
bool displayAvailable()
{
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv)
{
    if (!displayAvailable()) {
        std::fprintf(stderr, "zendavo: no display found; start it in a desktop session "
                             "(or over ssh -X), or use zendavo-cli\n");
        return 3;
    }
    zendavo::keepLargeBuffersInTheHeap();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zendavo"));
    QApplication::setDesktopFileName(QStringLiteral("zendavo"));
    QApplication::setWindowIcon(zendavo::programIcon());

    zendavo::DesktopServices services;
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    zendavo::WatermarkSettings settings;
    zendavo::MainWindow window(settings, services, zendavo::buildTimeUpdateServer());
    window.show();
    return QApplication::exec();
}
