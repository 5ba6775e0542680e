// The program's pictures, embedded from resources/images as
// ":/images/icon_<id>.png" and ":/images/bitmap_<id>.png".
#include "ui/Private.h"

#include <map>

namespace uiimpl {

namespace {
std::map<std::pair<bool, int>, QPixmap>& Cache() {
    static std::map<std::pair<bool, int>, QPixmap> cache;
    return cache;
}
} // namespace

QPixmap ResourcePixmap(bool icon, int id) {
    auto& cache = Cache();
    const auto key = std::make_pair(icon, id);
    const auto it = cache.find(key);
    if (it != cache.end())
        return it->second;
    const QString path = QString(":/images/%1_%2.png").arg(icon ? "icon" : "bitmap").arg(id);
    QPixmap pixmap(path); // null when the picture is missing
    cache.emplace(key, pixmap);
    return pixmap;
}

void ReleaseImages() {
    Cache().clear();
}

} // namespace uiimpl
