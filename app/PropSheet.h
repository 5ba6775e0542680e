// The wizard sheet: owns the five pages, the mixer facade and the audio
// engine, and serves the pages what they share (pages/SheetServices.h).
#pragma once

#include "app/HeadsetOffer.h"
#include "audio/AudioEngine.h"
#include "mixer/MixerSetup.h"
#include "pages/PropPage1.h"
#include "pages/PropPage2.h"
#include "pages/PropPage3.h"
#include "pages/PropPage4.h"
#include "pages/PropPage5.h"
#include "pages/SheetServices.h"
#include "ui/Accelerator.h"
#include "ui/PropertySheet.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Command of the accelerator Ctrl+Alt+T (table 208).
constexpr int ID_SHOW_TRACE_LIST = 32776;
constexpr int IDR_ACCELERATORS = 208;

class CPropSheet : public CPropertySheet, public CSheetServices {
public:
    explicit CPropSheet(CWnd* parent = nullptr);
    ~CPropSheet() override;

    bool OnInitDialog() override;
    // The automatic choice of the sound system is made here when the probe
    // beside the start (main) has not begun; while it runs, the window
    // answers and what depends on it (OnSoundChosen) follows once it is done.
    void OnFirstPaint() override;
    // The title and page 1 say whether the card is simulated; the headsets
    // are watched.
    void OnSoundChosen();
    bool PreTranslateMessage(const MSG& msg) override;

    // "Version " + " " + the product version; empty without version
    // information.
    std::string GetVersionText();
    void OnShowTraceList();
    // The window title: the wizard's name and version, and that the card is
    // simulated when the virtual card stands in for missing hardware.
    void ShowSoundChoice();
    // Puts the mixer back from the run's snapshot, when the run took one; a
    // restore that fails is shown to the user with where the settings are
    // kept and how to put them back later.
    void RestoreMixer(CWnd& parent) override;

    // The pages' services: the members below, the sound system's choice and
    // the application's image list.
    CMixerSetup& Mixer() override { return m_mixerSetup; }
    CAudioEngine& AudioEngine() override { return m_audioEngine; }
    bool VirtualCardIsFallback() const override;
    bool ChosenDevices(std::string& microphone, std::string& speakers) const override;
    std::vector<SheetDevice> Devices() override;
    bool ChooseDevice(const SheetDevice& device, std::string& error) override;
    void WatchDevices(std::function<void(const std::vector<SheetDevice>&)> listener) override;
    std::unique_ptr<CSheetLevelWatch>
    WatchLevel(const SheetDevice& device, std::function<void(const SheetLevel&)> listener) override;
    bool SoundSystemGone() override;
    void RefreshDevices() override;
    // The device lists are read again every kDeviceRefreshMs.
    void OnTimer(plat::UINT_PTR id) override;
    static constexpr plat::UINT_PTR kDeviceRefreshTimer = 1;
    static constexpr plat::UINT kDeviceRefreshMs = 2000;
    const CImageList* ImageList() override;

    // A headset plugged in while the wizard runs: the notice offers it, and
    // taking the offer chooses its output and input (ChooseDevice); the
    // notice goes when the headset is unplugged again. Watched from the first
    // paint on, once the sound system is made.
    void WatchHeadsets();
    void OnDevices(const std::vector<SheetDevice>& devices);
    void UseOfferedHeadset();

    // Members in this order: constructed pages first, destroyed last.
    CPropPage1 m_page1{*this};
    CPropPage2 m_page2{*this};
    CPropPage3 m_page3{*this};
    CPropPage4 m_page4{*this};
    CPropPage5 m_page5{*this};
    CMixerSetup m_mixerSetup;
    CAudioEngine m_audioEngine;
    HACCEL m_hAccel = nullptr;
    // The device listener handed to the backend holds this weakly: a list
    // posted after the sheet is gone reaches no page.
    std::shared_ptr<int> m_deviceWatchToken = std::make_shared<int>(0);
    bool m_watchingDevices = false;
    // Everyone watching the devices, in the order they began.
    std::vector<std::function<void(const std::vector<SheetDevice>&)>> m_deviceListeners;
    CHeadsetOffer m_headsetOffer;
    bool m_watchingHeadsets = false;
    // Whether the title and page 1 say the card is simulated.
    bool m_fallbackShown = false;
};
