#include "ui/Picture.h"

#include "ui/win32/Native.h"

#include <algorithm>

using namespace uiimpl;

bool CPicture::Create(CWnd* parent, int id, int bitmapId) {
    if (parent == nullptr || !parent->HasWindow())
        return false;
    win::Handle hwnd =
        win::CreateOwn(win::Class::Painted, u"", win::style::kChild | win::style::kVisible, 0,
                       Hwnd(parent), id, 0, 0, 100, 100);
    if (hwnd == nullptr)
        return false;
    AttachHwnd(hwnd, parent, id);
    CWndPrivate& d = CWndPrivate::Of(*this);
    d.paint = [this](win::Painter& p) {
        CRect r;
        GetClientRect(r);
        CWnd* owner = GetParent();
        p.Fill(0, 0, r.Width(), r.Height(),
               owner != nullptr && CWndPrivate::Of(*owner).hasBackground
                   ? CWndPrivate::Of(*owner).background
                   : kPageColor);
        const Picture* picture = ResourcePicture(false, m_bitmapId);
        if (picture == nullptr || picture->width <= 0 || picture->height <= 0)
            return;
        // Scaled to fit, its proportions kept, centred.
        const double scale = std::min(static_cast<double>(r.Width()) / picture->width,
                                      static_cast<double>(r.Height()) / picture->height);
        const int w = static_cast<int>(picture->width * scale);
        const int h = static_cast<int>(picture->height * scale);
        p.Pixels(picture->pixels, picture->width, picture->height, (r.Width() - w) / 2,
                 (r.Height() - h) / 2, w, h);
    };
    SetBitmap(bitmapId);
    return true;
}

void CPicture::SetBitmap(int bitmapId) {
    m_bitmapId = bitmapId;
    Invalidate();
}

bool CPicture::HasImage() const {
    return ResourcePicture(false, m_bitmapId) != nullptr;
}
