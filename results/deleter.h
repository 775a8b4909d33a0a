// SPDX-License-Identifier: GPL-3.0-or-later
// Deleting the checked rows' files on a thread of their own. The thread does the file
// operations; every change of the list, the gauge and the status bar is made on the GUI thread
// through a blocking call, in order, before the thread looks at the next row. Rows are visited
// from the last to the first, so the rows still to visit keep their indices.
#pragma once

#include "file_data.h"
#include "file_ops.h"
#include "thread.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <vector>

namespace twinly {

struct DeleteJob {
    int row;
    std::string path;
    std::int64_t size;
    DosTime time;
};

// What the deleting run asks of the window; each call runs on the GUI thread.
class DeleterHost {
public:
    virtual ~DeleterHost() = default;
    virtual void deleterShowItem(const std::string &path) = 0;
    virtual void deleterRemoveRow(int row) = 0;
    virtual void deleterGauge(int percent) = 0;
    virtual void deleterFailed(const std::string &path, const platform::FileOpResult &r) = 0;
    virtual void deleterChanged(const std::string &path) = 0; // changed since the search
    virtual void deleterFinished() = 0;                       // queued, not blocking
};

class TDeleter final : public platform::WorkerThread {
public:
    using DeleteFn = std::function<platform::FileOpResult(const std::string &path)>;

    // `jobs` are the checked rows on disk, any order; `rowCount` is the list's length now.
    TDeleter(std::vector<DeleteJob> jobs, int rowCount, DeleteFn deleteByMode,
             const std::atomic<bool> &stopRequested, DeleterHost *host, QObject *hostObject);
    ~TDeleter() override;

protected:
    void Execute() override;

private:
    void onGui(const std::function<void()> &call) const;

    std::vector<DeleteJob> m_jobs;
    int m_rowCount;
    DeleteFn m_delete;
    const std::atomic<bool> &m_stop;
    DeleterHost *m_host;
    QPointer<QObject> m_hostObject;
};

// True when the file still has the size and time it had in the search.
bool UnchangedSinceSearch(const std::string &path, std::int64_t size, DosTime time);

} // namespace twinly
