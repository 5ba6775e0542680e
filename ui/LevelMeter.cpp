#include "ui/LevelMeter.h"

#include "ui/Private.h"

#include <QAccessible>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace uiimpl;

namespace {

constexpr int kTickWidth = CLevelMeter::kTickWidth;

// A screen reader that listens hears the level as the bar shows it, as
// often as the bar changes.
void NotifyScreenReader(QWidget* widget, int shown) {
    if (widget == nullptr || !QAccessible::isActive())
        return;
    QAccessibleValueChangeEvent event(widget, shown);
    QAccessible::updateAccessibility(&event);
}

class LevelMeterWidget : public QWidget {
public:
    explicit LevelMeterWidget(QWidget* parent) : QWidget(parent) {
        // Every pixel is ours: a repaint of the meter repaints nothing below it.
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    std::function<void()> painted;

protected:
    void paintEvent(QPaintEvent*) override {
        auto* meter = dynamic_cast<CLevelMeter*>(WndOf(this));
        if (meter == nullptr)
            return;
        const CLevelMeter::Picture picture = meter->CurrentPicture();
        if (painted)
            painted();
        QPainter painter(this);
        const QRect inner = rect().adjusted(1, 1, -1, -1);
        painter.fillRect(rect(), FaceColor());
        painter.setPen(FrameColor());
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        const int span = meter->GetRangeMax();
        auto x = [&](int pos) {
            return span <= 0
                       ? inner.left()
                       : inner.left() +
                             static_cast<int>(static_cast<long long>(inner.width()) * pos / span);
        };
        // The zone's stretch of the empty bar is a shade darker.
        if (meter->HasTargetZone()) {
            const int zoneLeft = std::max(x(meter->GetZoneLow()), inner.left() + picture.filled);
            const int zoneRight = x(meter->GetZoneHigh());
            if (zoneRight > zoneLeft)
                painter.fillRect(QRect(zoneLeft, inner.top(), zoneRight - zoneLeft, inner.height()),
                                 FaceColor().darker(112));
        }
        if (picture.filled > 0) {
            // The gradient belongs to the whole bar; the level only uncovers it.
            QLinearGradient gradient(inner.left(), 0, inner.left() + inner.width(), 0);
            for (const GradientStop& stop : GradientStops(*meter))
                gradient.setColorAt(stop.at, Color(stop.color));
            painter.fillRect(QRect(inner.left(), inner.top(), picture.filled, inner.height()),
                             gradient);
        }
        if (meter->HasTargetZone()) {
            painter.setPen(Color(kMeterMarkColor));
            for (int pos : {meter->GetZoneLow(), meter->GetZoneHigh()}) {
                const int mx = x(pos);
                painter.drawLine(mx, inner.top(), mx, inner.top() + kMeterMarkLength - 1);
                painter.drawLine(mx, inner.bottom() - kMeterMarkLength + 1, mx, inner.bottom());
            }
        }
        if (picture.tick >= 0)
            painter.fillRect(
                QRect(inner.left() + picture.tick, inner.top(), kTickWidth, inner.height()),
                Color(kMeterTickColor));
        if (picture.clip) {
            const int width = std::min(CLevelMeter::kClipSignWidth, inner.width());
            const QRect sign(inner.right() - width + 1, inner.top(), width, inner.height());
            painter.fillRect(sign, Color(kMeterClipColor));
            painter.setPen(Qt::white);
            painter.drawLine(sign.left() - 1, inner.top(), sign.left() - 1, inner.bottom());
        }
        if (!picture.text.empty()) {
            painter.setFont(font());
            painter.setPen(Color(meter->GetTextColor()));
            painter.drawText(rect(), Qt::AlignCenter, Q(picture.text));
        }
    }
};

} // namespace

bool CLevelMeter::Create(CWnd* parent, int id) {
    if (parent == nullptr || parent->GetWidget() == nullptr)
        return false;
    auto* widget = new LevelMeterWidget(parent->GetWidget());
    // Whatever a paint draws is what the meter last asked for.
    widget->painted = [this] { m_asked = CurrentPicture(); };
    AttachWidget(widget, parent, id);
    widget->resize(200, 20);
    widget->show();
    return true;
}

namespace uiimpl {

// From green to red this passes yellow and orange, where a blend of the red,
// green and blue parts would pass a dull brown.
COLORREF HueBlend(COLORREF left, COLORREF right, double t) {
    const QColor a = Color(left);
    const QColor b = Color(right);
    float ha = 0, sa = 0, va = 0, hb = 0, sb = 0, vb = 0;
    a.getHsvF(&ha, &sa, &va);
    b.getHsvF(&hb, &sb, &vb);
    ha = std::max(ha, 0.0f); // achromatic colours answer -1
    hb = std::max(hb, 0.0f);
    double dh = hb - ha;
    if (dh > 0.5)
        dh -= 1.0;
    else if (dh < -0.5)
        dh += 1.0;
    double h = ha + t * dh;
    h -= std::floor(h);
    const QColor c = QColor::fromHsvF(static_cast<float>(h), static_cast<float>(sa + t * (sb - sa)),
                                      static_cast<float>(va + t * (vb - va)));
    return RGB(c.red(), c.green(), c.blue());
}

void NotifyLevelShown(CLevelMeter& meter, int shown) {
    NotifyScreenReader(meter.GetWidget(), shown);
}

} // namespace uiimpl
