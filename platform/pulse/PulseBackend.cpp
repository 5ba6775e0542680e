#include "platform/pulse/PulseBackend.h"

#include "platform/pulse/PulseConnection.h"
#include "platform/pulse/PulseReport.h"
#include "platform/pulse/PulseStream.h"

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

private:
    std::shared_ptr<CPulseConnection> m_connection;
    CPulseElementAccess m_access;
};

// What the streams are named by in error texts.
constexpr const char* kOutName = "default sink";
constexpr const char* kInName = "default source";

} // namespace

CPulseBackend::CPulseBackend(std::shared_ptr<CPulseConnection> connection)
    : m_connection(std::move(connection)), m_choice(ChoosePulseDevices(m_connection->Lists())) {}

std::vector<PulseMixerMap> CPulseBackend::Mixers() {
    return MapChosenPulseMixers(m_connection->Lists(), m_choice);
}

bool CPulseBackend::ChosenDevices(std::string& microphone, std::string& speakers) {
    microphone = m_choice.microphone;
    speakers = m_choice.speakers;
    return true;
}

std::vector<std::string> CPulseBackend::DescribeDevices() {
    std::vector<std::string> lines =
        DescribePulseServer(m_connection->ServerName(), m_connection->Lists());
    lines.push_back("Chosen: microphone " +
                    (m_choice.source.empty() ? std::string("none") : m_choice.source) +
                    ", speakers " + (m_choice.sink.empty() ? std::string("none") : m_choice.sink));
    return lines;
}

CPulseBackend::~CPulseBackend() {
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
    if (!device)
        return {};
    return {{input ? kInName : kOutName, device->description}};
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

std::shared_ptr<SoundBackend> OpenPulseBackend(std::string& error) {
    std::shared_ptr<CPulseConnection> connection = CPulseConnection::Connect(error);
    if (!connection)
        return nullptr;
    return std::make_shared<CPulseBackend>(std::move(connection));
}

} // namespace plat
