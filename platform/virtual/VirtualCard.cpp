// The virtual card's construction, its callback thread and clock, and the
// test API.
#include "platform/virtual/VirtualCard.h"

#include "platform/virtual/CardFile.h"
#include "platform/virtual/Microphone.h"
#include "platform/virtual/Stream.h"
#include "platform/virtual/WaveData.h"

#include <chrono>
#include <cstdio>

namespace plat {

CVirtualCard::CVirtualCard(VirtualCardDesc desc, Clock clock)
    : m_desc(std::move(desc)), m_clock(clock), m_microphone(std::make_unique<CMicrophone>()) {
    BuildIndexes();
    SetUpDevices();
    std::string error;
    if (!m_microphone->SetSignal(m_desc.microphone, error))
        std::fprintf(stderr, "virtual sound card: microphone: %s\n", error.c_str());
    for (const VirtualWaveDevice& device : AllDevicesLocked(true)) {
        if (!device.microphone)
            continue;
        auto own = std::make_unique<CMicrophone>();
        if (!own->SetSignal(*device.microphone, error))
            std::fprintf(stderr, "virtual sound card: microphone of %s: %s\n", device.id.c_str(),
                         error.c_str());
        m_ownMicrophones[device.id] = std::move(own);
    }
}

CVirtualCard::~CVirtualCard() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

std::shared_ptr<CVirtualCard> CVirtualCard::FromFile(const std::string& path, std::string& error,
                                                     Clock clock) {
    VirtualCardDesc desc;
    if (!ReadCardFile(path, desc, error))
        return nullptr;
    return std::make_shared<CVirtualCard>(std::move(desc), clock);
}

void CVirtualCard::BuildIndexes() {
    m_index.assign(m_desc.mixers.size(), MixerIndex{});
    for (std::size_t m = 0; m < m_desc.mixers.size(); ++m) {
        MixerIndex& index = m_index[m];
        DWORD nextControl = 1;
        auto number = [&](VirtualLine& line, int d, int s) {
            // Destinations 0xFFFF00dd, sources 0x00ssssdd with ssss = source + 1:
            // no line has id 0, which unresolved list items carry.
            line.id = s < 0 ? DWORD(0xFFFF0000u | DWORD(d)) : DWORD(DWORD(s + 1) << 16 | DWORD(d));
            index.lines[line.id] = {d, s};
            if (s >= 0)
                line.flags |= MIXERLINE_LINEF_SOURCE;
            else
                line.flags &= ~MIXERLINE_LINEF_SOURCE;
            line.channels = std::max<DWORD>(1, line.channels);
            for (std::size_t c = 0; c < line.controls.size(); ++c) {
                VirtualControl& control = line.controls[c];
                control.id = nextControl++;
                index.controls[control.id] = {d, s, int(c)};
                if (!control.items.empty())
                    control.flags |= MIXERCONTROL_CONTROLF_MULTIPLE;
                const std::size_t channels =
                    (control.flags & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : line.channels;
                const std::size_t items = std::max<std::size_t>(1, control.items.size());
                // A short list of values repeats its last value over the rest.
                const LONG fill = control.values.empty() ? control.minimum : control.values.back();
                control.values.resize(channels * items, fill);
            }
        };
        auto& destinations = m_desc.mixers[m].destinations;
        for (std::size_t d = 0; d < destinations.size(); ++d) {
            number(destinations[d], int(d), -1);
            for (std::size_t s = 0; s < destinations[d].sources.size(); ++s)
                number(destinations[d].sources[s], int(d), int(s));
        }
        // List items name source lines of their destination.
        for (VirtualLine& destination : destinations) {
            auto resolve = [&](VirtualControl& control) {
                for (VirtualListItem& item : control.items) {
                    for (const VirtualLine& source : destination.sources) {
                        if (source.name == item.name || source.shortName == item.name) {
                            item.lineId = source.id;
                            item.componentType = source.componentType;
                            break;
                        }
                    }
                }
            };
            for (VirtualControl& control : destination.controls)
                resolve(control);
            for (VirtualLine& source : destination.sources)
                for (VirtualControl& control : source.controls)
                    resolve(control);
        }
    }
}

void CVirtualCard::CountLocked(const char* call) {
    ++m_calls[call];
}

MMRESULT CVirtualCard::InjectedLocked(const char* call, long device) {
    CountLocked(call);
    for (VirtualFailure& failure : m_desc.failures) {
        if (failure.call != call || (failure.device >= 0 && failure.device != device))
            continue;
        if (failure.times == 0)
            continue;
        if (failure.skip > 0) {
            --failure.skip;
            continue;
        }
        if (failure.times > 0)
            --failure.times;
        return failure.code;
    }
    return MMSYSERR_NOERROR;
}

// ---- test API ----------------------------------------------------------

void CVirtualCard::AddFailure(const VirtualFailure& failure) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_desc.failures.push_back(failure);
}

void CVirtualCard::FailCall(const std::string& call, MMRESULT code, int times, long device) {
    VirtualFailure failure;
    failure.call = call;
    failure.code = code;
    failure.times = times;
    failure.device = device;
    AddFailure(failure);
}

void CVirtualCard::ClearFailures() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_desc.failures.clear();
}

