#include "ui/PropertySheet.h"

#include "ui/Button.h"
#include "ui/DialogWidget.h"
#include "ui/Private.h"
#include "ui/PropertyPage.h"
#include "ui/SheetNotice.h"
#include "ui/SheetPrivate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

using namespace uiimpl;

namespace {

constexpr int kMargin = 11;

// The window of the sheet: Escape and the close box count as Cancel.
class SheetWidget : public QDialog {
public:
    explicit SheetWidget(QWidget* parent) : QDialog(parent) {
        setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                       Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
        setAutoFillBackground(true);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, FaceColor());
        setPalette(palette);
    }
    void reject() override {
        if (auto* sheet = dynamic_cast<CPropertySheet*>(WndOf(this)))
            sheet->Private().cancelRequested();
    }
    void accept() override {}

protected:
    void paintEvent(QPaintEvent*) override {
        auto* sheet = dynamic_cast<CPropertySheet*>(WndOf(this));
        const int separatorY = sheet != nullptr ? sheet->Private().separatorY() : 0;
        QPainter painter(this);
        painter.setPen(QColor(0xC9, 0xD0, 0xDC));
        painter.drawLine(kMargin, separatorY, width() - kMargin, separatorY);
        painter.setPen(QColor(0xFF, 0xFF, 0xFF));
        painter.drawLine(kMargin, separatorY + 1, width() - kMargin, separatorY + 1);
        NoteSheetPainted();
        if (!m_painted) {
            m_painted = true;
            QTimer::singleShot(0, this, [this] {
                if (auto* sheet = dynamic_cast<CPropertySheet*>(WndOf(this)))
                    sheet->OnFirstPaint();
            });
        }
    }

private:
    bool m_painted = false;
};

} // namespace

// ---- the keyboard hook -------------------------------------------------------

bool SheetKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    auto* target = qobject_cast<QWidget*>(watched);
    QWidget* sheetWidget = sheet->GetWidget();
    if (target == nullptr || sheetWidget == nullptr)
        return false;
    // The sheet and the dialogs opened over it.
    bool ours = false;
    for (QWidget* w = target; w != nullptr; w = w->parentWidget()) {
        if (w == sheetWidget) {
            ours = true;
            break;
        }
    }
    if (!ours)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    // An unhandled key travels up the parents as the same event: look at it
    // once.
    if (key == lastEvent && key->timestamp() == lastTimestamp && event->type() == lastType)
        return false;
    lastEvent = key;
    lastTimestamp = key->timestamp();
    lastType = event->type();

    MSG msg;
    msg.hwnd = WndOf(target);
    msg.ctrl = (key->modifiers() & Qt::ControlModifier) != 0;
    msg.alt = (key->modifiers() & Qt::AltModifier) != 0;
    msg.shift = (key->modifiers() & Qt::ShiftModifier) != 0;
    const bool down = event->type() == QEvent::KeyPress;
    msg.message = msg.alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    msg.wParam = VirtualKey(key->key());
    if (msg.wParam == 0)
        return false;
    return sheet->PreTranslateMessage(msg);
}

void CSheetPrivate::cancelRequested() {
    owner->Cancel();
}

// ---- the sheet -----------------------------------------------------------------

CPropertySheet::CPropertySheet(const std::string& caption, CWnd* parent, int selectPage)
    : p(std::make_unique<CSheetPrivate>()), m_caption(caption), m_startPage(selectPage) {
    p->owner = this;
    p->parent = parent;
    p->keys.sheet = this;
}

CPropertySheet::~CPropertySheet() {
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeEventFilter(&p->keys);
    DestroyNotice();
    m_buttons.clear();
    DestroyWindow();
}

bool CPropertySheet::Create() {
    if (QCoreApplication::instance() == nullptr || m_pages.empty())
        return false;
    if (HasWindow())
        DestroyWindow();
    QWidget* parentWidget = p->parent != nullptr ? p->parent->GetWidget() : nullptr;
    auto* widget = new SheetWidget(parentWidget);
    AttachWidget(widget, nullptr, 0);
    SetWindowText(m_caption);

    MakeButtonRow();

    m_open = true;
    m_result = 0;
    m_active = -1;
    QCoreApplication::instance()->installEventFilter(&p->keys);
    OnInitDialog();
    if (m_active < 0)
        ShowPage(std::clamp(m_startPage, 0, GetPageCount() - 1), +1);
    FitButtonRow();
    widget->show();
    return true;
}

int CPropertySheet::DoModal() {
    if (!Create())
        return IDCANCEL;
    auto* dialog = static_cast<QDialog*>(GetWidget());
    p->inExec = true;
    if (m_open)
        dialog->exec();
    p->inExec = false;
    QCoreApplication::instance()->removeEventFilter(&p->keys);
    return EndModalRun();
}

void CPropertySheet::EndDialog(int result) {
    m_result = result;
    m_open = false;
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeEventFilter(&p->keys);
    auto* dialog = static_cast<QDialog*>(GetWidget());
    if (dialog == nullptr)
        return;
    if (p->inExec)
        dialog->done(result);
    else
        dialog->hide();
}

void CPropertySheet::GrowFrame(int grow) {
    QWidget* widget = GetWidget();
    widget->setFixedSize(widget->width(), widget->height() + grow);
    widget->update();
}

void CPropertySheet::FocusPage(CPropertyPage& page) {
    OrderTabsByReading(GetWidget());
    FocusFirstControl(page.GetWidget());
}

void CPropertySheet::SetWizardButtons(plat::DWORD flags) {
    QWidget* widget = GetWidget();
    if (widget == nullptr)
        return;
    QMetaObject::invokeMethod(
        widget, [this, flags] { ApplyWizardButtons(flags); }, Qt::QueuedConnection);
}
