#include "ui/ToolTipTimer.h"

#include "ui/Button.h"
#include "ui/ComboBox.h"
#include "ui/Private.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>

using namespace uiimpl;

namespace {

// Ticks of hovering before the tip shows, and how long it stays.
constexpr int kShowAfterTicks = 5;
constexpr int kHideAfterTicks = 5 + 60;

struct Tracker {
    QTimer* timer = nullptr;
    QPointer<QWidget> hovered;
    QPointer<QLabel> tip;
    int ticks = 0;
};

Tracker& TheTracker() {
    static Tracker tracker;
    return tracker;
}

void HideTip() {
    Tracker& t = TheTracker();
    if (t.tip)
        t.tip->hide();
}

// The tool-tip a window shows: a button's or a drop-down list's.
struct Tip {
    const CWnd* owner = nullptr;
    std::string text;
    int fontId = 0;
    int codePage = 1252;
};

Tip TipOf(const CWnd* wnd) {
    if (const auto* button = dynamic_cast<const CButton*>(wnd))
        return {wnd, button->GetTooltipText(), button->GetTooltipFontId(),
                button->GetTooltipCodePage()};
    if (const auto* box = dynamic_cast<const CComboBox*>(wnd))
        return {wnd, box->GetTooltipText(), box->GetTooltipFontId(), box->GetTooltipCodePage()};
    return {};
}

Tip WindowWithTip(QWidget* widget) {
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (Tip tip = TipOf(WndOf(w)); tip.owner != nullptr)
            return !tip.text.empty() && w->isEnabled() && w->isVisible() ? tip : Tip{};
        if (w->isWindow())
            break;
    }
    return {};
}

void ShowTip(const Tip& tip, const QPoint& at) {
    Tracker& t = TheTracker();
    if (!t.tip) {
        t.tip = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
        t.tip->setMargin(4);
        t.tip->setStyleSheet("QLabel { background: #FFFDE8; color: #1E2636;"
                             " border: 1px solid #9AA5B8; }");
    }
    t.tip->setFont(QtFont(CFontRegistry::Get(tip.fontId, tip.codePage)));
    t.tip->setText(Q(tip.text));
    t.tip->adjustSize();
    t.tip->move(at + QPoint(12, 20));
    t.tip->show();
    t.tip->raise();
}

void Track() {
    Tracker& t = TheTracker();
    const QPoint pos = QCursor::pos();
    QWidget* under = QApplication::widgetAt(pos);
    const Tip tip = WindowWithTip(under);
    QWidget* widget = tip.owner != nullptr ? tip.owner->GetWidget() : nullptr;
    if (widget != t.hovered.data() || QApplication::mouseButtons() != Qt::NoButton) {
        t.hovered = widget;
        t.ticks = 0;
        HideTip();
        return;
    }
    if (widget == nullptr)
        return;
    ++t.ticks;
    if (t.ticks == kShowAfterTicks)
        ShowTip(tip, pos);
    else if (t.ticks == kHideAfterTicks)
        HideTip();
}

} // namespace

void CToolTipTimer::Start(unsigned periodMs) {
    if (QCoreApplication::instance() == nullptr)
        return;
    Tracker& t = TheTracker();
    if (t.timer == nullptr) {
        t.timer = new QTimer();
        QObject::connect(t.timer, &QTimer::timeout, &Track);
    }
    t.ticks = 0;
    t.timer->start(static_cast<int>(periodMs == 0 ? 100 : periodMs));
}

void CToolTipTimer::Stop() {
    Tracker& t = TheTracker();
    if (t.timer != nullptr)
        t.timer->stop();
    t.hovered = nullptr;
    t.ticks = 0;
    HideTip();
}

bool CToolTipTimer::IsRunning() {
    const Tracker& t = TheTracker();
    return t.timer != nullptr && t.timer->isActive();
}

void uiimpl::ReleaseToolTips() {
    Tracker& t = TheTracker();
    delete t.timer;
    t.timer = nullptr;
    delete t.tip.data();
    t.hovered = nullptr;
}
