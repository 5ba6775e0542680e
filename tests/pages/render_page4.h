// Draws the microphone page of a created sheet into DIR/page4_*.png.
#pragma once

#include <functional>
#include <string>

class CPropSheet;
class CWnd;

using RenderSaver = std::function<bool(const CWnd&, const std::string&)>;
bool RenderPage4(CPropSheet& sheet, const std::string& dir, const RenderSaver& save);
