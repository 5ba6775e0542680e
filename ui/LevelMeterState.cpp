// What the level meter shows, whatever draws it: the position, the falling
// bar, the peak tick, the clip sign and the percentage text.
#include "ui/LevelMeter.h"

#include <algorithm>
#include <cstdio>

void CLevelMeter::SetRange(int minimum, int maximum) {
    if (minimum == m_min && maximum == m_max)
        return;
    m_min = minimum;
    m_max = maximum;
    Repaint();
}

void CLevelMeter::SetPos(int pos) {
    m_pos = pos;
    m_shown = pos;
    Refresh();
}

void CLevelMeter::StepIt() {
    m_pos += m_step;
    if (m_pos > m_max)
        m_pos = m_min + (m_pos - m_max);
    m_shown = m_pos;
    Refresh();
}

void CLevelMeter::SetGradientColors(COLORREF left, COLORREF right) {
    if (left == m_left && right == m_right)
        return;
    m_left = left;
    m_right = right;
    Repaint();
}

void CLevelMeter::SetTextColor(COLORREF color) {
    if (color == m_text)
        return;
    m_text = color;
    Repaint();
}

void CLevelMeter::ShowPercent(bool show) {
    m_percent = show;
    Refresh();
}

void CLevelMeter::SetLevel(int level) {
    m_pos = level;
    // A bar showing nothing (blank) has nothing to fall from.
    if (level > m_shown || IsBlank()) {
        m_shown = level;
        m_barFallMs = 0;
    }
    Refresh();
}

void CLevelMeter::SetPeak(int peak) {
    if (peak <= m_min)
        return;
    if (!m_hasPeak || peak >= m_peak) {
        m_hasPeak = true;
        m_peak = peak;
        m_holdLeftMs = kPeakHoldMs;
        m_tickFallMs = 0;
        Refresh();
    }
}

void CLevelMeter::ClearPeak() {
    m_hasPeak = false;
    m_holdLeftMs = 0;
    Refresh();
}

void CLevelMeter::Advance(unsigned ms) {
    const auto fall = [this](unsigned t) {
        return static_cast<int>(static_cast<long long>(m_fallPerSecond) * t / 1000);
    };
    if (m_shown > m_pos) {
        m_barFallMs += ms;
        if (m_barFallMs >= kFallStepMs) {
            m_shown = std::max(m_pos, m_shown - fall(m_barFallMs));
            m_barFallMs = 0;
        }
    } else {
        m_barFallMs = 0;
    }
    if (m_hasPeak) {
        if (m_holdLeftMs >= ms) {
            m_holdLeftMs -= ms;
        } else {
            m_tickFallMs += ms - m_holdLeftMs;
            m_holdLeftMs = 0;
            if (m_tickFallMs >= kFallStepMs) {
                m_peak -= fall(m_tickFallMs);
                m_tickFallMs = 0;
                if (m_peak <= m_min)
                    m_hasPeak = false;
            }
        }
    }
    Refresh();
}

void CLevelMeter::SetClipped() {
    m_clipped = true;
    Refresh();
}

void CLevelMeter::ClearClip() {
    m_clipped = false;
    Refresh();
}

void CLevelMeter::SetTargetZone(int low, int high) {
    if (low == m_zoneLow && high == m_zoneHigh)
        return;
    m_zoneLow = low;
    m_zoneHigh = high;
    Repaint();
}

bool CLevelMeter::HasTargetZone() const {
    return m_zoneLow < m_zoneHigh && m_max > 0 && m_zoneLow >= 0 && m_zoneHigh <= m_max;
}

int CLevelMeter::InnerWidth() const {
    CRect client;
    GetClientRect(client);
    return std::max(0, client.Width() - 2);
}

int CLevelMeter::FilledWidth() const {
    if (IsBlank() || m_max <= 0)
        return 0;
    return static_cast<int>(static_cast<long long>(InnerWidth()) * m_shown / m_max);
}

int CLevelMeter::PeakTickX() const {
    if (!m_hasPeak || m_max <= 0)
        return -1;
    const int inner = InnerWidth();
    if (inner < kTickWidth)
        return -1;
    const long long x = static_cast<long long>(inner) * std::min(m_peak, m_max) / m_max;
    // The tick's right edge at the level's pixel, and inside the bar.
    return static_cast<int>(std::clamp<long long>(x - kTickWidth + 1, 0, inner - kTickWidth));
}

std::string CLevelMeter::PercentText() const {
    if (!m_percent || IsBlank() || m_max == 0)
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%.0f%%", 100.0 * m_shown / m_max);
    return text;
}

CLevelMeter::Picture CLevelMeter::CurrentPicture() const {
    Picture picture;
    picture.filled = FilledWidth();
    picture.tick = PeakTickX();
    picture.clip = m_clipped;
    picture.text = PercentText();
    return picture;
}
