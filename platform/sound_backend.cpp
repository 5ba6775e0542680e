// The process-wide sound backend and the usual texts of the result codes.
#include "platform/sound_backend.h"

#include "platform/system/message_loop.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace plat {

namespace {

// Never destroyed, so a sound still playing while the process exits (a looping
// PlaySound, a device left open) keeps a backend to talk to; function statics,
// so other files' static initialisers may already use them.
std::mutex& BackendMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}
std::shared_ptr<SoundBackend>& Backend() { // guarded by BackendMutex()
    static auto* backend = new std::shared_ptr<SoundBackend>;
    return *backend;
}
std::atomic<SoundBackend*> g_current{nullptr}; // fast path for every call

DefaultSoundBackend& Default() { // set before main runs, read after
    static auto* backend = new DefaultSoundBackend;
    return *backend;
}

// The maker of a backend left for the first use.
std::mutex& PendingMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}
std::function<void()>& Pending() { // guarded by PendingMutex()
    static auto* make = new std::function<void()>;
    return *make;
}
std::atomic<bool> g_pending{false};
// Set on the thread that runs the maker: its own calls go straight through.
thread_local bool t_making = false;
// Set while some thread runs the maker.
std::atomic<bool> g_making{false};

// What waits for the maker to be done (AfterPendingSoundBackend), and the
// end of the wait: g_pending is cleared under this mutex, so a task added
// meanwhile is either posted by the maker or at once.
std::mutex& WaitersMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}
std::vector<std::function<void()>>& Waiters() { // guarded by WaitersMutex()
    static auto* waiters = new std::vector<std::function<void()>>;
    return *waiters;
}

void EndPending() {
    std::vector<std::function<void()>> waiters;
    {
        std::lock_guard<std::mutex> lock(WaitersMutex());
        g_pending.store(false);
        waiters.swap(Waiters());
    }
    for (std::function<void()>& task : waiters)
        PostToMainThread(std::move(task));
}

} // namespace

bool SoundBackend::ChosenDevices(std::string& /*microphone*/, std::string& /*speakers*/) {
    return false;
}

MMRESULT SoundBackend::mixerGetVolumeCurve(HMIXEROBJ, DWORD, VolumeCurve& curve) {
    curve = VolumeCurve{};
    return MMSYSERR_NOERROR;
}

std::string SoundBackend::LastMixerWriteFailure() {
    return "";
}

std::vector<std::string> SoundBackend::DescribeDevices() {
    return {};
}

const char* FormFactorName(DeviceFormFactor formFactor) {
    switch (formFactor) {
    case DeviceFormFactor::BuiltIn:
        return "built-in";
    case DeviceFormFactor::Headset:
        return "headset";
    case DeviceFormFactor::Usb:
        return "usb";
    case DeviceFormFactor::Bluetooth:
        return "bluetooth";
    case DeviceFormFactor::Hdmi:
        return "hdmi";
    case DeviceFormFactor::Unknown:
        break;
    }
    return "unknown";
}

namespace {

// The wave devices of a direction by their capabilities (ListDevices).
template <class Caps>
void AddWaveDevices(std::vector<SoundDevice>& list, DeviceDirection direction, UINT count,
                    const std::function<MMRESULT(UINT, Caps*)>& caps) {
    std::vector<std::string> names;
    for (UINT i = 0; i < count; ++i) {
        Caps c{};
        if (caps(i, &c) != MMSYSERR_NOERROR)
            continue;
        SoundDevice d;
        d.description = c.szPname;
        d.id = d.description + "#" +
               std::to_string(std::count(names.begin(), names.end(), d.description));
        names.push_back(d.description);
        d.direction = direction;
        d.isDefault = i == 0;
        list.push_back(std::move(d));
    }
}

} // namespace

std::vector<SoundDevice> SoundBackend::ListDevices() {
    std::vector<SoundDevice> list;
    AddWaveDevices<WAVEOUTCAPSA>(
        list, DeviceDirection::Output, waveOutGetNumDevs(),
        [this](UINT i, WAVEOUTCAPSA* c) { return waveOutGetDevCaps(i, c, sizeof *c); });
    AddWaveDevices<WAVEINCAPSA>(
        list, DeviceDirection::Input, waveInGetNumDevs(),
        [this](UINT i, WAVEINCAPSA* c) { return waveInGetDevCaps(i, c, sizeof *c); });
    return list;
}

bool SoundBackend::ChooseDevice(DeviceDirection /*direction*/, const std::string& id,
                                std::string& error) {
    error = "the " + Name() + " sound backend cannot choose a device (\"" + id + "\")";
    return false;
}

bool SoundBackend::SoundSystemGone() {
    return false;
}

void SoundBackend::RefreshDevices() {
    DevicesChanged();
}

void SoundBackend::WatchDevices(DeviceListListener listener) {
    std::lock_guard<std::mutex> lock(m_watch->mutex);
    m_watch->listener =
        listener ? std::make_shared<DeviceListListener>(std::move(listener)) : nullptr;
    m_watch->handedOn = false; // a new listener hears of the next list whatever it holds
}

void SoundBackend::DevicesChanged() {
    const std::shared_ptr<DeviceWatch> watch = m_watch;
    std::lock_guard<std::mutex> order(watch->notifying);
    {
        std::lock_guard<std::mutex> lock(watch->mutex);
        if (!watch->listener)
            return;
    }
    std::vector<SoundDevice> list = ListDevices();
    std::lock_guard<std::mutex> lock(watch->mutex);
    if (!watch->listener || (watch->handedOn && list == watch->last))
        return;
    watch->last = list;
    watch->handedOn = true;
    std::weak_ptr<DeviceListListener> listener = watch->listener;
    PostToMainThread([listener, list = std::move(list)] {
        // Gone when it was replaced, or the backend with it.
        if (std::shared_ptr<DeviceListListener> call = listener.lock())
            (*call)(list);
    });
}

