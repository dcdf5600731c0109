// The ten watermark rows and the one file dialog they share, which remembers the last choice.
#pragma once

#include <QObject>
#include <QString>

#include <array>

class QWidget;

namespace zendavo {

class DesktopServices;
class WatermarkSlot;

class WatermarkSlots : public QObject {
    Q_OBJECT
public:
    WatermarkSlots(DesktopServices& services, QWidget* window);

    // Slot 1 to 10.
    WatermarkSlot& slotAt(int number) const;

    void setInitialFolder(const QString& folder) { initialFolder_ = folder; }
    QString initialFolder() const { return initialFolder_; }
    QString storedFile() const { return storedFile_; }

    // Every row's check box and "…" button take clicks or not.
    void setChangesAllowed(bool allowed);

    // Opens the dialog for slot `number`; a confirmed file becomes its caption.
    void chooseSlotPicture(int number);

private:
    DesktopServices& services_;
    QWidget* window_;
    std::array<WatermarkSlot*, 10> slots_{};
    QString initialFolder_;
    QString storedFile_;
};

}  // namespace zendavo
