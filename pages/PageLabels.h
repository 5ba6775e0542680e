// Laying out the texts of the wizard pages and their help dialogs. A text is
// given the room the layout has for it (the inner width of its frame, the
// width of its page less the margin, the space up to the next control); a
// text wider than that wraps, and the controls laid out below it move down
// by the lines it gained.
#pragma once

#include "ui/ColorText.h"

#include <string>

// Texts and frames keep this far from the right edge of their page.
constexpr int kPageMargin = 2;

// Text, font and colour of a label, its lines wrapped within room pixels (0:
// its own lines, whatever their width); answers the size of its text as
// shown.
CSize SetLabel(CColorText& label, const std::string& text, int font, COLORREF color, int room = 0);

// The same, the lines as even as they can be: the narrowest room that needs
// no more lines than room itself (for texts whose lines should not leave a
// lone word on the last one).
CSize SetEvenLabel(CColorText& label, const std::string& text, int font, COLORREF color, int room);

// Two texts that make one sentence, one per line: with a line feed between
// them while the first fits within room in the font, else with one blank
// (the blanks around the line feed go), so the sentence wraps as one.
std::string OneSentence(int font, const std::string& first, const std::string& second, int room);

// How much higher than one line of its font the label's text is: what the
// controls below it move down by.
int ExtraHeight(const CColorText& label);

// Enough spaces in the frame's own font to leave room for a caption `width`
// pixels wide laid over the frame's top line.
std::string CaptionGap(const CWnd& frame, int width);
