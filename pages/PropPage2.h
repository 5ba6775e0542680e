// The sound-card test page: saves the mixer snapshot, prepares the mixer for
// recording and playback, asks the wave drivers which formats they accept,
// and grades every finding in a two-column list. Two drop-down lists choose
// the microphone and the speakers; a choice takes effect at once and runs the
// test again. Next stays disabled until a
// run has ended without a serious error.
#pragma once

#include "pages/LiveLevel.h"
#include "pages/SheetServices.h"
#include "ui/Button.h"
#include "ui/ColorText.h"
#include "ui/ComboBox.h"
#include "ui/GroupBox.h"
#include "ui/LevelMeter.h"
#include "ui/ListCtrl.h"
#include "ui/PropertyPage.h"

#include <string>
#include <utility>
#include <vector>

class CSheetServices;

class CPropPage2 : public CPropertyPage {
public:
    // Severity of a result line: the value is also the image of the
    // application image list minus one (0 exclamation, 1 tick, 2 cross). An
    // adjustment tells what the test changed on the user's devices: a tick,
    // "Adjusted", neither a success nor a failure of the test.
    enum Severity { kSerious = -1, kSoft = 0, kSuccessful = 1, kAdjusted = 2 };

    explicit CPropPage2(CSheetServices& sheet);

    void CreateControls() override;
    bool OnInitDialog() override;
    bool OnSetActive() override;
    // The chosen microphone's live level stops while the page is not shown.
    bool OnKillActive() override;
    void OnReset() override;
    // Deletes the recording of the microphone page, then goes back.
    int OnWizardBack() override;

    // The Test button: runs the whole test once. A click that arrives while a
    // run waits for a busy device is ignored.
    void OnTest();

    // A line at the end of the list, graded as the test grades its findings.
    void AddResultLine(Severity severity, const std::string& text);
    // A warning of a later page, recorded as a soft error on the first line.
    // It changes neither the wizard buttons nor canGoOn.
    void InsertWarningAtTop(const std::string& text);
    void SetListTextColor(COLORREF color);
    // Puts the warnings later pages left in the sheet since the page was
    // last shown on top of the list (done when the page is shown).
    void ShowLaterWarnings();

    // Fills the device lists from `devices`, each showing the device the
    // wizard works on; the first time, the preferred microphone (unmuted, a
    // headset's) is chosen in place of the default one.
    void ShowDevices(const std::vector<SheetDevice>& devices);
    // The user chose another entry of a device list.
    void OnChooseDevice(bool input);

    // The microphone whose live level shows beside its list ("" for none).
    const std::string& LevelDeviceId() const { return m_live.DeviceId(); }

    int GetResultCount() const { return resultCount; }
    bool CanGoOn() const { return canGoOn; }
    bool IsTesting() const { return m_testing; }

private:
    CSheetServices* Sheet() const { return m_sheet; }

    CSheetServices* m_sheet; // the services of the sheet that holds the page
    // The ids of the microphone and the speakers the lists show as chosen.
    std::pair<std::string, std::string> ChosenPair() const;
    void InsertLine(int index, Severity severity, const std::string& text);
    // One line per device the preparation changed, named as the lists name it.
    // The warning and the advice for a microphone that hears only the
    // telephone band.
    void AddNarrowBandLines(const SheetDevice& microphone);
    void AddChangeLines(const std::vector<CMixerSetup::PreparedChange>& changes);
    // Each device list shows its chosen name whole, or names it in its tool-tip.
    void FitDeviceList(CComboBox& box, const std::vector<SheetDevice>& list);
    // The live level of the microphone the list shows as chosen, while the
    // page is shown and no run is in progress; the meter beside the list.
    void FollowLevel();
    void PlaceLevel();
    void Leave(); // the page is no longer shown

    int resultCount = 0;
    int m_widestLine = 0; // the widest text of column 0
    bool canGoOn = false;
    bool seriousSeen = false;   // a serious line was added in the current run
    bool m_testing = false;     // a run is in progress (it dispatches messages)
    int m_testedListTop = 93;   // where the list goes once the test ran
    bool m_tested = false;      // a run has ended since the page was made
    bool m_preselected = false; // the preferred microphone was chosen once
    bool m_watching = false;    // the device lists follow the sound system
    std::string m_chooseError;  // a choice that failed, for the next run's list
    int m_deviceRight = 475;    // the device lists end by here at the most
    // What the device lists show, in their order: microphones (no monitor)
    // and speakers.
    std::vector<SheetDevice> m_microphoneList;
    std::vector<SheetDevice> m_speakerList;

    CGroupBox m_frameIntro;       // 1052
    CGroupBox m_frameResults;     // 1051
    CButton m_test;               // 1065
    CListCtrl m_list;             // 1024
    CColorText m_intro;           // 1029
    CColorText m_instruction;     // 1030
    CColorText m_warning;         // 1031
    CColorText m_goOn;            // 1094
    CColorText m_caption;         // 1090
    CColorText m_testLabel;       // 1108
    CColorText m_microphoneLabel; // 1200
    CComboBox m_microphones;      // 1201
    CColorText m_speakersLabel;   // 1202
    CComboBox m_speakers;         // 1203
    CLevelMeter m_level;          // 1204: the chosen microphone's live level
    CLiveLevel m_live;            // feeds m_level
    bool m_shown = false;         // the page is the active one
};
