// Renders a window (a page, a dialog, a sheet) to a PNG file, without a
// display, so layouts can be reviewed.
#pragma once

#include <string>

class CWnd;

// False with a reason in error when the window does not exist or the file
// cannot be written.
bool RenderWindowToPng(const CWnd& wnd, const std::string& path, std::string& error);
