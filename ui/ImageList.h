// CImageList: a row of equally wide images cut from one bitmap of the
// resources, with a mask colour that becomes transparent.
#pragma once

#include "ui/WinDefs.h"

#include <memory>

struct CImageListPrivate;

class CImageList {
public:
    CImageList();
    ~CImageList();
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    // Cuts "bitmap_<bitmapId>.png" into images width pixels wide; pixels of
    // colour mask become transparent. False when the bitmap is missing.
    bool Create(int bitmapId, int width, int grow, COLORREF mask);
    int GetImageCount() const;
    CSize GetImageSize() const;

    CImageListPrivate& Private() const { return *d; }

private:
    std::unique_ptr<CImageListPrivate> d;
};
