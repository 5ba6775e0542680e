#include "pages/PropPage3.h"

#include "pages/ConnectionsDlg.h"
#include "pages/PageLabels.h"
#include "pages/SheetServices.h"
#include "pages/StreamEnd.h"
#include "texts/UiTexts.h"
#include "ui/PropertySheet.h"

#include <algorithm>
#include <string>

namespace {

constexpr int kFont = 1121;
constexpr int kButtonFont = 1123;
constexpr COLORREF kDarkBlue = 0x540000;
constexpr COLORREF kBlue = 0xB80000;
constexpr COLORREF kGreen = 0x1C6200;
constexpr COLORREF kRed = 0x0000B2;
constexpr int kPlayIcon = 182;
constexpr int kHelpIcon = 184;
// Watches the music while it plays.
constexpr plat::UINT_PTR kMusicTimer = 1;
constexpr plat::UINT kMusicPeriodMs = 250;

// The page's geometry: frames 468 wide from x 10; the Test button at least
// 80 x 40; the slider, its labels and the left speaker button.
constexpr int kFrameWidth = 468;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 40;
constexpr int kButtonInset = 4;
constexpr int kSliderX = 180;
constexpr int kSliderMiddle = 305;
constexpr int kVolumeLabelX = 275;
constexpr int kLowX = 187;
constexpr int kHighX = 412;
constexpr int kLabelGap = 6;
// The speaker buttons end under the slider's right end, 6 pixels apart, at
// least 32 wide and as wide as their letters need.
constexpr int kSpeakersRight = 430;
constexpr int kSpeakerWidth = 32;
constexpr int kSpeakerGap = 6;

const std::string& T(const char* key) {
    return UiText("PropP3", key);
}

} // namespace

CPropPage3::CPropPage3(CSheetServices& sheet) : CPropertyPage(106), m_sheet(&sheet) {}

void CPropPage3::CreateControls() {
    m_frameIntro.Create(this, 1053);
    m_frameControls.Create(this, 1054);
    m_test.Create(this, 1001);
    m_testLabel.Create(this, 1109);
    m_stopLabel.Create(this, 1113);
    m_volume.Create(this, 1002);
    m_help.Create(this, 1074);
    m_intro.Create(this, 1032);
    m_instruction.Create(this, 1033);
    m_title.Create(this, 1092);
    m_volumeLabel.Create(this, 1034);
    m_low.Create(this, 1035);
    m_high.Create(this, 1036);
    m_helpLabel.Create(this, 1075);
    m_goOn.Create(this, 1025);
    m_edit.Create(this, 1086);
    m_result.Create(this, 1201);
    // What names the controls for a screen reader: the text shown over the
    // button, the slider's label, the frame's title.
    m_testLabel.SetLabelFor(m_test);
    m_stopLabel.SetLabelFor(m_test);
    m_volumeLabel.SetLabelFor(m_volume);
    m_title.SetLabelFor(m_frameControls);
    BindCommand(1001, [this] { OnTest(); });
    m_left.Create(this, kLeftButton);
    m_right.Create(this, kRightButton);
    BindCommand(1074, [this] { OnHelp(); });
    BindCommand(kLeftButton, [this] { OnLeft(); });
    BindCommand(kRightButton, [this] { OnRight(); });
}

