// The verdict line of the microphone page: after a recording stopped, whether
// "User.wav" is fit for speech recognition, in the words of the language
// file's section "Verdict".
#pragma once

#include "audio/RecordingVerdict.h"
#include "audio/SpeechCheck.h"
#include "ui/ColorText.h"

#include <cstdint>
#include <string>

// Measures the recording at path, writes its figures and verdict to the trace
// log and shows the verdict's text in line (font and colour as the page set
// them) in place of the closing line, which it hides. A file that cannot be
// measured shows why instead. Answers the measurement.
// The sound before skipBytes (what was recorded before the automatic level
// settled) is not judged.
RecordingAnalysis ShowRecordingVerdict(CColorText& line, CWnd& closing, const std::string& path,
                                       std::uint32_t skipBytes = 0);
// The verdict's words for the learner: the verdict's own text, followed,
// where a voice was heard without any sound above 4 kHz (a telephone-band
// microphone), by what that means for the speech recogniser.
std::string VerdictText(const RecordingAnalysis& analysis);
// The words for a recording the automatic level left too loud or too quiet
// after the wizard moved the recording volume to percent: said in place of
// the verdict's own, the narrow band's sentence following as there.
std::string MendedVerdictText(const RecordingAnalysis& analysis, int percent);
// The height the verdict's words may take in line at width: its tallest text.
int VerdictTextHeight(CColorText& line, int width);
// Shows text in line, sized to it where the line stands, in place of the
// closing line, which it hides.
void ShowVerdictText(CColorText& line, CWnd& closing, const std::string& text);
// Hides the line and shows the closing line again.
void HideRecordingVerdict(CColorText& line, CWnd& closing);

// The speech recogniser's line under the verdict: what it understood of the
// sentence, in the words of the section "Verdict" ("Checking" while it
// decodes).
std::string SpeechText(const SpeechResult& result);
// The sentence of the microphone page and its language, as the texts in use
// give them.
SpeechSentence PageSentence();
