#include "ui/ReadingOrder.h"

#include <algorithm>
#include <numeric>

namespace uiimpl {

std::vector<std::size_t> ReadingOrder(const std::vector<CRect>& rects) {
    std::vector<std::size_t> order(rects.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return rects[a].top < rects[b].top; });
    std::size_t first = 0;
    while (first < order.size()) {
        // The row's bottom is the last pixel of its first control.
        const int rowBottom = rects[order[first]].bottom - 1;
        std::size_t end = first + 1;
        while (end < order.size()) {
            const CRect& r = rects[order[end]];
            if ((r.top + r.bottom - 1) / 2 > rowBottom)
                break;
            ++end;
        }
        std::stable_sort(
            order.begin() + static_cast<std::ptrdiff_t>(first),
            order.begin() + static_cast<std::ptrdiff_t>(end),
            [&](std::size_t a, std::size_t b) { return rects[a].left < rects[b].left; });
        first = end;
    }
    return order;
}

} // namespace uiimpl
