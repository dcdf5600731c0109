#include "cli/signal_watch.h"

#include <pthread.h>

#include <ctime>

namespace zendavo {

SignalWatch::SignalWatch()
{
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    sigaddset(&signals_, SIGHUP);  // the terminal closed or the ssh session dropped
    sigaddset(&signals_, SIGQUIT);
    pthread_sigmask(SIG_BLOCK, &signals_, &previousMask_);
    watcher_ = std::thread([this] { watch(); });
}

SignalWatch::~SignalWatch()
{
    done_ = true;
    watcher_.join();
    // Swallow whatever is still pending, so unblocking cannot kill us after a clean stop.
    const timespec now{0, 0};
    while (sigtimedwait(&signals_, nullptr, &now) > 0) {
    }
    pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
}

void SignalWatch::watch()
{
    const timespec tick{0, 50'000'000};
    while (!done_) {
        const int received = sigtimedwait(&signals_, nullptr, &tick);
        if (received <= 0) continue;
        int none = 0;
        signal_.compare_exchange_strong(none, received);
        stop_ = true;
    }
}

}  // namespace zendavo
