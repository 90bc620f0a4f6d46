#include "scanner/scan/HelpPacer.h"

#include <algorithm>

void CHelpPacer::Restart() { *this = CHelpPacer(m_settings); }

bool CHelpPacer::Block(Clock::time_point now, long long bases, bool helped)
{
    switch (m_phase) {
    case Phase::kWarm:
        // Blocks the other way scored before the change are not this way's
        // speed: wait for one of its own, or give up waiting after a few.
        if (helped == m_helping || ++m_warm >= m_settings.warmBlocks)
            Hold(now, m_nextHold);
        break;
    case Phase::kHold:
        if (now >= m_holdEnd)
            Hold(now, Clock::duration::zero());
        break;
    case Phase::kMeasure:
        m_bases += bases;
        if (now - m_since >= m_settings.measure) {
            const double seconds = std::chrono::duration<double>(std::max(now - m_since, Clock::duration(1))).count();
            Measured(now, static_cast<double>(m_bases) / seconds);
        }
        break;
    }
    return m_helping;
}

void CHelpPacer::Switch()
{
    m_helping = !m_helping;
    m_phase = Phase::kWarm;
    m_warm = 0;
}

void CHelpPacer::Hold(Clock::time_point now, Clock::duration hold)
{
    if (hold > Clock::duration::zero()) {
        m_phase = Phase::kHold;
        m_holdEnd = now + hold;
        return;
    }
    m_phase = Phase::kMeasure;
    m_since = now;
    m_bases = 0;
}

void CHelpPacer::Measured(Clock::time_point now, double rate)
{
    if (!m_helping) {
        m_aloneRate = rate;
        m_aloneAt = now;
    }
    if (!m_trial) {
        // The presumed best, measured at the end of its hold. Help that is
        // still clearly faster than the scan was alone a short while ago is
        // kept without trying again: on an idle machine most holds end so.
        if (m_helping && m_aloneRate > 0.0 && rate > m_aloneRate * m_settings.gain &&
            now - m_aloneAt < m_settings.longestHold) {
            Hold(now, m_hold[1]);
            m_hold[1] = std::min(kGrowth * m_hold[1], m_settings.longestHold);
            return;
        }
        // Else the other way, now.
        m_bestRate = rate;
        m_trial = true;
        m_nextHold = Clock::duration::zero();
        Switch();
        return;
    }
    m_trial = false;
    const double helped = m_helping ? rate : m_bestRate;
    const double alone = m_helping ? m_bestRate : rate;
    const bool help = helped > alone * m_settings.gain;
    const int way = help ? 1 : 0;
    if (help == m_helping) {
        // The way on trial won: it is kept, for a short hold at first.
        m_hold[way] = std::min(kGrowth * m_settings.firstHold, m_settings.longestHold);
        Hold(now, m_settings.firstHold);
        return;
    }
    // The presumed best won again: back to it, for longer than last time.
    m_nextHold = m_hold[way];
    m_hold[way] = std::min(kGrowth * m_hold[way], m_settings.longestHold);
    Switch();
}
