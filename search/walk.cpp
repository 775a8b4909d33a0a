// SPDX-License-Identifier: GPL-3.0-or-later
// The folder walk. It keeps its own stack instead of recursing, so a tree nested ten thousand
// folders deep costs memory, not the thread's stack. Each folder is listed once: subfolder names
// are kept for the descent, and its accepted files wait in its frame until every subfolder is
// done, which gives the order users see (subfolders first, then the folder's own files).
#include "walk.h"

#include "dir_lister.h"
#include "dos_time.h"
#include "release.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>
#include <vector>

namespace twinly {

namespace {

using platform::Directory;
using platform::EntryKind;

struct Frame {
    std::string name;       // as listed in the parent (empty for the folder the user named)
    std::size_t pathLength; // length of this folder's path in the shared path text
    Directory dir;          // open while subfolders remain to be entered, or closed to save fds
    std::vector<std::string> subdirs;
    std::size_t nextSubdir = 0;
    FileList files;
    bool pseudo = false; // on a pseudo file system (the user named one, or it is below one)
};

bool sizeAccepted(const SearchOptions &o, std::int64_t size)
{
    const auto s = static_cast<double>(size);
    if (o.MaxSize && s > *o.MaxSize)
        return false;
    if (o.MinSize && s < *o.MinSize)
        return false;
    return true;
}

// A subfolder is compared with the excluded paths before it is opened: only its directory entry
// is looked at.
bool excludedByPath(const Directory &dir, std::string_view name, const ExclusionRules &ex)
{
    if (!ex.hasPaths())
        return false;
    std::uint64_t device = 0, inode = 0;
    return dir.entryIdentity(name.data(), device, inode) && ex.identityExcluded(device, inode);
}

// Lists the frame's folder. Returns false when stopped.
bool listFrame(Frame &frame, const std::string &path, WalkContext &ctx)
{
    const SearchOptions &o = ctx.options;
    bool stopped = false;
    const ExclusionRules &ex = ctx.exclusions;
    frame.dir.forEach([&](std::string_view name, EntryKind kind) {
        if (kind == EntryKind::Directory) {
            if (o.Recursive && !ex.nameExcluded(name) && !excludedByPath(frame.dir, name, ex))
                frame.subdirs.emplace_back(name);
        } else if (kind == EntryKind::RegularFile &&
                   MatchMaskList(name, ctx.masks, /*wholeName=*/true) && !ex.nameExcluded(name)) {
            platform::FileStat st;
            if (frame.dir.statFile(name.data(), st) && sizeAccepted(o, st.size) &&
                !(ex.hasPaths() && ex.identityExcluded(st.device, st.inode))) {
                TFileData &d = frame.files.emplace_back(
                    TFileData::onDisk(path, name, st.size, DosTimeFromUnix(st.mtime)));
                d.Device = st.device;
                d.Inode = st.inode;
                d.MtimeNs = st.mtimeNs;
                d.CtimeNs = st.ctimeNs;
                ctx.progress.addFound();
            }
        }
        stopped = ctx.stop.stop_requested();
        return !stopped;
    });
    return !stopped;
}

// Where a walk's top folder is reopened from when its handle had to be closed: its parent's
// handle (a subtree walked on a thread of its own), or its path (the folder the user named).
struct TopFolder {
    const std::string &path;
    const Directory *parent = nullptr;
    const std::string *name = nullptr;

    Directory reopen() const
    {
        return parent ? parent->openChild(*name) : Directory::openPath(path);
    }
};

// Makes sure frame `k` has an open handle, reopening closed ancestors by name from the nearest
// open one (or from the top folder).
bool reopen(std::vector<Frame> &stack, std::size_t k, const TopFolder &topFolder)
{
    std::size_t first = k;
    while (first > 0 && !stack[first].dir.isOpen())
        --first;
    if (!stack[first].dir.isOpen()) {
        stack[0].dir = topFolder.reopen();
        if (!stack[0].dir.isOpen())
            return false;
    }
    for (std::size_t j = first + 1; j <= k; ++j) {
        stack[j].dir = stack[j - 1].dir.openChild(stack[j].name);
        if (!stack[j].dir.isOpen())
            return false;
    }
    return true;
}

// Returns how many handles stay open.
std::size_t limitOpenDirs(std::vector<Frame> &stack, std::size_t maxOpen)
{
    std::size_t open = 0;
    for (const Frame &f : stack)
        open += f.dir.isOpen() ? 1 : 0;
    for (std::size_t j = 0; open > maxOpen && j + 1 < stack.size(); ++j) {
        if (stack[j].dir.isOpen()) {
            stack[j].dir.close();
            --open;
        }
    }
    return open;
}

// The walk's records in blocks that never move, handed to the search's list in one piece at the
// end. A list grown record by record would copy itself whenever it doubled, holding twice its
// size at that moment: with millions of files, the peak of the whole search. A block is large
// enough to be mapped on its own (above the allocator's largest threshold), so each one goes
// back to the system as soon as its records have moved.
class WalkRecords {
public:
    void push_back(TFileData &&d)
    {
        if (m_blocks.empty() || m_blocks.back().size() == kBlock) {
            m_blocks.emplace_back();
            m_blocks.back().reserve(kBlock);
        }
        m_blocks.back().push_back(std::move(d));
        ++m_count;
    }

