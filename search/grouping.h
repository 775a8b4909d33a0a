// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "file_data.h"
#include "progress.h"
#include "release.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stop_token>
#include <vector>

namespace twinly {

// An ordered group of at least two records; during a pass the pivot is its last member.
using Group = std::vector<TFileData>;

// The groups of a pass, their records one after another in one list (each group's members in
// order, its pivot last) and where each group ends. Kept in one list so that a pass can take
// its groups out of the list it was given in place: a search of millions of files, nearly all
// of which survive the first pass, holds every record once, not twice.
class GroupList {
public:
    std::size_t size() const { return m_ends.size(); }
    bool empty() const { return m_ends.empty(); }
    std::span<TFileData> operator[](std::size_t g)
    {
        const std::size_t from = g == 0 ? 0 : m_ends[g - 1];
        return {m_records.data() + from, m_ends[g] - from};
    }
    std::span<const TFileData> operator[](std::size_t g) const
    {
        const std::size_t from = g == 0 ? 0 : m_ends[g - 1];
        return {m_records.data() + from, m_ends[g] - from};
    }
    // Appends one group (of at least one record).
    void push_back(Group &&group);
    void clear()
    {
        m_records = FileList();
        Release(m_ends);
    }
    std::size_t recordCount() const { return m_records.size(); }
    // Takes records laid out group after group, with where each group ends. Only when empty.
    void adopt(FileList &&records, std::vector<std::size_t> &&ends)
    {
        m_records = std::move(records);
        m_ends = std::move(ends);
    }
    // Every record, in group order; leaves the list empty.
    FileList takeRecords()
    {
        FileList records = std::move(m_records);
        clear();
        return records;
    }

    template<typename List> class Iterator {
    public:
        Iterator(List *list, std::size_t g) : m_list(list), m_g(g) {}
        auto operator*() const { return (*m_list)[m_g]; }
        Iterator &operator++()
        {
            ++m_g;
            return *this;
        }
        bool operator==(const Iterator &other) const { return m_g == other.m_g; }

    private:
        List *m_list;
        std::size_t m_g;
    };
    Iterator<GroupList> begin() { return {this, 0}; }
    Iterator<GroupList> end() { return {this, size()}; }
    Iterator<const GroupList> begin() const { return {this, 0}; }
    Iterator<const GroupList> end() const { return {this, size()}; }

private:
    FileList m_records;
    std::vector<std::size_t> m_ends;
};
// One byte per result row: 1 for the rows of the first, third, ... group, 0 for the others.
using RowBand = std::vector<std::uint8_t>;

// Decides whether two pictures look alike (the visual comparison supplies it).
using ImagesAlikeFn = std::function<bool(const TFileData &pivot, const TFileData &candidate)>;
// Sorts pictures into classes such that pictures of different classes are never alike; nothing
// for a picture that is alike to nothing. Lets a pass skip the test for pairs that cannot pass.
using ImagesKeyFn = std::function<std::optional<std::uint64_t>(const TFileData &)>;

struct MatchSwitches {
    bool IgnoreSize = false;
    bool IgnoreDate = true;
    bool IgnoreNames = true;
    bool CompareContent = true;
    bool Visual = false;
    ImagesAlikeFn ImagesAlike; // required when Visual is on
    ImagesKeyFn ImagesKey;     // optional
    // Candidates tested at once against a pivot. Only the visual test is costly enough for this
    // to pay; ImagesAlike must then be safe to call from several threads.
    unsigned Threads = 1;
};

// The match rule between a pass's pivot and a later candidate. Not an equivalence: a file never
// matches itself when reached twice, equal names match only in different folders, and a database
// entry (which knows only the low 32 bits of a size, and no strong hash) may match two files that
// do not match each other.
bool RecordsMatch(const TFileData &pivot, const TFileData &candidate, const MatchSwitches &sw);

struct PassProgress {
    ScanProgress &progress;
    std::stop_token stop;
    double &totalKB; // lowered by the size of every file on disk that leaves the comparison
};

// One grouping pass. Its outcome is that of the pivot loop users have always had: take the first
// record as pivot, gather every later record that matches the pivot itself, keep the gathered
// records plus the pivot (last) as a group when there is at least one, drop the pivot otherwise,
// repeat with the first record left. Groups come in the order of their pivots, members in list
// order. The loop is run per bucket of records that share the cheap keys, so distinct keys never
// meet and the pass costs O(n log n) however many files there are.
// Moves grouped records from `list` to the end of `groups`, frees the rest and empties `list`.
// When `dropped` is given and the pass keeps few of many, the records that leave are handed
// over there (with the husks of those that moved) for the caller to free wherever it costs
// nothing. Returns false when stopped.
bool GroupFiles(FileList &list, GroupList &groups, const MatchSwitches &sw, PassProgress pass,
                FileList *dropped = nullptr);

// Moves every member back into `list`, group by group, each group from its last member to its
// first (so the pivot comes first), after freeing whatever `list` held. Returns false when
// stopped.
bool FlattenGroups(FileList &list, GroupList &groups, const std::stop_token &stop);

// Lays the groups into `list` in order, members first to last, and gives each row its band.
void LayOutGroups(FileList &list, GroupList &groups, RowBand &bands);

} // namespace twinly
