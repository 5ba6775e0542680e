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
#include "platform/volume_curve.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace plat {

// The devices a backend plays to and records from, as a device choice shows
// them (ListDevices).
enum class DeviceDirection { Input, Output };
enum class DeviceFormFactor { Unknown, BuiltIn, Headset, Usb, Bluetooth, Hdmi };
// "unknown", "built-in", "headset", "usb", "bluetooth", "hdmi".
const char* FormFactorName(DeviceFormFactor formFactor);

struct DevicePort {
    std::string name;        // "analog-input-mic"
    std::string description; // "Microphone"
    bool available = true;   // false when nothing is plugged into it
    bool active = false;
    bool operator==(const DevicePort&) const = default;
};

struct SoundDevice {
    // Stays the same while the device exists, whatever the list's order: the
    // server's sink or source name, the ALSA PCM name (card id and device),
    // the virtual card file's id, the Windows device's name and number.
    std::string id;
    std::string description; // the full name as the user knows it
    DeviceDirection direction = DeviceDirection::Output;
    DeviceFormFactor formFactor = DeviceFormFactor::Unknown;
    bool monitor = false; // an input that hears an output
    std::vector<DevicePort> ports;
    bool isDefault = false; // the one the wave calls of WAVE_MAPPER use
    bool hasVolume = false; // whether volume and mute below are known
    DWORD volume = 0;       // 0..65535
    bool mute = false;
    // The rate the device runs at where the sound system tells it (0 when
    // unknown), and whether it is a Bluetooth headset in its hands-free
    // profile: both tell a microphone that hears only the telephone band.
    unsigned rate = 0;
    bool handsFree = false;
    bool operator==(const SoundDevice&) const = default;
};

// Receives the device list, on the main thread.
using DeviceListListener = std::function<void(const std::vector<SoundDevice>&)>;

// What a watch of an input device's level (WatchInputLevel) hands on: the
// loudest sample since the last reading, or the end of the watch.
struct InputLevel {
    double peak = 0;    // 0..1 of the full scale
    bool ended = false; // no reading follows: the device went away or would not open
    std::string error;  // why it ended, in the backend's words
};
using InputLevelListener = std::function<void(const InputLevel&)>;

// A running watch of an input device's level; destroying it stops the watch,
// and its listener is not called from then on.
class InputLevelWatch {
public:
    InputLevelWatch() = default;
    InputLevelWatch(const InputLevelWatch&) = delete;
    InputLevelWatch& operator=(const InputLevelWatch&) = delete;
    virtual ~InputLevelWatch() = default;
};

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

    // How the volume control controlId of an open mixer maps to gain. By
    // default a linear amplitude (the virtual card's multiplier; winmm tells
    // nothing of its taper).
    virtual MMRESULT mixerGetVolumeCurve(HMIXEROBJ hmxobj, DWORD controlId, VolumeCurve& curve);

    // Text for a result code of a wave call; false when the code has none.
    virtual bool GetErrorText(MMRESULT code, bool input, std::string& text);

    // Where mixer writes are answered at once and sent afterwards (the sound
    // server's volumes and mutes), the backend's words for the last such
    // write that failed once sent; "" when none did or a later one went
    // through. Elsewhere every write's result is its call's, and this is "".
    virtual std::string LastMixerWriteFailure();

    // Whether the sound system the backend works through went away (the
    // sound server stopped or ended the connection) and is not back: a
    // stream that failed then failed for that reason. False where there is
    // no such system.
    virtual bool SoundSystemGone();

    // Where the backend chose the devices the wizard works on among several
    // (the sound server prefers a headset), the microphone and the speakers
    // as the user knows them; false where it makes no such choice.
    virtual bool ChosenDevices(std::string& microphone, std::string& speakers);

    // Lines for the device report in the backend's own terms (the sound
    // server, its cards, sinks, sources and ports); none by default.
    virtual std::vector<std::string> DescribeDevices();

    // The devices, outputs and inputs. By default the wave devices by their
    // capabilities: the id is the device's name and its number among the
    // devices of that name ("Speakers#0"), the first of each direction the
    // default.
    virtual std::vector<SoundDevice> ListDevices();
    // Makes `id` the device of its direction: the server's default sink or
    // source; elsewhere the device the wave calls of WAVE_MAPPER use. False
    // with `error` set when there is no such device or it cannot be chosen.
    virtual bool ChooseDevice(DeviceDirection direction, const std::string& id, std::string& error);
    // Lists the devices again where the backend hears of no change by itself
    // (ALSA, winmm): a watcher hears of the list when it changed.
    virtual void RefreshDevices();

    // `listener` hears of the device list each time it changes, on the main
    // thread (PostToMainThread), never after it was replaced or the backend
    // is gone; an empty one stops watching. Replaces the previous listener.
    void WatchDevices(DeviceListListener listener);

    // Watches the level of the input device `id` (a ListDevices id), keeping
    // nothing of what it hears: `listener` hears about 25 peaks a second on
    // the main thread (PostToMainThread), then once a reading with `ended`
    // when the device goes away, the server with it, or it cannot be opened.
    // Never waits for the device: opening and stopping happen on a thread of
    // the watch or the backend. The watch needs the backend while it lives.
    // By default the wave-in calls on the device of that id (numbered as
    // ListDevices orders the inputs), 8 kHz mono 16-bit in 40 ms buffers.
    virtual std::unique_ptr<InputLevelWatch> WatchInputLevel(const std::string& id,
                                                             InputLevelListener listener);

protected:
    // A backend calls this, from any thread, when its devices may have
    // changed: the list is read (ListDevices) and, when it differs from the
    // one last handed on, posted to the listener.
    void DevicesChanged();

private:
    struct DeviceWatch {
        std::mutex notifying; // one reading of the list at a time, in order
        std::mutex mutex;     // guards the members below
        std::shared_ptr<DeviceListListener> listener;
        std::vector<SoundDevice> last; // the list last handed on
        bool handedOn = false;
    };
    std::shared_ptr<DeviceWatch> m_watch = std::make_shared<DeviceWatch>();
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
// Runs `task` on the main thread (PostToMainThread) once no backend is left
// to be made: while another thread makes it, when that is done (the calling
// thread goes on meanwhile); else it is made first, here, if it still waits.
void AfterPendingSoundBackend(std::function<void()> task);

// The usual system text of a multimedia result code, "" when it has none.
std::string StandardMmErrorText(MMRESULT code);

} // namespace plat
