// CButton: a push button of our own look, optionally showing an icon or a
// bitmap of the program's resources at a given size, with a tool-tip text in a
// registry font (shown while the tool-tip timer runs, see ToolTipTimer.h). A
// click sends BN_CLICKED to the parent's OnCommand.
#pragma once

#include "ui/Wnd.h"

class CButton : public CWnd {
public:
    bool Create(CWnd* parent, int id, const std::string& text = "");

    // Icon "icon_<id>.png" / bitmap "bitmap_<id>.png" of the resources, drawn
    // centred at width x height (0, 0: its natural size). 0 removes it.
    void SetIcon(int iconId, int width = 0, int height = 0);
    void SetBitmap(int bitmapId, int width = 0, int height = 0);
    int GetImageId() const { return m_imageId; }
    CSize GetImageSize() const { return m_imageSize; }

    void SetTooltipText(const std::string& text, int fontId = 1121, int codePage = 1252);
    std::string GetTooltipText() const { return m_tooltip; }
    int GetTooltipFontId() const { return m_tooltipFontId; }
    int GetTooltipCodePage() const { return m_tooltipCodePage; }

    // A value carried by the button for its owner; the framework does not
    // interpret it.
    void SetValue(int value) { m_value = value; }
    int GetValue() const { return m_value; }

    // Like a click by the user: BN_CLICKED to the parent when enabled.
    void Click();

private:
    void ApplyImage(bool icon, int id, int width, int height);
    int m_imageId = 0;
    CSize m_imageSize;
    bool m_imageIsIcon = true;
    std::string m_tooltip;
    int m_tooltipFontId = 0;
    int m_tooltipCodePage = 1252;
    int m_value = 0;
};
