#include "ui/ImageList.h"

#include "ui/Private.h"

CImageList::CImageList() : d(std::make_unique<CImageListPrivate>()) {}
CImageList::~CImageList() = default;

bool CImageList::Create(int bitmapId, int width, int, COLORREF mask) {
    d->images.clear();
    d->size = CSize{};
    QImage strip = uiimpl::ResourceImage(false, bitmapId);
    if (strip.isNull() || width <= 0)
        return false;
    strip = strip.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = qRgb(GetRValue(mask), GetGValue(mask), GetBValue(mask));
    for (int y = 0; y < strip.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(strip.scanLine(y));
        for (int x = 0; x < strip.width(); ++x)
            if ((line[x] & 0xFFFFFF) == (key & 0xFFFFFF))
                line[x] = qRgba(0, 0, 0, 0);
    }
    for (int x = 0; x + width <= strip.width(); x += width)
        d->images.push_back(strip.copy(x, 0, width, strip.height()));
    d->size = CSize{width, strip.height()};
    return !d->images.empty();
}

int CImageList::GetImageCount() const {
    return static_cast<int>(d->images.size());
}
CSize CImageList::GetImageSize() const {
    return d->size;
}
