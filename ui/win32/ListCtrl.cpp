// CListCtrl on the system's list view in report view.
#include "ui/ListCtrl.h"

#include "ui/ImageList.h"
#include "ui/win32/Native.h"

using namespace uiimpl;

namespace {
constexpr unsigned kFullRowSelect = 0x20; // LVS_EX_FULLROWSELECT
}

bool CListCtrl::Create(CWnd* parent, int id) {
    if (parent == nullptr || !parent->HasWindow())
        return false;
    win::Handle hwnd =
        win::CreateSystem(win::System::ListView, u"",
                          win::style::kVisible | win::style::kTabStop | win::style::kLvsReport |
                              win::style::kLvsSingleSel | win::style::kLvsNoSortHeader,
                          win::style::kExClientEdge, Hwnd(parent), id, 0, 0, 200, 100);
    if (hwnd == nullptr)
        return false;
    AttachHwnd(hwnd, parent, id);
    win::ListSetExtendedStyle(hwnd, kFullRowSelect);
    ApplyColors();
    if (m_images != nullptr)
        SetImageList(m_images);
    return true;
}

int CListCtrl::InsertColumn(int column, const std::string& heading, int format, int width) {
    if (!HasWindow())
        return -1;
    return win::ListInsertColumn(Hwnd(this), column, Q(heading), format,
                                 width >= 0 ? width : GetStringWidth(heading) + 12);
}

bool CListCtrl::SetColumnWidth(int column, int width) {
    return HasWindow() && win::Send(Hwnd(this), win::msg::kLvmSetColumnWidth,
                                    static_cast<std::uintptr_t>(column), width) != 0;
}

int CListCtrl::GetColumnWidth(int column) const {
    return HasWindow() ? static_cast<int>(win::Send(Hwnd(this), win::msg::kLvmGetColumnWidth,
                                                    static_cast<std::uintptr_t>(column)))
                       : 0;
}

int CListCtrl::InsertItem(int index, const std::string& text, int image) {
    if (!HasWindow())
        return -1;
    const int count = GetItemCount();
    return win::ListInsertItem(Hwnd(this), index < 0 || index > count ? count : index, Q(text),
                               image);
}

bool CListCtrl::SetItemText(int item, int subItem, const std::string& text) {
    if (!HasWindow() || item < 0 || item >= GetItemCount())
        return false;
    return win::ListSetItemText(Hwnd(this), item, subItem, Q(text));
}

std::string CListCtrl::GetItemText(int item, int subItem) const {
    if (!HasWindow() || item < 0 || item >= GetItemCount())
        return {};
    return S(win::ListGetItemText(Hwnd(this), item, subItem));
}

int CListCtrl::GetItemImage(int item) const {
    if (!HasWindow() || item < 0 || item >= GetItemCount())
        return -1;
    return win::ListGetItemImage(Hwnd(this), item);
}

int CListCtrl::GetItemCount() const {
    return HasWindow() ? static_cast<int>(win::Send(Hwnd(this), win::msg::kLvmGetItemCount)) : 0;
}

bool CListCtrl::DeleteItem(int item) {
    return HasWindow() &&
           win::Send(Hwnd(this), win::msg::kLvmDeleteItem, static_cast<std::uintptr_t>(item)) != 0;
}

bool CListCtrl::DeleteAllItems() {
    return HasWindow() && win::Send(Hwnd(this), win::msg::kLvmDeleteAllItems) != 0;
}

void CListCtrl::ApplyColors() {
    if (!HasWindow())
        return;
    win::Send(Hwnd(this), win::msg::kLvmSetTextColor, 0, static_cast<std::intptr_t>(m_textColor));
    win::Send(Hwnd(this), win::msg::kLvmSetBkColor, 0, static_cast<std::intptr_t>(m_bkColor));
    win::Send(Hwnd(this), win::msg::kLvmSetTextBkColor, 0,
              static_cast<std::intptr_t>(m_textBkColor));
    Invalidate();
}

void CListCtrl::SetImageList(const CImageList* images, int) {
    m_images = images;
    if (HasWindow() && images != nullptr)
        win::Send(Hwnd(this), win::msg::kLvmSetImageList, static_cast<std::uintptr_t>(LVSIL_SMALL),
                  reinterpret_cast<std::intptr_t>(images->Private().images));
}
