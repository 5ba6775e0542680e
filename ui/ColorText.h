// CColorText: a text laid over a dialog, drawn in a registry font and a
// colour on a transparent background, that measures its own text. Given a
// wrap width it breaks its lines to stay within it (DT_WORDBREAK) and measures
// the wrapped text. Clicks pass through it to what lies below (a label over a
// button leaves the button clickable), unless the text is a check box's
// caption (SetClickFor).
#pragma once

#include "ui/Wnd.h"

class CCheckBox;

class CColorText : public CWnd {
public:
    bool Create(CWnd* parent, int id, const std::string& text = "");

    // The text may hold line feeds.
    void SetText(const std::string& text) { SetWindowText(text); }
    std::string GetText() const { return GetWindowText(); }
    // Font of the font registry; default: the dialog font.
    void SetFontId(int fontId, int codePage = 1252);
    int GetFontId() const { return m_fontId; }
    void SetColor(COLORREF color);
    COLORREF GetColor() const { return m_color; }

    // The window is never smaller than its text, so a text placed in a
    // shorter box (a caption over a button) is drawn whole.
    void MoveWindow(int x, int y, int width, int height, bool repaint = true) override;
    using CWnd::MoveWindow;

    // This text names control for a screen reader (the control's caption,
    // if it has one, comes first). A text may label several controls, and a
    // control may have several texts in one place (a "Test" and a "Stop"
    // over one button): the one shown names it.
    void SetLabelFor(CWnd& control);

    // This text is the caption of `box`: a click anywhere on it (its window,
    // which the page may stretch up to the box) ticks or unticks the box and
    // gives it the focus, as a click on a check box's own text does.
    void SetClickFor(CCheckBox& box);

    // A live text is news the user must hear (a verdict, a warning): a
    // screen reader finds it as a status line and is told its text each time
    // it changes or appears, wherever the focus is. Off by default.
    void SetLiveRegion(bool live);
    bool IsLiveRegion() const;

    // Lines wider than width pixels break (CFont::GetTextExtent); 0, the
    // default, keeps the text's own lines whatever their width.
    void SetWrapWidth(int width);
    int GetWrapWidth() const { return m_wrapWidth; }

    // Pixel size of the current text in the current font, as it is drawn
    // (wrapped within the wrap width).
    CSize GetTextSize() const;
    void GetTextSize(int& width, int& height) const;

private:
    int m_fontId = 0;
    int m_wrapWidth = 0;
    COLORREF m_color = 0;
};
