// CLevelMeter drawn with GDI: the same picture as the toolkit one (frame,
// the zone's darker stretch, the gradient uncovered up to the level, zone
// marks, peak tick, clip sign, percentage).
#include "ui/LevelMeter.h"

#include "ui/win32/Native.h"

#include <algorithm>
#include <cmath>
#include <vector>

using namespace uiimpl;

namespace {

struct Hsv {
    double h = 0, s = 0, v = 0; // 0..1; h < 0 for grey
};

Hsv ToHsv(COLORREF c) {
    const double r = GetRValue(c) / 255.0;
    const double g = GetGValue(c) / 255.0;
    const double b = GetBValue(c) / 255.0;
    const double max = std::max({r, g, b});
    const double min = std::min({r, g, b});
    const double delta = max - min;
    Hsv out{-1, max == 0 ? 0 : delta / max, max};
    if (delta == 0)
        return out;
    double h = max == r ? (g - b) / delta : max == g ? 2 + (b - r) / delta : 4 + (r - g) / delta;
    h /= 6;
    if (h < 0)
        h += 1;
    out.h = h;
    return out;
}

int Byte(double v) {
    return std::clamp(static_cast<int>(std::lround(v * 255)), 0, 255);
}

COLORREF FromHsv(double h, double s, double v) {
    const double hh = (h - std::floor(h)) * 6;
    const int i = static_cast<int>(hh) % 6;
    const double f = hh - std::floor(hh);
    const double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    const double rgb[6][3] = {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}};
    return RGB(Byte(rgb[i][0]), Byte(rgb[i][1]), Byte(rgb[i][2]));
}

} // namespace

namespace uiimpl {

// Green to red passes yellow and orange.
COLORREF HueBlend(COLORREF a, COLORREF b, double t) {
    Hsv x = ToHsv(a);
    Hsv y = ToHsv(b);
    x.h = std::max(x.h, 0.0);
    y.h = std::max(y.h, 0.0);
    double dh = y.h - x.h;
    if (dh > 0.5)
        dh -= 1.0;
    else if (dh < -0.5)
        dh += 1.0;
    return FromHsv(x.h + t * dh, x.s + t * (y.s - x.s), x.v + t * (y.v - x.v));
}

void NotifyLevelShown(CLevelMeter&, int) {}

} // namespace uiimpl

namespace {

COLORREF Darker(COLORREF c) {
    return RGB(GetRValue(c) * 100 / 112, GetGValue(c) * 100 / 112, GetBValue(c) * 100 / 112);
}

void Paint(const CLevelMeter& meter, win::Painter& p) {
    const CLevelMeter::Picture picture = meter.CurrentPicture();
    CRect r;
    meter.GetClientRect(r);
    const int left = 1, top = 1;
    const int width = std::max(0, r.Width() - 2);
    const int height = std::max(0, r.Height() - 2);
    p.Fill(0, 0, r.Width(), r.Height(), kFaceColor);
    p.Frame(0, 0, r.Width(), r.Height(), kFrameColor);
    const int span = meter.GetRangeMax();
    auto x = [&](int pos) {
        return span <= 0 ? left
                         : left + static_cast<int>(static_cast<long long>(width) * pos / span);
    };
    if (meter.HasTargetZone()) {
        const int zoneLeft = std::max(x(meter.GetZoneLow()), left + picture.filled);
        const int zoneRight = x(meter.GetZoneHigh());
        if (zoneRight > zoneLeft)
            p.Fill(zoneLeft, top, zoneRight - zoneLeft, height, Darker(kFaceColor));
    }
    // The gradient belongs to the whole bar; the level only uncovers it.
    for (int i = 0; i < picture.filled; ++i) {
        const int pos = width <= 0 ? 0 : static_cast<int>(static_cast<long long>(span) * i / width);
        p.Fill(left + i, top, 1, height, meter.GradientColorAt(pos));
    }
    if (meter.HasTargetZone())
        for (int pos : {meter.GetZoneLow(), meter.GetZoneHigh()}) {
            const int mx = x(pos);
            p.Fill(mx, top, 1, kMeterMarkLength, kMeterMarkColor);
            p.Fill(mx, top + height - kMeterMarkLength, 1, kMeterMarkLength, kMeterMarkColor);
        }
    if (picture.tick >= 0)
        p.Fill(left + picture.tick, top, CLevelMeter::kTickWidth, height, kMeterTickColor);
    if (picture.clip) {
        const int w = std::min(CLevelMeter::kClipSignWidth, width);
        const int signLeft = left + width - w;
        p.Fill(signLeft, top, w, height, kMeterClipColor);
        p.Fill(signLeft - 1, top, 1, height, RGB(255, 255, 255));
    }
    if (!picture.text.empty()) {
        const CSize size = meter.GetTextExtent(picture.text);
        DrawTextLines(p, meter.GetFont(), picture.text, meter.GetTextColor(),
                      (r.Width() - size.cx) / 2, (r.Height() - size.cy) / 2);
    }
}

} // namespace

bool CLevelMeter::Create(CWnd* parent, int id) {
    if (parent == nullptr || !parent->HasWindow())
        return false;
    win::Handle hwnd =
        win::CreateOwn(win::Class::Painted, u"", win::style::kChild | win::style::kVisible, 0,
                       Hwnd(parent), id, 0, 0, 200, 20);
    if (hwnd == nullptr)
        return false;
    AttachHwnd(hwnd, parent, id);
    CWndPrivate::Of(*this).paint = [this](win::Painter& p) {
        // Whatever a paint draws is what the meter last asked for.
        m_asked = CurrentPicture();
        Paint(*this, p);
    };
    return true;
}
