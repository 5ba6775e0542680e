// The Qt side of the line rules (ui/LineBreaks.cpp): widths from the font's
// metrics, characters as grapheme clusters.
#include "ui/LineBreaks.h"
#include "ui/Private.h"

#include <QFontMetrics>
#include <QTextBoundaryFinder>

namespace uiimpl {

namespace {

QString FromView(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

LineMetrics MetricsOf(const QFontMetrics& metrics) {
    LineMetrics m;
    m.width = [&metrics](std::u16string_view text) {
        return metrics.horizontalAdvance(FromView(text));
    };
    m.characterEnds = [](std::u16string_view text) {
        const QString word = FromView(text);
        QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, word);
        std::vector<std::size_t> ends;
        for (qsizetype at = graphemes.toNextBoundary(); at > 0; at = graphemes.toNextBoundary())
            ends.push_back(static_cast<std::size_t>(at));
        return ends;
    };
    return m;
}

} // namespace

std::vector<QString> TextLines(const CFont& font, const std::string& text, int wrapWidth) {
    const QFontMetrics metrics(font.Private().Get());
    const QString shown = Q(text);
    std::vector<QString> lines;
    for (const std::u16string& line :
         BreakLines(MetricsOf(metrics),
                    std::u16string_view(reinterpret_cast<const char16_t*>(shown.utf16()),
                                        static_cast<std::size_t>(shown.size())),
                    wrapWidth))
        lines.push_back(FromView(line));
    return lines;
}

int LineWidth(const CFont& font, const QString& line, int wrapWidth) {
    const QFontMetrics metrics(font.Private().Get());
    return BrokenLineWidth(MetricsOf(metrics),
                           std::u16string_view(reinterpret_cast<const char16_t*>(line.utf16()),
                                               static_cast<std::size_t>(line.size())),
                           wrapWidth);
}

} // namespace uiimpl
