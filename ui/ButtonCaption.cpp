// A button's symbol and the caption beside it: how far a picture's symbol
// reaches, and where a caption goes. Toolkit-free, for both realisations.
#include "ui/Button.h"
#include "ui/pictures/EmbeddedPictures.h"

#include <algorithm>

using namespace uiimpl;

namespace {
constexpr unsigned kVisibleAlpha = 16;
} // namespace

int CButton::SymbolRight(bool icon, int id, int width, int height) {
    for (int i = 0; i < kEmbeddedPictureCount; ++i) {
        const EmbeddedPicture& p = kEmbeddedPictures[i];
        if (p.icon != icon || p.id != id || p.width <= 0)
            continue;
        // The last column with a pixel that shows: the faint traces the
        // smoothing of the edges leaves around a symbol (below 1/16 opaque)
        // do not count.
        int last = -1;
        for (int y = 0; y < p.height; ++y)
            for (int x = p.width - 1; x > last; --x)
                if ((p.pixels[y * p.width + x] >> 24) >= kVisibleAlpha) {
                    last = x;
                    break;
                }
        if (last < 0)
            return 0;
        // Drawn at another width, the column scales with it.
        const int drawn = width > 0 && height > 0 ? width : p.width;
        return ((last + 1) * drawn + p.width - 1) / p.width;
    }
    return 0;
}

void CButton::SetSymbolRoom(int symbolRight) {
    m_symbolRoom = std::max(0, symbolRight);
    Invalidate();
}

int CButton::CaptionRoom(int buttonWidth) const {
    const int left = m_symbolRoom > 0 ? m_symbolRoom + kSymbolGap : kCaptionInset;
    return std::max(0, buttonWidth - kCaptionInset - left);
}

int CButton::WidthForCaption(int captionWidth, int least) const {
    const int left = m_symbolRoom > 0 ? m_symbolRoom + kSymbolGap : kCaptionInset;
    return std::max(least, left + captionWidth + kCaptionInset);
}

CRect CButton::CaptionRect(CSize buttonSize, CSize size) const {
    const int left = m_symbolRoom > 0 ? m_symbolRoom + kSymbolGap : kCaptionInset;
    // Centred where the symbol leaves it room, else right after the symbol.
    const int x = std::max(left, (buttonSize.cx - size.cx) / 2);
    const int y = (buttonSize.cy - size.cy) / 2;
    return CRect{x, y, x + size.cx, y + size.cy};
}

CRect CButton::PlaceCaption(CSize size) const {
    const CRect button = GetRectInParent();
    CRect r = CaptionRect(CSize{button.Width(), button.Height()}, size);
    r.left += button.left;
    r.right += button.left;
    r.top += button.top;
    r.bottom += button.top;
    return r;
}
