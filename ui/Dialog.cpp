#include "ui/Dialog.h"

#include "ui/Button.h"
#include "ui/ColorText.h"
#include "ui/DialogWidget.h"
#include "ui/Private.h"

#include <QApplication>

#include <algorithm>

using namespace uiimpl;

namespace {

constexpr int kMargin = 10;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;

std::function<void(CDialog&)>& ModalHook() {
    static std::function<void(CDialog&)> hook;
    return hook;
}

} // namespace

DialogWidget::DialogWidget(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, PageColor());
    setPalette(palette);
}

void DialogWidget::reject() {
    if (auto* dialog = dynamic_cast<CDialog*>(WndOf(this)))
        dialog->OnCancel();
    else
        QDialog::reject();
}

void DialogWidget::accept() {
    if (auto* dialog = dynamic_cast<CDialog*>(WndOf(this)))
        dialog->OnOK();
    else
        QDialog::accept();
}

PageWidget::PageWidget(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, PageColor());
    setPalette(palette);
}

CDialog::CDialog(int templateId, CWnd* parent) : m_templateId(templateId), m_parentWnd(parent) {}

CDialog::~CDialog() {
    // The OK button goes before the window that holds it.
    m_okButtonWnd.reset();
}

void CDialog::SetTemplate(const std::string& caption, int width, int height, bool okButton) {
    m_caption = caption;
    m_width = width;
    m_height = height;
    m_okButton = okButton;
}

bool CDialog::CreateIndirect(CWnd* parentWindow, bool child) {
    if (QCoreApplication::instance() == nullptr)
        return false;
    QWidget* parentWidget = parentWindow != nullptr ? parentWindow->GetWidget() : nullptr;
    if (child && parentWidget == nullptr)
        return false;
    QWidget* widget = child ? static_cast<QWidget*>(new PageWidget(parentWidget))
                            : static_cast<QWidget*>(new DialogWidget(parentWidget));
    widget->hide();
    AttachWidget(widget, parentWindow, 0);
    if (!child) {
        SetWindowText(m_caption);
        if (m_width > 0 && m_height > 0)
            widget->setFixedSize(m_width, m_height);
        if (m_okButton) {
            m_okButtonWnd = std::make_unique<CButton>();
            m_okButtonWnd->Create(this, IDOK, "OK");
            if (auto* button = qobject_cast<QPushButton*>(m_okButtonWnd->GetWidget()))
                button->setDefault(true);
        }
    }
    CreateControls();
    // Texts lie over what they label: frames, buttons, pictures.
    for (CWnd* control : CWndPrivate::Of(*this).children)
        if (dynamic_cast<CColorText*>(control) != nullptr && control->GetWidget() != nullptr)
            control->GetWidget()->raise();
    OnInitDialog();
    if (!child) {
        FitToControls();
        OrderTabsByReading(widget);
        FocusFirstControl(widget);
    }
    return true;
}

void CDialog::FitToControls() {
    QWidget* widget = GetWidget();
    if (widget == nullptr)
        return;
    int right = 0;
    int bottom = 0;
    for (CWnd* control : CWndPrivate::Of(*this).children) {
        if (control == m_okButtonWnd.get() || control->GetWidget() == nullptr ||
            control->GetWidget()->isHidden())
            continue;
        const CRect r = control->GetRectInParent();
        right = std::max(right, r.right);
        bottom = std::max(bottom, r.bottom);
    }
    int width = m_width;
    int height = m_height;
    if (width <= 0 || height <= 0) {
        width = std::max(right + kMargin, 2 * kMargin + kButtonWidth);
        height = bottom + kMargin + (m_okButton ? kButtonHeight + kMargin : 0);
        widget->setFixedSize(width, height);
    }
    if (m_okButtonWnd)
        m_okButtonWnd->MoveWindow(width - kMargin - kButtonWidth, height - kMargin - kButtonHeight,
                                  kButtonWidth, kButtonHeight);
}

int CDialog::DoModal() {
    SetProgramIcon();
    if (!CreateIndirect(m_parentWnd, false))
        return -1;
    auto* dialog = static_cast<QDialog*>(GetWidget());
    m_modal = true;
    m_result = IDCANCEL;
    QTimer::singleShot(0, dialog, [this] {
        if (ModalHook())
            ModalHook()(*this);
    });
    // The control that had the keyboard gets it back when the dialog ends,
    // its window active again, as an owner window is when a dialog ends.
    const QPointer<QWidget> focusBefore = QApplication::focusWidget();
    dialog->exec();
    m_modal = false;
    m_okButtonWnd.reset();
    DestroyWindow();
    if (focusBefore) {
        focusBefore->window()->activateWindow();
        focusBefore->setFocus(Qt::ActiveWindowFocusReason);
    }
    return m_result;
}

void CDialog::EndDialog(int result) {
    m_result = result;
    QWidget* widget = GetWidget();
    if (widget == nullptr)
        return;
    if (m_modal)
        static_cast<QDialog*>(widget)->done(result);
    else
        widget->hide();
}

void CDialog::OnOK() {
    EndDialog(IDOK);
}
void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool CDialog::OnCommand(int id, int code) {
    if (CWnd::OnCommand(id, code))
        return true;
    if (code != BN_CLICKED)
        return false;
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

void CDialog::SetModalHook(std::function<void(CDialog&)> hook) {
    ModalHook() = std::move(hook);
}
