#include "pages/PropPage4.h"

#include "pages/HeadsetDlg.h"
#include "pages/MeterScale.h"
#include "pages/PageLabels.h"
#include "pages/RecordingVerdictLine.h"
#include "pages/SheetServices.h"
#include "pages/StreamEnd.h"
#include "platform/files/directories.h"
#include "platform/files/paths.h"
#include "platform/system/trace.h"
#include "texts/UiTexts.h"
#include "ui/PropertySheet.h"

#include <algorithm>

namespace {

constexpr int kFont = 1121;
constexpr int kLabelFont = 1123;
constexpr COLORREF kDarkBlue = 0x540000;
constexpr COLORREF kBlue = 0xB80000;
constexpr COLORREF kBrightBlue = 0xFF0000;
constexpr COLORREF kGreen = 0x1C6200;
constexpr COLORREF kRed = 0x0000B2;
// The result list of the sound-card test after a failed replay.
constexpr COLORREF kFailedReplayListColor = 0xB81818;
// The meter: gradient from its left end to its right end, percentage text.
constexpr COLORREF kMeterLeft = 0x0091FF96;
constexpr COLORREF kMeterRight = 0x002020FF;
constexpr COLORREF kMeterText = 0x000064BE;

constexpr int kStartIcon = 182;
constexpr int kReplayIcon = 185;
constexpr int kHelpIcon = 184;

// The page's geometry: the frames span the page less a 10-pixel margin on
// each side; buttons are 80 x 40; the right column of the playback group holds
// the meter and the track bar.
constexpr int kFrameWidth = 468;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 40;
constexpr int kColumnX = 180;
constexpr int kColumnWidth = 250;
// Labels keep this far from each other.
constexpr int kLabelGap = 8;
// The automatic level's text beside the help button needs at least this
// much room, else it takes a row of its own below.
constexpr int kAutoLevelMinRoom = 160;

const std::string& T(const char* key) {
    return UiText("PropP4", key);
}

// Text, font and colour of a label within room; answers the size of its
// text.
CSize SetLabel(CColorText& label, const std::string& text, COLORREF color, int room,
               int font = kFont) {
    return ::SetLabel(label, text, font, color, room);
}

} // namespace

CPropPage4::CPropPage4(CSheetServices& sheet)
    : CPropertyPage(107), m_sheet(&sheet), m_live(sheet, m_meter) {}

std::string CPropPage4::RecordingPath(std::string* error) {
    const std::string temp = plat::GetTempPath(error);
    return temp.empty() ? std::string() : temp + "User.wav";
}

void CPropPage4::CreateControls() {
    m_frame.Create(this, 1057);
    m_group.Create(this, 1058);
    m_start.Create(this, 1004);
    m_replay.Create(this, 1064);
    m_help.Create(this, 1074);
    m_meter.Create(this, 1003);
    m_volume.Create(this, 1018);
    m_result.Create(this, 1085);
    m_intro.Create(this, 1037);
    m_please.Create(this, 1038);
    m_sentence.Create(this, 1107);
    m_groupTitle.Create(this, 1093);
    m_startLabel.Create(this, 1110);
    m_stopLabel.Create(this, 1114);
    m_levelLabel.Create(this, 1061);
    m_low.Create(this, 1040);
    m_high.Create(this, 1041);
    m_helpLabel.Create(this, 1077);
    m_finishLabel.Create(this, 1056);
    m_autoLevelBox.Create(this, kAutoLevelBox);
    m_autoLevelLabel.Create(this, kAutoLevelLabel);
    m_verdict.Create(this, 1210);
    m_offer.Create(this, kOffer);
    m_speech.Create(this, kSpeechLine);
    // What names the controls for a screen reader: the text shown over the
    // button, the label over the meter and the track bar, the frame's title,
    // the check box's text.
    m_startLabel.SetLabelFor(m_start);
    m_stopLabel.SetLabelFor(m_start);
    m_levelLabel.SetLabelFor(m_meter);
    m_levelLabel.SetLabelFor(m_volume);
    m_groupTitle.SetLabelFor(m_group);
    m_autoLevelLabel.SetLabelFor(m_autoLevelBox);
    m_autoLevelLabel.SetClickFor(m_autoLevelBox);
    // A new verdict is heard where the focus is, as it is shown.
    m_verdict.SetLiveRegion(true);
    m_speech.SetLiveRegion(true);
    BindCommand(1004, [this] { OnStart(); });
    BindCommand(1064, [this] { OnReplay(); });
    BindCommand(1074, [this] { OnHelp(); });
    BindCommand(kOffer, [this] { OnAcceptOffer(); });
    // Ticked during a recording it starts from what it hears next; unticked
    // it leaves the volume where it is.
    BindCommand(kAutoLevelBox, [this] {
        if (m_autoLevelBox.GetCheck() != BST_CHECKED)
            m_autoLevelActive = false;
        else if (m_recording)
            StartAutoLevel();
    });
}

