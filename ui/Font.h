// The font registry: logical fonts kept under a numeric id and a code page and
// handed out on request. Heights are in the Windows sense: a positive lfHeight
// is the character cell height in pixels (ascent + descent), a negative one the
// em height. "Arial" resolves to a metric-compatible face when Arial itself is
// not installed, else to the system's choice for it; a face substitute
// (SetFaceSubstitute) comes before both.
#pragma once

#include "ui/WinDefs.h"

#include <memory>
#include <string>

struct LOGFONT {
    int lfHeight = 0;
    int lfWidth = 0;
    int lfEscapement = 0;
    int lfOrientation = 0;
    int lfWeight = 400;
    bool lfItalic = false;
    bool lfUnderline = false;
    bool lfStrikeOut = false;
    int lfCharSet = 1; // DEFAULT_CHARSET
    int lfOutPrecision = 0;
    int lfClipPrecision = 0;
    int lfQuality = 0;
    int lfPitchAndFamily = 0;
    std::string lfFaceName;
};

struct CFontPrivate;

// A logical font. Measuring needs the user interface to be started.
class CFont {
public:
    explicit CFont(const LOGFONT& logFont);
    ~CFont();
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    const LOGFONT& GetLogFont() const;
    // Pixel size of text in this font; line feeds start new lines, the width
    // is that of the widest line, the height the line height times the lines.
    CSize GetTextExtent(const std::string& text) const;
    // The same for the text drawn within wrapWidth pixels (0: no limit), as
    // DrawText with DT_WORDBREAK | DT_CALCRECT measures it: a line wider than
    // that breaks at blanks (the blanks at a break take no room), a word wider
    // than that alone between two of its characters. Blanks at the end of a
    // line never make it wider than wrapWidth.
    CSize GetTextExtent(const std::string& text, int wrapWidth) const;
    // The face the text is drawn in (GetTextFace): the registered face, its
    // stand-in or substitute, or the system's choice when none is installed.
    std::string GetTextFace() const;
    // Height of one line in pixels.
    int GetLineHeight() const;

    CFontPrivate& Private() const { return *d; }

private:
    friend class CFontRegistry;
    // The description; the toolkit's font built from it reads it here.
    LOGFONT m_logFont;
    std::unique_ptr<CFontPrivate> d;
};

class CFontRegistry {
public:
    // Registers (or replaces) the font of id and codePage.
    static void Register(int id, int codePage, const LOGFONT& logFont);
    // The font of id and codePage; null when none was registered. The font
    // lives until Clear or the end of the program.
    static const CFont* Get(int id, int codePage = 1252);
    static void Clear();
    // From now on fonts of face are drawn in substitute where it is installed,
    // as the font substitutes of Windows do (an empty substitute removes the
    // entry). Fonts are built anew; windows that already hold a font keep
    // their face until a font is set again.
    static void SetFaceSubstitute(const std::string& face, const std::string& substitute);
};
