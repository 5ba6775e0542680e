#include "ui/CheckBox.h"

#include "ui/Private.h"

#include <QCheckBox>

using namespace uiimpl;

bool CCheckBox::Create(CWnd* parent, int id, const std::string& text) {
    if (parent == nullptr || parent->GetWidget() == nullptr)
        return false;
    auto* widget = new QCheckBox(parent->GetWidget());
    AttachWidget(widget, parent, id);
    SetWindowText(text);
    QObject::connect(widget, &QCheckBox::clicked, [this] { SendCommand(this, BN_CLICKED); });
    widget->resize(15, 15);
    widget->show();
    return true;
}

int CCheckBox::GetCheck() const {
    const auto* box = qobject_cast<const QCheckBox*>(GetWidget());
    return box != nullptr && box->isChecked() ? BST_CHECKED : BST_UNCHECKED;
}

void CCheckBox::SetCheck(int state) {
    if (auto* box = qobject_cast<QCheckBox*>(GetWidget()))
        box->setChecked(state == BST_CHECKED);
}

void CCheckBox::Click() {
    if (!IsWindowEnabled())
        return;
    SetCheck(GetCheck() == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
    SendCommand(this, BN_CLICKED);
}
