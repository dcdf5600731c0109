// One stage of a run spread over worker threads: every row's task runs on a worker, while the
// thread that started the stage hears about the rows strictly in row order. That thread alone
// talks to the host, so what the user sees comes out in the same order however many workers run.
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

namespace zendavo {

// Thrown by a task to give its row up (the stage is stopping); the row counts as not done.
struct RowGivenUp {};

class RowWorkers {
public:
    // `threads` below 1 means one per core.
    explicit RowWorkers(int threads);

    // For a task of `row`: runs `call` on the stage's own thread once every earlier row is done,
    // and returns true after it. False at once, without running it, when the stage is stopping
    // and `row` is not the one it was reporting when the stop came.
    bool onStageThread(int row, const std::function<void()>& call);

    // Runs task(row) for rows 0 .. rows-1 on workers and rowDone(row) here, in row order, as
    // the rows finish. `stopRequested` is polled here; once true no row starts, the rows in
    // progress finish (or give up when they need this thread), and run returns false after
    // every worker has ended. An exception escaping a task stops the stage and is rethrown.
    bool run(int rows, const std::function<void(int)>& task, const std::function<void(int)>& rowDone,
             const std::function<bool()>& stopRequested);

private:
    enum class RowState { Waiting, Running, Done, GivenUp };
    struct Request {
        const std::function<void()>* call = nullptr;
        enum class State { Pending, Served, Refused } state = State::Pending;
    };

    void work(int rows, const std::function<void(int)>& task);
    // Rows that wait for this thread and may no longer have it are refused.
    void refusePending(int servedRow);

    int threads_;
    std::mutex mutex_;
    std::condition_variable stageWakes_;   // a row finished or asked for this thread
    std::condition_variable workersWake_;  // a request was answered
    std::vector<RowState> states_;
    std::map<int, Request*> requests_;
    int nextRow_ = 0;
    bool stopping_ = false;
    int stopRow_ = -1;     // the row being reported when the stop came
    bool closed_ = false;  // no more requests are served
    std::exception_ptr failure_;
};

}  // namespace zendavo
