// SPDX-License-Identifier: GPL-3.0-or-later
#include "thread.h"

#include <sched.h>
#include <sys/resource.h>

namespace twinly::platform {

WorkerThread::~WorkerThread()
{
    m_stop.request_stop();
    WaitFor();
}

void WorkerThread::Resume()
{
    if (m_thread.joinable())
        return;
    m_thread = std::thread([this] {
        if (m_idlePriority)
            SetCurrentThreadIdle();
        Execute();
        if (OnTerminate) {
            if (dispatcher)
                dispatcher(OnTerminate);
            else
                OnTerminate();
        }
    });
}

void WorkerThread::WaitFor()
{
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
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
