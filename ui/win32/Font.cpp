#include "ui/Font.h"

#include "ui/LineBreaks.h"
#include "ui/Toolkit.h"
#include "ui/win32/Native.h"

#include <algorithm>
#include <memory>

using namespace uiimpl;

namespace {

LineMetrics MetricsOf(win::Handle font) {
    LineMetrics m;
    m.width = [font](std::u16string_view text) { return win::TextWidth(font, text); };
    // A character: a code point with the combining marks after it.
    m.characterEnds = [](std::u16string_view text) {
        std::vector<std::size_t> ends;
        for (std::size_t i = 0; i < text.size();) {
            ++i;
            if (i < text.size() && text[i - 1] >= 0xD800 && text[i - 1] < 0xDC00)
                ++i;
            while (i < text.size() && ((text[i] >= 0x0300 && text[i] < 0x0370) ||
                                       (text[i] >= 0xFE20 && text[i] < 0xFE30)))
                ++i;
            ends.push_back(i);
        }
        return ends;
    };
    return m;
}

} // namespace

win::Handle CFontPrivate::Get() {
    if (font != nullptr)
        return font;
    const std::u16string face = Q(ResolveFace(logFont.lfFaceName));
    const int weight = logFont.lfWeight >= 600
                           ? 700
                           : (logFont.lfWeight > 0 && logFont.lfWeight < 350 ? 300 : 400);
    // GDI reads the height as Windows does: negative the em height, positive
    // the cell height.
    const int height = logFont.lfHeight == 0 ? 16 : logFont.lfHeight;
    font = win::CreateFontHandle(height, weight, logFont.lfItalic, logFont.lfUnderline,
                                 logFont.lfStrikeOut, face);
    const win::TextMetrics tm = win::FontMetrics(font);
    lineHeight = height > 0 ? height : tm.height;
    cellOffset = std::max(0, (lineHeight - tm.height) / 2);
    return font;
}

void CFontPrivate::Drop() {
    win::DeleteObject(font);
    font = nullptr;
}

CFont::CFont(const LOGFONT& logFont)
    : m_logFont(logFont), d(std::make_unique<CFontPrivate>(m_logFont)) {}

CFont::~CFont() {
    d->Drop();
}

int CFont::GetLineHeight() const {
    d->Get();
    return d->lineHeight;
}

CSize CFont::GetTextExtent(const std::string& text, int wrapWidth) const {
    const LineMetrics metrics = MetricsOf(d->Get());
    const std::vector<std::u16string> lines = BreakLines(metrics, Q(text), wrapWidth);
    int width = 0;
    for (const std::u16string& line : lines)
        width = std::max(width, BrokenLineWidth(metrics, line, wrapWidth));
    return CSize{width, GetLineHeight() * static_cast<int>(lines.size())};
}

std::string CFont::GetTextFace() const {
    return S(win::FontFace(d->Get()));
}

namespace uiimpl {

win::Handle FontHandle(const CFont* font) {
    return (font != nullptr ? font : &DefaultFont())->Private().Get();
}

std::vector<std::u16string> TextLines(const CFont& font, const std::string& text, int wrapWidth) {
    return BreakLines(MetricsOf(font.Private().Get()), Q(text), wrapWidth);
}

void DrawTextLines(win::Painter& painter, const CFont* font, const std::string& text,
                   COLORREF color, int x, int y, int wrapWidth) {
    const CFont& f = font != nullptr ? *font : DefaultFont();
    win::Handle handle = f.Private().Get();
    const int lineHeight = f.GetLineHeight();
    int top = y + f.Private().cellOffset;
    for (const std::u16string& line : TextLines(f, text, wrapWidth)) {
        painter.Text(handle, color, x, top, line);
        top += lineHeight;
    }
}

void DropBuiltFont(const CFont& font) {
    font.Private().Drop();
}

bool FaceInstalled(const std::string& face) {
    return win::FaceInstalled(Q(face));
}

} // namespace uiimpl
