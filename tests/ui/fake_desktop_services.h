// A desktop that answers for the user: message boxes are recorded, the file dialog returns
// queued answers, shell calls are recorded, and each pump can run a hook of the test.
#pragma once

#include <QCoreApplication>
#include <QDialog>
#include <QString>

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop_services.h"

namespace zendavo::testing {

class FakeDesktopServices : public DesktopServices {
public:
    std::vector<QString> messages;
    std::vector<QString> sizeWarnings;
    std::vector<std::string> foldersOpened;
    std::vector<std::string> linksOpened;
    std::vector<OpenFileRequest> fileRequests;
    std::deque<QString> fileAnswers;  // a null text, or none left: the user cancels
    std::vector<QString> modalTitles;
    std::function<void(QDialog&)> onModal;  // runs instead of the modal loop
    std::function<void(int)> onPump;        // the pump's number, from 1
    int pumps = 0;
    std::filesystem::path folder = "/nonexistent/zendavo-test";

    void showMessage(const QString& text) override { messages.push_back(text); }
    void showSizeWarning(const QString& text) override { sizeWarnings.push_back(text); }
    void pumpMessages() override
    {
        ++pumps;
        if (onPump) onPump(pumps);
        QCoreApplication::processEvents();
    }
    void openFolder(const std::string& path) override { foldersOpened.push_back(path); }
    bool openLink(const std::string& link) override
    {
        linksOpened.push_back(link);
        return false;
    }
    std::optional<QString> chooseOpenFile(QWidget*, const OpenFileRequest& request) override
    {
        fileRequests.push_back(request);
        if (fileAnswers.empty()) return std::nullopt;
        const QString answer = fileAnswers.front();
        fileAnswers.pop_front();
        if (answer.isNull()) return std::nullopt;
        return answer;
    }
    int runModal(QDialog& dialog) override
    {
        modalTitles.push_back(dialog.windowTitle());
        if (onModal) onModal(dialog);
        return 0;
    }
    std::filesystem::path programFolder() const override { return folder; }
};

}  // namespace zendavo::testing
