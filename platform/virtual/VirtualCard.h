// The virtual sound card: a SoundBackend that exists only in memory. Its
// mixers, wave devices, accepted formats, busy answers and failures come from
// a VirtualCardDesc (built in code, the built-in default card, or a card
// description file). Wave devices stream in real time on a backend thread;
// with a manual clock a test steps time by hand instead. Completion callbacks
// always come on the card's own thread, in completion order.
//
// Besides the multimedia calls the class offers a test API: inject failures,
// choose the microphone signal, step the clock, read control values, what was
// played, and how often each call was made.
//
// Devices come and go: a wave device of the description may start unplugged
// (`plugged`, the card file's `Plugged=no`), and SetPlugged plugs and unplugs
// one by its id, as a headset would be, open or not. The wave calls see the
// plugged devices only, numbered in the description's order; a watcher of the
// device list (WatchDevices) hears of each change. ChooseDevice makes a device the
// one WAVE_MAPPER tries first.
#pragma once

#include "platform/sound_backend.h"
#include "platform/virtual/CardModel.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace plat {

class CMicrophone;

class CVirtualCard : public SoundBackend {
public:
    enum class Clock { RealTime, Manual };

    explicit CVirtualCard(VirtualCardDesc desc = DefaultCardDesc(), Clock clock = Clock::RealTime);
    ~CVirtualCard() override;
    CVirtualCard(const CVirtualCard&) = delete;
    CVirtualCard& operator=(const CVirtualCard&) = delete;

    // A card read from a card description file; null with `error` set when the
    // file cannot be read or describes no usable card.
    static std::shared_ptr<CVirtualCard> FromFile(const std::string& path, std::string& error,
                                                  Clock clock = Clock::RealTime);

    // ---- test API --------------------------------------------------------
    // Manual clock only: lets `ms` milliseconds of device time pass, in 10 ms
    // steps, and returns once every callback those steps caused has run.
    void AdvanceClock(DWORD ms);
    // Waits until every queued callback has run (either clock).
    void WaitCallbacks();

    void AddFailure(const VirtualFailure& failure);
    void FailCall(const std::string& call, MMRESULT code, int times = -1, long device = -1);
    void ClearFailures();
    // The next `attempts` opens (format queries included) of the device answer
    // MMSYSERR_ALLOCATED.
    void SetBusy(bool input, UINT device, int attempts);
    int BusyAttemptsLeft(bool input, UINT device) const;

    void SetMicrophone(const MicrophoneSignal& signal);

    int CallCount(const std::string& call) const;
    void ResetCallCounts();

    // Control values as the card holds them (channel-major, see VirtualControl).
    bool GetControlValues(UINT mixer, DWORD controlId, std::vector<LONG>& values) const;
    bool SetControlValues(UINT mixer, DWORD controlId, const std::vector<LONG>& values);
    // The id of the first control of `controlType` on the first line of
    // `componentType` (a destination, or a source under a destination of
    // `destinationType` when that is given); 0 when there is none.
    static constexpr DWORD kAnyDestination = 0xFFFFFFFF;
    DWORD FindControlId(UINT mixer, DWORD componentType, DWORD controlType,
                        DWORD destinationType = kAnyDestination) const;
    const VirtualCardDesc& Description() const { return m_desc; }

    // Plugs or unplugs the wave device `id` of that direction; false with
    // `error` set when there is none. The open devices keep their ids under
    // their new numbers; an open device unplugged hands its buffers back at
    // once, and every write, add-buffer, restart or start of it answers
    // MMSYSERR_NODRIVER until it is closed.
    bool SetPlugged(DeviceDirection direction, const std::string& id, bool plugged,
                    std::string& error);

    // What wave-out device `device` played since it was last opened, and in
    // which format.
    std::vector<std::uint8_t> CapturedOutput(UINT device) const;
    WAVEFORMATEX CapturedFormat(UINT device) const;
    bool WriteCapturedOutput(UINT device, const std::string& path, std::string& error) const;
    void SetCaptureLimit(std::size_t bytes);

    std::size_t OpenWaveHandles() const;
    std::size_t OpenMixerHandles() const;
    // Milliseconds of device time since the card was made.
    std::uint64_t ClockMs() const;