bool CPropPage3::OnInitDialog() {
    CPropertyPage::OnInitDialog();

    m_volume.SetRangeMin(0, false);
    m_volume.SetRangeMax(10000, false);
    m_volume.SetPageSize(1000);
    m_volume.SetLineSize(200); // an arrow key moves 2 %, Page Up/Down 10 %
    // -1 (no volume control) leaves the thumb at the minimum.
    int volume = 0;
    Sheet()->Mixer().GetPlaybackVolume(volume);
    m_volume.SetPos(volume);

    // The texts wrap within the page or 10 pixels inside their frames; the
    // labels of the group each within the space up to its neighbour.
    const int right = GetPageWidth() - kPageMargin;
    constexpr int kInner = 10 + kFrameWidth - 10; // the frames' inner right edge
    const CSize intro = SetLabel(m_intro, T("K1"), kFont, kDarkBlue, right - 10);
    const CSize instruction =
        SetLabel(m_instruction, T("K2") + "\n" + T("K2b"), kFont, kBlue, kInner - 20);
    const CSize title = SetLabel(m_title, T("K8"), kFont, kBlue, kInner - 20);
    // The Test button shows the play mark at its left end once the music
    // stopped, its labels beside it: as wide as the longer label needs there,
    // up to the slider; longer labels wrap within it.
    m_test.SetSymbolRoom(CButton::SymbolRight(true, kPlayIcon));
    const CSize testLine = SetLabel(m_testLabel, UiText("PropP2", "K1"), kButtonFont, kGreen);
    const CSize stopLine = SetLabel(m_stopLabel, T("K9"), kButtonFont, kRed);
    const int buttonWidth =
        std::min(kSliderX - 25 - kLabelGap,
                 m_test.WidthForCaption(std::max(testLine.cx, stopLine.cx), kButtonWidth));
    m_testLabel.SetWrapWidth(m_test.CaptionRoom(buttonWidth));
    m_stopLabel.SetWrapWidth(m_test.CaptionRoom(buttonWidth));
    const CSize test = m_testLabel.GetTextSize();
    const CSize stop = m_stopLabel.GetTextSize();
    // "High" ends at the frame's edge at the latest, "Low" before it, the
    // slider's caption before "High".
    const CSize high = SetLabel(m_high, T("K5"), kFont, kBlue, kInner - kSliderMiddle);
    const int highX = std::min(kHighX, kInner - high.cx);
    const CSize low = SetLabel(m_low, T("K4"), kFont, kBlue, highX - kLabelGap - kLowX);
    const CSize volumeLabel =
        SetLabel(m_volumeLabel, T("K3"), kFont, kBlue, highX - kLabelGap - kVolumeLabelX);
    const int leftWidth =
        std::max(kSpeakerWidth, m_left.GetTextExtent(T("Left")).cx + 2 * kButtonInset + 4);
    const int rightWidth =
        std::max(kSpeakerWidth, m_right.GetTextExtent(T("Right")).cx + 2 * kButtonInset + 4);
    const int leftSpeakerX = kSpeakersRight - rightWidth - kSpeakerGap - leftWidth;
    // The help line ends where its button leaves room for the speaker buttons.
    const CSize help =
        SetLabel(m_helpLabel, T("K6"), kFont, kBlue, leftSpeakerX - kLabelGap - 40 - 20);
    const CSize goOn = SetLabel(m_goOn, T("K7"), kFont, kDarkBlue, right - 10 - 40);

    m_frameIntro.SetWindowText("");
    m_frameControls.SetWindowText(CaptionGap(m_frameControls, title.cx));

    m_intro.MoveWindow(10, 5, intro.cx, intro.cy);
    const int y1 = intro.cy + 10;
    m_frameIntro.MoveWindow(10, y1, kFrameWidth, instruction.cy + 25);
    m_instruction.MoveWindow(20, y1 + 15, instruction.cx, instruction.cy);
    const int y3 = y1 + 15 + instruction.cy + 20;
    m_title.MoveWindow(20, y3, title.cx, title.cy);
    // Texts above the controls' row that gained lines move the row down and
    // grow upwards from it; a button label of more lines makes the button
    // higher, and the help line below it lower.
    const int sideExtra = std::max(ExtraHeight(m_low), ExtraHeight(m_high));
    const int volumeExtra = ExtraHeight(m_volumeLabel);
    const int yb = y3 + 40 + ExtraHeight(m_title) + volumeExtra + sideExtra;
    const int buttonHeight =
        std::max(kButtonHeight, std::max(test.cy, stop.cy) + 2 * CButton::kCaptionInset);
    const int yh = yb + 63 + std::max(0, buttonHeight - kButtonHeight);
    m_test.MoveWindow(25, yb, buttonWidth, buttonHeight);
    // Both labels take the place of "Test", unless "Stop" would reach past
    // the button's room from there.
    const CRect testPlace = m_test.PlaceCaption(test);
    m_testLabel.MoveWindow(testPlace);
    const CRect stopPlace = m_test.PlaceCaption(stop);
    const bool stopFits = testPlace.left + stop.cx <= 25 + buttonWidth - CButton::kCaptionInset;
    m_stopLabel.MoveWindow(stopFits ? testPlace.left : stopPlace.left, stopPlace.top, stop.cx,
                           stop.cy);
    m_volume.MoveWindow(kSliderX, yb + 5, 250, 30);
    m_volumeLabel.MoveWindow(kVolumeLabelX, yb - 20 - sideExtra - volumeExtra, volumeLabel.cx,
                             volumeLabel.cy);
    m_low.MoveWindow(kLowX, yb - 10 - sideExtra, low.cx, low.cy);
    m_high.MoveWindow(highX, yb - 10 - sideExtra, high.cx, high.cy);
    m_helpLabel.MoveWindow(20, yh + 7, help.cx, help.cy);
    m_help.MoveWindow(help.cx + 20, yh, 40, 26);
    // The speaker buttons at the right end of the help line, under the
    // slider's "High" end.
    m_right.MoveWindow(kSpeakersRight - rightWidth, yh, rightWidth, 26);
    m_left.MoveWindow(leftSpeakerX, yh, leftWidth, 26);
    m_frameControls.MoveWindow(10, y3, kFrameWidth,
                               138 + (yh - (y3 + 103)) + ExtraHeight(m_helpLabel));
    const int y4 = yh + 2 + help.cy + 35;
    m_goOn.MoveWindow(10, y4, goOn.cx + 40, goOn.cy);
    m_result.SetColor(kRed);
    m_result.SetFontId(kFont);
    m_result.SetWrapWidth(kFrameWidth);
    m_result.MoveWindow(10, y4 - 4, kFrameWidth, goOn.cy + 8);
    m_result.ShowWindow(SW_HIDE);
    m_edit.MoveWindow(goOn.cx + 30, y4 - 5, 458 - goOn.cx, 40);
    m_edit.ShowWindow(SW_HIDE);

    m_test.SetTooltipText(T("K10"), kFont);
    m_help.SetIcon(kHelpIcon, 27, 20);
    m_help.SetTooltipText(T("K11"), kFont);
    m_left.SetWindowText(T("Left"));
    m_right.SetWindowText(T("Right"));
    m_left.SetTooltipText(T("LeftTip"), kFont);
    m_right.SetTooltipText(T("RightTip"), kFont);

    m_help.EnableWindow(false);
    m_helpLabel.EnableWindow(false);
    m_volume.EnableWindow(false);
    m_stopLabel.ShowWindow(SW_HIDE);
    m_testLabel.ShowWindow(SW_SHOW);
    Sheet()->WatchDevices([this](const std::vector<SheetDevice>& devices) { OnDevices(devices); });
    return true;
}

