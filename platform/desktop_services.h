// The desktop around the windows: message boxes, the open-file dialog, the event pump, the
// shell and the program's folder. Windows receive it by reference so tests can answer dialogs.
#pragma once

#include <QString>

#include <filesystem>
#include <optional>
#include <string>

class QDialog;
class QWidget;

namespace zendavo {

// The one filter of the watermark pictures' file dialog.
inline constexpr const char* kPictureFilter =
    "图片文件（*.bmp;*.jpg;*.png）(*.bmp *.jpg *.png *.JPG *.PNG *.JPEG *.jpeg)";

// Caption of every message box of the program.
inline constexpr const char* kMessageTitle = "信息：";

struct OpenFileRequest {
    QString initialFolder;
    QString presetFile;  // the file name field starts with it; empty for none
};

class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    // Application-modal box titled "信息：", the text, an OK button; returns when dismissed.
    virtual void showMessage(const QString& text);
    // The same with a warning icon.
    virtual void showSizeWarning(const QString& text);
    // Handles every pending event, then returns.
    virtual void pumpMessages();
    // Opens a local folder (path bytes) in the file manager; an empty path opens nothing.
    virtual void openFolder(const std::string& folder);
    // Opens an http or https link in the browser; anything else opens nothing. True if asked.
    virtual bool openLink(const std::string& link);
    // An existing file chosen by the user, or nothing when cancelled.
    virtual std::optional<QString> chooseOpenFile(QWidget* parent, const OpenFileRequest& request);
    // Runs a window modally until it is closed.
    virtual int runModal(QDialog& dialog);
    // The folder of the running executable.
    virtual std::filesystem::path programFolder() const;
};

// Path bytes to the text Qt shows and back, without loss for any UTF-8 path.
QString pathToText(const std::string& path);
std::string textToPath(const QString& text);

}  // namespace zendavo