    // ---- SoundBackend ----------------------------------------------------
    std::string Name() const override { return "virtual"; }
    std::vector<SoundDevice> ListDevices() override;
    bool ChooseDevice(DeviceDirection direction, const std::string& id,
                      std::string& error) override;

    UINT mixerGetNumDevs() override;
    MMRESULT mixerOpen(LPHMIXER phmx, UINT uMxId, DWORD_PTR dwCallback, DWORD_PTR dwInstance,
                       DWORD fdwOpen) override;
    MMRESULT mixerClose(HMIXER hmx) override;
    MMRESULT mixerGetDevCaps(UINT_PTR uMxId, MIXERCAPSA* pmxcaps, UINT cbmxcaps) override;
    MMRESULT mixerGetLineInfo(HMIXEROBJ hmxobj, MIXERLINEA* pmxl, DWORD fdwInfo) override;
    MMRESULT mixerGetLineControls(HMIXEROBJ hmxobj, MIXERLINECONTROLSA* pmxlc,
                                  DWORD fdwControls) override;
    MMRESULT mixerGetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd,
                                    DWORD fdwDetails) override;
    MMRESULT mixerSetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd,
                                    DWORD fdwDetails) override;

    UINT waveOutGetNumDevs() override;
    MMRESULT waveOutGetDevCaps(UINT_PTR uDeviceID, WAVEOUTCAPSA* pwoc, UINT cbwoc) override;
    MMRESULT waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx,
                         DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen) override;
    MMRESULT waveOutClose(HWAVEOUT hwo) override;
    MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) override;
    MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) override;
    MMRESULT waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) override;
    MMRESULT waveOutPause(HWAVEOUT hwo) override;
    MMRESULT waveOutRestart(HWAVEOUT hwo) override;
    MMRESULT waveOutReset(HWAVEOUT hwo) override;

    UINT waveInGetNumDevs() override;
    MMRESULT waveInGetDevCaps(UINT_PTR uDeviceID, WAVEINCAPSA* pwic, UINT cbwic) override;
    MMRESULT waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                        DWORD_PTR dwInstance, DWORD fdwOpen) override;
    MMRESULT waveInClose(HWAVEIN hwi) override;
    MMRESULT waveInPrepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) override;
    MMRESULT waveInUnprepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) override;
    MMRESULT waveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) override;
    MMRESULT waveInStart(HWAVEIN hwi) override;
    MMRESULT waveInStop(HWAVEIN hwi) override;
    MMRESULT waveInReset(HWAVEIN hwi) override;

