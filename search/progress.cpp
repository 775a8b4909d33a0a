// SPDX-License-Identifier: GPL-3.0-or-later
#include "progress.h"

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
