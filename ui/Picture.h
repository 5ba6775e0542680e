// CPicture: shows "bitmap_<id>.png" of the resources, scaled to fit its
// rectangle with its proportions kept, centred. Shows nothing when the bitmap
// is missing.
#pragma once

#include "ui/Wnd.h"

class CPicture : public CWnd {
public:
    bool Create(CWnd* parent, int id, int bitmapId = 0);
    void SetBitmap(int bitmapId);
    int GetBitmapId() const { return m_bitmapId; }
    // False when the bitmap is not among the resources.
    bool HasImage() const;

private:
    int m_bitmapId = 0;
};
