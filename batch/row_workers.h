// A run's stages spread over worker threads. Every row goes through the stages one after
// another on one worker, as a one-photo-at-a-time pipeline would (so a row's working copy is
// used while it is fresh and can go at once), while the thread that called run() hears about
// the stages in order and, within a stage, about the rows in row order. That thread alone talks
// to the host, so what the user sees comes out in the same order however many workers run.
#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace zendavo {

// Thrown by a stage's work to give its row up: the row goes no further.
struct RowGivenUp {};

class RowWorkers {
public:
    struct Stages {
        int rows = 0;
        int count = 0;
        // On a worker: stage `stage` of `row`. May throw RowGivenUp.
        std::function<void(int row, int stage)> work;
        // Here, when the stage's reports begin (before the workers start, for stage 0).
        std::function<void(int stage)> begins;
        // Here, in order, once the row's stage is done.
        std::function<void(int row, int stage)> rowDone;
        // Polled here; once true no row starts, rows in progress finish the stage they are in.
        std::function<bool()> stopRequested;
    };

    // `threads` below 1 means one per core.
    explicit RowWorkers(int threads);

    // False when it stopped early. An exception escaping a stage's work stops the run and is
    // rethrown here after every worker has ended.
    bool run(const Stages& stages);

    // From a stage's work when it needs the run's own thread (a modal box): runs `call` there
    // and returns true. When that thread has not yet reached this row's stage the work is
    // broken off (by an exception this class catches) and done again from its start once it
    // has, so the work must have had no lasting effect before asking. False, without calling,
    // when the run is stopping and the row must be given up.
    bool onStageThread(int row, int stage, const std::function<void()>& call);

private:
    enum class State { Waiting, Done, Deferred, Ready, GivenUp };
    struct Request {
        const std::function<void()>* call = nullptr;
        enum class Answer { Pending, Served, Refused } answer = Answer::Pending;
    };
    struct Deferred {};

    State& state(int row, int stage) { return states_[static_cast<std::size_t>(stage * rows_ + row)]; }
    void work(const Stages& stages);
    void refuseRequests();
    bool wakesWorkers() const;

    int threads_;
    int rows_ = 0;
    std::mutex mutex_;
    std::condition_variable stageWakes_;   // a row's stage changed or a row asked for this thread
    std::condition_variable workersWake_;  // a request was answered, a row is ready, or the end
    std::vector<State> states_;            // by stage, then row
    std::vector<char> active_;             // per row: a worker is on it
    std::deque<std::pair<int, int>> ready_;  // deferred rows (row, stage) that may go on now
    std::map<std::pair<int, int>, Request*> requests_;
    std::pair<int, int> reporting_{-1, -1};  // (stage, row) being reported here
    std::pair<int, int> stopAt_{-1, -1};     // what was being reported when the stop came
    int nextRow_ = 0;
    int deferred_ = 0;  // rows waiting to go on
    bool stopping_ = false;
    bool closed_ = false;
    std::exception_ptr failure_;
};

}  // namespace zendavo
