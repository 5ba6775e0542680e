#include "pages/PropPage3.h"

#include "app/PropSheet.h"
#include "app/UiTexts.h"
#include "pages/ConnectionsDlg.h"
#include "pages/PageLabels.h"

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

const std::string& T(const char* key) {
    return UiText("PropP3", key);
}

} // namespace

CPropPage3::CPropPage3() : CPropertyPage(106) {}

CPropSheet* CPropPage3::Sheet() const {
    return static_cast<CPropSheet*>(GetParentSheet());
}

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
    Sheet()->m_mixerSetup.GetPlaybackVolume(volume);
    m_volume.SetPos(volume);

    const CSize intro = SetLabel(m_intro, T("K1"), kFont, kDarkBlue);
    const CSize instruction = SetLabel(m_instruction, T("K2") + "\n" + T("K2b"), kFont, kBlue);
    const CSize title = SetLabel(m_title, T("K8"), kFont, kBlue);
    const CSize test = SetLabel(m_testLabel, UiText("PropP2", "K1"), kButtonFont, kGreen);
    SetLabel(m_stopLabel, T("K9"), kButtonFont, kRed);
    const CSize volumeLabel = SetLabel(m_volumeLabel, T("K3"), kFont, kBlue);
    const CSize low = SetLabel(m_low, T("K4"), kFont, kBlue);
    const CSize high = SetLabel(m_high, T("K5"), kFont, kBlue);
    const CSize help = SetLabel(m_helpLabel, T("K6"), kFont, kBlue);
    const CSize goOn = SetLabel(m_goOn, T("K7"), kFont, kDarkBlue);

    m_frameIntro.SetWindowText("");
    m_frameControls.SetWindowText(CaptionGap(m_frameControls, title.cx));

    m_intro.MoveWindow(10, 5, intro.cx, intro.cy);
    const int y1 = intro.cy + 10;
    m_frameIntro.MoveWindow(10, y1, 468, instruction.cy + 25);
    m_instruction.MoveWindow(20, y1 + 15, instruction.cx, instruction.cy);
    const int y3 = y1 + 15 + instruction.cy + 20;
    m_frameControls.MoveWindow(10, y3, 468, 138);
    m_title.MoveWindow(20, y3, title.cx, title.cy);
    const int yb = y3 + 40;
    m_test.MoveWindow(25, yb, 80, 40);
    // Both labels take the place and size of "Test".
    const int labelX = 25 + (80 - test.cx) / 2;
    const int labelY = yb + (40 - test.cy) / 2;
    m_testLabel.MoveWindow(labelX, labelY, test.cx, test.cy);
    m_stopLabel.MoveWindow(labelX, labelY, test.cx, test.cy);
    m_volume.MoveWindow(180, yb + 5, 250, 30);
    m_volumeLabel.MoveWindow(275, yb - 20, volumeLabel.cx, volumeLabel.cy);
    m_low.MoveWindow(187, yb - 10, low.cx, low.cy);
    m_high.MoveWindow(412, yb - 10, high.cx, high.cy);
    m_helpLabel.MoveWindow(20, yb + 70, help.cx, help.cy);
    m_help.MoveWindow(help.cx + 20, yb + 63, 40, 26);
    // The speaker buttons at the right end of the help line, under the
    // slider's "High" end.
    m_right.MoveWindow(430 - 32, yb + 63, 32, 26);
    m_left.MoveWindow(430 - 32 - 6 - 32, yb + 63, 32, 26);
    const int y4 = yb + 65 + help.cy + 35;
    m_goOn.MoveWindow(10, y4, goOn.cx + 40, goOn.cy);
    m_result.SetColor(kRed);
    m_result.SetFontId(kFont);
    m_result.MoveWindow(10, y4 - 4, 468, goOn.cy + 8);
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
    return true;
}

void CPropPage3::OnTest() {
    CPropSheet* sheet = Sheet();
    // Help and its label take the state the music had before this click:
    // off when it starts, on when it stops.
    m_help.EnableWindow(m_playing);
    m_helpLabel.EnableWindow(m_playing);
    m_helpLabel.RedrawWindow();

    if (!m_playing) {
        CAudioEngine& engine = sheet->m_audioEngine;
        if (!engine.PlayResourceLoop(kMusicResource)) {
            // No "Stop" over silence: the page stays idle and says why.
            ShowWarning(engine.GetLastError());
            m_help.EnableWindow(true);
            m_helpLabel.EnableWindow(true);
            return;
        }
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
        sheet->m_musicStarted = true;
        m_playing = true;
        m_help.EnableWindow(true);
        // Next stays off while the music plays.
        sheet->SetWizardButtons(PSWIZB_BACK);
    } else {
        sheet->m_audioEngine.PlayResourceLoop(0);
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
    m_goOn.ShowWindow(SW_HIDE);
    m_result.SetWindowText(UiText("PropP4", "K12") + " " + error);
    m_result.ShowWindow(SW_SHOW);
}

void CPropPage3::OnTimer(plat::UINT_PTR id) {
    if (id != kMusicTimer || !m_playing) {
        CPropertyPage::OnTimer(id);
        return;
    }
    CAudioEngine& engine = Sheet()->m_audioEngine;
    if (!engine.CheckLoop()) {
        const std::string why = engine.GetLastError();
        engine.PlayResourceLoop(0);
        ShowWarning(why);
        m_help.EnableWindow(true);
        m_helpLabel.EnableWindow(true);
        ShowIdle();
        return;
    }
    CPropertyPage::OnTimer(id);
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
    CAudioEngine& engine = Sheet()->m_audioEngine;
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
        CMixerSetup& mixer = Sheet()->m_mixerSetup;
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
    }
    CPropertyPage::OnHScroll(code, pos, slider);
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
