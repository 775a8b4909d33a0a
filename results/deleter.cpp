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
    WaitFor();
}

void TDeleter::onGui(const std::function<void()> &call) const
{
    if (m_hostObject)
        QMetaObject::invokeMethod(m_hostObject.data(), call, Qt::BlockingQueuedConnection);
}

void TDeleter::Execute()
{
    const int n = m_rowCount;
    auto next = m_jobs.begin();
    for (int i = n - 1; i >= 0 && !m_stop.load(); --i) {
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
    if (m_hostObject)
        QMetaObject::invokeMethod(
            m_hostObject.data(), [host = m_host] { host->deleterFinished(); },
            Qt::QueuedConnection);
}

} // namespace twinly