bool CPropPage4::OnInitDialog() {
    CPropertyPage::OnInitDialog();

    m_volume.SetRangeMin(0, false);
    m_volume.SetRangeMax(10000, false);
    m_volume.SetPageSize(1000);
    m_volume.SetLineSize(200); // an arrow key moves 2 %, Page Up/Down 10 %
    int volume = 0;
    Sheet()->Mixer().GetRecordingVolume(volume);
    // -1 (no recording control) leaves the thumb at the minimum.
    m_volume.SetPos(volume);

    m_meter.SetPos(0);
    m_meter.SetRange(0, kMeterMax);
    m_meter.SetStep(100);
    m_meter.ShowPercent(false);
    const MeterZone zone = SpeechMeterZone();
    m_meter.SetTargetZone(zone.low, zone.high);
    m_meter.SetGradientColors(kMeterLeft, kMeterRight);
    m_meter.SetTextColor(kMeterText);

    Layout();

    m_start.SetTooltipText(T("K9"), kFont);
    m_replay.SetWindowText(T("K8"));
    m_replay.SetIcon(kReplayIcon, 80, 27);
    m_replay.SetTooltipText(T("K11"), kFont);
    m_help.SetIcon(kHelpIcon, 27, 20);
    m_help.SetTooltipText(T("K10"), kFont);
    m_result.SetReadOnly(true);
    m_result.SetAccessibleName(T("K12"));
    m_result.SetWindowText(T("K7"));

    m_startLabel.ShowWindow(SW_SHOW);
    m_stopLabel.ShowWindow(SW_HIDE);
    m_replay.EnableWindow(false);
    m_help.EnableWindow(false);
    m_result.ShowWindow(SW_HIDE);
    m_autoLevelBox.SetCheck(BST_CHECKED);
    m_verdict.ShowWindow(SW_HIDE);
    m_speech.ShowWindow(SW_HIDE);
    m_offer.ShowWindow(SW_HIDE);
    // The track bar is usable only while a recording runs.
    m_volume.EnableWindow(false);
    return true;
}

