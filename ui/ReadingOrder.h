// The order Tab moves through a window's controls, without a toolkit: rows
// from top to bottom, each row from left to right. A control whose middle lies
// within the height of a row's first (topmost) control is on that row, so a
// track bar a few pixels lower than the button beside it follows that button.
// Both realisations of the framework order their controls through it.
#pragma once

#include "ui/WinDefs.h"

#include <cstddef>
#include <vector>

namespace uiimpl {

// The indexes of rects (each a control's place in one window's coordinates)
// in reading order; controls at the same place keep their order.
std::vector<std::size_t> ReadingOrder(const std::vector<CRect>& rects);

} // namespace uiimpl
