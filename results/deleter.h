// SPDX-License-Identifier: GPL-3.0-or-later
// Deleting the checked rows' files on a thread of their own. The thread does the file
// operations; every change of the list, the gauge and the status bar is made on the GUI thread
// through a blocking call, in order, before the thread looks at the next row. Rows are visited
// from the last to the first, so the rows still to visit keep their indices.
#pragma once

#include "file_data.h"
#include "file_ops.h"
#include "last_copy.h"
#include "thread.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <vector>

namespace twinly {

struct DeleteJob {
    int row;             // its index when the run began (the gauge counts these)
    std::uint64_t rowId; // finds the row again while other rows leave the list
    TFileData record;    // path and identity as the search found them (no signature)
};

// What the deleting run asks of the window; each call runs on the GUI thread.
class DeleterHost {
public:
    virtual ~DeleterHost() = default;
    // Shows the file in hand and decides whether it may go: `state` is how its file compares
    // with the record, looked at just now. A vanished file's row leaves here; a changed file,
    // a row no longer listed, or a file whose group would keep no copy are left alone.
    virtual bool deleterMayDelete(const DeleteJob &job, FileState state) = 0;
    // The outcome of deleting it; on success the row leaves the list.
    virtual void deleterDeleted(const DeleteJob &job, const platform::FileOpResult &r) = 0;
    virtual void deleterGauge(int percent) = 0;
    virtual void deleterFinished() = 0; // queued, not blocking
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

} // namespace twinly
