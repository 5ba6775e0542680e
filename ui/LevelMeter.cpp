#include "ui/LevelMeter.h"

#include "ui/Private.h"

#include <QLinearGradient>
#include <QPainter>

#include <cstdio>

using namespace uiimpl;

namespace {

class LevelMeterWidget : public QWidget {
public:
    explicit LevelMeterWidget(QWidget* parent) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        const auto* meter = dynamic_cast<const CLevelMeter*>(WndOf(this));
        if (meter == nullptr)
            return;
        QPainter painter(this);
        const QRect inner = rect().adjusted(1, 1, -1, -1);
        painter.fillRect(rect(), FaceColor());
        painter.setPen(FrameColor());
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        if (meter->IsBlank())
            return;
        const int filled = meter->FilledWidth();
        if (filled > 0) {
            QLinearGradient gradient(inner.left(), 0, inner.left() + filled, 0);
            gradient.setColorAt(0, Color(meter->GetLeftColor()));
            gradient.setColorAt(1, Color(meter->GetRightColor()));
            painter.fillRect(QRect(inner.left(), inner.top(), filled, inner.height()), gradient);
        }
        const std::string text = meter->PercentText();
        if (!text.empty()) {
            painter.setFont(font());
            painter.setPen(Color(meter->GetTextColor()));
            painter.drawText(rect(), Qt::AlignCenter, Q(text));
        }
    }
};

} // namespace

bool CLevelMeter::Create(CWnd* parent, int id) {
    if (parent == nullptr || parent->GetWidget() == nullptr)
        return false;
    auto* widget = new LevelMeterWidget(parent->GetWidget());
    AttachWidget(widget, parent, id);
    widget->resize(200, 20);
    widget->show();
    return true;
}

void CLevelMeter::SetRange(int minimum, int maximum) {
    m_min = minimum;
    m_max = maximum;
    Invalidate();
}

void CLevelMeter::SetPos(int pos) {
    m_pos = pos;
    Invalidate();
}

void CLevelMeter::StepIt() {
    m_pos += m_step;
    if (m_pos > m_max)
        m_pos = m_min + (m_pos - m_max);
    Invalidate();
}

void CLevelMeter::SetGradientColors(COLORREF left, COLORREF right) {
    m_left = left;
    m_right = right;
    Invalidate();
}

void CLevelMeter::SetTextColor(COLORREF color) {
    m_text = color;
    Invalidate();
}

void CLevelMeter::ShowPercent(bool show) {
    m_percent = show;
    Invalidate();
}

int CLevelMeter::FilledWidth() const {
    if (IsBlank() || m_max <= 0)
        return 0;
    CRect client;
    GetClientRect(client);
    const long long inner = std::max(0, client.Width() - 2);
    return static_cast<int>(inner * m_pos / m_max);
}

std::string CLevelMeter::PercentText() const {
    if (!m_percent || IsBlank() || m_max == 0)
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%.0f%%", 100.0 * m_pos / m_max);
    return text;
}
