// The sound backend behind the multimedia calls of mmsystem.h. A backend
// implements every call with the Windows semantics the callers rely on:
//  - WAVE_FORMAT_QUERY answers MMSYSERR_NOERROR or WAVERR_BADFORMAT and opens
//    nothing; a busy device answers MMSYSERR_ALLOCATED;
//  - with CALLBACK_FUNCTION the callback receives WOM_DONE / WIM_DATA with the
//    header in param1, on a thread of the backend, in completion order (and
//    WOM_OPEN/WOM_CLOSE, WIM_OPEN/WIM_CLOSE around the device's life);
//  - waveOutReset / waveInReset hand every queued buffer back marked done;
//  - a mixer object (HMIXEROBJ, or the UINT_PTR of mixerGetDevCaps) is either
//    an HMIXER the backend issued or a mixer index, whatever the object-type
//    flag says;
//  - cMultipleItems and the MULTIPLE / UNIFORM / DISABLED control flags are
//    honoured, list-text and value details are read and written per item.
// Error texts: the default GetErrorText gives the usual system texts; a
// backend may override it to keep a more precise text of its own.
#pragma once

#include "platform/mmsystem.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace plat {

class SoundBackend {
public:
    virtual ~SoundBackend() = default;

    // A short name for reports ("virtual", "alsa").
    virtual std::string Name() const = 0;

    virtual UINT mixerGetNumDevs() = 0;
    virtual MMRESULT mixerOpen(LPHMIXER phmx, UINT uMxId, DWORD_PTR dwCallback,
                               DWORD_PTR dwInstance, DWORD fdwOpen) = 0;
    virtual MMRESULT mixerClose(HMIXER hmx) = 0;
    virtual MMRESULT mixerGetDevCaps(UINT_PTR uMxId, MIXERCAPSA* pmxcaps, UINT cbmxcaps) = 0;
    virtual MMRESULT mixerGetLineInfo(HMIXEROBJ hmxobj, MIXERLINEA* pmxl, DWORD fdwInfo) = 0;
    virtual MMRESULT mixerGetLineControls(HMIXEROBJ hmxobj, MIXERLINECONTROLSA* pmxlc,
                                          DWORD fdwControls) = 0;
    virtual MMRESULT mixerGetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd,
                                            DWORD fdwDetails) = 0;
    virtual MMRESULT mixerSetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd,
                                            DWORD fdwDetails) = 0;

    virtual UINT waveOutGetNumDevs() = 0;
    virtual MMRESULT waveOutGetDevCaps(UINT_PTR uDeviceID, WAVEOUTCAPSA* pwoc, UINT cbwoc) = 0;
    virtual MMRESULT waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx,
                                 DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen) = 0;
    virtual MMRESULT waveOutClose(HWAVEOUT hwo) = 0;
    virtual MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) = 0;
    virtual MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) = 0;
    virtual MMRESULT waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) = 0;
    virtual MMRESULT waveOutPause(HWAVEOUT hwo) = 0;
    virtual MMRESULT waveOutRestart(HWAVEOUT hwo) = 0;
    virtual MMRESULT waveOutReset(HWAVEOUT hwo) = 0;

    virtual UINT waveInGetNumDevs() = 0;
    virtual MMRESULT waveInGetDevCaps(UINT_PTR uDeviceID, WAVEINCAPSA* pwic, UINT cbwic) = 0;
    virtual MMRESULT waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, LPCWAVEFORMATEX pwfx,
                                DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen) = 0;
    virtual MMRESULT waveInClose(HWAVEIN hwi) = 0;
    virtual MMRESULT waveInPrepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) = 0;
    virtual MMRESULT waveInUnprepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) = 0;
    virtual MMRESULT waveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) = 0;
    virtual MMRESULT waveInStart(HWAVEIN hwi) = 0;
    virtual MMRESULT waveInStop(HWAVEIN hwi) = 0;
    virtual MMRESULT waveInReset(HWAVEIN hwi) = 0;

    // Text for a result code of a wave call; false when the code has none.
    virtual bool GetErrorText(MMRESULT code, bool input, std::string& text);

    // Where the backend chose the devices the wizard works on among several
    // (the sound server prefers a headset), the microphone and the speakers
    // as the user knows them; false where it makes no such choice.
    virtual bool ChosenDevices(std::string& microphone, std::string& speakers);

    // Lines for the device report in the backend's own terms (the sound
    // server, its cards, sinks, sources and ports); none by default.
    virtual std::vector<std::string> DescribeDevices();
};

// The default backend, handed to the platform by the program and the tests
// (the virtual card registers itself so: platform/virtual/register/): the one
// CurrentSoundBackend makes when none was installed, the one --sound names by
// `name` (bare, or with an argument after a colon), and the automatic
// choice's fallback.
struct DefaultSoundBackend {
    std::string name;  // "virtual"
    std::string usage; // how the choice's error lists it ("virtual, virtual:CARD.ini")
    // Makes the backend; `argument` is null for the bare name. Null with
    // `error` set when it cannot be made.
    std::function<std::shared_ptr<SoundBackend>(const std::string* argument, std::string& error)>
        open;
};
void InstallDefaultSoundBackend(DefaultSoundBackend backend);
// The default backend installed; its `open` is empty when none was.
const DefaultSoundBackend& InstalledDefaultSoundBackend();

// Installs the backend every call of mmsystem.h forwards to, replacing the
// previous one (tests install purpose-made cards). Not thread-safe: install
// before any device is open.
void InstallSoundBackend(std::shared_ptr<SoundBackend> backend);

// The installed backend; the default backend when none was installed (a
// program that installs neither stops with a message saying so). A backend left to be made on first
// use is made first.
SoundBackend& CurrentSoundBackend();
std::shared_ptr<SoundBackend> CurrentSoundBackendShared();

// Leaves the backend to be made when the sound system is first used: `make`
// installs one (InstallSoundBackend), and runs once, from the first call of
// CurrentSoundBackend or MakePendingSoundBackend; other threads wait for it.
// The wizard so shows its first page before it probes the server and cards.
void InstallSoundBackendOnFirstUse(std::function<void()> make);
// Makes a backend left to be made now; false when none was waiting.
bool MakePendingSoundBackend();

// The usual system text of a multimedia result code, "" when it has none.
std::string StandardMmErrorText(MMRESULT code);

} // namespace plat
