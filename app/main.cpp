// zendavo: the desktop program. One settings record for the whole run, one main window.
#include <QApplication>
#include <QDir>

#include <cstdio>

#include "app/main_window.h"
#include "batch/allocator_tuning.h"
#include "imaging/watermark_settings.h"
#include "platform/desktop_services.h"
#include "platform/display_check.h"
#include "ui/builtin_pictures.h"
#include "update/update_check.h"

int main(int argc, char** argv)
{
    if (!zendavo::displayReachable()) {
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
