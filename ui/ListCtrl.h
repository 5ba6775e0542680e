// CListCtrl: a list view in report view: columns with headings, rows with a
// small icon from an image list, one text colour, a background colour.
#pragma once

#include "ui/Wnd.h"

class CImageList;

class CListCtrl : public CWnd {
public:
    bool Create(CWnd* parent, int id);

    int InsertColumn(int column, const std::string& heading, int format = LVCFMT_LEFT,
                     int width = -1);
    bool SetColumnWidth(int column, int width);
    int GetColumnWidth(int column) const;

    // Inserts a row before index (at the end when index >= count) with the
    // text of column 0 and an image index; returns its index, -1 on failure.
    int InsertItem(int index, const std::string& text, int image = -1);
    bool SetItemText(int item, int subItem, const std::string& text);
    std::string GetItemText(int item, int subItem) const;
    int GetItemImage(int item) const;
    int GetItemCount() const;
    bool DeleteItem(int item);
    bool DeleteAllItems();

    void SetTextColor(COLORREF color);
    COLORREF GetTextColor() const { return m_textColor; }
    void SetBkColor(COLORREF color);
    COLORREF GetBkColor() const { return m_bkColor; }
    void SetTextBkColor(COLORREF color);
    COLORREF GetTextBkColor() const { return m_textBkColor; }

    // The image list stays owned by the caller; LVSIL_SMALL.
    void SetImageList(const CImageList* images, int which = LVSIL_SMALL);

    // Pixel width of a text in the list's font.
    int GetStringWidth(const std::string& text) const;

private:
    void ApplyColors();
    COLORREF m_textColor = 0;
    COLORREF m_bkColor = 0xFFFFFF;
    COLORREF m_textBkColor = 0xFFFFFF;
    const CImageList* m_images = nullptr;
};