void CPropPage4::Layout() {
    // The texts wrap within the page or 10 pixels inside the frames; the
    // labels of the group within the space up to their neighbours.
    const int right = GetPageWidth() - kPageMargin;
    constexpr int kInner = 10 + kFrameWidth - 10; // the frames' inner right edge
    const int meterX = kColumnX + 7;
    const int meterWidth = kColumnWidth - 14;
    const CSize s1037 = SetLabel(m_intro, T("K1"), kDarkBlue, right - 10);
    const CSize s1038 = SetEvenLabel(m_please, T("K2"), kFont, kBlue, kInner - 20);
    const CSize s1107 = SetLabel(m_sentence, T("K3"), kBrightBlue, kInner - 20);
    const CSize s1093 = SetLabel(m_groupTitle, UiText("PropP3", "K8"), kBlue, kInner - 20);
    // Start and Replay show symbols at their left ends (the play mark after a
    // recording; the again arrow, and the play mark while replaying), their
    // captions beside them: both buttons as wide as the longest caption needs
    // there, up to the meter's column; longer captions wrap within them.
    m_start.SetSymbolRoom(CButton::SymbolRight(true, kStartIcon));
    m_replay.SetSymbolRoom(std::max(CButton::SymbolRight(true, kReplayIcon, 80, 27),
                                    CButton::SymbolRight(true, kStartIcon, 80, 40)));
    const CSize startLine = SetLabel(m_startLabel, T("K6"), kGreen, 0, kLabelFont);
    const CSize stopLine = SetLabel(m_stopLabel, UiText("PropP3", "K9"), kRed, 0, kLabelFont);
    const int buttonWidth = std::min(
        kColumnX - 25 - kLabelGap,
        std::max(m_start.WidthForCaption(std::max(startLine.cx, stopLine.cx), kButtonWidth),
                 m_replay.WidthForCaption(m_replay.GetTextExtent(T("K8")).cx, kButtonWidth)));
    m_startLabel.SetWrapWidth(m_start.CaptionRoom(buttonWidth));
    m_stopLabel.SetWrapWidth(m_start.CaptionRoom(buttonWidth));
    const CSize s1110 = m_startLabel.GetTextSize();
    const CSize s1114 = m_stopLabel.GetTextSize();
    const CSize replayText = m_replay.GetTextExtent(T("K8"), m_replay.CaptionRoom(buttonWidth));
    const CSize s1061 = SetLabel(m_levelLabel, T("K4"), kBlue, meterWidth);
    const int sideRoom = meterWidth / 2 - kLabelGap / 2;
    const CSize s1040 = SetLabel(m_low, UiText("PropP3", "K4"), kBlue, sideRoom);
    const CSize s1041 = SetLabel(m_high, UiText("PropP3", "K5"), kBlue, sideRoom);
    // The help button follows its text and stays in the frame.
    const CSize s1077 = SetLabel(m_helpLabel, UiText("PropP3", "K6"), kBlue, kInner - 20 - 4 - 40);
    const CSize s1056 = SetLabel(m_finishLabel, T("K5"), kDarkBlue, right - 10);

    m_frame.SetWindowText("");
    // The group box's caption is blanks as wide as the title laid over it, so
    // its frame line leaves room for the title.
    m_group.SetWindowText(CaptionGap(m_group, s1093.cx));

    // Introduction, then the sentence to read in its frame.
    m_intro.MoveWindow(10, 5, s1037.cx, s1037.cy);
    const int y1 = s1037.cy + 10;
    m_please.MoveWindow(20, y1 + 12, s1038.cx, s1038.cy);
    m_sentence.MoveWindow(20, y1 + 12 + s1038.cy + 4, s1107.cx, s1107.cy);
    const int frameHeight = 12 + s1038.cy + 4 + s1107.cy + 10;
    m_frame.MoveWindow(10, y1, kFrameWidth, frameHeight);

    // The playback group: Start and Replay on the left; the level meter and
    // the recording volume on the right; the help line at the bottom. Button
    // labels of more lines make the buttons higher.
    const int y3 = y1 + frameHeight + 10;
    m_groupTitle.MoveWindow(20, y3, s1093.cx, s1093.cy);
    const int yb = y3 + s1093.cy + 12;
    const int buttonHeight =
        std::max(kButtonHeight, std::max(s1110.cy, s1114.cy) + 2 * CButton::kCaptionInset);
    m_start.MoveWindow(25, yb, buttonWidth, buttonHeight);
    m_startLabel.MoveWindow(m_start.PlaceCaption(s1110));
    m_stopLabel.MoveWindow(m_start.PlaceCaption(s1114));
    const int yr = std::max(yb + buttonHeight + 8, yb + s1061.cy + 4 + 16 + 6);
    const int replayHeight = std::max(kButtonHeight, replayText.cy + 2 * CButton::kCaptionInset);
    m_replay.MoveWindow(25, yr, buttonWidth, replayHeight);

    m_levelLabel.MoveWindow(meterX, yb, s1061.cx, s1061.cy);
    m_meter.MoveWindow(meterX, yb + s1061.cy + 4, meterWidth, 16);
    m_low.MoveWindow(meterX, yr, s1040.cx, s1040.cy);
    m_high.MoveWindow(meterX + meterWidth - s1041.cx, yr, s1041.cx, s1041.cy);
    // The slider right below its two labels.
    const int sliderY = yr + std::max(s1040.cy, s1041.cy);
    m_volume.MoveWindow(kColumnX, sliderY, kColumnWidth, 30);

    const int yh = std::max(yr + replayHeight + 12, sliderY + 30 + 4);
    m_helpLabel.MoveWindow(20, yh + 6, s1077.cx, s1077.cy);
    // A few pixels clear of the text, whose trailing blank the language file
    // may have trimmed.
    m_help.MoveWindow(s1077.cx + 24, yh, 40, 26);
    const int helpBottom = yh + std::max(26, 6 + s1077.cy);
    // The automatic level beside the help button, or on a row of its own
    // below when the help text leaves it too little room.
    constexpr int kAutoLevelRight = 10 + kFrameWidth - 8;
    int autoLevelX = std::max(kColumnX, s1077.cx + 24 + 40 + 12);
    int autoLevelY = yh;
    if (kAutoLevelRight - (autoLevelX + 20) < kAutoLevelMinRoom) {
        autoLevelX = kColumnX;
        autoLevelY = helpBottom + 8;
    }
    const int autoLevelBottom =
        autoLevelY + PlaceAutoLevel(autoLevelX, autoLevelY, kAutoLevelRight);
    const int groupHeight = std::max(helpBottom, autoLevelBottom) + 8 - y3;
    m_group.MoveWindow(10, y3, kFrameWidth, groupHeight);

    // Below the group: the closing line, whose place the verdict of the last
    // recording takes after a Stop, and the result line when a warning shows.
    // The verdict's place is kept as high as its longest text.
    const int y4 = y3 + groupHeight + 10;
    m_finishLabel.MoveWindow(10, y4, s1056.cx, s1056.cy);
    SetLabel(m_verdict, "", kBlue, right - 10);
    const int verdictHeight = VerdictTextHeight(m_verdict, right - 10);
    m_verdict.MoveWindow(10, y4, right - 20, verdictHeight);
    // The speech recogniser's line under the verdict, as high as its longest
    // text (with two-digit counts).
    SetLabel(m_speech, "", kBlue, right - 10);
    int speechHeight = 0;
    for (const char* key : {"Checking", "Understood", "NotUnderstood", "NoRecogniser"})
        speechHeight = std::max(
            speechHeight,
            m_speech.GetTextExtent(FormatUiText(UiText("Verdict", key), {"10", "10"}), right - 10)
                .cy);
    const int ySpeech = y4 + verdictHeight + 4;
    m_speech.MoveWindow(10, ySpeech, right - 20, speechHeight);
    // The offer of another microphone under them; sized to its text when it
    // shows.
    m_offer.MoveWindow(10, ySpeech + speechHeight + 4, kFrameWidth, 24);
    m_result.MoveWindow(10, y4 - 4, kFrameWidth, s1056.cy + 8);
}

