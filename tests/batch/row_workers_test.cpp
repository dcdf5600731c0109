// The stages of a run on worker threads: reports in order on the calling thread, modal calls
// taken up again when their row is shown, stops and failures.
#include "batch/row_workers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace zendavo {
namespace {

using Events = std::vector<std::string>;

std::string at(int row, int stage)
{
    return std::to_string(stage) + ":" + std::to_string(row);
}

TEST(RowWorkers, CallsFromWorkersRunOnTheCallingThreadInOrder)
{
    const std::thread::id caller = std::this_thread::get_id();
    for (int threads : {1, 3}) {
        SCOPED_TRACE(threads);
        RowWorkers workers(threads);
        Events events;
        std::atomic<int> wrongThread{0};
        RowWorkers::Stages stages;
        stages.rows = 5;
        stages.count = 3;
        stages.work = [&](int row, int stage) {
            // Later rows finish first; every odd row of stage 2 asks for the calling thread.
            std::this_thread::sleep_for(std::chrono::milliseconds(5 - row));
            if (stage == 2 && row % 2 == 1)
                workers.onStageThread(row, stage, [&, row, stage] {
                    if (std::this_thread::get_id() != caller) ++wrongThread;
                    events.push_back("ask " + at(row, stage));
                });
        };
        stages.begins = [&](int stage) { events.push_back("stage " + std::to_string(stage)); };
        stages.rowDone = [&](int row, int stage) { events.push_back("done " + at(row, stage)); };
        stages.stopRequested = [] { return false; };

        EXPECT_TRUE(workers.run(stages));

        Events expected;
        for (int stage = 0; stage < 3; ++stage) {
            expected.push_back("stage " + std::to_string(stage));
            for (int row = 0; row < 5; ++row) {
                if (stage == 2 && row % 2 == 1) expected.push_back("ask " + at(row, stage));
                expected.push_back("done " + at(row, stage));
            }
        }
        EXPECT_EQ(events, expected);
        EXPECT_EQ(wrongThread, 0);
    }
}

TEST(RowWorkers, StopLetsRowsInProgressFinishAndStartsNoOther)
{
    RowWorkers workers(2);
    std::atomic<int> started{0};
    std::atomic<bool> stop{false};
    Events events;
    RowWorkers::Stages stages;
    stages.rows = 20;
    stages.count = 1;
    stages.work = [&](int, int) {
        ++started;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };
    stages.begins = [](int) {};
    stages.rowDone = [&](int row, int) {
        events.push_back(at(row, 0));
        if (row == 1) stop = true;
    };
    stages.stopRequested = [&] { return stop.load(); };

    EXPECT_FALSE(workers.run(stages));

    // At most the row in progress when the stop was seen is shown after it.
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(Events(events.begin(), events.begin() + 2), (Events{"0:0", "0:1"}));
    EXPECT_LE(events.size(), 3u);
    EXPECT_LT(started, 20);
}

TEST(RowWorkers, StopWhenAStageBeginsShowsNothingOfIt)
{
    RowWorkers workers(2);
    Events events;
    RowWorkers::Stages stages;
    stages.rows = 3;
    stages.count = 2;
    stages.work = [](int, int) {};
    stages.begins = [&](int stage) { events.push_back("stage " + std::to_string(stage)); };
    stages.rowDone = [&](int row, int stage) { events.push_back(at(row, stage)); };
    stages.stopRequested = [&] { return events.back() == "stage 1"; };
    EXPECT_FALSE(workers.run(stages));
    EXPECT_EQ(events, (Events{"stage 0", "0:0", "0:1", "0:2", "stage 1"}));
}

TEST(RowWorkers, AFailingStageStopsTheRunAndIsRethrown)
{
    RowWorkers workers(3);
    RowWorkers::Stages stages;
    stages.rows = 8;
    stages.count = 2;
    stages.work = [](int row, int stage) {
        if (row == 3 && stage == 1) throw std::runtime_error("disk on fire");
    };
    stages.begins = [](int) {};
    stages.rowDone = [](int, int) {};
    stages.stopRequested = [] { return false; };
    EXPECT_THROW(workers.run(stages), std::runtime_error);
}

TEST(RowWorkers, GivenUpRowEndsTheReports)
{
    RowWorkers workers(2);
    Events events;
    RowWorkers::Stages stages;
    stages.rows = 4;
    stages.count = 1;
    stages.work = [](int row, int) {
        if (row == 2) throw RowGivenUp{};
    };
    stages.begins = [](int) {};
    stages.rowDone = [&](int row, int stage) { events.push_back(at(row, stage)); };
    stages.stopRequested = [] { return false; };
    EXPECT_FALSE(workers.run(stages));
    EXPECT_EQ(events, (Events{"0:0", "0:1"}));
}

// A row taken up again after it was deferred is in progress, whichever worker had it first:
// a stop asked for by its own modal call still shows the row once its stage is done. The row
// asks while stage 1 begins here, so it is deferred just as this thread comes to show it and
// the other worker, idle, takes it up at once; run many times, as the overlap is brief.
TEST(RowWorkers, RowTakenUpAgainIsShownWhenItsCallStopsTheRun)
{
    for (int attempt = 0; attempt < 300; ++attempt) {
        RowWorkers workers(2);
        Events events;
        bool stop = false;
        std::atomic<bool> asking{false};
        RowWorkers::Stages stages;
        stages.rows = 3;
        stages.count = 2;
        stages.work = [&](int row, int stage) {
            if (stage != 1 || row != 0) return;
            asking = true;
            ASSERT_TRUE(workers.onStageThread(row, stage, [&] { stop = true; }));
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        };
        stages.begins = [&](int stage) {
            if (stage != 1) return;
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (!asking && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
        };
        stages.rowDone = [&](int row, int stage) { events.push_back(at(row, stage)); };
        stages.stopRequested = [&] { return stop; };
        EXPECT_FALSE(workers.run(stages));
        ASSERT_EQ(events, (Events{"0:0", "0:1", "0:2", "1:0"})) << "attempt " << attempt;
    }
}

}  // namespace
}  // namespace zendavo
