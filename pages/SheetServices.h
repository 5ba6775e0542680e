// What the five pages share, served by the sheet that holds them: the mixer
// facade, the audio engine, the sound system's choice, the application's
// image list, and the fields one page fills and another shows. A page
// receives its sheet's services when it is made and never reaches another
// page: a later page leaves a warning here and page 2 shows it when it is
// shown.
#pragma once

#include "audio/AudioEngine.h"
#include "mixer/MixerSetup.h"
#include "ui/WinDefs.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CImageList;
class CWnd;

// A microphone or speakers the user may choose, as the sound system lists it.
struct SheetDevice {
    std::string id;          // the sound system's name for it, stable while it exists
    std::string description; // the full name the user knows
    bool input = false;      // a microphone (or a monitor)
    bool monitor = false;    // an input that hears an output: never a microphone
    bool muted = false;      // known to be muted
    bool headset = false;    // a headset, USB or Bluetooth device
    bool builtIn = false;    // part of the computer
    bool isDefault = false;  // the one the wave calls of WAVE_MAPPER use
    unsigned rate = 0;       // the rate it runs at, 0 when the sound system does not tell
    bool handsFree = false;  // a Bluetooth headset in its hands-free profile
    // Hears only the telephone band: below 16 kHz a device carries nothing
    // above 8 kHz, which the speech recogniser's models were trained on. A
    // hands-free profile at an untold rate is taken as the 8 kHz one.
    bool NarrowBand() const { return rate > 0 ? rate < 16000 : handsFree; }
    bool operator==(const SheetDevice&) const = default;
};

// A peak of a microphone's live level (CSheetServices::WatchLevel), or the
// end of its watch.
struct SheetLevel {
    double peak = 0;    // the loudest sample of the last 40 ms or so, 0..1 of the full scale
    bool ended = false; // the device went away or cannot be opened: no peak follows
};

// A running watch of a microphone's level: destroying it stops the watch,
// frees the device and hears nothing more.
class CSheetLevelWatch {
public:
    virtual ~CSheetLevelWatch() = default;
};

class CSheetServices {
public:
    CSheetServices() = default;
    CSheetServices(const CSheetServices&) = delete;
    CSheetServices& operator=(const CSheetServices&) = delete;

    virtual CMixerSetup& Mixer() = 0;
    virtual CAudioEngine& AudioEngine() = 0;
    // Puts the mixer back from the run's snapshot, when the run took one; a
    // restore that fails is shown over `parent`.
    virtual void RestoreMixer(CWnd& parent) = 0;
    // The virtual card stands in for missing sound hardware.
    virtual bool VirtualCardIsFallback() const = 0;
    // The microphone and speakers the sound system chose among several
    // ("" for none); false when it chose none or had no choice to make.
    virtual bool ChosenDevices(std::string& microphone, std::string& speakers) const = 0;
    // The devices of the sound system, outputs and inputs.
    virtual std::vector<SheetDevice> Devices() = 0;
    // Makes the device the one of its direction the wizard works on from
    // now on (the sound server's default, the device of WAVE_MAPPER); false
    // with `error` set when it cannot be chosen.
    virtual bool ChooseDevice(const SheetDevice& device, std::string& error) = 0;
    // `listener` hears of the devices each time they change (a device
    // plugged or unplugged, another chosen), on the main thread, until the
    // sheet is gone. Several may watch: each hears every change, in the order
    // they began to watch (the sheet's own notice of a plugged headset
    // first). An empty one is ignored.
    virtual void WatchDevices(std::function<void(const std::vector<SheetDevice>&)> listener) = 0;
    // Watches the live level of the input `device`, recording nothing:
    // `listener` hears about 25 peaks a second on the main thread, then once
    // one with `ended`, until the watch is destroyed. Never waits for the
    // device. A recording or a test of the same device needs the watch
    // destroyed first (some sound systems open a device once only).
    virtual std::unique_ptr<CSheetLevelWatch>
    WatchLevel(const SheetDevice& device, std::function<void(const SheetLevel&)> listener) = 0;
    // Lists the devices again where the sound system tells of no change by
    // itself (ALSA, Windows); the watchers hear of a change. The sheet also
    // does so every few seconds while it is open.
    virtual void RefreshDevices() = 0;
    // Whether the sound system went away (the sound server stopped) and has
    // not come back: a stream that ended then ended for that reason.
    virtual bool SoundSystemGone() = 0;
    // The application's image list (exclamation, tick, cross); null when
    // the program runs none.
    virtual const CImageList* ImageList() = 0;

    // Page 3 started the music once in this run.
    bool m_musicStarted = false;
    // Page 4 started a recording in this run.
    bool recordingMade = false;

    // A warning of a later page for the sound-card test's list, oldest first:
    // page 2 puts each on top of its list, as a soft error, when next shown.
    struct LaterWarning {
        std::string text;
        // The colour the list's text takes from then on (a failed replay).
        std::optional<COLORREF> listColor;
    };
    std::vector<LaterWarning> m_laterWarnings;

protected:
    ~CSheetServices() = default;
};
