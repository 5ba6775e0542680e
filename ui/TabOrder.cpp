// Tab moves through a window's controls in reading order (ui/ReadingOrder.h).
#include "ui/Dialog.h"
#include "ui/Private.h"
#include "ui/ReadingOrder.h"

#include <vector>

namespace uiimpl {

namespace {

bool IsTabStop(const QWidget* w) {
    const CWnd* wnd = WndOf(w);
    return wnd != nullptr && !w->isWindow() && dynamic_cast<const CDialog*>(wnd) == nullptr &&
           (w->focusPolicy() & Qt::TabFocus) != 0;
}

std::vector<QWidget*> TabStopsInReadingOrder(QWidget* root) {
    std::vector<QWidget*> widgets;
    std::vector<CRect> rects;
    for (QWidget* w : root->findChildren<QWidget*>())
        if (IsTabStop(w)) {
            const QPoint at = w->mapTo(root, QPoint(0, 0));
            widgets.push_back(w);
            rects.push_back({at.x(), at.y(), at.x() + w->width(), at.y() + w->height()});
        }
    std::vector<QWidget*> order;
    for (std::size_t i : ReadingOrder(rects))
        order.push_back(widgets[i]);
    return order;
}

} // namespace

void OrderTabsByReading(QWidget* window) {
    if (window == nullptr)
        return;
    const std::vector<QWidget*> order = TabStopsInReadingOrder(window);
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void FocusFirstControl(QWidget* container) {
    if (container == nullptr)
        return;
    for (QWidget* w : TabStopsInReadingOrder(container)) {
        if (w->isVisibleTo(container) && w->isEnabled()) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

} // namespace uiimpl
