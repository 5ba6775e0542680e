#include "ui/Font.h"

#include "ui/Private.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <map>
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

// Faces of the Windows core fonts and the metric-compatible faces that stand
// in for them where they are not installed.
QString ResolveFace(const std::string& face) {
    if (const QString substitute = Q(SubstituteOf(face));
        !substitute.isEmpty() && QFontDatabase::hasFamily(substitute))
        return substitute;
    static const std::map<std::string, QString> standIns = {
        {"Arial", "Liberation Sans"},         {"Helvetica", "Liberation Sans"},
        {"MS Sans Serif", "Liberation Sans"}, {"MS Shell Dlg", "Liberation Sans"},
        {"Courier New", "Liberation Mono"},   {"Times New Roman", "Liberation Serif"},
    };
    const QString wanted = Q(face);
    if (!wanted.isEmpty() && QFontDatabase::hasFamily(wanted))
        return wanted;
    const auto it = standIns.find(face);
    if (it != standIns.end() && QFontDatabase::hasFamily(it->second))
        return it->second;
    return QFontDatabase::hasFamily("Liberation Sans") ? QString("Liberation Sans") : wanted;
}

} // namespace

const QFont& CFontPrivate::Get() {
    if (built)
        return font;
    QFont f(ResolveFace(logFont.lfFaceName));
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

CFont::CFont(const LOGFONT& logFont) : d(std::make_unique<CFontPrivate>()) {
    d->logFont = logFont;
}

CFont::~CFont() = default;

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
    const std::vector<QString> lines = TextLines(*this, text, wrapWidth);
    int width = 0;
    for (const QString& line : lines)
        width = std::max(width, LineWidth(*this, line, wrapWidth));
    return CSize{width, GetLineHeight() * static_cast<int>(lines.size())};
}

std::string CFont::GetTextFace() const {
    return S(QFontInfo(d->Get()).family());
}

void CFontRegistry::Register(int id, int codePage, const LOGFONT& logFont) {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    auto& slot = r.fonts[{id, codePage}];
    if (slot) {
        slot->Private().logFont = logFont;
        slot->Private().Drop();
    } else
        slot = std::make_unique<CFont>(logFont);
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

const QFont& QtFont(const CFont* font) {
    return (font != nullptr ? font : &DefaultFont())->Private().Get();
}

CSize TextExtent(const CFont* font, const std::string& text, int wrapWidth) {
    return (font != nullptr ? font : &DefaultFont())->GetTextExtent(text, wrapWidth);
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
