#include "ui/GroupBox.h"

#include "ui/Private.h"

#include <QPainter>
#include <QPainterPath>

using namespace uiimpl;

namespace {

// The caption starts this far from the frame's left edge.
constexpr int kCaptionInset = 8;

class GroupBoxWidget : public QWidget {
public:
    explicit GroupBoxWidget(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const CWnd* wnd = WndOf(this);
        if (wnd == nullptr)
            return;
        const std::string& caption = CWndPrivate::Of(*wnd).text;
        const CSize extent = TextExtent(wnd->GetFont(), caption.empty() ? " " : caption);
        const qreal top = extent.cy / 2 + 0.5;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box(0.5, top, width() - 1.0, height() - top - 0.5);
        QPainterPath frame;
        frame.addRoundedRect(box, 4, 4);
        painter.fillPath(frame, QColor(0xFF, 0xFF, 0xFF, 0x70));
        if (!caption.empty()) {
            // Leave a gap in the top line for the caption.
            painter.setClipRegion(QRegion(rect()).subtracted(
                QRegion(kCaptionInset - 2, 0, extent.cx + 4, extent.cy)));
        }
        painter.setPen(QPen(FrameColor(), 1));
        painter.drawPath(frame);
        painter.setClipping(false);
        if (!caption.empty())
            DrawTextLines(painter, wnd->GetFont(), caption, QColor(0x1E, 0x26, 0x36), kCaptionInset,
                          0);
    }
};

} // namespace

bool CGroupBox::Create(CWnd* parent, int id, const std::string& caption) {
    if (parent == nullptr || parent->GetWidget() == nullptr)
        return false;
    auto* widget = new GroupBoxWidget(parent->GetWidget());
    AttachWidget(widget, parent, id);
    SetWindowText(caption);
    widget->resize(100, 60);
    widget->show();
    widget->lower();
    return true;
}