    void moveInto(FileList &list)
    {
        list.reserve(list.size() + m_count);
        for (FileList &block : m_blocks) {
            for (TFileData &d : block)
                list.push_back(std::move(d));
            block = FileList();
        }
        m_blocks.clear();
        m_count = 0;
    }

private:
    static constexpr std::size_t kBlock = (std::size_t{40} << 20) / sizeof(TFileData);
    std::vector<FileList> m_blocks;
    std::size_t m_count = 0;
};

// Appends a finished frame's files to the search's list, summing (and rounding per frame) the
// total exactly as a walk on one thread does.
void appendFrame(WalkRecords &files, double &totalKB, FileList &frame)
{
    for (TFileData &d : frame) {
        totalKB += static_cast<double>(d.FileSize) / 1024.0;
        files.push_back(std::move(d));
    }
    totalKB = std::nearbyint(totalKB);
    frame = FileList();
}

// Subtrees of one folder walked on several threads join the list in order. The subtree at the
// head (the first not yet joined) writes its frames straight into the list; a later one keeps
// its frames until it reaches the head. So records are held about once, however the work
// falls, and only what runs ahead of the head waits.
class Joiner {
public:
    Joiner(WalkRecords &files, double &totalKB, std::size_t parts)
        : m_files(files), m_totalKB(totalKB), m_waiting(parts), m_done(parts, false)
    {}

    void frameDone(std::size_t part, FileList &frame)
    {
        std::lock_guard lock(m_mutex);
        if (part == m_head)
            appendFrame(m_files, m_totalKB, frame);
        else
            m_waiting[part].push_back(std::move(frame));
    }

    void partDone(std::size_t part)
    {
        std::lock_guard lock(m_mutex);
        m_done[part] = true;
        while (m_head < m_done.size() && m_done[m_head]) {
            ++m_head;
            if (m_head < m_done.size())
                flushWaiting(m_head); // the new head may be under way: what it kept goes now
        }
    }

private:
    void flushWaiting(std::size_t part)
    {
        for (FileList &frame : m_waiting[part])
            appendFrame(m_files, m_totalKB, frame);
        m_waiting[part] = std::vector<FileList>();
    }

    std::mutex m_mutex;
    WalkRecords &m_files;
    double &m_totalKB;
    std::vector<std::vector<FileList>> m_waiting;
    std::vector<bool> m_done;
    std::size_t m_head = 0;
};

// Where finished frames go: straight into the search's list, or through the joiner.
struct Sink {
    WalkRecords *files = nullptr; // on their way to the search's own list
    double *totalKB = nullptr;
    Joiner *joiner = nullptr;
    std::size_t part = 0;

