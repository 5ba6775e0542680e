// How a text falls into lines: its own line feeds and, within a wrap width,
// breaks at blanks, as DrawText with DT_WORDBREAK breaks it; a word wider than
// the width alone breaks between two of its characters where it must.
#include "ui/Private.h"

#include <QFontMetrics>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace uiimpl {

namespace {

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

qsizetype SkipBlanks(const QString& text, qsizetype at) {
    while (at < text.size() && IsBlank(text[at]))
        ++at;
    return at;
}

qsizetype SkipWord(const QString& text, qsizetype at) {
    while (at < text.size() && !IsBlank(text[at]))
        ++at;
    return at;
}

// text[from, end) without the blanks at its end.
QString Trimmed(const QString& text, qsizetype from, qsizetype end) {
    while (end > from && IsBlank(text[end - 1]))
        --end;
    return text.mid(from, end - from);
}

// The end of the longest start of word[from, end) no wider than width, at a
// boundary between characters (grapheme clusters); one character at least.
qsizetype BreakInsideWord(const QFontMetrics& metrics, const QString& text, qsizetype from,
                          qsizetype end, int width) {
    const QString word = text.mid(from, end - from);
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, word);
    qsizetype best = 0;
    for (qsizetype at = graphemes.toNextBoundary(); at > 0; at = graphemes.toNextBoundary()) {
        if (best > 0 && metrics.horizontalAdvance(word.left(at)) > width)
            break;
        best = at;
    }
    return from + std::max<qsizetype>(best, 1);
}

// The lines one line of text (without line feeds) takes within width.
void WrapLine(const QFontMetrics& metrics, const QString& line, int width,
              std::vector<QString>& lines) {
    auto fits = [&](qsizetype from, qsizetype end) {
        return metrics.horizontalAdvance(Trimmed(line, from, end)) <= width;
    };
    const qsizetype size = line.size();
    qsizetype from = 0;
    while (from < size) {
        if (fits(from, size)) {
            lines.push_back(line.mid(from));
            return;
        }
        // Blanks before the first word (an indent) stay with it.
        const qsizetype wordStart = SkipBlanks(line, from);
        const qsizetype firstWordEnd = SkipWord(line, wordStart);
        // The last word end up to which the line still fits.
        qsizetype end = -1;
        for (qsizetype at = firstWordEnd; at < size && fits(from, at);
             at = SkipWord(line, SkipBlanks(line, at)))
            end = at;
        if (end < 0) {
            // Not even the first word fits: it breaks inside.
            const int indent = metrics.horizontalAdvance(line.mid(from, wordStart - from));
            end = BreakInsideWord(metrics, line, wordStart, firstWordEnd, width - indent);
        }
        lines.push_back(Trimmed(line, from, end));
        // The blanks the line breaks at go with the break.
        from = SkipBlanks(line, end);
    }
}

} // namespace

std::vector<QString> TextLines(const CFont& font, const std::string& text, int wrapWidth) {
    const QFontMetrics metrics(font.Private().Get());
    std::vector<QString> lines;
    const QStringList parts = Q(text).remove(u'\r').split(u'\n');
    for (const QString& part : parts) {
        const std::size_t before = lines.size();
        if (wrapWidth > 0)
            WrapLine(metrics, part, wrapWidth, lines);
        if (lines.size() == before)
            lines.push_back(part);
    }
    return lines;
}

int LineWidth(const CFont& font, const QString& line, int wrapWidth) {
    const QFontMetrics metrics(font.Private().Get());
    const int width = metrics.horizontalAdvance(line);
    if (wrapWidth <= 0 || width <= wrapWidth)
        return width;
    // Blanks at the end of a line take no room beyond the wrap width.
    return std::max(metrics.horizontalAdvance(Trimmed(line, 0, line.size())), wrapWidth);
}

} // namespace uiimpl
