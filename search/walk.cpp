// SPDX-License-Identifier: GPL-3.0-or-later
// The folder walk. It keeps its own stack instead of recursing, so a tree nested ten thousand
// folders deep costs memory, not the thread's stack. Each folder is listed once: subfolder names
// are kept for the descent, and its accepted files wait in its frame until every subfolder is
// done, which gives the order users see (subfolders first, then the folder's own files).
#include "walk.h"

#include "dir_lister.h"
#include "dos_time.h"

#include <cmath>
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

// Lists the frame's folder. Returns false when stopped.
bool listFrame(Frame &frame, const std::string &path, WalkContext &ctx)
{
    const SearchOptions &o = ctx.options;
    bool stopped = false;
    frame.dir.forEach([&](std::string_view name, EntryKind kind) {
        if (kind == EntryKind::Directory) {
            if (o.Recursive)
                frame.subdirs.emplace_back(name);
        } else if (kind == EntryKind::RegularFile &&
                   MatchMaskList(name, ctx.masks, /*wholeName=*/true)) {
            platform::FileStat st;
            if (frame.dir.statFile(name.data(), st) && sizeAccepted(o, st.size)) {
                TFileData &d = frame.files.emplace_back(
                    TFileData::onDisk(path, name, st.size, DosTimeFromUnix(st.mtime)));
                d.Device = st.device;
                d.Inode = st.inode;
                d.MtimeNs = st.mtimeNs;
                d.CtimeNs = st.ctimeNs;
            }
        }
        stopped = ctx.stop.stop_requested();
        return !stopped;
    });
    return !stopped;
}

// Makes sure frame `k` has an open handle, reopening closed ancestors by name from the nearest
// open one (or from the top folder's path).
bool reopen(std::vector<Frame> &stack, std::size_t k, const std::string &topPath)
{
    std::size_t first = k;
    while (first > 0 && !stack[first].dir.isOpen())
        --first;
    if (!stack[first].dir.isOpen()) {
        stack[0].dir = Directory::openPath(topPath);
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

void finishFrame(Frame &frame, WalkContext &ctx)
{
    for (TFileData &d : frame.files) {
        ctx.totalKB += static_cast<double>(d.FileSize) / 1024.0;
        ctx.out.push_back(std::move(d));
    }
    ctx.totalKB = std::nearbyint(ctx.totalKB);
}

} // namespace

bool WalkDirectory(const std::string &folder, WalkContext &ctx)
{
    std::string path = folder;
    std::vector<Frame> stack;
    stack.push_back(Frame{{}, path.size(), Directory::openPath(path), {}, 0, {}, false});
    if (!stack.back().dir.isOpen())
        return !ctx.stop.stop_requested(); // an unlistable folder contributes nothing
    stack.back().pseudo = stack.back().dir.onPseudoFileSystem();
    ctx.progress.setItem(path.empty() ? "/" : path);
    if (!listFrame(stack.back(), path, ctx))
        return false;
    std::size_t openCount = 1;

    while (!stack.empty()) {
        Frame &top = stack.back();
        if (top.nextSubdir < top.subdirs.size()) {
            const std::size_t k = stack.size() - 1;
            std::string name = std::move(top.subdirs[top.nextSubdir++]);
            path.resize(top.pathLength);
            ctx.progress.setItem(path.empty() ? "/" : path);
            Directory child;
            if (top.dir.isOpen() || reopen(stack, k, folder))
                child = stack[k].dir.openChild(name);
            if (stack[k].nextSubdir == stack[k].subdirs.size()) {
                stack[k].dir.close(); // no further subfolder will be opened from here
                stack[k].subdirs = {};
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
            if (++openCount > ctx.maxOpenDirs)
                openCount = limitOpenDirs(stack, ctx.maxOpenDirs);
        } else {
            top.dir.close();
            finishFrame(top, ctx);
            stack.pop_back();
        }
    }
    return true;
}

} // namespace twinly
