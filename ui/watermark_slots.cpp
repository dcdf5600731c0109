#include "ui/watermark_slots.h"

#include <QWidget>

#include "platform/desktop_services.h"
#include "ui/watermark_slot.h"

namespace zendavo {

WatermarkSlots::WatermarkSlots(DesktopServices& services, QWidget* window)
    : QObject(window), services_(services), window_(window)
{
    for (int n = 1; n <= kSlotRows; ++n) {
        auto* slot = new WatermarkSlot(n, window);
        connect(slot, &WatermarkSlot::chooseRequested, this, &WatermarkSlots::chooseSlotPicture);
        slots_[static_cast<std::size_t>(n - 1)] = slot;
    }
}

WatermarkSlot& WatermarkSlots::slotAt(int number) const
{
    return *slots_.at(static_cast<std::size_t>(number - 1));
}

void WatermarkSlots::setChangesAllowed(bool allowed)
{
    for (WatermarkSlot* slot : slots_) slot->setChangesAllowed(allowed);
}

void WatermarkSlots::chooseSlotPicture(int number)
{
    const std::optional<QString> chosen =
        services_.chooseOpenFile(window_, OpenFileRequest{initialFolder_, storedFile_});
    if (!chosen || chosen->isEmpty()) return;
    storedFile_ = *chosen;
    slotAt(number).setCaption(*chosen);
}

}  // namespace zendavo
