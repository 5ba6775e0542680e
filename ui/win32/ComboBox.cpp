#include "ui/ComboBox.h"

#include "ui/win32/Native.h"
#include "ui/win32/ToolTips.h"

using namespace uiimpl;

namespace {
// The box's own height: that of its edit field.
constexpr int kBoxHeight = 23;

char16_t Folded(char16_t c) {
    if (c >= u'A' && c <= u'Z')
        return static_cast<char16_t>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return static_cast<char16_t>(c + 32);
    return c;
}

// Compares as the list sorts: ignoring case.
int CompareFolded(std::u16string_view a, std::u16string_view b) {
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const char16_t x = Folded(a[i]);
        const char16_t y = Folded(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}
std::u16string EntryText(win::Handle box, int index) {
    const auto length =
        win::Send(box, win::msg::kCbGetLbTextLen, static_cast<std::uintptr_t>(index));
    if (length < 0)
        return {};
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    const auto got = win::Send(box, win::msg::kCbGetLbText, static_cast<std::uintptr_t>(index),
                               reinterpret_cast<std::intptr_t>(text.data()));
    text.resize(static_cast<std::size_t>(got < 0 ? 0 : got));
    return text;
}

bool IsList(win::Handle box) {
    return (win::Style(box) & win::style::kCbsDropDownList) == win::style::kCbsDropDownList;
}

// A combo box of `kind` (kCbsDropDown with kCbsAutoHScroll, or
// kCbsDropDownList) in `parent`; null when it cannot be made.
win::Handle MakeBox(CWnd* parent, int id, unsigned kind) {
    if (parent == nullptr || !parent->HasWindow())
        return nullptr;
    return win::CreateSystem(win::System::ComboBox, u"",
                             win::style::kVisible | win::style::kTabStop | win::style::kVScroll |
                                 kind,
                             0, Hwnd(parent), id, 0, 0, 120, 200);
}

} // namespace

bool CComboBox::Create(CWnd* parent, int id) {
    // The list is kept sorted here (AddString), so equal texts keep the
    // order they came in.
    win::Handle hwnd = MakeBox(parent, id, win::style::kCbsDropDown | win::style::kCbsAutoHScroll);
    if (hwnd == nullptr)
        return false;
    AttachHwnd(hwnd, parent, id);
    CWndPrivate::Of(*this).typedText = true;
    return true;
}

bool CComboBox::CreateList(CWnd* parent, int id) {
    // The list's own choice (CBN_SELCHANGE) reaches the parent as a command;
    // the window text is the entry the system shows as chosen.
    win::Handle hwnd = MakeBox(parent, id, win::style::kCbsDropDownList);
    if (hwnd == nullptr)
        return false;
    AttachHwnd(hwnd, parent, id);
    CWndPrivate::Of(*this).typedText = true;
    return true;
}

void CComboBox::MoveWindow(int x, int y, int width, int height, bool repaint) {
    // Windows takes the height with the list dropped down.
    CWnd::MoveWindow(x, y, width, height > kBoxHeight ? height : 200, repaint);
}

int CComboBox::AddString(const std::string& text) {
    if (!HasWindow())
        return CB_ERR;
    const std::u16string shown = Q(text);
    // Sorted ignoring case, equal texts after the ones already there; a
    // drop-down list keeps the order of adding.
    const int count = GetCount();
    int index = IsList(Hwnd(this)) ? count : 0;
    while (index < count && CompareFolded(EntryText(Hwnd(this), index), shown) <= 0)
        ++index;
    return static_cast<int>(win::Send(Hwnd(this), win::msg::kCbInsertString,
                                      static_cast<std::uintptr_t>(index),
                                      reinterpret_cast<std::intptr_t>(shown.c_str())));
}

void CComboBox::ResetContent() {
    if (HasWindow())
        win::Send(Hwnd(this), win::msg::kCbResetContent);
}

int CComboBox::GetCount() const {
    return HasWindow() ? static_cast<int>(win::Send(Hwnd(this), win::msg::kCbGetCount)) : 0;
}

int CComboBox::SetCurSel(int index) {
    if (!HasWindow() || index < 0 || index >= GetCount())
        return CB_ERR;
    return static_cast<int>(
        win::Send(Hwnd(this), win::msg::kCbSetCurSel, static_cast<std::uintptr_t>(index)));
}

int CComboBox::GetCurSel() const {
    if (!HasWindow())
        return CB_ERR;
    const int index = static_cast<int>(win::Send(Hwnd(this), win::msg::kCbGetCurSel));
    // The selection holds only while the edit field shows the selected
    // entry: the box keeps it when its text is set, where a typed name means
    // whoever has it.
    if (index < 0 || GetWindowText() != S(EntryText(Hwnd(this), index)))
        return CB_ERR;
    return index;
}

std::string CComboBox::GetLBText(int index) const {
    if (!HasWindow() || index < 0 || index >= GetCount())
        return {};
    return S(EntryText(Hwnd(this), index));
}

int CComboBox::SetItemData(int index, plat::DWORD_PTR data) {
    if (!HasWindow() || index < 0 || index >= GetCount())
        return CB_ERR;
    return win::Send(Hwnd(this), win::msg::kCbSetItemData, static_cast<std::uintptr_t>(index),
                     static_cast<std::intptr_t>(data)) == CB_ERR
               ? CB_ERR
               : 0;
}

plat::DWORD_PTR CComboBox::GetItemData(int index) const {
    if (!HasWindow() || index < 0 || index >= GetCount())
        return static_cast<plat::DWORD_PTR>(CB_ERR);
    return static_cast<plat::DWORD_PTR>(
        win::Send(Hwnd(this), win::msg::kCbGetItemData, static_cast<std::uintptr_t>(index)));
}

void CComboBox::SetTooltipText(const std::string& text, int fontId, int codePage) {
    m_tooltip = text;
    m_tooltipFontId = fontId;
    m_tooltipCodePage = codePage;
    if (HasWindow())
        ToolTips::Set(*this, text, fontId, codePage);
}
