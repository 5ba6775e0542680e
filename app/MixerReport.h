// --report's description of the mixers, in English: the mixer walk describes
// each mixer, line and control in the trace's words (French, as the trace
// keeps them); the report says them in English.
#pragma once

#include <ostream>
#include <string>

// The description of every mixer, as ReportMixer gives it, in English. Its
// result is ReportMixer's.
int ReportMixerInEnglish(std::ostream& out);

// One line of the walk's description in English (lines with no French
// words, such as the values and the errors, stay as they are).
std::string EnglishReportLine(const std::string& line);