    void finish(Frame &frame)
    {
        if (joiner)
            joiner->frameDone(part, frame.files);
        else
            appendFrame(*files, *totalKB, frame.files);
        frame.files = FileList();
    }
};

// Walks the tree whose top frame, stack[0], is open and listed; ends with the top frame's own
// files. Returns false when stopped.
bool walkTree(std::vector<Frame> &stack, std::string &path, const TopFolder &topFolder,
              std::size_t maxOpenDirs, WalkContext &ctx, Sink &sink)
{
    std::size_t openCount = 1;
    while (!stack.empty()) {
        Frame &top = stack.back();
        if (top.nextSubdir < top.subdirs.size()) {
            const std::size_t k = stack.size() - 1;
            std::string name = std::move(top.subdirs[top.nextSubdir++]);
            path.resize(top.pathLength);
            ctx.progress.setItem(path.empty() ? "/" : path);
            Directory child;
            if (top.dir.isOpen() || reopen(stack, k, topFolder))
                child = stack[k].dir.openChild(name);
            if (stack[k].nextSubdir == stack[k].subdirs.size()) {
                stack[k].dir.close(); // no further subfolder will be opened from here
                Release(stack[k].subdirs);
            }
            if (ctx.stop.stop_requested())
                return false;
            if (!child.isOpen())
                continue;
            // A pseudo file system mounted inside a user's folder (a chroot's /proc, say) is
            // not walked into; one the user named is walked as asked.
            const bool parentPseudo = stack[k].pseudo;
            if (!parentPseudo && child.onPseudoFileSystem())
                continue;
            path.push_back('/');
            path.append(name);
            stack.push_back(
                Frame{std::move(name), path.size(), std::move(child), {}, 0, {}, parentPseudo});
            if (!listFrame(stack.back(), path, ctx))
                return false;
            // Counted loosely (closing is not counted); the exact count is taken when it matters.
            if (++openCount > maxOpenDirs)
                openCount = limitOpenDirs(stack, maxOpenDirs);
        } else {
            top.dir.close();
            sink.finish(top);
            stack.pop_back();
        }
    }
    return true;
}

// One subfolder of `root` and everything below it, on the calling thread.
bool walkSubtree(const Frame &root, const std::string &rootPath, const std::string &name,
                 std::size_t maxOpenDirs, WalkContext &ctx, Sink &sink)
{
    Directory child = root.dir.openChild(name);
    if (!child.isOpen() || (!root.pseudo && child.onPseudoFileSystem()))
        return !ctx.stop.stop_requested();
    std::string path = rootPath + "/" + name;
    ctx.progress.setItem(path);
    std::vector<Frame> stack;
    stack.push_back(Frame{{}, path.size(), std::move(child), {}, 0, {}, root.pseudo});
    if (!listFrame(stack.back(), path, ctx))
        return false;
    const std::string subtreePath = path;
    return walkTree(stack, path, TopFolder{subtreePath, &root.dir, &name}, maxOpenDirs, ctx, sink);
}

// The top folder's subfolders on several threads; their records join the list in the order a
// walk on one thread gives, then the top folder's own files.
bool walkSubtreesInParallel(Frame &root, const std::string &rootPath, WalkContext &ctx,
                            WalkRecords &records)
{
    std::vector<std::string> names = std::move(root.subdirs);
    Release(root.subdirs);
    const unsigned threads =
        static_cast<unsigned>(std::min<std::size_t>(ctx.threads, names.size()));
    const std::size_t maxOpen = std::max<std::size_t>(16, ctx.maxOpenDirs / threads);
    Joiner joiner(records, ctx.totalKB, names.size());
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stopped{false};
    auto worker = [&] {
        for (;;) {
            const std::size_t i = next.fetch_add(1);
            if (i >= names.size() || stopped.load())
                return;
            Sink sink{nullptr, nullptr, &joiner, i};
            if (!walkSubtree(root, rootPath, names[i], maxOpen, ctx, sink))
                stopped = true;
            joiner.partDone(i);
        }
    };
    {
        std::vector<std::jthread> pool;
        for (unsigned t = 1; t < threads; ++t)
            pool.emplace_back(worker);
        worker();
    }
    if (stopped || ctx.stop.stop_requested())
        return false;
    root.dir.close();
    Sink sink{&records, &ctx.totalKB};
    sink.finish(root);
    return true;
}

bool walkFolder(const std::string &folder, WalkContext &ctx, WalkRecords &records)
{
    if (ctx.exclusions.hasPaths() && ctx.exclusions.topFolderExcluded(folder))
        return !ctx.stop.stop_requested();
    std::string path = folder;
    std::vector<Frame> stack;
    stack.push_back(Frame{{}, path.size(), Directory::openPath(path), {}, 0, {}, false});
    if (!stack.back().dir.isOpen())
        return !ctx.stop.stop_requested(); // an unlistable folder contributes nothing
    stack.back().pseudo = stack.back().dir.onPseudoFileSystem();
    ctx.progress.setItem(path.empty() ? "/" : path);
    if (!listFrame(stack.back(), path, ctx))
        return false;
    if (ctx.threads > 1 && stack.back().subdirs.size() >= 2)
        return walkSubtreesInParallel(stack.back(), folder, ctx, records);
    Sink sink{&records, &ctx.totalKB};
    return walkTree(stack, path, TopFolder{folder}, ctx.maxOpenDirs, ctx, sink);
}

} // namespace

bool WalkDirectory(const std::string &folder, WalkContext &ctx)
{
    WalkRecords records;
    const bool done = walkFolder(folder, ctx, records);
    records.moveInto(ctx.out);
    return done;
}

} // namespace twinly
