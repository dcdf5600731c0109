// A BatchHost for a run on a thread of its own: every call is carried out on the thread of
// `context` (the window's), and the run's thread waits for it, so message boxes stay modal and
// the window's controls are only ever touched by their own thread.
#pragma once

#include <QObject>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "batch/batch_host.h"

namespace zendavo {

class GuiThreadHost : public BatchHost {
public:
    // `target` lives on the thread of `context`; both outlive this object.
    GuiThreadHost(BatchHost& target, QObject* context);

    // From the window's thread, when it must not wait for the run (it is going away): pending
    // and later calls return at once without reaching the target. stopRequested() then says so.
    void cancel();

    int rowCount() const override;
    std::string fileNameAt(int row) const override;
    std::string pathAt(int row) const override;
    bool slotChecked(int slot) const override;
    std::optional<std::string> slotPicture(int slot) const override;
    void useStatusLook() override;
    void setStatusText(const std::string& text) override;
    void setProgress(int percent) override;
    void showMessage(const std::string& text) override;
    void showSizeWarning(const std::string& fileName) override;
    void pumpMessages() override;
    void shellOpen(const std::string& folder) override;
    bool stopRequested() const override;

private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable answered;
        bool cancelled = false;
    };

    // Runs `call` on the context's thread and waits until it has run or the host is cancelled.
    void onGuiThread(const std::function<void()>& call) const;

    template <typename T>
    T ask(const std::function<T()>& read) const
    {
        T value{};
        onGuiThread([&value, &read] { value = read(); });
        return value;
    }

    BatchHost& target_;
    QObject* context_;
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
};

}  // namespace zendavo