bool CPropPage4::OnSetActive() {
    GetParentSheet()->SetWizardButtons(m_recording ? PSWIZB_BACK : PSWIZB_BACK | PSWIZB_NEXT);
    m_shown = true;
    FollowLevel();
    return CPropertyPage::OnSetActive();
}

bool CPropPage4::OnKillActive() {
    Leave();
    return CPropertyPage::OnKillActive();
}

void CPropPage4::OnReset() {
    Leave();
    CPropertyPage::OnReset();
}

void CPropPage4::Leave() {
    m_shown = false;
    m_live.Stop();
    DropLook();
}

void CPropPage4::ShowWarning(const std::string& error, std::optional<COLORREF> listColor) {
    // The sound-card test's list shows it when page 2 is next shown.
    Sheet()->m_laterWarnings.push_back({error, listColor});
    m_finishLabel.ShowWindow(SW_HIDE);
    m_verdict.ShowWindow(SW_HIDE);
    EndSpeechCheck();
    m_result.SetWindowText(T("K12") + " " + error);
    m_result.ShowWindow(SW_SHOW);
    // Start stays disabled for the rest of the run; the next stop of a
    // recording enables Replay again.
    m_replay.EnableWindow(false);
    m_start.EnableWindow(false);
}

void CPropPage4::ShowSoundEnded(const std::string& why) {
    m_finishLabel.ShowWindow(SW_HIDE);
    m_verdict.ShowWindow(SW_HIDE);
    EndSpeechCheck();
    m_result.SetWindowText(why);
    m_result.ShowWindow(SW_SHOW);
}

