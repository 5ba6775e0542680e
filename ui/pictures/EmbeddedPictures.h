// The program's pictures as the build decoded them (embed_pictures.py): one
// 0xAARRGGBB value a pixel, row after row, as the toolkit keeps 32-bit ARGB.
#pragma once

namespace uiimpl {

struct EmbeddedPicture {
    bool icon; // icon_<id>.png, else bitmap_<id>.png
    int id;
    int width;
    int height;
    const unsigned int* pixels;
};

extern const EmbeddedPicture kEmbeddedPictures[];
extern const int kEmbeddedPictureCount;
// The program's icon in its sizes (id: the side in pixels).
extern const EmbeddedPicture* const kProgramIcons;
extern const int kProgramIconCount;

} // namespace uiimpl
