// SPDX-License-Identifier: GPL-3.0-or-later
#include "progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace twinly {

std::string_view PhaseText(Phase phase)
{
    switch (phase) {
    case Phase::Idle:
        return "";
    case Phase::CreatingPathList:
        return "Creating path list";
    case Phase::ComparingFiles:
        return "Comparing files ";
    case Phase::CalculatingImageProperties:
        return "Calculating properties of image";
    case Phase::CalculatingCrc:
        return "Calculating CRC";
    case Phase::RemovingDifferentFiles:
        return "Removing diferent files fom list";
    }
    return "";
}

std::string TimeLeftText(std::chrono::seconds left)
{
    const long long total = std::max<long long>(0, left.count());
    const long long h = total / 3600, m = total / 60 % 60, s = total % 60;
    char text[32];
    if (h > 0)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", h, m, s);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", m, s);
    return text;
}

void ScanProgress::settleReadPlan(std::chrono::steady_clock::time_point now)
{
    m_planned.store(true, std::memory_order_relaxed);
    m_bytesAtSettle.store(m_bytesRead.load(std::memory_order_relaxed), std::memory_order_relaxed);
    // 0 means "not settled": a clock reading of exactly 0 counts from its next tick.
    m_settledAt.store(
        std::max<std::int64_t>(1, now.time_since_epoch() / std::chrono::nanoseconds(1)),
        std::memory_order_release);
}

ScanProgress::Counts ScanProgress::counts() const
{
    Counts c;
    c.filesFound = m_filesFound.load(std::memory_order_relaxed);
    c.reading = m_planned.load(std::memory_order_relaxed);
    c.filesToRead = m_filesToRead.load(std::memory_order_relaxed);
    c.bytesToRead = m_bytesToRead.load(std::memory_order_relaxed);
    c.filesRead = m_filesRead.load(std::memory_order_relaxed);
    c.bytesRead = m_bytesRead.load(std::memory_order_relaxed);
    return c;
}

std::optional<std::chrono::seconds>
ScanProgress::timeLeft(std::chrono::steady_clock::time_point now) const
{
    using namespace std::chrono;
    const std::int64_t at = m_settledAt.load(std::memory_order_acquire);
    if (at == 0)
        return std::nullopt;
    const auto elapsed = now.time_since_epoch() - nanoseconds(at);
    // A pace taken over less is mostly the first files' seeks and the disk cache.
    if (elapsed < seconds(2))
        return std::nullopt;
    const std::uint64_t read = m_bytesRead.load(std::memory_order_relaxed);
    const std::uint64_t planned = m_bytesToRead.load(std::memory_order_relaxed);
    const std::uint64_t since =
        read - std::min(read, m_bytesAtSettle.load(std::memory_order_relaxed));
    if (since == 0 || read >= planned)
        return std::nullopt;
    const double left = duration<double>(elapsed).count() * static_cast<double>(planned - read) /
                        static_cast<double>(since);
    return seconds(static_cast<std::int64_t>(std::ceil(left)));
}

void ScanProgress::setPhase(Phase phase)
{
    m_phase.store(phase, std::memory_order_relaxed);
    bump();
    if (m_observer)
        m_observer(phase);
}

void ScanProgress::setItem(std::string_view text)
{
    {
        std::lock_guard lock(m_mutex);
        m_item.assign(text);
    }
    bump();
}

void ScanProgress::setGauge(int percent)
{
    if (m_gauge.exchange(percent, std::memory_order_relaxed) != percent)
        bump();
}

void ScanProgress::showGauge(bool visible)
{
    m_gaugeVisible.store(visible, std::memory_order_relaxed);
    bump();
}

void ScanProgress::setTimerInterval(int ms)
{
    m_timerInterval.store(ms, std::memory_order_relaxed);
}

ScanProgress::Snapshot ScanProgress::snapshot() const
{
    Snapshot s;
    s.seq = m_seq.load(std::memory_order_acquire);
    s.phase = m_phase.load(std::memory_order_relaxed);
    s.gauge = m_gauge.load(std::memory_order_relaxed);
    s.gaugeVisible = m_gaugeVisible.load(std::memory_order_relaxed);
    std::lock_guard lock(m_mutex);
    s.item = m_item;
    return s;
}

} // namespace twinly