void CPropPage4::OnStart() {
    CAudioEngine& engine = Sheet()->AudioEngine();
    m_help.EnableWindow(m_recording);
    m_helpLabel.EnableWindow(m_recording);
    SetLabel(m_helpLabel, UiText("PropP3", "K6"), kBlue, m_helpLabel.GetWrapWidth());
    m_replay.EnableWindow(m_recording);
    std::string noTempDir;
    const std::string path = RecordingPath(&noTempDir);
    if (m_replaying)
        OnReplay();
    // The recording needs the microphone the live level holds.
    m_live.Stop();
    DropLook();
    HideOffer();

    if (m_recording) {
        const bool automatic = m_autoLevelActive;
        m_autoLevelActive = false;
        // Judged from where the automatic level settled.
        const std::uint32_t unsettled = automatic ? UnsettledBytes() : 0;
        bool ended = false;
        if (!engine.StopRecording()) {
            const std::string why = StreamEndText(*Sheet(), m_recordDevice, "PropP4");
            ended = !why.empty();
            if (ended)
                ShowSoundEnded(why);
            else
                ShowWarning(engine.GetLastError());
        } else if (!plat::FileExists(path))
            // The recording never started: there is nothing to replay.
            m_replay.EnableWindow(false);
        else if (const RecordingAnalysis analysis =
                     ShowRecordingVerdict(m_verdict, m_finishLabel, path, unsettled);
                 analysis.ok) {
            if (automatic)
                MendLevel(analysis, unsettled > 0);
            StartSpeechCheck(path);
            if (analysis.verdict == Verdict::NoVoice)
                StartLook();
        }
        // What was recorded before the device went may be heard.
        if (ended)
            m_replay.EnableWindow(plat::FileExists(path));
        KillTimer(kLevelTimer);
        StopMeter();
        m_stopLabel.ShowWindow(SW_HIDE);
        m_startLabel.ShowWindow(SW_SHOW);
        m_start.SetIcon(kStartIcon);
        m_start.SetTooltipText(T("K9"), kFont);
        m_volume.EnableWindow(false);
        GetParentSheet()->SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
        m_recording = false;
        m_autoLevelActive = false;
        FollowLevel();
        return;
    }

    HideRecordingVerdict(m_verdict, m_finishLabel);
    EndSpeechCheck();
    // Without a private place for it the voice is not recorded at all.
    if (path.empty()) {
        ShowWarning(noTempDir);
        return;
    }
    // A failed start still starts the timer: its first tick finds no level
    // and comes back here to put the page back to idle.
    const bool started = engine.StartRecording(path);
    if (!started)
        ShowWarning(engine.GetLastError());
    m_recordDevice = CurrentDevice(*Sheet(), true);
    StartMeter(true);
    SetTimer(kLevelTimer, kLevelPeriodMs);
    m_stopLabel.ShowWindow(SW_SHOW);
    m_startLabel.ShowWindow(SW_HIDE);
    m_start.SetTooltipText(T("K13"), kFont);
    m_help.EnableWindow(true);
    m_volume.EnableWindow(true);
    GetParentSheet()->SetWizardButtons(PSWIZB_BACK);
    Sheet()->recordingMade = true;
    m_recording = true;
    m_autoLevelActive = false;
    if (started && m_autoLevelBox.GetCheck() == BST_CHECKED)
        StartAutoLevel();
}

void CPropPage4::StartSpeechCheck(const std::string& path) {
    SpeechRecording recording;
    std::string error;
    if (!ReadSpeechRecording(path, recording, error)) {
        SpeechResult failed;
        failed.error = error;
        ShowSpeechResult(failed);
        return;
    }
    PlaceSpeechLine();
    ShowVerdictText(m_speech, m_finishLabel, UiText("Verdict", "Checking"));
    m_speechChecker.Start(std::move(recording), PageSentence(),
                          [this](const SpeechResult& result) { ShowSpeechResult(result); });
}

void CPropPage4::PlaceSpeechLine() {
    // Right under the verdict's words, which take less than their place
    // unless a narrow band's sentence follows them.
    const CRect verdict = m_verdict.GetRectInParent();
    const CRect speech = m_speech.GetRectInParent();
    m_speech.MoveWindow(speech.left, verdict.bottom + 4, speech.Width(), speech.Height());
}

void CPropPage4::ShowSpeechResult(const SpeechResult& result) {
    TRACE_LOG(0, "PropPage4", __LINE__, "Speech recogniser: %s", DescribeSpeech(result).c_str());
    ShowVerdictText(m_speech, m_finishLabel, SpeechText(result));
}

void CPropPage4::EndSpeechCheck() {
    m_speechChecker.Cancel();
    m_speech.ShowWindow(SW_HIDE);
}

void CPropPage4::OnReplay() {
    CAudioEngine& engine = Sheet()->AudioEngine();
    const std::string path = RecordingPath();

    if (m_replaying) {
        if (!engine.StopPlay()) {
            const std::string why = StreamEndText(*Sheet(), m_replayDevice, "PropP4", true);
            if (why.empty())
                ShowWarning(engine.GetLastError());
            else
                ShowSoundEnded(why);
        }
        KillTimer(kLevelTimer);
        StopMeter();
        m_replay.SetIcon(kReplayIcon, 80, 27);
        m_replay.SetTooltipText(T("K11"), kFont);
        m_replaying = false;
        m_watchPlayback = false;
        FollowLevel();
        return;
    }

    // The meter shows what is played.
    m_live.Stop();
    // A failed start still starts the timer, whose first tick ends the replay.
    m_replayDevice = CurrentDevice(*Sheet(), false);
    if (!engine.Play(path))
        ShowWarning(engine.GetLastError(), kFailedReplayListColor);
    m_replaying = true;
    m_watchPlayback = true;
    m_replay.SetIcon(kStartIcon, 80, 40);
    m_replay.SetTooltipText(T("K14"), kFont);
    StartMeter(false);
    SetTimer(kLevelTimer, kLevelPeriodMs);
}

