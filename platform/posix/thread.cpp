// SPDX-License-Identifier: GPL-3.0-or-later
#include "thread.h"

#include <sched.h>
#include <sys/resource.h>

namespace twinly::platform {

WorkerThread::WorkerThread(bool idlePriority)
    : m_idlePriority(idlePriority), m_delivery(std::make_shared<Delivery>())
{}

WorkerThread::~WorkerThread()
{
    m_stop.request_stop();
    WaitFor();
}

void WorkerThread::Resume()
{
    // The body waits until m_thread holds it: a thread that ends at once and frees its object
    // (or waits for itself) must find the handle in place.
    std::lock_guard starting(m_starting);
    if (m_thread.joinable())
        return;
    m_thread = std::thread([this, idle = m_idlePriority, delivery = m_delivery,
                            onTerminate = OnTerminate, dispatch = dispatcher] {
        {
            std::lock_guard started(m_starting);
        }
        if (idle)
            SetCurrentThreadIdle();
        Execute();
        // From here on the object may be gone at any moment (OnTerminate may free it, or the
        // owner may stop waiting): only what this lambda holds is used.
        if (!onTerminate)
            return;
        auto deliver = [delivery, onTerminate] {
            if (!delivery->cancelled.load())
                onTerminate();
        };
        if (dispatch)
            dispatch(std::move(deliver));
        else
            deliver();
    });
}

void WorkerThread::WaitFor()
{
    // Only ever called on the owner's thread, or on the worker once its start is complete.
    if (!m_thread.joinable())
        return;
    if (m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach(); // the rest of the body touches nothing of this object
    else
        m_thread.join();
}

void SetCurrentThreadIdle()
{
    // On Linux the scheduling policy belongs to the thread. Where SCHED_IDLE is refused, the
    // weakest nice value the process may take will do.
    sched_param param{};
    if (sched_setscheduler(0, SCHED_IDLE, &param) != 0)
        setpriority(PRIO_PROCESS, 0, 19);
}

} // namespace twinly::platform
