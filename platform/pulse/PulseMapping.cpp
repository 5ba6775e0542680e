// The mapping of the server's lists onto mixer devices, lines and controls.
#include "platform/pulse/PulseMapping.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace plat {

namespace {

std::string Truncated(const std::string& text, std::size_t chars) {
    return text.size() < chars ? text : text.substr(0, chars - 1);
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool Contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

ModelLine Line(const std::string& name, DWORD componentType, DWORD targetType, unsigned channels) {
    ModelLine line;
    line.name = Truncated(name, MIXER_LONG_NAME_CHARS);
    line.shortName = Truncated(name, MIXER_SHORT_NAME_CHARS);
    line.componentType = componentType;
    line.targetType = targetType;
    line.channels = std::max(1u, channels);
    return line;
}

class CMixerBuilder {
public:
    explicit CMixerBuilder(PulseMixerMap& map) : m_map(map) {}

    void AddSink(const PulseDevice& sink) {
        const std::size_t e = Element({PulseTarget::Sink, sink.name, {}, false, ""});
        ModelLine dest = Line(sink.description, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS,
                              MIXERLINE_TARGETTYPE_WAVEOUT, sink.channels);
        dest.controls.push_back(Volume(e, sink, "volume", false));
        dest.controls.push_back(Mute(e, sink, "mute", false));
        // What the program plays goes through the sink's own volume.
        ModelLine wave = Line("Wave", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT,
                              MIXERLINE_TARGETTYPE_WAVEOUT, sink.channels);
        wave.controls.push_back(Volume(e, sink, "wave volume", false));
        dest.sources.push_back(std::move(wave));
        m_map.model.destinations.push_back(std::move(dest));
    }

    void AddSource(const PulseDevice& source) {
        const std::size_t e = Element({PulseTarget::Source, source.name, {}, false, ""});
        ModelLine dest = Line(source.description, MIXERLINE_COMPONENTTYPE_DST_WAVEIN,
                              MIXERLINE_TARGETTYPE_WAVEIN, source.channels);
        dest.controls.push_back(Volume(e, source, "volume", true));
        dest.controls.push_back(Mute(e, source, "mute", true));

        ModelControl mux = List(e, source.name, "port", "Input Source");
        if (source.ports.empty()) {
            // A source of one input (a null source, a webcam): itself.
            dest.sources.push_back(Line(source.description, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE,
                                        MIXERLINE_TARGETTYPE_WAVEIN, source.channels));
            mux.items.push_back(dest.sources.back().name);
        } else {
            for (const PulsePort& port : source.ports) {
                dest.sources.push_back(Line(port.description, PulsePortComponentType(port),
                                            MIXERLINE_TARGETTYPE_WAVEIN, source.channels));
                mux.items.push_back(dest.sources.back().name);
            }
        }
        dest.controls.push_back(std::move(mux));
        m_map.model.destinations.push_back(std::move(dest));
    }

    void AddDefaults(const PulseLists& lists) {
        ModelLine dest = Line("Default Devices", MIXERLINE_COMPONENTTYPE_DST_UNDEFINED,
                              MIXERLINE_TARGETTYPE_UNDEFINED, 1);
        PulseElement sinks{PulseTarget::DefaultSink, "", {}, false, ""};
        std::vector<std::string> sinkItems;
        for (const PulseDevice& s : lists.sinks) {
            sinks.choices.push_back(s.name);
            sinkItems.push_back(s.description);
        }
        PulseElement sources{PulseTarget::DefaultSource, "", {}, false, ""};
        std::vector<std::string> sourceItems;
        for (const PulseDevice& s : lists.sources) {
            sources.choices.push_back(s.name);
            sourceItems.push_back(s.description);
        }
        const bool anySink = !sinkItems.empty(), anySource = !sourceItems.empty();
        if (anySink) {
            ModelControl c = List(Element(std::move(sinks)), "@default", "sink", "Default Output");
            c.items = std::move(sinkItems);
            dest.controls.push_back(std::move(c));
        }
        if (anySource) {
            ModelControl c =
                List(Element(std::move(sources)), "@default", "source", "Default Input");
            c.items = std::move(sourceItems);
            dest.controls.push_back(std::move(c));
        }
        if (!dest.controls.empty())
            m_map.model.destinations.push_back(std::move(dest));
    }

    void Finish() {
        MixerModel& model = m_map.model;
        for (DWORD d = 0; d < model.destinations.size(); ++d) {
            ModelLine& dest = model.destinations[d];
            dest.id = 0xFFFF0000u | d;
            for (DWORD s = 0; s < dest.sources.size(); ++s)
                dest.sources[s].id = (s << 16) | d;
            for (ModelControl& c : dest.controls) {
                for (std::string& item : c.items)
                    item = Truncated(item, MIXER_LONG_NAME_CHARS);
                const bool ports = c.type == MIXERCONTROL_CONTROLTYPE_MUX &&
                                   m_map.elements[c.element].target == PulseTarget::Source;
                for (std::size_t i = 0; i < c.items.size(); ++i) {
                    const bool line = ports && i < dest.sources.size();
                    c.itemLines.push_back(line ? dest.sources[i].id : 0);
                    c.itemTypes.push_back(line ? dest.sources[i].componentType
                                               : MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED);
                }
            }
        }
    }

private:
    std::size_t Element(PulseElement element) {
        m_map.elements.push_back(std::move(element));
        return m_map.elements.size() - 1;
    }

    DWORD UniqueId(const std::string& device, const char* job) {
        DWORD id = PulseControlId(device, job);
        while (!m_ids.insert(id).second)
            id = (id % 0x7FFFFFFFu) + 1; // the next free one, never 0
        return id;
    }

    ModelControl Volume(std::size_t e, const PulseDevice& d, const char* job, bool capture) {
        ModelControl c;
        c.id = UniqueId(d.name, job);
        c.type = MIXERCONTROL_CONTROLTYPE_VOLUME;
        c.binding = capture ? ControlBinding::CaptureVolume : ControlBinding::PlaybackVolume;
        c.element = e;
        c.range = {0, kPulseVolumeNorm};
        c.name = Truncated(d.description + " Volume", MIXER_LONG_NAME_CHARS);
        c.shortName = "Volume";
        return c;
    }

    ModelControl Mute(std::size_t e, const PulseDevice& d, const char* job, bool capture) {
        ModelControl c;
        c.id = UniqueId(d.name, job);
        c.type = MIXERCONTROL_CONTROLTYPE_MUTE;
        c.binding = capture ? ControlBinding::CaptureMute : ControlBinding::PlaybackMute;
        c.element = e;
        c.name = Truncated(d.description + " Mute", MIXER_LONG_NAME_CHARS);
        c.shortName = "Mute";
        return c;
    }

    ModelControl List(std::size_t e, const std::string& device, const char* job, const char* name) {
        ModelControl c;
        c.id = UniqueId(device, job);
        c.type = MIXERCONTROL_CONTROLTYPE_MUX;
        c.flags = MIXERCONTROL_CONTROLF_MULTIPLE | MIXERCONTROL_CONTROLF_UNIFORM;
        c.binding = ControlBinding::EnumList;
        c.element = e;
        c.name = name;
        c.shortName = Truncated(name, MIXER_SHORT_NAME_CHARS);
        return c;
    }

    PulseMixerMap& m_map;
    std::set<DWORD> m_ids;
};

template <class T> std::vector<const T*> SortedByName(const std::vector<T>& list) {
    std::vector<const T*> out;
    for (const T& x : list)
        out.push_back(&x);
    std::sort(out.begin(), out.end(), [](const T* a, const T* b) { return a->name < b->name; });
    return out;
}

// Moves the device named `name` to the front, the others keeping their order.
void PutFirst(std::vector<const PulseDevice*>& devices, const std::string& name) {
    std::stable_partition(devices.begin(), devices.end(),
                          [&](const PulseDevice* d) { return d->name == name; });
}

} // namespace

DWORD PulseControlId(const std::string& device, const char* job) {
    // FNV-1a over "device/job".
    std::uint32_t h = 2166136261u;
    auto mix = [&](unsigned char c) {
        h ^= c;
        h *= 16777619u;
    };
    for (char c : device)
        mix(static_cast<unsigned char>(c));
    mix('/');
    for (const char* p = job; *p; ++p)
        mix(static_cast<unsigned char>(*p));
    const DWORD id = h & 0x7FFFFFFFu;
    return id == 0 ? 1 : id;
}

DWORD PulsePortComponentType(const PulsePort& port) {
    const std::string text = Lower(port.name + " " + port.description);
    if (Contains(text, "mic"))
        return MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
    if (Contains(text, "line"))
        return MIXERLINE_COMPONENTTYPE_SRC_LINE;
    return MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED;
}

std::vector<PulseMixerMap> MapPulseMixers(const PulseLists& lists, const std::string& firstSink,
                                          const std::string& firstSource) {
    auto sinks = SortedByName(lists.sinks);
    std::vector<const PulseDevice*> sources;
    for (const PulseDevice* s : SortedByName(lists.sources))
        if (!s->monitor)
            sources.push_back(s);
    PutFirst(sinks, firstSink);
    PutFirst(sources, firstSource);

    std::vector<PulseMixerMap> mixers;
    auto build = [&](const std::string& name, const std::string& card, bool cardless) {
        PulseMixerMap map;
        map.name = Truncated(name, MAXPNAMELEN);
        map.card = card;
        CMixerBuilder builder(map);
        auto ours = [&](const PulseDevice* d) {
            return cardless ? !lists.FindCard(d->card) : d->card == card;
        };
        for (const PulseDevice* s : sinks)
            if (ours(s))
                builder.AddSink(*s);
        for (const PulseDevice* s : sources)
            if (ours(s))
                builder.AddSource(*s);
        builder.Finish();
        if (!map.model.destinations.empty())
            mixers.push_back(std::move(map));
    };
    for (const PulseCard* card : SortedByName(lists.cards))
        build(card->description.empty() ? card->name : card->description, card->name, false);
    build(kPulseOtherDevices, "", true);

    PulseMixerMap defaults;
    defaults.name = kPulseDefaults;
    CMixerBuilder builder(defaults);
    builder.AddDefaults(lists);
    builder.Finish();
    if (!defaults.model.destinations.empty())
        mixers.push_back(std::move(defaults));
    return mixers;
}

} // namespace plat
