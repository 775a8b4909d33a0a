// SPDX-License-Identifier: GPL-3.0-or-later
// A worker thread with a terminate flag: created idle, started by Resume, asked to end by
// Terminate; the body polls the flag. When the body returns, OnTerminate is handed to the
// dispatcher, which runs it on the GUI thread (a queued call), or runs it at once where there
// is no GUI.
#pragma once

#include <functional>
#include <stop_token>
#include <thread>

namespace twinly::platform {

using Dispatcher = std::function<void(std::function<void()>)>;

class WorkerThread {
public:
    explicit WorkerThread(bool idlePriority) : m_idlePriority(idlePriority) {}
    virtual ~WorkerThread(); // requests termination and waits for the body
    WorkerThread(const WorkerThread &) = delete;
    WorkerThread &operator=(const WorkerThread &) = delete;

    void Resume();
    void Terminate() { m_stop.request_stop(); }
    bool Terminated() const { return m_stop.stop_requested(); }
    void WaitFor();

    std::function<void()> OnTerminate;
    Dispatcher dispatcher; // empty: OnTerminate runs on the worker thread itself

protected:
    virtual void Execute() = 0;
    std::stop_token stopToken() const { return m_stop.get_token(); }

private:
    bool m_idlePriority;
    std::stop_source m_stop;
    std::thread m_thread;
};

// Lowers the calling thread to idle priority (threads it starts inherit it).
void SetCurrentThreadIdle();

} // namespace twinly::platform
