#include "ui/LineBreaks.h"

#include <algorithm>

namespace uiimpl {

namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

std::size_t SkipBlanks(std::u16string_view text, std::size_t at) {
    while (at < text.size() && IsBlank(text[at]))
        ++at;
    return at;
}

std::size_t SkipWord(std::u16string_view text, std::size_t at) {
    while (at < text.size() && !IsBlank(text[at]))
        ++at;
    return at;
}

// text[from, end) without the blanks at its end.
std::u16string_view Trimmed(std::u16string_view text, std::size_t from, std::size_t end) {
    while (end > from && IsBlank(text[end - 1]))
        --end;
    return text.substr(from, end - from);
}

// The end of the longest start of text[from, end) no wider than width, at a
// boundary between characters; one character at least.
std::size_t BreakInsideWord(const LineMetrics& metrics, std::u16string_view text, std::size_t from,
                            std::size_t end, int width) {
    const std::u16string_view word = text.substr(from, end - from);
    std::size_t best = 0;
    for (const std::size_t at : metrics.characterEnds(word)) {
        if (best > 0 && metrics.width(word.substr(0, at)) > width)
            break;
        best = at;
    }
    return from + std::max<std::size_t>(best, 1);
}

// The lines one line of text (without line feeds) takes within width.
void WrapLine(const LineMetrics& metrics, std::u16string_view line, int width,
              std::vector<std::u16string>& lines) {
    auto fits = [&](std::size_t from, std::size_t end) {
        return metrics.width(Trimmed(line, from, end)) <= width;
    };
    const std::size_t size = line.size();
    std::size_t from = 0;
    while (from < size) {
        if (fits(from, size)) {
            lines.emplace_back(line.substr(from));
            return;
        }
        // Blanks before the first word (an indent) stay with it.
        const std::size_t wordStart = SkipBlanks(line, from);
        const std::size_t firstWordEnd = SkipWord(line, wordStart);
        // The last word end up to which the line still fits.
        std::size_t end = 0;
        bool found = false;
        for (std::size_t at = firstWordEnd; at < size && fits(from, at);
             at = SkipWord(line, SkipBlanks(line, at))) {
            end = at;
            found = true;
        }
        if (!found) {
            // Not even the first word fits: it breaks inside.
            const int indent = metrics.width(line.substr(from, wordStart - from));
            end = BreakInsideWord(metrics, line, wordStart, firstWordEnd, width - indent);
        }
        lines.emplace_back(Trimmed(line, from, end));
        // The blanks the line breaks at go with the break.
        from = SkipBlanks(line, end);
    }
}

} // namespace

std::vector<std::u16string> BreakLines(const LineMetrics& metrics, std::u16string_view text,
                                       int wrapWidth) {
    std::u16string plain;
    plain.reserve(text.size());
    for (const char16_t c : text)
        if (c != u'\r')
            plain.push_back(c);
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    while (true) {
        const std::size_t feed = plain.find(u'\n', start);
        const std::u16string_view part = std::u16string_view(plain).substr(
            start, feed == std::u16string::npos ? std::u16string::npos : feed - start);
        const std::size_t before = lines.size();
        if (wrapWidth > 0)
            WrapLine(metrics, part, wrapWidth, lines);
        if (lines.size() == before)
            lines.emplace_back(part);
        if (feed == std::u16string::npos)
            break;
        start = feed + 1;
    }
    return lines;
}

int BrokenLineWidth(const LineMetrics& metrics, std::u16string_view line, int wrapWidth) {
    const int width = metrics.width(line);
    if (wrapWidth <= 0 || width <= wrapWidth)
        return width;
    return std::max(metrics.width(Trimmed(line, 0, line.size())), wrapWidth);
}

} // namespace uiimpl
