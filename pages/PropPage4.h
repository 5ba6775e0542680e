// The microphone page: the user records himself reading a sentence into
// "User.wav", watches the level, sets the recording volume while he records
// and replays the recording.
#pragma once

#include "audio/AutoLevel.h"
#include "audio/RecordingVerdict.h"
#include "audio/SpeechCheck.h"
#include "pages/LiveLevel.h"
#include "pages/SheetServices.h"
#include "ui/Button.h"
#include "ui/CheckBox.h"
#include "ui/ColorText.h"
#include "ui/Edit.h"
#include "ui/GroupBox.h"
#include "ui/LevelMeter.h"
#include "ui/PropertyPage.h"
#include "ui/SliderCtrl.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CSheetServices;

class CPropPage4 : public CPropertyPage {
public:
    // The level timer, and how often it reads the level: 25 times a second,
    // as often as the meter's picture changes smoothly to the eye (the
    // recorder's buffers come about seven times a second).
    static constexpr plat::UINT_PTR kLevelTimer = 109;
    static constexpr plat::UINT kLevelPeriodMs = 40;
    // The levels run 0..9000 in steps of 100; a little headroom keeps a
    // full-scale signal inside the bar.
    static constexpr int kMeterMax = 9031;
    // After a recording that heard no voice, how long the page listens to
    // the other microphones, on this timer; and the offer of one that hears
    // the user.
    static constexpr plat::UINT_PTR kLookTimer = 110;
    static constexpr plat::UINT kLookMs = 1000;
    static constexpr int kOffer = 1211;
    // The automatic-level check box and its text.
    static constexpr int kAutoLevelBox = 1230;
    static constexpr int kAutoLevelLabel = 1231;
    // The speech recogniser's line under the verdict.
    static constexpr int kSpeechLine = 1212;

    explicit CPropPage4(CSheetServices& sheet);

    // "User.wav" in the user's private temporary directory; empty when there
    // is none, *error (when given) then saying why.
    static std::string RecordingPath(std::string* error = nullptr);

    void CreateControls() override;
    bool OnInitDialog() override;
    bool OnSetActive() override;
    // The live level and a look at the other microphones end with the page.
    bool OnKillActive() override;
    void OnReset() override;
    int OnWizardBack() override;
    int OnWizardNext() override;
    void OnTimer(plat::UINT_PTR id) override;
    void OnHScroll(plat::UINT code, plat::UINT pos, CSliderCtrl* slider) override;

    // Start/Stop toggle: idle or replaying -> recording, recording -> idle.
    void OnStart();
    // Replay toggle: idle -> replaying -> idle.
    void OnReplay();
    void OnHelp();
    // The offer clicked: the microphone offered becomes the one the wizard
    // works on, and its level shows.
    void OnAcceptOffer();

    bool IsRecording() const { return m_recording; }
    bool IsReplaying() const { return m_replaying; }
    bool IsWatchingPlayback() const { return m_watchPlayback; }
    // The recording volume follows the voice now (the box ticked, a
    // recording running, the slider not moved by the user since its start).
    bool IsAutoLevelActive() const { return m_autoLevelActive; }
    // The microphone whose live level the meter shows ("" for none).
    const std::string& LevelDeviceId() const { return m_live.DeviceId(); }
    // The microphone offered in the chosen one's place, when one is.
    const std::optional<SheetDevice>& OfferedDevice() const { return m_offered; }
    // The speech recogniser is still decoding the last recording.
    bool IsCheckingSpeech() const { return m_speechChecker.Pending(); }

private:
    CSheetServices* Sheet() const { return m_sheet; }

    CSheetServices* m_sheet; // the services of the sheet that holds the page
    std::string m_asyncFailureShown;

