#include "platform/pulse/PulseBackend.h"

#include "platform/pulse/PulseConnection.h"
#include "platform/pulse/PulseLevel.h"
#include "platform/pulse/PulseReport.h"
#include "platform/pulse/PulseStream.h"

#include <algorithm>
#include <cerrno>

namespace plat {

namespace {

// The element access of one mixer, keeping the connection it writes to.
class CKeptElementAccess : public CElementAccess {
public:
    CKeptElementAccess(std::shared_ptr<CPulseConnection> connection,
                       std::vector<PulseElement> elements)
        : m_connection(std::move(connection)), m_access(std::move(elements), *m_connection) {}

    int Get(std::size_t element, ElementValue what, long& value) override {
        return m_access.Get(element, what, value);
    }
    int Set(std::size_t element, ElementValue what, long value) override {
        return m_access.Set(element, what, value);
    }
    // The server's software volume is cubic: a volume v of PA_VOLUME_NORM
    // gives 60 log10(v) dB, whatever the device's own hardware does below.
    bool VolumeCurveOf(std::size_t, ElementValue, const RawRange&, VolumeCurve& curve) override {
        curve = VolumeCurve{};
        curve.exponent = 3;
        return true;
    }

private:
    std::shared_ptr<CPulseConnection> m_connection;
    CPulseElementAccess m_access;
};

// What the streams are named by in error texts.
constexpr const char* kOutName = "default sink";
constexpr const char* kInName = "default source";

} // namespace

CPulseBackend::CPulseBackend(std::shared_ptr<CPulseConnection> connection)
    : m_connection(std::move(connection)), m_choice(ChoosePulseDevices(m_connection->Lists())) {
    m_connection->OnChange([this] { DevicesChanged(); });
}

DeviceFormFactor PulseFormFactor(const PulseDevice& device) {
    const std::string& form = device.formFactor;
    if (form == "headset" || form == "headphone" || form == "hands-free" || form == "handset")
        return DeviceFormFactor::Headset;
    if (device.bus == "bluetooth")
        return DeviceFormFactor::Bluetooth;
    if (device.bus == "usb")
        return DeviceFormFactor::Usb;
    auto hdmi = [](const std::string& name) {
        return name.find("hdmi") != std::string::npos || name.find("HDMI") != std::string::npos ||
               name.find("iec958") != std::string::npos;
    };
    if (form == "tv" || hdmi(device.name) ||
        std::any_of(device.ports.begin(), device.ports.end(),
                    [&](const PulsePort& p) { return hdmi(p.name); }))
        return DeviceFormFactor::Hdmi;
    if (form == "internal" || form == "speaker" || form == "microphone" || device.bus == "pci")
        return DeviceFormFactor::BuiltIn;
    return DeviceFormFactor::Unknown;
}

bool PulseHandsFree(const PulseDevice& device) {
    // "headset_head_unit", "handsfree_head_unit", "headset-head-unit-msbc":
    // the profiles that carry a microphone; A2DP's carry none.
    const std::string& p = device.bluetoothProfile;
    return p.find("head_unit") != std::string::npos || p.find("head-unit") != std::string::npos;
}

std::vector<SoundDevice> CPulseBackend::ListDevices() {
    const PulseLists lists = m_connection->Lists();
    std::vector<SoundDevice> devices;
    for (bool input : {false, true})
        for (const PulseDevice& p : input ? lists.sources : lists.sinks) {
            SoundDevice d;
            d.id = p.name;
            d.description = p.description;
            d.direction = input ? DeviceDirection::Input : DeviceDirection::Output;
            d.formFactor = PulseFormFactor(p);
            d.monitor = p.monitor;
            d.rate = p.rate;
            d.handsFree = PulseHandsFree(p);
            for (const PulsePort& port : p.ports)
                d.ports.push_back(
                    {port.name, port.description, port.available, port.name == p.activePort});
            d.isDefault = p.name == (input ? lists.defaultSource : lists.defaultSink);
            d.hasVolume = true;
            // 0x10000 is 100 %; louder shows as the top of the scale.
            d.volume = static_cast<DWORD>(std::clamp(p.volume, 0L, 0x10000L) * 0xFFFF / 0x10000);
            d.mute = p.mute;
            devices.push_back(std::move(d));
        }
    return devices;
}

bool CPulseBackend::ChooseDevice(DeviceDirection direction, const std::string& id,
                                 std::string& error) {
    const bool input = direction == DeviceDirection::Input;
    const PulseLists lists = m_connection->Lists();
    if (!(input ? lists.FindSource(id) : lists.FindSink(id))) {
        error = std::string("the sound server has no ") + (input ? "source" : "sink") + " \"" + id +
                "\"";
        return false;
    }
    const int result = m_connection->SetDefault(input, id);
    if (result != 0) {
        error = "the sound server did not make \"" + id + "\" its default " +
                (input ? "source" : "sink") + " (" + PulseErrorWords(result) + ")";
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(m_choiceMutex);
        m_choice = ChoosePulseDevice(lists, m_choice, input, id);
    }
    return true;
}

PulseChoice CPulseBackend::Choice(const PulseLists& lists) {
    std::lock_guard<std::mutex> lock(m_choiceMutex);
    // A server gone away lists nothing: the choice waits for it to answer.
    if (m_connection->Connected())
        m_choice = FollowPulseChoice(lists, m_choice);
    return m_choice;
}

std::vector<PulseMixerMap> CPulseBackend::Mixers() {
    const PulseLists lists = m_connection->Lists();
    return MapChosenPulseMixers(lists, Choice(lists));
}

bool CPulseBackend::ChosenDevices(std::string& microphone, std::string& speakers) {
    const PulseChoice choice = Choice(m_connection->Lists());
    microphone = choice.microphone;
    speakers = choice.speakers;
    return true;
}

std::vector<std::string> CPulseBackend::DescribeDevices() {
    const PulseLists lists = m_connection->Lists();
    const PulseChoice choice = Choice(lists);
    std::vector<std::string> lines = DescribePulseServer(m_connection->ServerName(), lists);
    lines.push_back("Chosen: microphone " +
                    (choice.source.empty() ? std::string("none") : choice.source) + ", speakers " +
                    (choice.sink.empty() ? std::string("none") : choice.sink));
    return lines;
}

std::string CPulseBackend::LastMixerWriteFailure() {
    return m_connection->LastWriteFailure();
}

bool CPulseBackend::SoundSystemGone() {
    return !m_connection->Connected();
}

CPulseBackend::~CPulseBackend() {
    m_connection->OnChange(nullptr); // the streams may keep the connection
    CloseAll();
}

std::size_t CPulseBackend::MixerCount() {
    return Mixers().size();
}

std::string CPulseBackend::MixerName(std::size_t index) {
    const std::vector<PulseMixerMap> mixers = Mixers();
    return index < mixers.size() ? mixers[index].name : "sound server";
}

std::shared_ptr<CModelMixer> CPulseBackend::OpenMixer(std::size_t index, int& error) {
    if (!m_connection->Connected()) {
        error = -ECONNRESET;
        return nullptr;
    }
    std::vector<PulseMixerMap> mixers = Mixers();
    if (index >= mixers.size()) {
        error = -ENODEV;
        return nullptr;
    }
    PulseMixerMap& m = mixers[index];
    return std::make_shared<CModelMixer>(
        m.name, std::move(m.model),
        std::make_unique<CKeptElementAccess>(m_connection, std::move(m.elements)));
}

std::vector<WaveEndpoint> CPulseBackend::Endpoints(bool input) {
    const PulseLists lists = m_connection->Lists();
    const PulseDevice* device =
        input ? lists.FindSource(lists.defaultSource) : lists.FindSink(lists.defaultSink);
    std::lock_guard<std::mutex> lock(m_endpointMutex);
    std::string& shown = m_endpoint[input ? 1 : 0];
    // While the server is gone its defaults stay, so that a stream asked for
    // then is refused in the server's words, not as a missing device.
    if (device)
        shown = device->description;
    else if (m_connection->Connected())
        shown.clear();
    if (shown.empty())
        return {};
    return {{input ? kInName : kOutName, shown}};
}

int CPulseBackend::QueryFormat(const WaveEndpoint&, bool, const WAVEFORMATEX& format) {
    return QueryPulseFormat(*m_connection, format);
}

int CPulseBackend::OpenChannel(const WaveEndpoint&, bool input, const WAVEFORMATEX& format,
                               std::unique_ptr<CPcmChannel>& channel) {
    return OpenPulseStream(m_connection, input, format, channel);
}

std::string CPulseBackend::ErrorWords(int error) {
    return PulseErrorWords(error);
}

std::shared_ptr<SoundBackend> OpenPulseBackend(std::string& error, bool* unanswered) {
    std::shared_ptr<CPulseConnection> connection = CPulseConnection::Connect(error, unanswered);
    if (!connection)
        return nullptr;
    return std::make_shared<CPulseBackend>(std::move(connection));
}

std::unique_ptr<InputLevelWatch> CPulseBackend::WatchInputLevel(const std::string& id,
                                                                InputLevelListener listener) {
    return WatchPulseLevel(m_connection, id, std::move(listener));
}

} // namespace plat