void CPropPage4::OnHelp() {
    CHeadsetDlg dialog(this);
    dialog.DoModal();
}

void CPropPage4::OnTimer(plat::UINT_PTR id) {
    if (id == kLookTimer) {
        EndLook();
        return;
    }
    if (id != kLevelTimer) {
        CPropertyPage::OnTimer(id);
        return;
    }
    CAudioEngine& engine = Sheet()->AudioEngine();
    const int level = m_watchPlayback ? engine.GetPlayLevel() : engine.GetRecordLevel();
    if (level == -1) {
        // The engine stopped by itself: the replay played its last buffer, or
        // the recorder stopped or never started.
        KillTimer(kLevelTimer);
        if (m_watchPlayback)
            OnReplay();
        else
            OnStart();
        return;
    }
    if (!m_watchPlayback)
        AdjustLevel();
    m_meter.SetGradientColors(kMeterLeft, kMeterRight);
    m_meter.SetTextColor(kMeterText);
    FeedMeter(level);
    m_meter.ShowPercent(false);
    CPropertyPage::OnTimer(id);
}

bool CPropPage4::SetRecordingVolume(int volume) {
    // A failure of the call keeps its text in the mixer facade; the page
    // shows none.
    CMixerSetup& mixer = Sheet()->Mixer();
    const bool set = mixer.SetRecordingVolume(volume) != 0;
    const std::string failure = mixer.GetAsyncWriteFailure();
    if (failure != m_asyncFailureShown && !failure.empty()) {
        m_finishLabel.ShowWindow(SW_HIDE);
        m_verdict.ShowWindow(SW_HIDE);
        m_result.SetWindowText(T("K12") + " " + failure);
        m_result.ShowWindow(SW_SHOW);
    }
    m_asyncFailureShown = failure;
    return set;
}

int CPropPage4::PlaceAutoLevel(int x, int y, int right) {
    const int textX = x + 15 + 5;
    const CSize size = SetEvenLabel(m_autoLevelLabel, T("AutoLevel"), kFont, kBlue, right - textX);
    // One line sits on the help text's line; more start at the row's top.
    const int textY = size.cy <= 20 ? y + 6 : y;
    m_autoLevelLabel.MoveWindow(textX, textY, size.cx, size.cy);
    m_autoLevelBox.MoveWindow(x, textY + std::max(0, (std::min(size.cy, 20) - 15) / 2), 15, 15);
    return textY + size.cy - y;
}

void CPropPage4::OnHScroll(plat::UINT code, plat::UINT pos, CSliderCtrl* slider) {
    if (slider == &m_volume) {
        // The user's own move wins for the rest of the recording.
        m_autoLevelActive = false;
        switch (code) {
        case TB_THUMBTRACK:
            SetRecordingVolume(static_cast<int>(pos));
            break;
        case TB_PAGEUP:
        case TB_PAGEDOWN:
        case TB_ENDTRACK:
            SetRecordingVolume(m_volume.GetPos());
            break;
        default:
            break;
        }
    }
    CPropertyPage::OnHScroll(code, pos, slider);
}

int CPropPage4::OnWizardBack() {
    if (m_recording)
        OnStart();
    // A replay still running ends here, and the page with it.
    if (m_replaying)
        OnReplay();
    Sheet()->AudioEngine().StopPlay();
    const bool made = Sheet()->recordingMade;
    m_help.EnableWindow(made);
    m_helpLabel.EnableWindow(made);
    // Replay only when there is a recording to replay: a recording that
    // failed left no file.
    m_replay.EnableWindow(made && plat::FileExists(RecordingPath()));
    return CPropertyPage::OnWizardBack();
}

int CPropPage4::OnWizardNext() {
    // Stop every sound before leaving; a recording or replay still running
    // puts the page back to idle first.
    if (m_recording)
        OnStart();
    if (m_replaying)
        OnReplay();
    CAudioEngine& engine = Sheet()->AudioEngine();
    engine.PlayFileLoop("");
    engine.StopPlay();
    engine.StopRecording();
    engine.PlayResourceLoop(0);
    return CPropertyPage::OnWizardNext();
}
