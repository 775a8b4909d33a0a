// SPDX-License-Identifier: GPL-3.0-or-later
// Progress of a search, written by the scanner and read at its own pace by whoever shows it
// (a GUI timer, the command line). The scanner only overwrites values; it never waits for a
// reader and never knows who reads.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace twinly {

enum class Phase : std::uint8_t {
    Idle,
    CreatingPathList,
    ComparingFiles,
    CalculatingImageProperties,
    CalculatingCrc,
    RemovingDifferentFiles,
};

// The status-bar texts, spelled as users have always seen them.
std::string_view PhaseText(Phase phase);

class ScanProgress {
public:
    struct Snapshot {
        Phase phase = Phase::Idle;
        std::string item;
        int gauge = 0;
        bool gaugeVisible = false;
        std::uint64_t seq = 0; // changes whenever anything else does
    };

    void setPhase(Phase phase);
    void setItem(std::string_view text);
    void setGauge(int percent);
    void showGauge(bool visible);
    // Milliseconds of the GUI's busy timer: 1000 during the walk, 500 once comparing starts.
    void setTimerInterval(int ms);

    Snapshot snapshot() const;

    // Files opened and bytes read for their content so far (for the counts users see, and to
    // show that a rescan with remembered checksums reads nothing unchanged).
    void addRead(std::uint64_t bytes)
    {
        m_filesRead.fetch_add(1, std::memory_order_relaxed);
        m_bytesRead.fetch_add(bytes, std::memory_order_relaxed);
    }
    std::uint64_t filesRead() const { return m_filesRead.load(std::memory_order_relaxed); }
    std::uint64_t bytesRead() const { return m_bytesRead.load(std::memory_order_relaxed); }

    // Called on the scanner's thread at every change of phase, before the phase's work begins.
    // Lets tests act at an exact point of a search (stop it, remove a file).
    void setPhaseObserver(std::function<void(Phase)> observer) { m_observer = std::move(observer); }
    int timerInterval() const { return m_timerInterval.load(std::memory_order_relaxed); }

private:
    void bump() { m_seq.fetch_add(1, std::memory_order_release); }

    mutable std::mutex m_mutex; // guards m_item only, held for a copy
    std::string m_item;
    std::atomic<Phase> m_phase{Phase::Idle};
    std::atomic<int> m_gauge{0};
    std::atomic<bool> m_gaugeVisible{false};
    std::atomic<int> m_timerInterval{1000};
    std::atomic<std::uint64_t> m_seq{0};
    std::atomic<std::uint64_t> m_filesRead{0};
    std::atomic<std::uint64_t> m_bytesRead{0};
    std::function<void(Phase)> m_observer;
};

} // namespace twinly
