// CButton: a push button of our own look, optionally showing an icon or a
// bitmap of the program's resources at a given size, with a tool-tip text in a
// registry font (shown while the tool-tip timer runs, see ToolTipTimer.h). A
// click sends BN_CLICKED to the parent's OnCommand.
//
// A button whose pictures are a symbol at their left end (a play mark) with a
// caption beside it -- its own text, or labels its page lays over it -- is
// given the room its symbols take (SetSymbolRoom): it then draws its picture
// from its left end, whatever its width, and its own text in the room right
// of the symbol; the page places its labels there with PlaceCaption and sizes
// the button with WidthForCaption and CaptionRoom (ButtonCaption.cpp).
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

    // Captions keep this far inside the button, and this far from its symbol.
    static constexpr int kCaptionInset = 4;
    static constexpr int kSymbolGap = 3;
    // How far from the left end of icon "icon_<id>.png" (else bitmap
    // "bitmap_<id>.png"), drawn at width x height (0, 0: its natural size),
    // its last column with a pixel that shows (at least 1/16 opaque) ends; 0
    // when there is no such picture or pixel.
    static int SymbolRight(bool icon, int id, int width = 0, int height = 0);
    // The pictures the button shows are symbols ending symbolRight pixels
    // from its left end (the largest SymbolRight of them): drawn from its left
    // end, their caption beside them. 0: picture and text centred.
    void SetSymbolRoom(int symbolRight);
    int GetSymbolRoom() const { return m_symbolRoom; }
    // The width a caption may take on the button when it is buttonWidth wide:
    // from kSymbolGap right of the symbol (kCaptionInset from the left end
    // without one) to kCaptionInset from the right end.
    int CaptionRoom(int buttonWidth) const;
    // The least width, not below least, that holds a caption captionWidth
    // wide beside the symbol.
    int WidthForCaption(int captionWidth, int least) const;
    // Where a caption of that size lies on the button as it is placed now, in
    // its parent's coordinates: centred on the button where that keeps it
    // clear of the symbol, else at the start of its room; centred in height.
    CRect PlaceCaption(CSize size) const;
    // The same on a button of buttonSize, in the button's own coordinates.
    CRect CaptionRect(CSize buttonSize, CSize size) const;

    // A value carried by the button for its owner; the framework does not
    // interpret it.
    void SetValue(int value) { m_value = value; }
    int GetValue() const { return m_value; }

    // Like a click by the user: BN_CLICKED to the parent when enabled.
    void Click();

private:
    void ApplyImage(bool icon, int id, int width, int height);
    // The toolkit shows the picture ApplyImage recorded.
    void ShowImage();
    int m_imageId = 0;
    CSize m_imageSize;
    bool m_imageIsIcon = true;
    std::string m_tooltip;
    int m_tooltipFontId = 0;
    int m_tooltipCodePage = 1252;
    int m_value = 0;
    int m_symbolRoom = 0;
};
