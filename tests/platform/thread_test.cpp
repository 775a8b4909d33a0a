// SPDX-License-Identifier: GPL-3.0-or-later
#include "thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <latch>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using namespace twinly::platform;

namespace {

class Job final : public WorkerThread {
public:
    explicit Job(std::function<void(Job &)> body) : WorkerThread(false), m_body(std::move(body)) {}
    ~Job() override { WaitFor(); }

protected:
    void Execute() override { m_body(*this); }

private:
    std::function<void(Job &)> m_body;
};

// Stands in for the GUI thread's event queue: calls posted from any thread, run by the test.
class Queue {
public:
    Dispatcher dispatcher()
    {
        return [this](std::function<void()> call) {
            std::lock_guard lock(m_mutex);
            m_calls.push_back(std::move(call));
            m_posted.notify_all();
        };
    }
    // Waits for one posted call and runs it here.
    void runOne()
    {
        std::unique_lock lock(m_mutex);
        ASSERT_TRUE(m_posted.wait_for(lock, std::chrono::seconds(20), [this] {
            return !m_calls.empty();
        })) << "nothing was posted";
        auto call = std::move(m_calls.front());
        m_calls.pop_front();
        lock.unlock();
        call();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<std::function<void()>> m_calls;
};

} // namespace

TEST(WorkerThread, TheEndIsDeliveredThroughTheDispatcherAsItWasAtResume)
{
    Queue gui;
    std::latch release(1);
    int result = 0;
    std::vector<std::string> delivered;
    Job job([&](Job &self) {
        release.wait();
        result = self.Terminated() ? -1 : 42;
    });
    job.dispatcher = gui.dispatcher();
    job.OnTerminate = [&] { delivered.push_back("first"); };
    job.Resume();
    job.Resume(); // a second start changes nothing
    // Written while the body runs: the thread never reads it again, so this is no race, and
    // the end delivered is the one set before Resume.
    job.OnTerminate = [&] { delivered.push_back("second"); };
    release.count_down();
    gui.runOne();
    job.WaitFor();
    EXPECT_EQ(result, 42);
    EXPECT_EQ(delivered, std::vector<std::string>{"first"});
}

TEST(WorkerThread, CancelledDeliveryNeverRunsEvenWhenAlreadyQueued)
{
    Queue gui;
    int delivered = 0;
    auto job = std::make_unique<Job>([](Job &) {});
    job->dispatcher = gui.dispatcher();
    job->OnTerminate = [&] { ++delivered; };
    job->Resume();
    job->WaitFor(); // the end is queued now, not yet run
    job->CancelDelivery();
    job.reset(); // the owner is gone; the queued call outlives it
    gui.runOne();
    EXPECT_EQ(delivered, 0);
}

TEST(WorkerThread, TerminateBeforeResumeAndWaitWithoutResume)
{
    Job idle([](Job &) {});
    idle.WaitFor(); // never started: returns at once

    bool sawStop = false;
    Job job([&](Job &self) { sawStop = self.Terminated(); });
    job.Terminate();
    job.Resume();
    job.WaitFor();
    EXPECT_TRUE(sawStop);
}

TEST(WorkerThread, AThreadMayFreeItselfWhenItEnds)
{
    // Without a dispatcher the end runs on the worker itself, which here frees its own object:
    // the wait in the destructor is then on the thread itself and must let it go, not leave a
    // joinable thread behind (that would end the program).
    auto freed = std::make_shared<std::promise<void>>();
    auto *job = new Job([](Job &) {});
    job->OnTerminate = [job, freed] {
        delete job;
        freed->set_value();
    };
    std::future<void> done = freed->get_future();
    job->Resume();
    EXPECT_EQ(done.wait_for(std::chrono::seconds(20)), std::future_status::ready);
}
