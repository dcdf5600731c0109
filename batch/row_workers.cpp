#include "batch/row_workers.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace zendavo {

namespace {

// How often the run looks at its stop flag while the workers are busy.
constexpr std::chrono::milliseconds kStopPoll{20};

}  // namespace

RowWorkers::RowWorkers(int threads)
    : threads_(threads >= 1 ? threads : std::max(1, static_cast<int>(std::thread::hardware_concurrency())))
{
}

bool RowWorkers::onStageThread(int row, int stage, const std::function<void()>& call)
{
    const std::pair<int, int> at{stage, row};
    std::unique_lock lock(mutex_);
    if (closed_ || (stopping_ && at != stopAt_)) return false;
    if (reporting_ != at) throw Deferred{};
    Request request{&call};
    requests_[at] = &request;
    stageWakes_.notify_all();
    workersWake_.wait(lock, [&request] { return request.answer != Request::Answer::Pending; });
    requests_.erase(at);
    return request.answer == Request::Answer::Served;
}

bool RowWorkers::wakesWorkers() const
{
    return stopping_ || !ready_.empty() || (nextRow_ >= rows_ && deferred_ == 0);
}

void RowWorkers::work(const Stages& stages)
{
    for (;;) {
        int row = 0;
        int first = 0;
        {
            std::unique_lock lock(mutex_);
            workersWake_.wait(lock, [this] { return wakesWorkers() || nextRow_ < rows_; });
            if (stopping_) return;
            if (!ready_.empty()) {
                std::tie(row, first) = ready_.front();
                ready_.pop_front();
                --deferred_;
            } else if (nextRow_ < rows_) {
                row = nextRow_++;
            } else {
                return;
            }
            active_[static_cast<std::size_t>(row)] = 1;
        }
        for (int stage = first; stage < stages.count; ++stage) {
            State end = State::Done;
            try {
                stages.work(row, stage);
            } catch (const Deferred&) {
                end = State::Deferred;
            } catch (const RowGivenUp&) {
                end = State::GivenUp;
            } catch (...) {
                end = State::GivenUp;
                const std::lock_guard lock(mutex_);
                if (!failure_) failure_ = std::current_exception();
                stopping_ = true;
            }
            const std::lock_guard lock(mutex_);
            state(row, stage) = end;
            if (end == State::Deferred) ++deferred_;
            // Let go of the row together with its state: once deferred it may be taken up by
            // another worker as soon as the lock is free, and must not be marked idle after.
            const bool leaves = end != State::Done || stopping_ || stage + 1 == stages.count;
            if (leaves) active_[static_cast<std::size_t>(row)] = 0;
            stageWakes_.notify_all();
            if (leaves) {
                workersWake_.notify_all();
                break;
            }
        }
    }
}

void RowWorkers::refuseRequests()
{
    for (auto& [at, request] : requests_)
        if (at != stopAt_ && request->answer == Request::Answer::Pending) request->answer = Request::Answer::Refused;
    workersWake_.notify_all();
}

bool RowWorkers::run(const Stages& stages)
{
    {
        const std::lock_guard lock(mutex_);
        rows_ = std::max(stages.rows, 0);
        states_.assign(static_cast<std::size_t>(rows_ * std::max(stages.count, 0)), State::Waiting);
        active_.assign(static_cast<std::size_t>(rows_), 0);
        ready_.clear();
        requests_.clear();
        reporting_ = stopAt_ = {-1, -1};
        nextRow_ = 0;
        deferred_ = 0;
        stopping_ = false;
        closed_ = false;
        failure_ = nullptr;
    }
    if (stages.count <= 0) return true;
    stages.begins(0);
    if (stages.stopRequested()) return false;

    bool finished = true;
    {
        std::vector<std::jthread> workers;
        for (int k = 0; k < std::min(threads_, rows_); ++k) workers.emplace_back([this, &stages] { work(stages); });

        std::unique_lock lock(mutex_);
        for (int stage = 0; stage < stages.count && finished; ++stage) {
            if (stage > 0) {
                lock.unlock();
                stages.begins(stage);
                const bool stop = stages.stopRequested();
                lock.lock();
                if (stop || stopping_) {
                    finished = false;
                    break;
                }
            }
            for (int row = 0; row < rows_ && finished;) {
                reporting_ = {stage, row};
                if (stopping_ && reporting_ != stopAt_) {  // the run ends at the row it was showing
                    finished = false;
                    break;
                }
                if (!stopping_) {
                    lock.unlock();
                    const bool stop = stages.stopRequested();
                    lock.lock();
                    if (stop) {
                        stopping_ = true;
                        stopAt_ = reporting_;
                        refuseRequests();
                    }
                }
                State& now = state(row, stage);
                const auto request = requests_.find(reporting_);
                if (request != requests_.end() && request->second->answer == Request::Answer::Pending) {
                    Request& asked = *request->second;
                    lock.unlock();
                    (*asked.call)();
                    lock.lock();
                    asked.answer = Request::Answer::Served;
                    workersWake_.notify_all();
                } else if (now == State::Done) {
                    lock.unlock();
                    stages.rowDone(row, stage);
                    lock.lock();
                    ++row;
                } else if (now == State::GivenUp || (stopping_ && !active_[static_cast<std::size_t>(row)])) {
                    finished = false;
                } else {
                    if (now == State::Deferred && !stopping_) {
                        now = State::Ready;
                        ready_.emplace_back(row, stage);
                        workersWake_.notify_all();
                    }
                    stageWakes_.wait_for(lock, kStopPoll);
                }
            }
        }
        stopping_ = true;
        closed_ = true;
        refuseRequests();
        lock.unlock();
    }  // the workers end here
    if (failure_) std::rethrow_exception(failure_);
    return finished;
}

}  // namespace zendavo
