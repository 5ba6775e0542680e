// The audio-level page: loops the program's music while the user sets a
// comfortable listening volume with a slider wired straight to the mixer.
#pragma once

#include "pages/SheetServices.h"
#include "ui/Button.h"
#include "ui/ColorText.h"
#include "ui/Edit.h"
#include "ui/GroupBox.h"
#include "ui/PropertyPage.h"
#include "ui/SliderCtrl.h"

#include <optional>
#include <string>
#include <vector>

class CSheetServices;

class CPropPage3 : public CPropertyPage {
public:
    explicit CPropPage3(CSheetServices& sheet);

    void CreateControls() override;
    bool OnInitDialog() override;
    bool OnSetActive() override;
    // Stops the music first, then goes back.
    int OnWizardBack() override;
    void OnHScroll(plat::UINT code, plat::UINT pos, CSliderCtrl* slider) override;
    // While the music plays: a device that ended it puts the page back to
    // idle and says why (the speakers unplugged, the sound server gone).
    void OnTimer(plat::UINT_PTR id) override;
    // The devices changed: music playing while other speakers were chosen
    // starts again on them.
    void OnDevices(const std::vector<SheetDevice>& devices);

    // The Test/Stop toggle.
    void OnTest();
    // Opens the connections help and returns when it closes.
    void OnHelp();
    // The left and right speaker buttons: a voice on that channel only, once.
    void OnLeft();
    void OnRight();

    // The speaker buttons' ids.
    static constexpr int kLeftButton = 1240;
    static constexpr int kRightButton = 1241;

    bool IsPlaying() const { return m_playing; }

private:
    CSheetServices* Sheet() const { return m_sheet; }

    CSheetServices* m_sheet; // the services of the sheet that holds the page
    // The warning line in place of the closing line, as on the recording
    // page: "Warning :" and the error, or a text of its own.
    void ShowWarning(const std::string& error);
    void ShowWarningText(const std::string& text);
    // The music off, the Test button back.
    void ShowIdle();
    // Plays one of the speaker voices; a failure shows in the warning line.
    void PlaySide(unsigned resource);
    // A volume write the mixer answered at once and the sound system failed
    // later shows in the warning line, once; asked after each move of the
    // slider and on each tick of the music.
    void ShowAsyncWriteFailure();

    bool m_playing = false;
    std::string m_asyncFailureShown;
    // The speakers the music went to when it started.
    std::optional<SheetDevice> m_musicDevice;

    CGroupBox m_frameIntro;    // 1053
    CGroupBox m_frameControls; // 1054
    CButton m_test;            // 1001
    CColorText m_testLabel;    // 1109
    CColorText m_stopLabel;    // 1113
    CSliderCtrl m_volume;      // 1002
    CButton m_help;            // 1074
    CColorText m_intro;        // 1032
    CColorText m_instruction;  // 1033
    CColorText m_title;        // 1092
    CColorText m_volumeLabel;  // 1034
    CColorText m_low;          // 1035
    CColorText m_high;         // 1036
    CColorText m_helpLabel;    // 1075
    CColorText m_goOn;         // 1025
    CEdit m_edit;              // 1086
    CColorText m_result;       // 1201: the warning line, hidden until music fails
    CButton m_left;            // kLeftButton
    CButton m_right;           // kRightButton
};
