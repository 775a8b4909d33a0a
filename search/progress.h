// SPDX-License-Identifier: GPL-3.0-or-later
// Progress of a search, written by the scanner and read at its own pace by whoever shows it
// (a GUI timer, the command line). The scanner only overwrites values; it never waits for a
// reader and never knows who reads.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
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

// A time left as users read a clock: "0:42", "12:05", "1:02:09".
std::string TimeLeftText(std::chrono::seconds left);

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

    // Files the walk has taken into the search so far.
    void addFound(std::uint64_t files = 1)
    {
        m_filesFound.fetch_add(files, std::memory_order_relaxed);
    }

    // What the reading pass means to read. Files are counted once each, whether their first
    // block alone or their whole content is read; bytes are every byte to be read. The bytes
    // grow once more when first blocks have decided which size mates are read whole;
    // settleReadPlan() says that nothing more will be added, and starts the clock of the
    // estimate.
    void planRead(std::uint64_t files, std::uint64_t bytes)
    {
        m_filesToRead.fetch_add(files, std::memory_order_relaxed);
        m_bytesToRead.fetch_add(bytes, std::memory_order_relaxed);
        m_planned.store(true, std::memory_order_relaxed);
    }
    // Planned bytes that will not be read after all: a file that could not be opened, or ended
    // before the size the walk saw.
    void unplanBytes(std::uint64_t bytes)
    {
        m_bytesToRead.fetch_sub(bytes, std::memory_order_relaxed);
    }
    void
    settleReadPlan(std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now());

    // Files opened and bytes read for their content so far (for the counts users see, and to
    // show that a rescan with remembered checksums reads nothing unchanged). `newFile` is false
    // for the whole read of a file whose first block was read before.
    void addRead(std::uint64_t bytes, bool newFile = true)
    {
        if (newFile)
            m_filesRead.fetch_add(1, std::memory_order_relaxed);
        m_bytesRead.fetch_add(bytes, std::memory_order_relaxed);
    }
    std::uint64_t filesRead() const { return m_filesRead.load(std::memory_order_relaxed); }
    std::uint64_t bytesRead() const { return m_bytesRead.load(std::memory_order_relaxed); }

    struct Counts {
        std::uint64_t filesFound = 0;
        std::uint64_t filesToRead = 0, bytesToRead = 0;
        std::uint64_t filesRead = 0, bytesRead = 0;
        bool reading = false; // the reading pass has planned its reads
    };
    // Each count is exact on its own; taken while the scanner runs, they may be a moment apart.
    Counts counts() const;
    // The reads' time left at the pace they have kept since the plan settled; none before
    // that pace is known (a few seconds after settling) or once nothing is left to read.
    std::optional<std::chrono::seconds> timeLeft(std::chrono::steady_clock::time_point now) const;

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
    std::atomic<std::uint64_t> m_filesFound{0};
    std::atomic<std::uint64_t> m_filesToRead{0};
    std::atomic<std::uint64_t> m_bytesToRead{0};
    std::atomic<std::uint64_t> m_filesRead{0};
    std::atomic<std::uint64_t> m_bytesRead{0};
    std::atomic<bool> m_planned{false};
    // When the plan settled (steady clock, ns; 0 before) and how much had been read by then.
    std::atomic<std::int64_t> m_settledAt{0};
    std::atomic<std::uint64_t> m_bytesAtSettle{0};
    std::function<void(Phase)> m_observer;
};

} // namespace twinly
