// SPDX-License-Identifier: GPL-3.0-or-later
#include "deleter.h"

#include <QMetaObject>

#include <algorithm>
#include <cmath>

namespace twinly {

TDeleter::TDeleter(std::vector<DeleteJob> jobs, int rowCount, DeleteFn deleteByMode,
                   const std::atomic<bool> &stopRequested, DeleterHost *host, QObject *hostObject)
    : WorkerThread(/*idlePriority=*/true), m_jobs(std::move(jobs)), m_rowCount(rowCount),
      m_delete(std::move(deleteByMode)), m_stop(stopRequested), m_host(host),
      m_hostObject(hostObject)
{
    std::sort(m_jobs.begin(), m_jobs.end(),
              [](const DeleteJob &a, const DeleteJob &b) { return a.row > b.row; });
}

TDeleter::~TDeleter()
{
    // A blocking call into the host would never be answered while the host waits here.
    Abandon();
    WaitFor();
}

void TDeleter::Abandon()
{
    std::lock_guard lock(m_link->mutex);
    m_link->abandoned = true;
    m_link->changed.notify_all();
}

bool TDeleter::abandoned() const
{
    std::lock_guard lock(m_link->mutex);
    return m_link->abandoned;
}

void TDeleter::onGui(const std::function<void()> &call) const
{
    const std::shared_ptr<HostLink> link = m_link;
    std::unique_lock lock(link->mutex);
    if (link->abandoned)
        return;
    const std::uint64_t ticket = ++link->posted;
    lock.unlock();
    QMetaObject::invokeMethod(
        m_hostObject,
        [link, &call, ticket] {
            {
                std::lock_guard guard(link->mutex);
                if (link->abandoned)
                    return; // the thread no longer waits: `call` may be gone
                link->inCall = true;
            }
            call();
            std::lock_guard guard(link->mutex);
            link->inCall = false;
            link->finished = ticket;
            link->changed.notify_all();
        },
        Qt::QueuedConnection);
    lock.lock();
    // A call in progress is waited for even when abandoned meanwhile (a dialog it shows may run
    // an event loop): it uses what this thread holds.
    link->changed.wait(
        lock, [&] { return !link->inCall && (link->finished >= ticket || link->abandoned); });
}

void TDeleter::Execute()
{
    const int n = m_rowCount;
    auto next = m_jobs.begin();
    for (int i = n - 1; i >= 0 && !m_stop.load() && !abandoned(); --i) {
        if (next != m_jobs.end() && next->row == i) {
            const DeleteJob &job = *next++;
            // Looked at as late as possible: the file is deleted right after the answer.
            const FileState state = CheckSinceSearch(job.record);
            bool go = false;
            onGui([&] { go = m_host->deleterMayDelete(job, state); });
            if (go) {
                const platform::FileOpResult r = m_delete(job.record.FullName);
                onGui([&] { m_host->deleterDeleted(job, r); });
            }
        }
        const int percent =
            static_cast<int>(std::nearbyint(static_cast<double>(n - i) * 100.0 / n));
        onGui([&] { m_host->deleterGauge(percent); });
    }
    QMetaObject::invokeMethod(
        m_hostObject,
        [link = m_link, host = m_host] {
            {
                std::lock_guard guard(link->mutex);
                if (link->abandoned)
                    return;
            }
            host->deleterFinished();
        },
        Qt::QueuedConnection);
}

} // namespace twinly
