// The ring around the control that has the keyboard focus. It lies just
// outside the control, so every control shows it the same way, the ones we
// paint ourselves and the toolkit's alike, whatever the style draws for the
// focus itself. The toolkit's focus frame follows the control (moves,
// resizes, hides with it) and stays out of what screen readers see.
#include "ui/Dialog.h"
#include "ui/Private.h"

#include <QApplication>
#include <QFocusFrame>
#include <QPainter>
#include <QPointer>

namespace uiimpl {

namespace {

// Dark enough against the page and the buttons' faces to be seen at once.
const QColor kRingColor(0x1A, 0x56, 0xC8);

class FocusRing : public QFocusFrame {
public:
    explicit FocusRing(QWidget* parent) : QFocusFrame(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(kRingColor, 2));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 4, 4);
    }
};

QPointer<FocusRing> g_ring;

// The control a focused widget belongs to (a combo box for its edit
// field); null for pages, dialogs and widgets that are no control of ours.
QWidget* ControlOf(QWidget* focus) {
    for (QWidget* w = focus; w != nullptr && !w->isWindow(); w = w->parentWidget()) {
        const CWnd* wnd = WndOf(w);
        if (wnd == nullptr)
            continue;
        return dynamic_cast<const CDialog*>(wnd) != nullptr ? nullptr : w;
    }
    return nullptr;
}

void FollowFocus(QWidget*, QWidget* now) {
    QWidget* control = ControlOf(now);
    if (control == nullptr) {
        if (g_ring)
            g_ring->setWidget(nullptr);
        return;
    }
    if (!g_ring)
        g_ring = new FocusRing(control->parentWidget());
    g_ring->setWidget(control);
}

} // namespace

void InstallFocusRing() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app != nullptr)
        QObject::connect(app, &QApplication::focusChanged, app, &FollowFocus);
}

} // namespace uiimpl
