#include "pages/RecordingVerdictLine.h"

#include "audio/RecordingVerdict.h"
#include "platform/system/trace.h"
#include "platform/text/trim.h"
#include "texts/UiTexts.h"

#include <algorithm>

namespace {

constexpr const char* kModule = "PropPage4";

} // namespace

RecordingAnalysis ShowRecordingVerdict(CColorText& line, CWnd& closing, const std::string& path,
                                       std::uint32_t skipBytes) {
    const RecordingAnalysis analysis = AnalyseRecording(path, kVerdictLimits, skipBytes);
    if (analysis.ok) {
        TRACE_LOG(0, kModule, __LINE__, "Recording verdict %s: %s", VerdictKey(analysis.verdict),
                  DescribeFigures(analysis.figures).c_str());
        ShowVerdictText(line, closing, VerdictText(analysis));
    } else {
        TRACE_LOG(1, kModule, __LINE__, "Recording not measured: %s", analysis.error.c_str());
        ShowVerdictText(line, closing, analysis.error);
    }
    return analysis;
}

namespace {

// The verdict's sentence, followed by the narrow band's where a voice was
// heard without any sound above 4 kHz.
std::string WithBand(const RecordingAnalysis& analysis, const std::string& verdict) {
    if (analysis.verdict == Verdict::NoVoice || analysis.figures.wideBand)
        return verdict;
    return verdict + " " + UiText("Verdict", "NarrowBand");
}

} // namespace

std::string VerdictText(const RecordingAnalysis& analysis) {
    return WithBand(analysis, UiText("Verdict", VerdictKey(analysis.verdict)));
}

std::string MendedVerdictText(const RecordingAnalysis& analysis, int percent) {
    const char* key = analysis.verdict == Verdict::TooLoud ? "Lowered" : "Raised";
    return WithBand(analysis, FormatUiText(UiText("Verdict", key), {std::to_string(percent)}));
}

int VerdictTextHeight(CColorText& line, int width) {
    int height = 0;
    for (Verdict v : {Verdict::NoVoice, Verdict::TooQuiet, Verdict::TooLoud, Verdict::TooNoisy,
                      Verdict::Good}) {
        RecordingAnalysis narrow;
        narrow.verdict = v;
        height = std::max(height, line.GetTextExtent(VerdictText(narrow), width).cy);
        if (v == Verdict::TooLoud || v == Verdict::TooQuiet)
            height = std::max(height, line.GetTextExtent(MendedVerdictText(narrow, 100), width).cy);
    }
    return height;
}

void ShowVerdictText(CColorText& line, CWnd& closing, const std::string& text) {
    line.SetText(text);
    const CRect place = line.GetRectInParent();
    const CSize size = line.GetTextSize();
    line.MoveWindow(place.left, place.top, size.cx, size.cy);
    closing.ShowWindow(SW_HIDE);
    line.ShowWindow(SW_SHOW);
}

void HideRecordingVerdict(CColorText& line, CWnd& closing) {
    line.ShowWindow(SW_HIDE);
    closing.ShowWindow(SW_SHOW);
}

std::string SpeechText(const SpeechResult& result) {
    const std::string understood = std::to_string(result.understood);
    const std::string expected = std::to_string(result.expected);
    switch (result.outcome) {
    case SpeechOutcome::Understood:
        return FormatUiText(UiText("Verdict", "Understood"), {understood, expected});
    case SpeechOutcome::NotUnderstood:
        return FormatUiText(UiText("Verdict", "NotUnderstood"), {understood, expected});
    case SpeechOutcome::NoRecogniser:
        return UiText("Verdict", "NoRecogniser");
    case SpeechOutcome::Stopped:
        return UiText("Verdict", "Checking");
    case SpeechOutcome::Failed:
        break;
    }
    return FormatUiText(UiText("Verdict", "RecogniserFailed"), {result.error});
}

SpeechSentence PageSentence() {
    return {UiText("PropP4", "K3"), plat::Trim(UiText("PropP4", "SentenceLanguage"))};
}