    // An engine call failed: the engine's text goes into the result line and,
    // through the sheet, to the top of the sound-card test's result list (in
    // `listColor` from then on, when given); Start and Replay are disabled.
    void ShowWarning(const std::string& error, std::optional<COLORREF> listColor = {});
    // A recording or replay the sound system ended (its device unplugged,
    // the server gone): `why` goes into the result line and the page stays
    // ready for the next one, on whatever device is chosen then.
    void ShowSoundEnded(const std::string& why);
    void Layout();
    // Sets the recording volume; a write the mixer answered at once and the
    // sound system failed later shows in the result line, once, and leaves
    // the buttons as they are.
    bool SetRecordingVolume(int volume);
    // The automatic level: placed on the help line's row, started with each
    // recording, asked on each tick that finds a new buffer.
    int PlaceAutoLevel(int x, int y, int right);
    void StartAutoLevel();
    void AdjustLevel();
    // After a recording the automatic level ran to its end: a level it left
    // too loud or too quiet is moved to where it aims, and the verdict says
    // so. judgedSettled: the analysis judged only what was recorded after
    // the level's last change.
    void MendLevel(const RecordingAnalysis& analysis, bool judgedSettled);
    // The bytes of the recording made before the automatic level settled,
    // which its verdict does not judge; 0 when it never moved.
    std::uint32_t UnsettledBytes() const;
    // The meter's feeding (PropPage4Meter.cpp). StartMeter at each start of
    // the level timer: the bar empty, no peak tick, and for a recording no
    // clip sign. StopMeter when it stops: the bar and the tick go, the clip
    // sign stays until the next recording. FeedMeter on each tick.
    void StartMeter(bool recording);
    void StopMeter();
    void FeedMeter(int level);
    // The chosen microphone's live level in the meter while the page is idle
    // (no recording, no replay), and the look at the other microphones
    // after a recording that heard no voice (PropPage4Meter.cpp).
    void FollowLevel();
    void StartLook();
    void EndLook();
    void DropLook();
    void ShowOffer(const SheetDevice& device);
    void HideOffer();
    void Leave(); // the page is no longer shown
    // The speech recogniser's check of the recording at path, on its worker:
    // the line says it is listening, then what it understood. EndSpeechCheck
    // drops a check still running and hides the line.
    void StartSpeechCheck(const std::string& path);
    // Puts the speech recogniser's line right under the verdict shown.
    void PlaceSpeechLine();
    void ShowSpeechResult(const SpeechResult& result);
    void EndSpeechCheck();

    CGroupBox m_frame;        // 1057
    CGroupBox m_group;        // 1058
    CButton m_start;          // 1004
    CButton m_replay;         // 1064
    CButton m_help;           // 1074
    CLevelMeter m_meter;      // 1003
    CSliderCtrl m_volume;     // 1018
    CEdit m_result;           // 1085
    CColorText m_intro;       // 1037
    CColorText m_please;      // 1038
    CColorText m_sentence;    // 1107
    CColorText m_groupTitle;  // 1093
    CColorText m_startLabel;  // 1110
    CColorText m_stopLabel;   // 1114
    CColorText m_levelLabel;  // 1061
    CColorText m_low;         // 1040
    CColorText m_high;        // 1041
    CColorText m_helpLabel;   // 1077
    CColorText m_finishLabel; // 1056
    CColorText m_verdict;     // 1210: the last recording's verdict, shown after a Stop
    CButton m_offer;          // 1211: another microphone that hears the user
    CColorText m_speech;      // 1212: what the speech recogniser understood

    bool m_recording = false;
    bool m_replaying = false;
    // The microphone the recording came from, the speakers the replay went
    // to, as they were when each started.
    std::optional<SheetDevice> m_recordDevice;
    std::optional<SheetDevice> m_replayDevice;
    bool m_watchPlayback = false;
    plat::DWORD m_meterTick = 0; // tick count of the meter's last feed

    // The automatic level: its check box (kAutoLevelBox) and text
    // (kAutoLevelLabel), the controller, and what the recorder said last.
    CCheckBox m_autoLevelBox;
    CColorText m_autoLevelLabel;
    CAutoLevel m_autoLevel;
    bool m_autoLevelActive = false;
    std::uint64_t m_autoLevelBuffers = 0;
    std::uint64_t m_autoLevelStart = 0; // the recorder's count when it started
    std::uint64_t m_autoLevelMoved = 0; // buffers from then to its last change
    int m_autoLevelLastMove = 0;        // -1 lowered, 1 raised, 0 not moved

    CLiveLevel m_live; // the chosen microphone's level while idle
    // A microphone looked at after a recording that heard no voice.
    struct Look {
        SheetDevice device;
        double loudest = 0;
        std::unique_ptr<CSheetLevelWatch> watch; // goes first
    };
    std::vector<std::unique_ptr<Look>> m_looks;
    std::optional<SheetDevice> m_offered;
    bool m_shown = false; // the page is the active one
    // Last, so its thread ends before the page's controls go.
    CSpeechChecker m_speechChecker;
};
