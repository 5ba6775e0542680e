// What a button holds whatever draws it: the picture it shows (icon or
// bitmap, by id, at a size) and a click from the program, which only an
// enabled button takes.
#include "ui/Button.h"
#include "ui/Toolkit.h"

using namespace uiimpl;

void CButton::SetIcon(int iconId, int width, int height) {
    ApplyImage(true, iconId, width, height);
}

void CButton::SetBitmap(int bitmapId, int width, int height) {
    ApplyImage(false, bitmapId, width, height);
}

void CButton::ApplyImage(bool icon, int id, int width, int height) {
    m_imageId = id;
    m_imageIsIcon = icon;
    m_imageSize = CSize{width, height};
    ShowImage();
}

void CButton::Click() {
    if (IsWindowEnabled())
        SendCommand(this, BN_CLICKED);
}
