#include "ui/ComboBox.h"

#include "ui/Private.h"

#include <QComboBox>
#include <QLineEdit>

#include <algorithm>

using namespace uiimpl;

namespace {
QComboBox* Box(const CWnd* wnd) {
    return qobject_cast<QComboBox*>(wnd->GetWidget());
}
} // namespace

bool CComboBox::Create(CWnd* parent, int id) {
    if (parent == nullptr || parent->GetWidget() == nullptr)
        return false;
    auto* widget = new QComboBox(parent->GetWidget());
    widget->setEditable(true);
    widget->setInsertPolicy(QComboBox::NoInsert);
    widget->setMaxVisibleItems(12);
    AttachWidget(widget, parent, id);
    widget->resize(120, 23);
    widget->show();
    return true;
}

bool CComboBox::CreateList(CWnd* parent, int id) {
    if (parent == nullptr || parent->GetWidget() == nullptr)
        return false;
    auto* widget = new QComboBox(parent->GetWidget());
    widget->setMaxVisibleItems(12);
    AttachWidget(widget, parent, id);
    widget->resize(120, 23);
    QObject::connect(widget, &QComboBox::activated, [this] { SendCommand(this, CBN_SELCHANGE); });
    widget->show();
    return true;
}

void CComboBox::MoveWindow(int x, int y, int width, int height, bool repaint) {
    const QComboBox* box = Box(this);
    const int field = box == nullptr ? height : box->sizeHint().height();
    CWnd::MoveWindow(x, y, width, std::min(height, field), repaint);
}

int CComboBox::AddString(const std::string& text) {
    QComboBox* box = Box(this);
    if (box == nullptr)
        return CB_ERR;
    const QString item = Q(text);
    // Sorted as the list box sorts: ignoring case, equal texts after the ones
    // already there; a drop-down list keeps the order of adding.
    int index = box->isEditable() ? 0 : box->count();
    while (index < box->count() &&
           QString::compare(box->itemText(index), item, Qt::CaseInsensitive) <= 0)
        ++index;
    const QString edit = box->currentText();
    const bool noSelection = box->currentIndex() < 0;
    box->insertItem(index, item);
    // Adding selects nothing and leaves the edit field as it was (the
    // toolkit selects the first item put into an empty box).
    if (noSelection)
        box->setCurrentIndex(-1);
    box->setEditText(edit);
    return index;
}

void CComboBox::ResetContent() {
    if (QComboBox* box = Box(this)) {
        box->clear();
        box->setEditText(QString());
    }
}

int CComboBox::GetCount() const {
    const QComboBox* box = Box(this);
    return box == nullptr ? 0 : box->count();
}

int CComboBox::SetCurSel(int index) {
    QComboBox* box = Box(this);
    if (box == nullptr)
        return CB_ERR;
    if (index < 0 || index >= box->count()) {
        box->setCurrentIndex(-1);
        box->setEditText(QString());
        return CB_ERR;
    }
    box->setCurrentIndex(index);
    box->setEditText(box->itemText(index));
    return index;
}

int CComboBox::GetCurSel() const {
    const QComboBox* box = Box(this);
    if (box == nullptr || box->currentIndex() < 0)
        return CB_ERR;
    // The selection holds only while the edit field shows the selected entry.
    return box->currentText() == box->itemText(box->currentIndex()) ? box->currentIndex() : CB_ERR;
}

std::string CComboBox::GetLBText(int index) const {
    const QComboBox* box = Box(this);
    if (box == nullptr || index < 0 || index >= box->count())
        return {};
    return S(box->itemText(index));
}

int CComboBox::SetItemData(int index, plat::DWORD_PTR data) {
    QComboBox* box = Box(this);
    if (box == nullptr || index < 0 || index >= box->count())
        return CB_ERR;
    box->setItemData(index, QVariant::fromValue<qulonglong>(data), Qt::UserRole);
    return 0;
}

plat::DWORD_PTR CComboBox::GetItemData(int index) const {
    const QComboBox* box = Box(this);
    if (box == nullptr || index < 0 || index >= box->count())
        return static_cast<plat::DWORD_PTR>(CB_ERR);
    return static_cast<plat::DWORD_PTR>(box->itemData(index, Qt::UserRole).toULongLong());
}

void CComboBox::SetTooltipText(const std::string& text, int fontId, int codePage) {
    m_tooltip = text;
    m_tooltipFontId = fontId;
    m_tooltipCodePage = codePage;
}
