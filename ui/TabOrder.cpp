// Tab moves through a window's controls in reading order: rows from top to
// bottom, each row from left to right. A control whose middle lies within the
// height of a row's first (topmost) control is on that row, so a track bar a
// few pixels lower than the button beside it follows that button.
#include "ui/Dialog.h"
#include "ui/Private.h"

#include <algorithm>
#include <vector>

namespace uiimpl {

namespace {

struct Place {
    QWidget* widget;
    QRect rect; // in the coordinates of the window or container ordered
};

bool IsTabStop(const QWidget* w) {
    const CWnd* wnd = WndOf(w);
    return wnd != nullptr && !w->isWindow() && dynamic_cast<const CDialog*>(wnd) == nullptr &&
           (w->focusPolicy() & Qt::TabFocus) != 0;
}

std::vector<QWidget*> ReadingOrder(QWidget* root) {
    std::vector<Place> places;
    for (QWidget* w : root->findChildren<QWidget*>())
        if (IsTabStop(w))
            places.push_back({w, QRect(w->mapTo(root, QPoint(0, 0)), w->size())});
    std::stable_sort(places.begin(), places.end(),
                     [](const Place& a, const Place& b) { return a.rect.top() < b.rect.top(); });
    std::vector<QWidget*> order;
    std::size_t first = 0;
    while (first < places.size()) {
        const QRect row = places[first].rect;
        std::size_t end = first + 1;
        while (end < places.size() && places[end].rect.center().y() <= row.bottom())
            ++end;
        std::stable_sort(
            places.begin() + static_cast<std::ptrdiff_t>(first),
            places.begin() + static_cast<std::ptrdiff_t>(end),
            [](const Place& a, const Place& b) { return a.rect.left() < b.rect.left(); });
        for (std::size_t i = first; i < end; ++i)
            order.push_back(places[i].widget);
        first = end;
    }
    return order;
}

} // namespace

void OrderTabsByReading(QWidget* window) {
    if (window == nullptr)
        return;
    const std::vector<QWidget*> order = ReadingOrder(window);
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void FocusFirstControl(QWidget* container) {
    if (container == nullptr)
        return;
    for (QWidget* w : ReadingOrder(container)) {
        if (w->isVisibleTo(container) && w->isEnabled()) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

} // namespace uiimpl
