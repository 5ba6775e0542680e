#include "ui/Font.h"

#include "ui/LineBreaks.h"
#include "ui/win32/Native.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

using namespace uiimpl;

namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::pair<int, int>, std::unique_ptr<CFont>> fonts;
    std::map<std::string, std::string> substitutes;
};
Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

std::string SubstituteOf(const std::string& face) {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    const auto it = r.substitutes.find(face);
    return it == r.substitutes.end() ? std::string() : it->second;
}

// The face drawn: a substitute set by the program, the face itself, the
// metric-compatible stand-in of a Windows core font, else Liberation Sans.
std::u16string ResolveFace(const std::string& face) {
    if (const std::u16string substitute = Q(SubstituteOf(face));
        !substitute.empty() && win::FaceInstalled(substitute))
        return substitute;
    static const std::map<std::string, std::u16string> standIns = {
        {"Arial", u"Liberation Sans"},         {"Helvetica", u"Liberation Sans"},
        {"MS Sans Serif", u"Liberation Sans"}, {"MS Shell Dlg", u"Liberation Sans"},
        {"Courier New", u"Liberation Mono"},   {"Times New Roman", u"Liberation Serif"},
    };
    const std::u16string wanted = Q(face);
    if (!wanted.empty() && win::FaceInstalled(wanted))
        return wanted;
    const auto it = standIns.find(face);
    if (it != standIns.end() && win::FaceInstalled(it->second))
        return it->second;
    return win::FaceInstalled(u"Liberation Sans") ? std::u16string(u"Liberation Sans") : wanted;
}

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
    const std::u16string face = ResolveFace(logFont.lfFaceName);
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

CFont::CFont(const LOGFONT& logFont) : d(std::make_unique<CFontPrivate>()) {
    d->logFont = logFont;
}

CFont::~CFont() {
    d->Drop();
}

const LOGFONT& CFont::GetLogFont() const {
    return d->logFont;
}

int CFont::GetLineHeight() const {
    d->Get();
    return d->lineHeight;
}

CSize CFont::GetTextExtent(const std::string& text) const {
    return GetTextExtent(text, 0);
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

void CFontRegistry::Register(int id, int codePage, const LOGFONT& logFont) {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    auto& slot = r.fonts[{id, codePage}];
    if (slot) {
        slot->Private().Drop();
        slot->Private().logFont = logFont;
    } else {
        slot = std::make_unique<CFont>(logFont);
    }
}

const CFont* CFontRegistry::Get(int id, int codePage) {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    const auto it = r.fonts.find({id, codePage});
    return it == r.fonts.end() ? nullptr : it->second.get();
}

void CFontRegistry::Clear() {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    r.fonts.clear();
}

void CFontRegistry::SetFaceSubstitute(const std::string& face, const std::string& substitute) {
    {
        Registry& r = TheRegistry();
        std::lock_guard lock(r.mutex);
        if (substitute.empty())
            r.substitutes.erase(face);
        else
            r.substitutes[face] = substitute;
    }
    ReleaseFonts();
}

namespace uiimpl {

const CFont& DefaultFont() {
    static CFont font([] {
        LOGFONT lf;
        lf.lfHeight = 15;
        lf.lfFaceName = "Arial";
        return lf;
    }());
    return font;
}

win::Handle FontHandle(const CFont* font) {
    return (font != nullptr ? font : &DefaultFont())->Private().Get();
}

CSize TextExtent(const CFont* font, const std::string& text, int wrapWidth) {
    return (font != nullptr ? font : &DefaultFont())->GetTextExtent(text, wrapWidth);
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

void ReleaseFonts() {
    Registry& r = TheRegistry();
    {
        std::lock_guard lock(r.mutex);
        for (auto& [key, font] : r.fonts)
            font->Private().Drop();
    }
    const_cast<CFont&>(DefaultFont()).Private().Drop();
}

} // namespace uiimpl
