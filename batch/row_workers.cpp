#include "batch/row_workers.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace zendavo {

namespace {

// How often the stage looks at its stop flag while the workers are busy.
constexpr std::chrono::milliseconds kStopPoll{20};

}  // namespace

RowWorkers::RowWorkers(int threads)
    : threads_(threads >= 1 ? threads : std::max(1, static_cast<int>(std::thread::hardware_concurrency())))
{
}

bool RowWorkers::onStageThread(int row, const std::function<void()>& call)
{
    std::unique_lock lock(mutex_);
    if (closed_ || (stopping_ && row != stopRow_)) return false;
    Request request{&call};
    requests_[row] = &request;
    stageWakes_.notify_all();
    workersWake_.wait(lock, [&request] { return request.state != Request::State::Pending; });
    requests_.erase(row);
    return request.state == Request::State::Served;
}

void RowWorkers::work(int rows, const std::function<void(int)>& task)
{
    for (;;) {
        int row = 0;
        {
            const std::lock_guard lock(mutex_);
            if (stopping_ || nextRow_ >= rows) return;
            row = nextRow_++;
            states_[row] = RowState::Running;
        }
        RowState end = RowState::Done;
        try {
            task(row);
        } catch (const RowGivenUp&) {
            end = RowState::GivenUp;
        } catch (...) {
            end = RowState::GivenUp;
            const std::lock_guard lock(mutex_);
            if (!failure_) failure_ = std::current_exception();
            stopping_ = true;
        }
        const std::lock_guard lock(mutex_);
        states_[row] = end;
        stageWakes_.notify_all();
    }
}

void RowWorkers::refusePending(int servedRow)
{
    for (auto& [row, request] : requests_)
        if (row != servedRow && request->state == Request::State::Pending)
            request->state = Request::State::Refused;
    workersWake_.notify_all();
}

bool RowWorkers::run(int rows, const std::function<void(int)>& task,
                     const std::function<void(int)>& rowDone, const std::function<bool()>& stopRequested)
{
    {
        const std::lock_guard lock(mutex_);
        states_.assign(static_cast<std::size_t>(std::max(rows, 0)), RowState::Waiting);
        requests_.clear();
        nextRow_ = 0;
        stopping_ = false;
        stopRow_ = -1;
        closed_ = false;
        failure_ = nullptr;
    }
    int reported = 0;
    {
        std::vector<std::jthread> workers;
        for (int k = 0; k < std::min(threads_, rows); ++k)
            workers.emplace_back([this, rows, &task] { work(rows, task); });

        std::unique_lock lock(mutex_);
        while (reported < rows) {
            if (!stopping_) {
                lock.unlock();
                const bool stop = stopRequested();
                lock.lock();
                if (stop) {
                    stopping_ = true;
                    stopRow_ = reported;
                    refusePending(reported);
                }
            }
            const RowState state = states_[reported];
            const auto request = requests_.find(reported);
            if (request != requests_.end() && request->second->state == Request::State::Pending) {
                Request& asked = *request->second;
                lock.unlock();
                (*asked.call)();
                lock.lock();
                asked.state = Request::State::Served;
                workersWake_.notify_all();
                continue;
            }
            if (state == RowState::Done) {
                lock.unlock();
                rowDone(reported);
                lock.lock();
                ++reported;
                continue;
            }
            if (state == RowState::GivenUp || (stopping_ && state == RowState::Waiting)) break;
            stageWakes_.wait_for(lock, kStopPoll);
        }
        stopping_ = true;
        closed_ = true;
        refusePending(-1);
        lock.unlock();
    }  // the workers end here
    if (failure_) std::rethrow_exception(failure_);
    return reported == rows;
}

}  // namespace zendavo
