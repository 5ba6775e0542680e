// A message box without a window of ours: for errors the program meets before
// (or instead of) showing the wizard. Starts the user interface for the time
// of the box when it is not running yet.
#pragma once

#include "ui/WinDefs.h"

#include <string>

int AfxMessageBox(int& argc, char** argv, const std::string& text, plat::UINT type = MB_OK);
