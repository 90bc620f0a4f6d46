#include "support/Progress.h"

#include <cstdio>
#include <string>

CProgressLine::CProgressLine(Writer write, Clock now) : m_write(std::move(write)), m_now(std::move(now))
{
    m_start = m_now();
    m_lastDraw = m_start;
}

std::string CProgressLine::Text(double now) const
{
    const double seconds = now - m_start;
    const double rate = seconds > 0 ? static_cast<double>(m_bases) / seconds : 0.0;
    char nulls[48] = "";
    if (m_nullScans > 0)
        (void)std::snprintf(nulls, sizeof nulls, ", %lld null %s", m_nullScans, m_nullScans == 1 ? "scan" : "scans");
    char text[200];
    if (rate >= 1e6)
        (void)std::snprintf(text, sizeof text, "Velmora: %lld %s%s, %lld bases, %.1f M bases/s", m_records,
                            m_records == 1 ? "record" : "records", nulls, m_bases, rate / 1e6);
    else
        (void)std::snprintf(text, sizeof text, "Velmora: %lld %s%s, %lld bases, %.0f bases/s", m_records,
                            m_records == 1 ? "record" : "records", nulls, m_bases, rate);
    return text;
}

void CProgressLine::Update()
{
    const double now = m_now();
    if (!m_drawnOnce) {
        if (now - m_start < kShowAfterSeconds && m_bases < kShowAfterBases)
            return;
        m_drawnOnce = true;
    } else if (now - m_lastDraw < kRedrawSeconds) {
        return;
    }
    m_lastDraw = now;
    const std::string text = Text(now);
    std::string line = "\r" + text;
    if (text.size() < m_shownWidth)
        line.append(m_shownWidth - text.size(), ' ');
    m_write(line);
    m_shownWidth = text.size();
}

void CProgressLine::Bases(long long bases)
{
    m_bases += bases;
    Update();
}

void CProgressLine::RecordDone()
{
    ++m_records;
    Update();
}

void CProgressLine::NullScansDone(long long scans)
{
    m_nullScans += scans;
    Update();
}

void CProgressLine::Clear()
{
    if (m_shownWidth == 0)
        return;
    m_write("\r" + std::string(m_shownWidth, ' ') + "\r");
    m_shownWidth = 0;
}
