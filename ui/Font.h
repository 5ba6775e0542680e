// The font registry: logical fonts kept under a numeric id and a code page and
// handed out on request. Heights are in the Windows sense: a positive lfHeight
// is the character cell height in pixels (ascent + descent), a negative one the
// em height. "Arial" resolves to a metric-compatible face when Arial itself is
// not installed.
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
    // Height of one line in pixels.
    int GetLineHeight() const;

    CFontPrivate& Private() const { return *d; }

private:
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
};
