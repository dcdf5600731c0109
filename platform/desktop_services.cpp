// The Qt side of the desktop: message boxes, QFileDialog, processEvents, QDesktopServices.
#include "platform/desktop_services.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

#include "update/update_check.h"

namespace zendavo {

namespace {

void showBox(const QString& text, QMessageBox::Icon icon)
{
    QMessageBox box(icon, QString::fromUtf8(kMessageTitle), text, QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

}  // namespace

void DesktopServices::showMessage(const QString& text)
{
    showBox(text, QMessageBox::NoIcon);
}

void DesktopServices::showSizeWarning(const QString& text)
{
    showBox(text, QMessageBox::Warning);
}

void DesktopServices::pumpMessages()
{
    QCoreApplication::processEvents();
}

void DesktopServices::openFolder(const std::string& folder)
{
    if (folder.empty()) return;
    QDesktopServices::openUrl(QUrl::fromLocalFile(pathToText(folder)));
}

bool DesktopServices::openLink(const std::string& link)
{
    if (!isOpenableLink(link)) return false;
    const QUrl url(QString::fromUtf8(link), QUrl::StrictMode);
    // The allow-list reads the text; Qt's parse must agree before anything is launched.
    if (!url.isValid() || url.host().isEmpty()) return false;
    const QString scheme = url.scheme().toLower();
    if (scheme != "http" && scheme != "https") return false;
    QDesktopServices::openUrl(url);
    return true;
}

std::optional<QString> DesktopServices::chooseOpenFile(QWidget* parent, const OpenFileRequest& request)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, true);
    dialog.setNameFilter(QString::fromUtf8(kPictureFilter));
    dialog.setDirectory(request.initialFolder);
    if (!request.presetFile.isEmpty()) dialog.selectFile(request.presetFile);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return files.front();
}

int DesktopServices::runModal(QDialog& dialog)
{
    dialog.setWindowModality(Qt::ApplicationModal);
    return dialog.exec();
}

std::filesystem::path DesktopServices::programFolder() const
{
    return std::filesystem::path(textToPath(QCoreApplication::applicationDirPath()));
}

QString pathToText(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string textToPath(const QString& text)
{
    return QFile::encodeName(text).toStdString();
}

}  // namespace zendavo
