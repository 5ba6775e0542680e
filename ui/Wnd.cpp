#include "ui/Wnd.h"

#include "ui/MessageBoxButtons.h"
#include "ui/Private.h"
#include "ui/Testing.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

using namespace uiimpl;

CWnd::CWnd() : d(std::make_unique<CWndPrivate>()) {
    d->self = this;
}

CWnd::~CWnd() {
    UntieLabels(*this);
    for (CWnd* child : d->children)
        child->d->parent = nullptr;
    if (d->parent != nullptr) {
        auto& siblings = d->parent->d->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    d->timers.clear();
    if (d->widget) {
        SetWndOf(d->widget, nullptr);
        delete d->widget.data();
    }
}

void CWnd::AttachWidget(QWidget* widget, CWnd* parent, int id) {
    if (d->widget) {
        SetWndOf(d->widget, nullptr);
        delete d->widget.data();
    }
    if (d->parent != nullptr && d->parent != parent) {
        auto& siblings = d->parent->d->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    d->widget = widget;
    d->id = id;
    // Windows with an id are found through their parent (GetDlgItem).
    if (parent != nullptr && d->parent != parent && id != 0)
        parent->d->children.push_back(this);
    d->parent = parent;
    SetWndOf(widget, this);
    widget->setFont(QtFont(d->font));
    RefreshAccessible(*this);
}

void CWnd::DestroyWindow() {
    if (d->widget) {
        SetWndOf(d->widget, nullptr);
        delete d->widget.data();
    }
}

QWidget* CWnd::GetWidget() const {
    return d->widget.data();
}
bool CWnd::HasWindow() const {
    return !d->widget.isNull();
}
bool CWnd::ShowWindow(int cmd) {
    if (!d->widget)
        return false;
    const bool was = !d->widget->isHidden();
    d->widget->setVisible(cmd != SW_HIDE);
    // The text shown among a control's labels names it.
    if (was != !d->widget->isHidden())
        for (CWnd* control : d->labelled)
            RefreshAccessible(*control);
    if (!was && !d->widget->isHidden())
        AnnounceLiveText(*this);
    return was;
}

void CWnd::EnableWindow(bool enable) {
    if (d->widget)
        d->widget->setEnabled(enable);
}

bool CWnd::IsWindowEnabled() const {
    return d->widget && d->widget->isEnabled();
}
bool CWnd::IsWindowVisible() const {
    return d->widget && d->widget->isVisible();
}

void CWnd::MoveWindow(int x, int y, int width, int height, bool repaint) {
    if (!d->widget)
        return;
    d->widget->setGeometry(x, y, std::max(0, width), std::max(0, height));
    if (repaint)
        d->widget->update();
}

void CWnd::MoveWindow(const CRect& r, bool repaint) {
    MoveWindow(r.left, r.top, r.Width(), r.Height(), repaint);
}

void CWnd::GetWindowRect(CRect& rect) const {
    rect = CRect{};
    if (!d->widget)
        return;
    const QPoint topLeft = d->widget->isWindow() ? d->widget->geometry().topLeft()
                                                 : d->widget->mapToGlobal(QPoint(0, 0));
    const QSize size = d->widget->size();
    rect = CRect{topLeft.x(), topLeft.y(), topLeft.x() + size.width(), topLeft.y() + size.height()};
}

void CWnd::GetClientRect(CRect& rect) const {
    rect = CRect{};
    if (d->widget)
        rect = CRect{0, 0, d->widget->width(), d->widget->height()};
}

void CWnd::ScreenToClient(CRect& rect) const {
    if (!d->widget)
        return;
    const QPoint origin = d->widget->mapToGlobal(QPoint(0, 0));
    rect.left -= origin.x();
    rect.right -= origin.x();
    rect.top -= origin.y();
    rect.bottom -= origin.y();
}

CRect CWnd::GetRectInParent() const {
    if (!d->widget)
        return CRect{};
    const QRect g = d->widget->geometry();
    return CRect{g.x(), g.y(), g.x() + g.width(), g.y() + g.height()};
}

void CWnd::SetWindowText(const std::string& text) {
    d->text = text;
    QWidget* w = d->widget.data();
    if (w == nullptr)
        return;
    if (w->isWindow())
        w->setWindowTitle(Q(text));
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        button->setText(Q(text));
    else if (auto* edit = qobject_cast<QLineEdit*>(w))
        edit->setText(Q(text));
    else if (auto* combo = qobject_cast<QComboBox*>(w))
        combo->setEditText(Q(text));
    w->update();
    RefreshAccessible(*this);
}

std::string CWnd::GetWindowText() const {
    const QWidget* w = d->widget.data();
    if (w == nullptr)
        return d->text;
    // Fields the user types into answer what they hold now.
    if (auto* edit = qobject_cast<const QLineEdit*>(w))
        return S(edit->text());
    if (auto* combo = qobject_cast<const QComboBox*>(w))
        return S(combo->currentText());
    return d->text;
}

void CWnd::SetFont(const CFont* font, bool redraw) {
    d->font = font;
    if (d->widget) {
        d->widget->setFont(QtFont(font));
        if (redraw)
            d->widget->update();
    }
}

void CWnd::SetAccessibleName(const std::string& name) {
    d->accName = name;
    RefreshAccessible(*this);
}

void CWnd::SetAccessibleDescription(const std::string& description) {
    d->accDescription = description;
    RefreshAccessible(*this);
}

std::string CWnd::GetAccessibleName() const {
    return S(Q(AccessibleNameOf(*this)));
}

std::string CWnd::GetAccessibleDescription() const {
    return S(Q(AccessibleDescriptionOf(*this)));
}

void CWnd::Invalidate(bool) {
    if (d->widget)
        d->widget->update();
}

void CWnd::UpdateWindow() {
    if (d->widget && d->widget->isVisible())
        d->widget->repaint();
}

void CWnd::RedrawWindow() {
    if (d->widget && d->widget->isVisible())
        d->widget->repaint();
}

void CWnd::SetFocus() {
    if (d->widget)
        d->widget->setFocus();
}

bool CWnd::SetTimer(plat::UINT_PTR id, plat::UINT ms) {
    if (QCoreApplication::instance() == nullptr)
        return false;
    auto& timer = d->timers[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        QObject::connect(timer.get(), &QTimer::timeout, [this, id] { OnTimer(id); });
    }
    timer->start(static_cast<int>(std::max<plat::UINT>(ms, 1)));
    return true;
}

bool CWnd::KillTimer(plat::UINT_PTR id) {
    // The timer object stays: KillTimer is often called from OnTimer itself.
    const auto it = d->timers.find(id);
    if (it == d->timers.end() || !it->second->isActive())
        return false;
    it->second->stop();
    return true;
}

namespace uiimpl {

CWndState& StateOf(const CWnd& wnd) {
    return CWndPrivate::Of(wnd);
}

bool IsShown(const CWnd& wnd) {
    const QWidget* widget = CWndPrivate::Of(wnd).widget.data();
    return widget != nullptr && !widget->isHidden();
}

void SetFrameSize(CWnd& wnd, int width, int height) {
    if (QWidget* widget = wnd.GetWidget())
        widget->setFixedSize(width, height);
}

void SetDefaultButton(CWnd&, CWnd& button) {
    if (auto* widget = qobject_cast<QPushButton*>(button.GetWidget()))
        widget->setDefault(true);
}

void BringToTop(CWnd& wnd) {
    if (QWidget* widget = wnd.GetWidget())
        widget->raise();
}

int ShowMessageBox(CWnd& owner, const std::string& text, const std::string& caption,
                   plat::UINT type, const std::vector<BoxButton>& buttons, bool captionsGiven) {
    const CWndPrivate& d = CWndPrivate::Of(owner);
    QWidget* parent = d.widget ? d.widget->window() : nullptr;
    SetProgramIcon();
    QMessageBox box(parent);
    box.setWindowTitle(Q(caption));
    box.setText(Q(text));
    switch (type & 0xF0) {
    case MB_ICONHAND:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONEXCLAMATION:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONASTERISK:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    // The standard button of each id, which gives Escape and Enter their
    // usual meaning; its caption is the one asked for.
    auto standard = [](int id) {
        switch (id) {
        case IDYES:
            return QMessageBox::Yes;
        case IDNO:
            return QMessageBox::No;
        case IDCANCEL:
            return QMessageBox::Cancel;
        default:
            return QMessageBox::Ok;
        }
    };
    QMessageBox::StandardButtons standardButtons;
    for (const BoxButton& button : buttons)
        standardButtons |= standard(button.id);
    box.setStandardButtons(standardButtons);
    if (captionsGiven)
        for (const BoxButton& button : buttons)
            box.button(standard(button.id))->setText(Q(button.text));
    const int pressed = box.exec();
    for (const BoxButton& button : buttons)
        if (pressed == standard(button.id))
            return button.id;
    return (type & 0x0F) == MB_YESNO ? IDNO : IDCANCEL;
}

static const char* const kWndProperty = "pelmoraWnd";

CWnd* WndOf(const QWidget* widget) {
    if (widget == nullptr)
        return nullptr;
    return static_cast<CWnd*>(widget->property(kWndProperty).value<void*>());
}

void SetWndOf(QWidget* widget, CWnd* wnd) {
    widget->setProperty(kWndProperty, QVariant::fromValue<void*>(wnd));
}

QColor FaceColor() {
    return QColor(0xF1, 0xF3, 0xF8);
}
QColor PageColor() {
    return QColor(0xF7, 0xF8, 0xFB);
}
QColor FrameColor() {
    return QColor(0xB5, 0xBF, 0xD0);
}

} // namespace uiimpl