void CVirtualCard::SetBusy(bool input, UINT device, int attempts) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto& devices = input ? m_desc.waveIn : m_desc.waveOut;
    if (device < devices.size())
        devices[device].busyAttempts = attempts;
}

int CVirtualCard::BusyAttemptsLeft(bool input, UINT device) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto& devices = input ? m_desc.waveIn : m_desc.waveOut;
    return device < devices.size() ? devices[device].busyAttempts : 0;
}

void CVirtualCard::SetMicrophone(const MicrophoneSignal& signal) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string error;
    m_desc.microphone = signal;
    if (!m_microphone->SetSignal(signal, error))
        std::fprintf(stderr, "virtual sound card: microphone: %s\n", error.c_str());
}

int CVirtualCard::CallCount(const std::string& call) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_calls.find(call);
    return it == m_calls.end() ? 0 : it->second;
}

void CVirtualCard::ResetCallCounts() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.clear();
}

bool CVirtualCard::GetControlValues(UINT mixer, DWORD controlId, std::vector<LONG>& values) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto* self = const_cast<CVirtualCard*>(this);
    const VirtualControl* control = self->ControlLocked(mixer, controlId, nullptr);
    if (control == nullptr)
        return false;
    values = control->values;
    return true;
}

bool CVirtualCard::SetControlValues(UINT mixer, DWORD controlId, const std::vector<LONG>& values) {
    std::lock_guard<std::mutex> lock(m_mutex);
    VirtualControl* control = ControlLocked(mixer, controlId, nullptr);
    if (control == nullptr || values.size() != control->values.size())
        return false;
    control->values = values;
    return true;
}

DWORD CVirtualCard::FindControlId(UINT mixer, DWORD componentType, DWORD controlType,
                                  DWORD destinationType) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (mixer >= m_desc.mixers.size())
        return 0;
    auto first = [&](const VirtualLine& line) -> DWORD {
        for (const VirtualControl& control : line.controls)
            if (control.type == controlType)
                return control.id;
        return 0;
    };
    for (const VirtualLine& destination : m_desc.mixers[mixer].destinations) {
        if (destinationType == kAnyDestination && destination.componentType == componentType)
            return first(destination);
        if (destinationType != kAnyDestination && destination.componentType != destinationType)
            continue;
        for (const VirtualLine& source : destination.sources)
            if (source.componentType == componentType)
                return first(source);
    }
    return 0;
}

std::vector<std::uint8_t> CVirtualCard::CapturedOutput(UINT device) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_captures.find(device);
    return it == m_captures.end() ? std::vector<std::uint8_t>{} : it->second.bytes;
}