void CPropPage3::OnTest() {
    CSheetServices& services = *Sheet();
    // Help and its label take the state the music had before this click:
    // off when it starts, on when it stops.
    m_help.EnableWindow(m_playing);
    m_helpLabel.EnableWindow(m_playing);
    m_helpLabel.RedrawWindow();

    if (!m_playing) {
        CAudioEngine& engine = services.AudioEngine();
        if (!engine.PlayResourceLoop(kMusicResource)) {
            // No "Stop" over silence: the page stays idle and says why.
            ShowWarning(engine.GetLastError());
            m_help.EnableWindow(true);
            m_helpLabel.EnableWindow(true);
            return;
        }
        m_musicDevice = CurrentDevice(services, false);
        m_result.ShowWindow(SW_HIDE);
        m_goOn.ShowWindow(SW_SHOW);
        SetTimer(kMusicTimer, kMusicPeriodMs);
        m_testLabel.ShowWindow(SW_HIDE);
        m_stopLabel.ShowWindow(SW_SHOW);
        m_test.SetTooltipText(T("K12"), kFont);
        m_test.RedrawWindow();
        m_volume.EnableWindow(true);
        // The speaker voices wait until the music stops.
        m_left.EnableWindow(false);
        m_right.EnableWindow(false);
        services.m_musicStarted = true;
        m_playing = true;
        m_help.EnableWindow(true);
        // Next stays off while the music plays.
        GetParentSheet()->SetWizardButtons(PSWIZB_BACK);
    } else {
        services.AudioEngine().PlayResourceLoop(0);
        ShowIdle();
    }
}

void CPropPage3::ShowIdle() {
    KillTimer(kMusicTimer);
    m_stopLabel.ShowWindow(SW_HIDE);
    m_testLabel.ShowWindow(SW_SHOW);
    m_test.SetIcon(kPlayIcon);
    m_volume.EnableWindow(false);
    m_left.EnableWindow(true);
    m_right.EnableWindow(true);
    m_test.RedrawWindow();
    m_test.SetTooltipText(T("K10"), kFont);
    m_playing = false;
    GetParentSheet()->SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
}

void CPropPage3::ShowWarning(const std::string& error) {
    ShowWarningText(UiText("PropP4", "K12") + " " + error);
}

void CPropPage3::ShowWarningText(const std::string& text) {
    m_goOn.ShowWindow(SW_HIDE);
    m_result.SetWindowText(text);
    // As high as its lines.
    m_result.MoveWindow(m_result.GetRectInParent());
    m_result.ShowWindow(SW_SHOW);
}

