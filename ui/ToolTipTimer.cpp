#include "ui/ToolTipTimer.h"

#include "ui/Button.h"
#include "ui/ComboBox.h"
#include "ui/Private.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QMouseEvent>

using namespace uiimpl;

namespace {

// Periods of hovering before the tip shows, and how long it stays.
constexpr int kShowAfterPeriods = 5;
constexpr int kShownForPeriods = 60;

// Follows the pointer through the toolkit's enter, leave, move and press
// events: nothing runs while the pointer rests, but for the one timer of a
// tip about to show or to hide.
class CTracker : public QObject {
public:
    CTracker() {
        m_show.setSingleShot(true);
        m_hide.setSingleShot(true);
        QObject::connect(&m_show, &QTimer::timeout, [this] { ShowNow(); });
        // Its time over, the tip goes but the control stays the hovered one:
        // it shows again only once the pointer has left it.
        QObject::connect(&m_hide, &QTimer::timeout, [this] {
            if (m_tip)
                m_tip->hide();
        });
    }
    void Start(unsigned periodMs) {
        m_period = static_cast<int>(periodMs == 0 ? 100 : periodMs);
        if (!m_running)
            qApp->installEventFilter(this);
        m_running = true;
        Forget();
        // The pointer may already rest on a control.
        Hover(QApplication::widgetAt(QCursor::pos()));
    }
    void Stop() {
        if (m_running)
            qApp->removeEventFilter(this);
        m_running = false;
        Forget();
    }
    bool Running() const { return m_running; }
    bool Waiting() const { return m_show.isActive() || m_hide.isActive(); }
    void Release() {
        Stop();
        delete m_tip.data();
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Enter:
            // Where the pointer really is: the toolkit's idea of it is old
            // when a window was mapped under the pointer.
            Hover(QApplication::widgetAt(QCursor::pos()));
            break;
        case QEvent::Leave:
            if (object == m_hovered.data())
                Forget();
            break;
        case QEvent::MouseMove:
            // Seen by the window before any control: a window mapped under
            // the pointer gives its controls no enter event until the
            // pointer has left it once, but its moves tell where it is.
            if (object->isWindowType())
                Hover(QApplication::widgetAt(
                    static_cast<QMouseEvent*>(event)->globalPosition().toPoint()));
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
            Forget();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void Hover(QWidget* widget);
    void ShowNow();
    void Forget() {
        m_show.stop();
        m_hide.stop();
        m_hovered = nullptr;
        if (m_tip)
            m_tip->hide();
    }

    bool m_running = false;
    int m_period = 100;
    QTimer m_show;
    QTimer m_hide;
    QPointer<QWidget> m_hovered;
    QPointer<QLabel> m_tip;
};

CTracker*& TrackerSlot() {
    static CTracker* tracker = nullptr;
    return tracker;
}

CTracker* TheTracker() {
    CTracker*& tracker = TrackerSlot();
    if (tracker == nullptr && QCoreApplication::instance() != nullptr)
        tracker = new CTracker();
    return tracker;
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

} // namespace

void CTracker::Hover(QWidget* widget) {
    const Tip tip = WindowWithTip(widget);
    QWidget* owner = tip.owner != nullptr ? tip.owner->GetWidget() : nullptr;
    if (owner == m_hovered.data() && owner != nullptr)
        return; // from one part of the control to another
    Forget();
    if (owner == nullptr || QApplication::mouseButtons() != Qt::NoButton)
        return;
    m_hovered = owner;
    m_show.start(m_period * kShowAfterPeriods);
}

void CTracker::ShowNow() {
    const Tip tip = WindowWithTip(m_hovered.data());
    if (tip.owner == nullptr) {
        Forget();
        return;
    }
    if (!m_tip) {
        m_tip = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
        m_tip->setMargin(4);
        m_tip->setStyleSheet("QLabel { background: #FFFDE8; color: #1E2636;"
                             " border: 1px solid #9AA5B8; }");
    }
    m_tip->setFont(QtFont(CFontRegistry::Get(tip.fontId, tip.codePage)));
    m_tip->setText(Q(tip.text));
    m_tip->adjustSize();
    m_tip->move(QCursor::pos() + QPoint(12, 20));
    m_tip->show();
    m_tip->raise();
    m_hide.start(m_period * kShownForPeriods);
}

void CToolTipTimer::Start(unsigned periodMs) {
    if (CTracker* tracker = TheTracker())
        tracker->Start(periodMs);
}

void CToolTipTimer::Stop() {
    if (CTracker* tracker = TrackerSlot())
        tracker->Stop();
}

bool CToolTipTimer::IsRunning() {
    const CTracker* tracker = TrackerSlot();
    return tracker != nullptr && tracker->Running();
}

bool CToolTipTimer::IsWaiting() {
    const CTracker* tracker = TrackerSlot();
    return tracker != nullptr && tracker->Waiting();
}

void uiimpl::ReleaseToolTips() {
    CTracker*& tracker = TrackerSlot();
    if (tracker != nullptr)
        tracker->Release();
    delete tracker;
    tracker = nullptr;
}