private:
    struct Stream;   // one open wave device
    struct Capture { // what a wave-out device played
        WAVEFORMATEX format{};
        std::vector<std::uint8_t> bytes;
    };
    struct Event { // a callback waiting for the card's thread
        std::uintptr_t handle = 0;
        bool input = false;
        DWORD_PTR proc = 0;
        DWORD_PTR instance = 0;
        UINT message = 0;
        DWORD_PTR param1 = 0;
    };
    struct ControlRef {
        int destination;
        int source; // -1: the destination's own control
        int control;
    };
    struct LineRef {
        int destination;
        int source;
    };
    struct MixerIndex {
        std::map<DWORD, ControlRef> controls;
        std::map<DWORD, LineRef> lines;
    };

    // Card building (VirtualCard.cpp)
    void BuildIndexes();
    MMRESULT InjectedLocked(const char* call, long device);
    void CountLocked(const char* call);

    // Mixer helpers (VirtualCardMixer.cpp)
    MMRESULT MixerIndexLocked(HMIXEROBJ obj, DWORD flags, UINT& index) const;
    const VirtualLine* LineLocked(UINT mixer, int destination, int source) const;
    VirtualControl* ControlLocked(UINT mixer, DWORD id, const VirtualLine** line);
    void FillLine(UINT mixer, int destination, int source, MIXERLINEA& out) const;
    void FillControl(const VirtualControl& control, MIXERCONTROLA& out) const;
    MMRESULT ControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd, DWORD fdwDetails,
                            bool set);
    double InputGainLocked() const;

    // Devices (VirtualCardDevices.cpp)
    void SetUpDevices();
    std::vector<VirtualWaveDevice>& AllDevicesLocked(bool input) { return m_all[input ? 1 : 0]; }
    // The plugged devices in the order WAVE_MAPPER tries them: the chosen
    // one first.
    std::vector<std::size_t> MapperOrderLocked(bool input) const;

    // Wave helpers (VirtualCardWave.cpp)
    template <typename Caps>
    MMRESULT GetCaps(const char* call, bool input, UINT_PTR deviceId, Caps* caps, UINT cb);
    template <typename Handle>
    MMRESULT OpenStream(const char* call, bool input, Handle* handle, UINT deviceId,
                        LPCWAVEFORMATEX pwfx, DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
    MMRESULT OpenLocked(bool input, std::uintptr_t& handle, UINT deviceId, LPCWAVEFORMATEX pwfx,
                        DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
    long FailureDeviceLocked(bool input, UINT deviceId, LPCWAVEFORMATEX pwfx) const;
    MMRESULT CloseStream(bool input, std::uintptr_t handle);
    MMRESULT PrepareStream(bool input, std::uintptr_t handle, LPWAVEHDR pwh, UINT cbwh,
                           bool prepare);
    MMRESULT QueueBuffer(bool input, std::uintptr_t handle, LPWAVEHDR pwh, UINT cbwh);
    MMRESULT ResetStream(bool input, std::uintptr_t handle);
    MMRESULT SetRunning(const char* call, bool input, std::uintptr_t handle, bool running);
    Stream* StreamLocked(bool input, std::uintptr_t handle);
    // The open stream a call names, unless the call fails first (result).
    Stream* CallStreamLocked(const char* call, bool input, std::uintptr_t handle, MMRESULT& result);
    void CompleteLocked(Stream& stream, WAVEHDR* header);
    // Hands every queued buffer back, in order, from where the stream is.
    void ReturnQueueLocked(Stream& stream);
    void PostLocked(const Stream& stream, UINT message, DWORD_PTR param1);
    void AdvanceLocked(std::uint64_t ms);
    void PlayLocked(Stream& stream, std::uint64_t ms);
    void RecordLocked(Stream& stream, std::uint64_t ms);
    bool AnyStreamActiveLocked() const;
    // Real time only: how long the card may sleep before a buffer is due (at
    // least 1 ms, at most kLongestSleepMs), so it wakes for each completion
    // rather than every few milliseconds.
    static constexpr std::uint64_t kLongestSleepMs = 100;
    std::uint64_t MsUntilNextBufferLocked() const;
    void WaitHandleIdle(std::unique_lock<std::mutex>& lock, std::uintptr_t handle);
    void EnsureThreadLocked();
    void ThreadMain();
    void WriteOutputFileLocked(UINT device);

    VirtualCardDesc m_desc;
    Clock m_clock;
    std::vector<MixerIndex> m_index;
    std::unique_ptr<CMicrophone> m_microphone;
    // The wave-in devices that hear a signal of their own, by id.
    std::map<std::string, std::unique_ptr<CMicrophone>> m_ownMicrophones;
    // Every wave device of each direction (output, input), plugged or not;
    // m_desc.waveOut and waveIn hold the plugged ones.
    std::vector<VirtualWaveDevice> m_all[2];
    std::string m_chosen[2]; // the id ChooseDevice chose, "" for none

    mutable std::mutex m_mutex;
    std::condition_variable m_wake; // the card's thread: events or a device started
    std::condition_variable m_idle; // callers waiting for callbacks to run
    std::map<std::string, int> m_calls;
    std::map<std::uintptr_t, UINT> m_mixerHandles;
    std::map<std::uintptr_t, std::unique_ptr<Stream>> m_streams;
    std::map<UINT, Capture> m_captures;
    std::size_t m_captureLimit = 64u << 20;
    std::deque<Event> m_events;
    std::map<std::uintptr_t, int> m_pending; // per handle: queued + running callbacks
    bool m_running = false;                  // a callback is running
    std::uintptr_t m_nextHandle = 0x1000;
    std::uint64_t m_clockMs = 0;
    bool m_stop = false;
    std::thread m_thread;
    std::thread::id m_threadId;
};

} // namespace plat
