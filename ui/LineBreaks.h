// How a text falls into lines, without a toolkit: its own line feeds and,
// within a wrap width, breaks at blanks, as DrawText with DT_WORDBREAK breaks
// it; a word wider than the width alone breaks between two of its characters
// where it must. The toolkit supplies the widths and the character
// boundaries; both realisations of the framework measure and draw through it.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace uiimpl {

struct LineMetrics {
    // Pixel width of a piece of text drawn on one line.
    std::function<int(std::u16string_view)> width;
    // The ends of the characters (grapheme clusters) of a word, ascending,
    // the last one its size.
    std::function<std::vector<std::size_t>(std::u16string_view)> characterEnds;
};

// The lines text (UTF-16, carriage returns ignored) is drawn in.
std::vector<std::u16string> BreakLines(const LineMetrics& metrics, std::u16string_view text,
                                       int wrapWidth);
// The width a line of BreakLines takes: blanks at its end take no room beyond
// the wrap width.
int BrokenLineWidth(const LineMetrics& metrics, std::u16string_view line, int wrapWidth);

} // namespace uiimpl
