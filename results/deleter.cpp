// SPDX-License-Identifier: GPL-3.0-or-later
#include "deleter.h"

#include "dos_time.h"

#include <QMetaObject>

#include <sys/stat.h>

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
            onGui([&] { m_host->deleterShowItem(job.path); });
            if (!UnchangedSinceSearch(job.path, job.size, job.time)) {
                onGui([&] { m_host->deleterChanged(job.path); });
            } else {
                const platform::FileOpResult r = m_delete(job.path);
                if (r.ok)
                    onGui([&] { m_host->deleterRemoveRow(i); });
                else
                    onGui([&] { m_host->deleterFailed(job.path, r); });
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

bool UnchangedSinceSearch(const std::string &path, std::int64_t size, DosTime time)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    return static_cast<std::int64_t>(st.st_size) == size &&
           DosTimeFromUnix(static_cast<std::time_t>(st.st_mtime)) == time;
}

} // namespace twinly
