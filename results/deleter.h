// SPDX-License-Identifier: GPL-3.0-or-later
// Deleting the checked rows' files on a thread of their own. The thread does the file
// operations; every change of the list, the gauge and the status bar is made on the GUI thread
// through a call the thread waits for, in order, before it looks at the next row. Rows are
// visited from the last to the first, so the rows still to visit keep their indices.
//
// The window may go away while the thread waits for it (the program ends during a run). The
// window then abandons the run (destroying the TDeleter does so) before it waits for the thread:
// a call not yet carried out is dropped, the one in progress is finished, and the thread stops
// after the file in hand without touching the window again.
#pragma once

#include "file_data.h"
#include "file_ops.h"
#include "last_copy.h"
#include "thread.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
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
    // `hostObject` lives on the GUI thread and outlives this object.
    TDeleter(std::vector<DeleteJob> jobs, int rowCount, DeleteFn deleteByMode,
             const std::atomic<bool> &stopRequested, DeleterHost *host, QObject *hostObject);
    ~TDeleter() override; // abandons the run, then waits for the thread

    // GUI thread only. The host carries out no further call of this run: the thread stops
    // after the file in hand. Returns at once; WaitFor() then does not wait on the host.
    void Abandon();

protected:
    void Execute() override;

private:
    // The thread's line to the host, shared with the calls queued on the GUI thread.
    struct HostLink {
        std::mutex mutex;
        std::condition_variable changed;
        bool abandoned = false;
        bool inCall = false;        // the GUI thread is carrying out a call now
        std::uint64_t posted = 0;   // calls queued so far
        std::uint64_t finished = 0; // the last call carried out
    };

    // Runs `call` on the GUI thread and waits until it has run or the run was abandoned.
    void onGui(const std::function<void()> &call) const;
    bool abandoned() const;

    std::vector<DeleteJob> m_jobs;
    int m_rowCount;
    DeleteFn m_delete;
    const std::atomic<bool> &m_stop;
    DeleterHost *m_host;
    QObject *m_hostObject;
    std::shared_ptr<HostLink> m_link = std::make_shared<HostLink>();
};

} // namespace twinly