WAVEFORMATEX CVirtualCard::CapturedFormat(UINT device) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_captures.find(device);
    return it == m_captures.end() ? WAVEFORMATEX{} : it->second.format;
}

bool CVirtualCard::WriteCapturedOutput(UINT device, const std::string& path,
                                       std::string& error) const {
    Capture capture;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_captures.find(device);
        if (it == m_captures.end()) {
            error = "wave-out device " + std::to_string(device) + " has played nothing";
            return false;
        }
        capture = it->second;
    }
    return WriteWaveFile(path, capture.format, capture.bytes, error);
}

void CVirtualCard::SetCaptureLimit(std::size_t bytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_captureLimit = bytes;
}

std::size_t CVirtualCard::OpenWaveHandles() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_streams.size();
}

std::size_t CVirtualCard::OpenMixerHandles() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_mixerHandles.size();
}

std::uint64_t CVirtualCard::ClockMs() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_clockMs;
}

// ---- the clock and the callback thread -----------------------------------

void CVirtualCard::AdvanceClock(DWORD ms) {
    constexpr DWORD kStep = 10;
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_clock != Clock::Manual)
        return;
    const bool onCardThread = std::this_thread::get_id() == m_threadId;
    while (ms > 0) {
        const DWORD step = std::min(ms, kStep);
        ms -= step;
        AdvanceLocked(step);
        if (!onCardThread)
            m_idle.wait(lock, [&] { return m_events.empty() && !m_running; });
    }
}

void CVirtualCard::WaitCallbacks() {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (std::this_thread::get_id() == m_threadId)
        return;
    m_idle.wait(lock, [&] { return m_events.empty() && !m_running; });
}

void CVirtualCard::WaitHandleIdle(std::unique_lock<std::mutex>& lock, std::uintptr_t handle) {
    if (std::this_thread::get_id() == m_threadId)
        return; // a callback cannot wait for itself
    m_idle.wait(lock, [&] {
        auto it = m_pending.find(handle);
        return it == m_pending.end() || it->second == 0;
    });
}

void CVirtualCard::EnsureThreadLocked() {
    if (m_thread.joinable())
        return;
    m_thread = std::thread([this] { ThreadMain(); });
    m_threadId = m_thread.get_id();
}

void CVirtualCard::ThreadMain() {
    using Steady = std::chrono::steady_clock;
    std::unique_lock<std::mutex> lock(m_mutex);
    bool wasActive = false;
    Steady::time_point last = Steady::now();
    while (!m_stop) {
        if (!m_events.empty()) {
            const Event event = m_events.front();
            m_events.pop_front();
            m_running = true;
            lock.unlock();
            if (event.input)
                reinterpret_cast<WAVEINPROC>(event.proc)(reinterpret_cast<HWAVEIN>(event.handle),
                                                         event.message, event.instance,
                                                         event.param1, 0);
            else
                reinterpret_cast<WAVEOUTPROC>(event.proc)(reinterpret_cast<HWAVEOUT>(event.handle),
                                                          event.message, event.instance,
                                                          event.param1, 0);
            lock.lock();
            m_running = false;
            if (--m_pending[event.handle] == 0)
                m_pending.erase(event.handle);
            m_idle.notify_all();
            continue;
        }
        if (m_clock == Clock::RealTime && AnyStreamActiveLocked()) {
            const auto now = Steady::now();
            if (!wasActive)
                last = now; // time while nothing played does not count
            wasActive = true;
            const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - last);
            if (elapsed.count() > 0) {
                last += elapsed;
                // After a long stall (a debugger, a suspended machine) catch up
                // by at most one second.
                AdvanceLocked(std::min<std::uint64_t>(std::uint64_t(elapsed.count()), 1000));
                continue;
            }
            m_wake.wait_until(lock, last + std::chrono::milliseconds(MsUntilNextBufferLocked()));
            continue;
        }
        wasActive = false;
        m_idle.notify_all();
        m_wake.wait(lock);
    }
}

} // namespace plat
