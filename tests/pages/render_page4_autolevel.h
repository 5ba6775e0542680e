// Draws the microphone page, in a sheet of its own, while the automatic level
// follows the test sentence: DIR/page4_autolevel.png.
#pragma once

#include "tests/pages/render_page4.h"

bool RenderPage4AutoLevel(CPropSheet& sheet, const std::string& dir, const RenderSaver& save);
