#include "ui/ImageList.h"

#include "ui/win32/Native.h"

#include <vector>

using namespace uiimpl;

CImageList::CImageList() : d(std::make_unique<CImageListPrivate>()) {}
CImageList::~CImageList() = default;

bool CImageList::Create(int bitmapId, int width, int, COLORREF mask) {
    const Picture* picture = ResourcePicture(false, bitmapId);
    if (picture == nullptr || width <= 0 || picture->width < width)
        return false;
    // Pixels of the mask colour become transparent.
    const std::size_t n =
        static_cast<std::size_t>(picture->width) * static_cast<std::size_t>(picture->height);
    std::vector<unsigned int> pixels(picture->pixels, picture->pixels + n);
    const unsigned int maskArgb = (static_cast<unsigned>(GetRValue(mask)) << 16) |
                                  (static_cast<unsigned>(GetGValue(mask)) << 8) |
                                  static_cast<unsigned>(GetBValue(mask));
    for (unsigned int& p : pixels)
        if ((p & 0xFFFFFF) == maskArgb)
            p = 0;
    win::DestroyImageList(d->images);
    d->images = win::CreateImageList(pixels.data(), picture->width, picture->height, width);
    d->count = picture->width / width;
    d->size = CSize{width, picture->height};
    return d->images != nullptr;
}

int CImageList::GetImageCount() const {
    return d->count;
}

CSize CImageList::GetImageSize() const {
    return d->size;
}
