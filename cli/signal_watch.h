// Turns SIGINT and SIGTERM into a stop request that the run sees between images, so that an
// interrupted run still finishes the file it is writing and removes its working copies.
#pragma once

#include <atomic>
#include <csignal>
#include <thread>

namespace zendavo {

class SignalWatch {
public:
    // Blocks the stop signals (INT, TERM, HUP, QUIT) in this thread, and so in every thread
    // started after it; a watcher thread waits for them. Make it before any other thread.
    SignalWatch();
    ~SignalWatch();
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

    const std::atomic<bool>& stopRequested() const { return stop_; }
    // The signal that arrived first, 0 when none did.
    int signal() const { return signal_; }

private:
    void watch();

    sigset_t signals_{};
    sigset_t previousMask_{};
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::atomic<int> signal_{0};
    std::thread watcher_;
};

}  // namespace zendavo
