#include "ui/Dialog.h"

#include "ui/Button.h"
#include "ui/ColorText.h"
#include "ui/DialogWidget.h"
#include "ui/Private.h"

#include <QApplication>

using namespace uiimpl;

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
    MakeContents(child);
    if (!child) {
        OrderTabsByReading(widget);
        FocusFirstControl(widget);
    }
    return true;
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
