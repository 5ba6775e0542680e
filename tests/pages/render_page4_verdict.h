// Draws the microphone page after a recording of each verdict into
// DIR/page4_verdict_<key>.png, on a sheet of its own.
#pragma once

#include "tests/pages/render_page4.h"

bool RenderPage4Verdicts(const std::string& dir, const RenderSaver& save);
