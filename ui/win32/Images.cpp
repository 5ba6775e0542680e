// The program's pictures, decoded by the build (ui/pictures/embed_pictures.py)
// from resources/images/icon_<id>.png and bitmap_<id>.png.
#include "ui/pictures/EmbeddedPictures.h"
#include "ui/win32/Native.h"

#include <map>

namespace uiimpl {

const Picture* ResourcePicture(bool icon, int id) {
    static const std::map<std::pair<bool, int>, Picture> pictures = [] {
        std::map<std::pair<bool, int>, Picture> all;
        for (int i = 0; i < kEmbeddedPictureCount; ++i) {
            const EmbeddedPicture& p = kEmbeddedPictures[i];
            all[{p.icon, p.id}] = Picture{p.width, p.height, p.pixels};
        }
        return all;
    }();
    const auto it = pictures.find({icon, id});
    return it == pictures.end() ? nullptr : &it->second;
}

} // namespace uiimpl
