#include "ui/Testing.h"

#include "ui/Private.h"
#include "ui/SliderCtrl.h"
#include "ui/SliderWidget.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QThread>

namespace {

// Each synthetic key event gets its own time stamp, as real ones have.
quint64 NextTimestamp() {
    static quint64 stamp = 1;
    return stamp++;
}

} // namespace

namespace uitest {

void RunEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

COLORREF PixelAt(const CWnd& wnd, int x, int y) {
    QWidget* widget = wnd.GetWidget();
    if (widget == nullptr || !widget->rect().contains(x, y))
        return 0xFFFFFFFF;
    // At one device pixel per pixel, whatever the screen's scale.
    const QImage image = widget->grab().toImage();
    const qreal scale = image.devicePixelRatio();
    const QColor c = image.pixelColor(static_cast<int>(x * scale), static_cast<int>(y * scale));
    return RGB(c.red(), c.green(), c.blue());
}

WindowPixels CapturePixels(const CWnd& wnd) {
    WindowPixels shot;
    QWidget* widget = wnd.GetWidget();
    if (widget == nullptr)
        return shot;
    // At one device pixel per pixel, whatever the screen's scale.
    const QImage image = widget->grab().toImage();
    const qreal scale = image.devicePixelRatio();
    shot.width = widget->width();
    shot.height = widget->height();
    shot.pixels.reserve(static_cast<std::size_t>(shot.width) * shot.height);
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x) {
            const QColor c =
                image.pixelColor(static_cast<int>(x * scale), static_cast<int>(y * scale));
            shot.pixels.push_back(RGB(c.red(), c.green(), c.blue()));
        }
    return shot;
}

struct PaintCounter::Filter : QObject {
    int count = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++count;
        return QObject::eventFilter(watched, event);
    }
};

PaintCounter::PaintCounter(const CWnd& wnd) : m_filter(std::make_unique<Filter>()) {
    if (QWidget* widget = wnd.GetWidget())
        widget->installEventFilter(m_filter.get());
}

PaintCounter::~PaintCounter() = default;

int PaintCounter::Count() const {
    return m_filter->count;
}

void ProcessEvents(int ms) {
    QElapsedTimer clock;
    clock.start();
    do {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (ms > 0)
            QThread::msleep(1);
    } while (clock.elapsed() < ms);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

std::string ShownText(const CWnd& wnd) {
    const QWidget* widget = wnd.GetWidget();
    if (widget == nullptr)
        return {};
    if (widget->isWindow())
        return uiimpl::S(widget->windowTitle());
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return uiimpl::S(button->text());
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget))
        return uiimpl::S(edit->text());
    if (const auto* combo = qobject_cast<const QComboBox*>(widget))
        return uiimpl::S(combo->currentText());
    return uiimpl::S(uiimpl::Q(CWndPrivate::Of(wnd).text));
}

void Click(CWnd& wnd) {
    QWidget* widget = wnd.GetWidget();
    if (widget == nullptr)
        return;
    // Hit-test as the mouse would: whatever lies on top at the middle of the
    // window gets the click.
    QWidget* window = widget->window();
    const QPoint global = widget->mapToGlobal(widget->rect().center());
    QWidget* target = window->childAt(window->mapFromGlobal(global));
    if (target == nullptr)
        target = window;
    const QPointF local = target->mapFromGlobal(QPointF(global));
    QMouseEvent press(QEvent::MouseButtonPress, local, QPointF(global), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, QPointF(global), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

namespace {

// The release goes to the widget the press went to or, as from a keyboard,
// to the one that has the focus once the press was handled (Tab moved it, or
// Enter closed the window).
void SendKey(QWidget* widget, bool releaseToFocus, plat::UINT vk, bool ctrl, bool alt, bool shift) {
    if (widget == nullptr)
        return;
    const QPointer<QWidget> pressed(widget);
    Qt::KeyboardModifiers modifiers;
    if (ctrl)
        modifiers |= Qt::ControlModifier;
    if (alt)
        modifiers |= Qt::AltModifier;
    if (shift)
        modifiers |= Qt::ShiftModifier;
    const Qt::Key key = uiimpl::ToolkitKey(vk);
    QString text;
    if (!ctrl && !alt && vk >= 'A' && vk <= 'Z')
        text = QString(QChar(shift ? vk : vk + ('a' - 'A')));
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    press.setTimestamp(NextTimestamp());
    QApplication::sendEvent(widget, &press);
    QWidget* target = releaseToFocus ? QApplication::focusWidget() : pressed.data();
    if (target == nullptr)
        return;
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    release.setTimestamp(NextTimestamp());
    QApplication::sendEvent(target, &release);
}

} // namespace

void PressKey(CWnd& wnd, plat::UINT vk, bool ctrl, bool alt, bool shift) {
    SendKey(wnd.GetWidget(), false, vk, ctrl, alt, shift);
}

void PressFocusedKey(plat::UINT vk, bool ctrl, bool alt, bool shift) {
    SendKey(QApplication::focusWidget(), true, vk, ctrl, alt, shift);
}

CWnd* FocusedWindow() {
    for (QWidget* w = QApplication::focusWidget(); w != nullptr; w = w->parentWidget()) {
        if (CWnd* wnd = uiimpl::WndOf(w))
            return wnd;
        if (w->isWindow())
            break; // a window that is none of ours (a message box)
    }
    return nullptr;
}

CWnd* WindowOfWidget(const QWidget* widget) {
    return uiimpl::WndOf(widget);
}

void CloseWindow(CWnd& wnd) {
    if (QWidget* widget = wnd.GetWidget())
        widget->window()->close();
}

void DragSlider(CSliderCtrl& slider, int pos) {
    auto* widget = dynamic_cast<SliderWidget*>(slider.GetWidget());
    if (widget == nullptr || !widget->isEnabled())
        return;
    widget->setSliderDown(true);
    widget->setSliderPosition(pos);
    widget->setSliderDown(false);
}

void PageSlider(CSliderCtrl& slider, bool up) {
    auto* widget = dynamic_cast<SliderWidget*>(slider.GetWidget());
    if (widget == nullptr || !widget->isEnabled())
        return;
    widget->triggerAction(up ? QAbstractSlider::SliderPageStepSub
                             : QAbstractSlider::SliderPageStepAdd);
    widget->EndTrack();
}

} // namespace uitest
