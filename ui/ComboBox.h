// CComboBox: a drop-down combo box with an edit field and a sorted list
// (alphabetical, ignoring case). The window text is the edit field's text.
// Made with CreateList it is a drop-down list instead: no edit field, the
// entries in the order they were added, and each choice of the user sends
// CBN_SELCHANGE to the parent's OnCommand. Like a button, a box may carry a
// tool-tip (shown while the tool-tip timer runs, see ToolTipTimer.h): the
// full text of an entry it is too narrow to show.
#pragma once

#include "ui/Wnd.h"

class CComboBox : public CWnd {
public:
    bool Create(CWnd* parent, int id);
    bool CreateList(CWnd* parent, int id);
    // As on Windows, the height given is that of the box with its list
    // dropped down; the box itself keeps the height of its edit field.
    void MoveWindow(int x, int y, int width, int height, bool repaint = true) override;
    using CWnd::MoveWindow;
    // Inserts in sorted place (a drop-down list: at the end); returns the
    // index, CB_ERR without window.
    int AddString(const std::string& text);
    void ResetContent();
    int GetCount() const;
    // Selects the entry and shows it in the edit field; CB_ERR when out of range.
    int SetCurSel(int index);
    int GetCurSel() const;
    // Like a choice by the user: selects the entry, then CBN_SELCHANGE to
    // the parent; CB_ERR, and nothing chosen, when out of range or disabled.
    int Choose(int index);
    // The entry's text as shown (UTF-8).
    std::string GetLBText(int index) const;
    // A number the owner keeps with an entry (0 until set); it moves with
    // the entry when the sorted list grows. CB_ERR when out of range.
    int SetItemData(int index, plat::DWORD_PTR data);
    plat::DWORD_PTR GetItemData(int index) const;

    // "" for none.
    void SetTooltipText(const std::string& text, int fontId = 1121, int codePage = 1252);
    std::string GetTooltipText() const { return m_tooltip; }
    int GetTooltipFontId() const { return m_tooltipFontId; }
    int GetTooltipCodePage() const { return m_tooltipCodePage; }

private:
    std::string m_tooltip;
    int m_tooltipFontId = 0;
    int m_tooltipCodePage = 1252;
};
