// What the level meter shows, whatever draws it: the position, the falling
// bar, the peak tick, the clip sign and the percentage text, and the colours
// of its gradient (the left colour at the left end, the right colour at the
// right end and, with a target zone, a third of the way in hue at its lower
// mark, half way (yellow) in its middle and two thirds of the way at its
// upper mark).
#include "ui/LevelMeter.h"
#include "ui/Toolkit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace uiimpl;

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

namespace uiimpl {

std::vector<GradientStop> GradientStops(const CLevelMeter& meter) {
    const COLORREF left = meter.GetLeftColor();
    const COLORREF right = meter.GetRightColor();
    std::vector<GradientStop> stops{{0.0, left}};
    if (meter.HasTargetZone()) {
        const double span = meter.GetRangeMax();
        const double low = meter.GetZoneLow() / span;
        const double high = meter.GetZoneHigh() / span;
        stops.push_back({low, HueBlend(left, right, 1.0 / 3)});
        stops.push_back({(low + high) / 2, HueBlend(left, right, 0.5)});
        stops.push_back({high, HueBlend(left, right, 2.0 / 3)});
    }
    stops.push_back({1.0, right});
    return stops;
}

} // namespace uiimpl

COLORREF CLevelMeter::GradientColorAt(int pos) const {
    const std::vector<GradientStop> stops = GradientStops(*this);
    const double at = m_max <= 0 ? 0.0 : std::clamp(static_cast<double>(pos) / m_max, 0.0, 1.0);
    std::size_t i = 1;
    while (i + 1 < stops.size() && stops[i].at < at)
        ++i;
    const GradientStop& a = stops[i - 1];
    const GradientStop& b = stops[i];
    const double t = b.at > a.at ? (at - a.at) / (b.at - a.at) : 1.0;
    auto mix = [t](int x, int y) {
        return std::clamp(static_cast<int>(std::lround(x + t * (y - x))), 0, 255);
    };
    return RGB(mix(GetRValue(a.color), GetRValue(b.color)),
               mix(GetGValue(a.color), GetGValue(b.color)),
               mix(GetBValue(a.color), GetBValue(b.color)));
}

void CLevelMeter::Refresh() {
    Picture picture = CurrentPicture();
    if (picture == m_asked)
        return;
    m_asked = std::move(picture);
    Invalidate();
    NotifyLevelShown(*this, m_shown);
}

void CLevelMeter::Repaint() {
    m_asked = CurrentPicture();
    Invalidate();
    NotifyLevelShown(*this, m_shown);
}
