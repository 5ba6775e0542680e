#include "ui/Edit.h"

#include "ui/Private.h"

#include <QLineEdit>

bool CEdit::Create(CWnd* parent, int id, const std::string& text) {
    if (parent == nullptr || parent->GetWidget() == nullptr)
        return false;
    auto* widget = new QLineEdit(parent->GetWidget());
    AttachWidget(widget, parent, id);
    SetWindowText(text);
    widget->resize(120, 23);
    widget->show();
    return true;
}

void CEdit::SetReadOnly(bool readOnly) {
    if (auto* edit = qobject_cast<QLineEdit*>(GetWidget()))
        edit->setReadOnly(readOnly);
}
