#include "app/gui_thread_host.h"

#include <QMetaObject>

namespace zendavo {

GuiThreadHost::GuiThreadHost(BatchHost& target, QObject* context) : target_(target), context_(context) {}

void GuiThreadHost::cancel()
{
    const std::lock_guard lock(shared_->mutex);
    shared_->cancelled = true;
    shared_->answered.notify_all();
}

void GuiThreadHost::onGuiThread(const std::function<void()>& call) const
{
    // The call's state is shared with the queued function, which may run after a cancelled
    // wait has returned; it then does nothing.
    struct Pending {
        std::function<void()> call;
        bool done = false;
    };
    auto pending = std::make_shared<Pending>(Pending{call});
    {
        const std::lock_guard lock(shared_->mutex);
        if (shared_->cancelled) return;
    }
    QMetaObject::invokeMethod(
        context_,
        [shared = shared_, pending] {
            {
                const std::lock_guard lock(shared->mutex);
                if (shared->cancelled) return;
            }
            pending->call();
            const std::lock_guard lock(shared->mutex);
            pending->done = true;
            shared->answered.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(shared_->mutex);
    shared_->answered.wait(lock, [this, &pending] { return pending->done || shared_->cancelled; });
}

int GuiThreadHost::rowCount() const
{
    return ask<int>([this] { return target_.rowCount(); });
}

std::string GuiThreadHost::fileNameAt(int row) const
{
    return ask<std::string>([this, row] { return target_.fileNameAt(row); });
}

std::string GuiThreadHost::pathAt(int row) const
{
    return ask<std::string>([this, row] { return target_.pathAt(row); });
}

bool GuiThreadHost::slotChecked(int slot) const
{
    return ask<bool>([this, slot] { return target_.slotChecked(slot); });
}

std::optional<std::string> GuiThreadHost::slotPicture(int slot) const
{
    return ask<std::optional<std::string>>([this, slot] { return target_.slotPicture(slot); });
}

void GuiThreadHost::useStatusLook()
{
    onGuiThread([this] { target_.useStatusLook(); });
}

void GuiThreadHost::setStatusText(const std::string& text)
{
    onGuiThread([this, &text] { target_.setStatusText(text); });
}

void GuiThreadHost::setProgress(int percent)
{
    onGuiThread([this, percent] { target_.setProgress(percent); });
}

void GuiThreadHost::showMessage(const std::string& text)
{
    onGuiThread([this, &text] { target_.showMessage(text); });
}

void GuiThreadHost::showSizeWarning(const std::string& fileName)
{
    onGuiThread([this, &fileName] { target_.showSizeWarning(fileName); });
}

void GuiThreadHost::pumpMessages()
{
    onGuiThread([this] { target_.pumpMessages(); });
}

void GuiThreadHost::shellOpen(const std::string& folder)
{
    onGuiThread([this, &folder] { target_.shellOpen(folder); });
}

bool GuiThreadHost::stopRequested() const
{
    {
        const std::lock_guard lock(shared_->mutex);
        if (shared_->cancelled) return true;
    }
    return target_.stopRequested();
}

}  // namespace zendavo