bool SoundBackend::GetErrorText(MMRESULT code, bool /*input*/, std::string& text) {
    text = StandardMmErrorText(code);
    return !text.empty();
}

void InstallDefaultSoundBackend(DefaultSoundBackend backend) {
    Default() = std::move(backend);
}

const DefaultSoundBackend& InstalledDefaultSoundBackend() {
    return Default();
}

void InstallSoundBackend(std::shared_ptr<SoundBackend> backend) {
    if (!t_making) {
        // Installed by hand: a backend left for the first use is not made.
        std::lock_guard<std::mutex> pending(PendingMutex());
        Pending() = nullptr;
        EndPending();
    }
    std::lock_guard<std::mutex> lock(BackendMutex());
    Backend() = std::move(backend);
    g_current.store(Backend().get());
}

void InstallSoundBackendOnFirstUse(std::function<void()> make) {
    std::lock_guard<std::mutex> lock(PendingMutex());
    Pending() = std::move(make);
    g_pending.store(static_cast<bool>(Pending()));
    if (g_pending.load())
        g_current.store(nullptr); // every call takes the way that makes it
}

bool MakePendingSoundBackend() {
    if (!g_pending.load() || t_making)
        return false;
    std::lock_guard<std::mutex> lock(PendingMutex());
    if (!g_pending.load())
        return false; // made by another thread meanwhile
    std::function<void()> make = std::move(Pending());
    Pending() = nullptr;
    t_making = true;
    g_making.store(true);
    make();
    g_making.store(false);
    t_making = false;
    EndPending();
    return true;
}

void AfterPendingSoundBackend(std::function<void()> task) {
    // Nobody making it yet: made here, as on any first use.
    if (!g_making.load())
        MakePendingSoundBackend();
    {
        std::lock_guard<std::mutex> lock(WaitersMutex());
        if (g_pending.load()) {
            Waiters().push_back(std::move(task));
            return;
        }
    }
    PostToMainThread(std::move(task));
}

std::shared_ptr<SoundBackend> CurrentSoundBackendShared() {
    MakePendingSoundBackend();
    std::lock_guard<std::mutex> lock(BackendMutex());
    std::shared_ptr<SoundBackend>& installed = Backend();
    if (!installed) {
        std::string error = "no default sound backend was installed in this program";
        if (Default().open)
            installed = Default().open(nullptr, error);
        if (!installed) {
            std::fprintf(stderr, "No sound backend: %s.\n", error.c_str());
            std::abort();
        }
        g_current.store(installed.get());
    }
    return installed;
}

SoundBackend& CurrentSoundBackend() {
    if (SoundBackend* backend = g_current.load())
        return *backend;
    return *CurrentSoundBackendShared();
}

std::string StandardMmErrorText(MMRESULT code) {
    switch (code) {
    case MMSYSERR_NOERROR:
        return "The command completed successfully.";
    case MMSYSERR_ERROR:
        return "An unspecified error occurred in the sound driver.";
    case MMSYSERR_BADDEVICEID:
        return "The specified device identifier is out of range.";
    case MMSYSERR_NOTENABLED:
        return "The sound driver failed to load or initialize.";
    case MMSYSERR_ALLOCATED:
        return "The specified device is already in use. Wait until it is free, and then try "
               "again.";
    case MMSYSERR_INVALHANDLE:
        return "The specified device handle is invalid.";
    case MMSYSERR_NODRIVER:
        return "There is no sound driver installed on your system.";
    case MMSYSERR_NOMEM:
        return "There is not enough memory available for this task. Quit one or more "
               "applications to increase available memory, and then try again.";
    case MMSYSERR_NOTSUPPORTED:
        return "This function is not supported by the sound driver.";
    case MMSYSERR_BADERRNUM:
        return "An error number was specified that is not defined.";
    case MMSYSERR_INVALFLAG:
        return "An invalid flag was passed to a system function.";
    case MMSYSERR_INVALPARAM:
        return "An invalid parameter was passed to a system function.";
    case MMSYSERR_HANDLEBUSY:
        return "The specified device is being used by another thread. Wait until it is free, "
               "and then try again.";
    case MMSYSERR_NODRIVERCB:
        return "The sound driver did not call back as expected.";
    case MMSYSERR_MOREDATA:
        return "More data is available than fits in the buffer given.";
    case WAVERR_BADFORMAT:
        return "The specified format is not supported or cannot be translated. Use the "
               "Capabilities function to determine the supported formats.";
    case WAVERR_STILLPLAYING:
        return "Cannot perform this operation while media data is still playing. Reset the "
               "device, or wait until the data is finished playing.";
    case WAVERR_UNPREPARED:
        return "The wave header was not prepared. Use the Prepare function to prepare the "
               "header, and then try again.";
    case WAVERR_SYNC:
        return "Cannot open the device without using the WAVE_ALLOWSYNC flag. Use the flag, "
               "and then try again.";
    case MIXERR_INVALLINE:
        return "The specified mixer line does not exist.";
    case MIXERR_INVALCONTROL:
        return "The specified mixer control does not exist.";
    case MIXERR_INVALVALUE:
        return "The value is out of the range the mixer control accepts.";
    default:
        return "";
    }
}

} // namespace plat
