// Draws the microphone page after a recording of each verdict into
// DIR/page4_verdict_<key>.png, on a sheet of its own.
#pragma once

#include "tests/pages/render_page4.h"

bool RenderPage4Verdicts(const std::string& dir, const RenderSaver& save);
// Draws the microphone page offering another microphone after a recording
// that heard no voice into DIR/page4_offer.png.
bool RenderPage4Offer(const std::string& dir, const RenderSaver& save);
