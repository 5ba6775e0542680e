// The program's pictures, decoded by the build (ui/pictures/) from
// resources/images/icon_<id>.png and bitmap_<id>.png.
#include "ui/Private.h"
#include "ui/pictures/EmbeddedPictures.h"

#include <map>

namespace uiimpl {

namespace {
std::map<std::pair<bool, int>, QPixmap>& Cache() {
    static std::map<std::pair<bool, int>, QPixmap> cache;
    return cache;
}
} // namespace

QImage ResourceImage(bool icon, int id) {
    for (int i = 0; i < kEmbeddedPictureCount; ++i) {
        const EmbeddedPicture& p = kEmbeddedPictures[i];
        if (p.icon == icon && p.id == id)
            // Read-only: the image copies the pixels before it changes them.
            return QImage(reinterpret_cast<const uchar*>(p.pixels), p.width, p.height, p.width * 4,
                          QImage::Format_ARGB32);
    }
    return QImage(); // null when the picture is missing
}

QPixmap ResourcePixmap(bool icon, int id) {
    auto& cache = Cache();
    const auto key = std::make_pair(icon, id);
    const auto it = cache.find(key);
    if (it != cache.end())
        return it->second;
    const QImage image = ResourceImage(icon, id);
    QPixmap pixmap = image.isNull() ? QPixmap() : QPixmap::fromImage(image);
    cache.emplace(key, pixmap);
    return pixmap;
}

void ReleaseImages() {
    Cache().clear();
}

} // namespace uiimpl