void CPropPage3::OnTimer(plat::UINT_PTR id) {
    if (id != kMusicTimer || !m_playing) {
        CPropertyPage::OnTimer(id);
        return;
    }
    CAudioEngine& engine = Sheet()->AudioEngine();
    if (!engine.CheckLoop()) {
        const std::string error = engine.GetLastError();
        engine.PlayResourceLoop(0);
        // The speakers pulled out or the server gone, in the user's words;
        // else the device's own.
        const std::string why = StreamEndText(*Sheet(), m_musicDevice, "PropP3");
        if (why.empty())
            ShowWarning(error);
        else
            ShowWarningText(why);
        m_help.EnableWindow(true);
        m_helpLabel.EnableWindow(true);
        ShowIdle();
        return;
    }
    ShowAsyncWriteFailure();
    CPropertyPage::OnTimer(id);
}

void CPropPage3::OnDevices(const std::vector<SheetDevice>& devices) {
    if (!m_playing || !m_musicDevice || !GetParentSheet()->IsOpen())
        return;
    const auto listed = [&](auto&& match) {
        return std::find_if(devices.begin(), devices.end(),
                            [&](const SheetDevice& d) { return !d.input && match(d); });
    };
    // Speakers unplugged end the music by themselves (OnTimer says so).
    if (listed([&](const SheetDevice& d) { return d.id == m_musicDevice->id; }) == devices.end())
        return;
    const auto chosen = listed([](const SheetDevice& d) { return d.isDefault; });
    if (chosen == devices.end() || chosen->id == m_musicDevice->id)
        return;
    // The music goes on from the start on the speakers chosen now.
    CAudioEngine& engine = Sheet()->AudioEngine();
    if (!engine.PlayResourceLoop(kMusicResource)) {
        ShowWarning(engine.GetLastError());
        m_help.EnableWindow(true);
        m_helpLabel.EnableWindow(true);
        ShowIdle();
        return;
    }
    m_musicDevice = *chosen;
}

void CPropPage3::OnHelp() {
    CConnectionsDlg dialog(this);
    dialog.DoModal();
}

void CPropPage3::OnLeft() {
    PlaySide(kLeftVoiceResource);
}

void CPropPage3::OnRight() {
    PlaySide(kRightVoiceResource);
}

void CPropPage3::PlaySide(unsigned resource) {
    if (m_playing)
        return;
    CAudioEngine& engine = Sheet()->AudioEngine();
    if (!engine.PlayResourceOnce(resource)) {
        ShowWarning(engine.GetLastError());
        return;
    }
    m_result.ShowWindow(SW_HIDE);
    m_goOn.ShowWindow(SW_SHOW);
}

void CPropPage3::OnHScroll(plat::UINT code, plat::UINT pos, CSliderCtrl* slider) {
    if (slider == &m_volume) {
        // The position is the volume on the mixer's 0..10000 scale; a failure
        // stays in the mixer facade's error text.
        CMixerSetup& mixer = Sheet()->Mixer();
        switch (code) {
        case TB_THUMBTRACK:
            mixer.SetPlaybackVolume(static_cast<int>(pos));
            break;
        case TB_PAGEUP:
        case TB_PAGEDOWN:
        case TB_ENDTRACK:
            mixer.SetPlaybackVolume(m_volume.GetPos());
            break;
        default:
            break; // the TB_ENDTRACK that follows applies the position
        }
        ShowAsyncWriteFailure();
    }
    CPropertyPage::OnHScroll(code, pos, slider);
}

void CPropPage3::ShowAsyncWriteFailure() {
    const std::string failure = Sheet()->Mixer().GetAsyncWriteFailure();
    if (failure != m_asyncFailureShown && !failure.empty())
        ShowWarning(failure);
    m_asyncFailureShown = failure;
}

bool CPropPage3::OnSetActive() {
    GetParentSheet()->SetWizardButtons(m_playing ? PSWIZB_BACK : PSWIZB_BACK | PSWIZB_NEXT);
    return CPropertyPage::OnSetActive();
}

int CPropPage3::OnWizardBack() {
    // Always the stop branch: the music stops before the previous page shows.
    m_playing = true;
    OnTest();
    const bool started = Sheet()->m_musicStarted;
    m_help.EnableWindow(started);
    m_helpLabel.EnableWindow(started);
    return CPropertyPage::OnWizardBack();
}
