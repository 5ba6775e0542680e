#include "ui/Font.h"

#include "ui/Private.h"
#include "ui/Toolkit.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

using namespace uiimpl;

const QFont& CFontPrivate::Get() {
    if (built)
        return font;
    QFont f(Q(ResolveFace(logFont.lfFaceName)));
    const int weight = logFont.lfWeight;
    f.setWeight(weight >= 600 ? QFont::Bold
                              : (weight > 0 && weight < 350 ? QFont::Light : QFont::Normal));
    f.setItalic(logFont.lfItalic);
    f.setUnderline(logFont.lfUnderline);
    f.setStrikeOut(logFont.lfStrikeOut);
    f.setStyleStrategy(QFont::PreferAntialias);
    f.setHintingPreference(QFont::PreferNoHinting);
    const int height = logFont.lfHeight;
    if (height < 0) {
        // The em height.
        f.setPixelSize(-height);
        lineHeight = QFontMetrics(f).height();
    } else {
        // The cell height (ascent + descent): the largest pixel size whose
        // cell fits, and lines exactly that high.
        const int cell = height == 0 ? 16 : height;
        int px = cell;
        f.setPixelSize(px);
        while (px > 1 && QFontMetrics(f).height() > cell) {
            --px;
            f.setPixelSize(px);
        }
        lineHeight = cell;
    }
    font = f;
    built = true;
    return font;
}

CFont::CFont(const LOGFONT& logFont)
    : m_logFont(logFont), d(std::make_unique<CFontPrivate>(m_logFont)) {}

CFont::~CFont() = default;

int CFont::GetLineHeight() const {
    d->Get();
    return d->lineHeight;
}

CSize CFont::GetTextExtent(const std::string& text, int wrapWidth) const {
    const std::vector<QString> lines = TextLines(*this, text, wrapWidth);
    int width = 0;
    for (const QString& line : lines)
        width = std::max(width, LineWidth(*this, line, wrapWidth));
    return CSize{width, GetLineHeight() * static_cast<int>(lines.size())};
}

std::string CFont::GetTextFace() const {
    return S(QFontInfo(d->Get()).family());
}

namespace uiimpl {

const QFont& QtFont(const CFont* font) {
    return (font != nullptr ? font : &DefaultFont())->Private().Get();
}

void DrawTextLines(QPainter& painter, const CFont* font, const std::string& text,
                   const QColor& color, int x, int y, int wrapWidth) {
    const CFont& f = font != nullptr ? *font : DefaultFont();
    const QFont& qf = f.Private().Get();
    const QFontMetrics metrics(qf);
    const int lineHeight = f.GetLineHeight();
    // Centre the glyph cell in the line when the line is taller than it.
    const int baseline = (lineHeight - metrics.height()) / 2 + metrics.ascent();
    painter.setFont(qf);
    painter.setPen(color);
    int top = y;
    for (const QString& line : TextLines(f, text, wrapWidth)) {
        painter.drawText(x, top + baseline, line);
        top += lineHeight;
    }
}

void DropBuiltFont(const CFont& font) {
    font.Private().Drop();
}

bool FaceInstalled(const std::string& face) {
    return QFontDatabase::hasFamily(Q(face));
}

} // namespace uiimpl
