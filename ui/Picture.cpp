#include "ui/Picture.h"

#include "ui/Private.h"

#include <QPainter>

using namespace uiimpl;

namespace {

class PictureWidget : public QWidget {
public:
    explicit PictureWidget(QWidget* parent) : QWidget(parent) {}
    QPixmap pixmap;

protected:
    void paintEvent(QPaintEvent*) override {
        if (pixmap.isNull())
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QSize size = pixmap.size().scaled(this->size(), Qt::KeepAspectRatio);
        painter.drawPixmap(
            QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size),
            pixmap);
    }
};

} // namespace

bool CPicture::Create(CWnd* parent, int id, int bitmapId) {
    if (parent == nullptr || parent->GetWidget() == nullptr)
        return false;
    auto* widget = new PictureWidget(parent->GetWidget());
    AttachWidget(widget, parent, id);
    widget->resize(100, 100);
    widget->show();
    SetBitmap(bitmapId);
    return true;
}

void CPicture::SetBitmap(int bitmapId) {
    m_bitmapId = bitmapId;
    if (auto* widget = dynamic_cast<PictureWidget*>(GetWidget())) {
        widget->pixmap = bitmapId == 0 ? QPixmap() : ResourcePixmap(false, bitmapId);
        widget->update();
    }
}

bool CPicture::HasImage() const {
    const auto* widget = dynamic_cast<const PictureWidget*>(GetWidget());
    return widget != nullptr && !widget->pixmap.isNull();
}
