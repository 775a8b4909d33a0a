// SPDX-License-Identifier: GPL-3.0-or-later
// A worker thread with a terminate flag: created idle, started by Resume, asked to end by
// Terminate; the body polls the flag. When the body returns, OnTerminate is handed to the
// dispatcher, which runs it on the GUI thread (a queued call), or runs it at once where there
// is no GUI.
//
// The base class owns the thread and its join. Its body (Execute) is a virtual of the derived
// class and uses the derived class's members, so the join must happen before they go away:
// every derived destructor calls WaitFor() first. (The base destructor joins too, as a last
// resort, but by then the derived part is already gone.)
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

namespace twinly::platform {

using Dispatcher = std::function<void(std::function<void()>)>;

class WorkerThread {
public:
    explicit WorkerThread(bool idlePriority);
    virtual ~WorkerThread(); // see above: derived destructors call WaitFor() first
    WorkerThread(const WorkerThread &) = delete;
    WorkerThread &operator=(const WorkerThread &) = delete;

    // Starts the body. OnTerminate and dispatcher are taken as they are now: writing them
    // afterwards changes nothing (use CancelDelivery).
    void Resume();
    void Terminate() { m_stop.request_stop(); }
    bool Terminated() const { return m_stop.stop_requested(); }
    // Returns once the body and the hand-over of OnTerminate to the dispatcher are done. Called
    // on the thread itself (from an OnTerminate run without a dispatcher), it lets the thread go
    // instead, so the object may be freed there.
    void WaitFor();
    // From now on OnTerminate does not run, unless it has already started. Safe from any
    // thread; a call already queued on the GUI thread checks it there before running.
    void CancelDelivery() { m_delivery->cancelled.store(true); }

    std::function<void()> OnTerminate;
    Dispatcher dispatcher; // empty: OnTerminate runs on the worker thread itself

protected:
    virtual void Execute() = 0;
    std::stop_token stopToken() const { return m_stop.get_token(); }

private:
    // Outlives the object: a queued OnTerminate may run after the thread object is gone.
    struct Delivery {
        std::atomic<bool> cancelled{false};
    };

    bool m_idlePriority;
    std::mutex m_starting; // held by Resume until m_thread is set
    std::stop_source m_stop;
    std::shared_ptr<Delivery> m_delivery;
    std::thread m_thread;
};

// Lowers the calling thread to idle priority (threads it starts inherit it).
void SetCurrentThreadIdle();

} // namespace twinly::platform
