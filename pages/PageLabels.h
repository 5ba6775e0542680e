// Laying out the texts of the wizard pages and their help dialogs.
#pragma once

#include "ui/ColorText.h"

#include <string>

// Text, font and colour of a label; answers the size of its text.
CSize SetLabel(CColorText& label, const std::string& text, int font, COLORREF color);

// Enough spaces in the frame's own font to leave room for a caption `width`
// pixels wide laid over the frame's top line.
std::string CaptionGap(const CWnd& frame, int width);
