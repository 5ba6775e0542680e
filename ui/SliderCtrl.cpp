#include "ui/SliderCtrl.h"

#include "ui/Private.h"
#include "ui/SliderWidget.h"

#include <QKeyEvent>
#include <QMouseEvent>

using namespace uiimpl;

SliderWidget::SliderWidget(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setTickPosition(QSlider::TicksBelow);
    setTracking(true);
    connect(this, &QAbstractSlider::actionTriggered, this, [this](int action) {
        switch (action) {
        case SliderSingleStepAdd:
            Notify(TB_LINEDOWN);
            break;
        case SliderSingleStepSub:
            Notify(TB_LINEUP);
            break;
        case SliderPageStepAdd:
            Notify(TB_PAGEDOWN);
            break;
        case SliderPageStepSub:
            Notify(TB_PAGEUP);
            break;
        case SliderToMinimum:
            Notify(TB_TOP);
            break;
        case SliderToMaximum:
            Notify(TB_BOTTOM);
            break;
        case SliderMove:
            Notify(TB_THUMBTRACK);
            break;
        default:
            break;
        }
    });
    connect(this, &QAbstractSlider::sliderReleased, this, [this] {
        Notify(TB_THUMBPOSITION);
        EndTrack();
    });
}

void SliderWidget::Notify(plat::UINT code) {
    auto* slider = dynamic_cast<CSliderCtrl*>(WndOf(this));
    if (slider == nullptr || slider->GetParent() == nullptr)
        return;
    m_pending = true;
    slider->GetParent()->OnHScroll(code, static_cast<plat::UINT>(sliderPosition()), slider);
}

void SliderWidget::EndTrack() {
    if (!m_pending)
        return;
    m_pending = false;
    Notify(TB_ENDTRACK);
    m_pending = false;
}

void SliderWidget::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    EndTrack();
}

void SliderWidget::keyReleaseEvent(QKeyEvent* event) {
    QSlider::keyReleaseEvent(event);
    if (!event->isAutoRepeat())
        EndTrack();
}

namespace {
SliderWidget* Slider(const CWnd* wnd) {
    return dynamic_cast<SliderWidget*>(wnd->GetWidget());
}
} // namespace

bool CSliderCtrl::Create(CWnd* parent, int id) {
    if (parent == nullptr || parent->GetWidget() == nullptr)
        return false;
    auto* widget = new SliderWidget(parent->GetWidget());
    widget->setRange(0, 100);
    widget->setPageStep(20);
    widget->setSingleStep(1);
    widget->setTickInterval(20);
    AttachWidget(widget, parent, id);
    widget->resize(200, 30);
    widget->show();
    return true;
}

void CSliderCtrl::SetRangeMin(int minimum, bool redraw) {
    if (SliderWidget* s = Slider(this)) {
        const QSignalBlocker block(s);
        s->setMinimum(minimum);
        if (redraw)
            s->update();
    }
}

void CSliderCtrl::SetRangeMax(int maximum, bool redraw) {
    if (SliderWidget* s = Slider(this)) {
        const QSignalBlocker block(s);
        s->setMaximum(maximum);
        if (redraw)
            s->update();
    }
}

void CSliderCtrl::SetRange(int minimum, int maximum, bool redraw) {
    SetRangeMin(minimum, false);
    SetRangeMax(maximum, redraw);
}

int CSliderCtrl::GetRangeMin() const {
    const SliderWidget* s = Slider(this);
    return s == nullptr ? 0 : s->minimum();
}

int CSliderCtrl::GetRangeMax() const {
    const SliderWidget* s = Slider(this);
    return s == nullptr ? 0 : s->maximum();
}

void CSliderCtrl::SetPageSize(int size) {
    if (SliderWidget* s = Slider(this)) {
        s->setPageStep(size);
        s->setTickInterval(size);
    }
}

int CSliderCtrl::GetPageSize() const {
    const SliderWidget* s = Slider(this);
    return s == nullptr ? 0 : s->pageStep();
}

void CSliderCtrl::SetLineSize(int size) {
    if (SliderWidget* s = Slider(this))
        s->setSingleStep(size);
}

int CSliderCtrl::GetLineSize() const {
    const SliderWidget* s = Slider(this);
    return s == nullptr ? 0 : s->singleStep();
}

void CSliderCtrl::SetPos(int pos) {
    if (SliderWidget* s = Slider(this)) {
        const QSignalBlocker block(s);
        s->setValue(pos);
        s->setSliderPosition(s->value());
    }
}

int CSliderCtrl::GetPos() const {
    const SliderWidget* s = Slider(this);
    return s == nullptr ? 0 : s->sliderPosition();
}
