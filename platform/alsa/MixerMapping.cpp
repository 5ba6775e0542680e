// The mapping of an ALSA card's elements onto mixer lines and controls
// (AlsaElement.h).
#include "platform/alsa/AlsaElement.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace plat {

namespace {

constexpr DWORD VOLUME_MAX = 0xFFFF;

std::string Truncated(const std::string& text, std::size_t chars) {
    return text.size() < chars ? text : text.substr(0, chars - 1);
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool UsableRange(const RawRange& range) {
    return range.max > range.min;
}

class CModelBuilder {
public:
    explicit CModelBuilder(const std::vector<AlsaElement>& elements) : m_elements(elements) {}

    MixerModel Build() {
        MixerModel model;
        if (auto speakers = Speakers())
            model.destinations.push_back(std::move(*speakers));
        if (auto waveIn = WaveIn())
            model.destinations.push_back(std::move(*waveIn));
        for (DWORD d = 0; d < model.destinations.size(); ++d) {
            ModelLine& dest = model.destinations[d];
            dest.id = 0xFFFF0000u | d;
            for (DWORD s = 0; s < dest.sources.size(); ++s)
                dest.sources[s].id = (s << 16) | d;
        }
        // Ids in walk order: each destination's controls, then its sources'.
        DWORD next = 1;
        for (ModelLine& dest : model.destinations) {
            for (ModelControl& c : dest.controls)
                c.id = next++;
            for (ModelLine& src : dest.sources)
                for (ModelControl& c : src.controls)
                    c.id = next++;
            // List items name source lines; their ids are known only now.
            for (ModelControl& c : dest.controls) {
                for (const std::string& item : c.items) {
                    auto it = std::find_if(dest.sources.begin(), dest.sources.end(),
                                           [&](const ModelLine& l) { return l.name == item; });
                    c.itemLines.push_back(it == dest.sources.end() ? 0 : it->id);
                    c.itemTypes.push_back(it == dest.sources.end()
                                              ? MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED
                                              : it->componentType);
                }
            }
        }
        return model;
    }

private:
    const std::vector<AlsaElement>& m_elements;

    const AlsaElement* Named(const std::string& name) const {
        for (const AlsaElement& e : m_elements)
            if (e.name == name && e.index == 0)
                return &e;
        return nullptr;
    }
    std::size_t IndexOf(const AlsaElement* e) const {
        return static_cast<std::size_t>(e - m_elements.data());
    }
    static std::string LineName(const AlsaElement& e) {
        return e.index == 0 ? e.name : e.name + " " + std::to_string(e.index);
    }

    static ModelLine Line(const std::string& name, DWORD componentType, unsigned channels) {
        ModelLine line;
        line.name = Truncated(name, MIXER_LONG_NAME_CHARS);
        line.shortName = Truncated(name, MIXER_SHORT_NAME_CHARS);
        line.componentType = componentType;
        line.channels = std::max(1u, channels);
        return line;
    }

    ModelControl Volume(const AlsaElement& e, bool capture) const {
        ModelControl c;
        c.type = MIXERCONTROL_CONTROLTYPE_VOLUME;
        c.binding = capture ? ControlBinding::CaptureVolume : ControlBinding::PlaybackVolume;
        c.element = IndexOf(&e);
        c.range = capture ? e.captureRange : e.playbackRange;
        c.name = Truncated(LineName(e) + " Volume", MIXER_LONG_NAME_CHARS);
        c.shortName = Truncated(LineName(e), MIXER_SHORT_NAME_CHARS);
        return c;
    }
    ModelControl Mute(const AlsaElement& e, bool capture) const {
        ModelControl c;
        c.type = MIXERCONTROL_CONTROLTYPE_MUTE;
        c.binding = capture ? ControlBinding::CaptureMute : ControlBinding::PlaybackMute;
        c.element = IndexOf(&e);
        c.name = Truncated(LineName(e) + " Mute", MIXER_LONG_NAME_CHARS);
        c.shortName = Truncated("Mute", MIXER_SHORT_NAME_CHARS);
        return c;
    }

    std::optional<ModelLine> Speakers() const {
        const AlsaElement* master = nullptr;
        for (const char* name : {"Master", "Headphone", "PCM"}) {
            const AlsaElement* e = Named(name);
            if (e && e->playbackVolume) {
                master = e;
                break;
            }
        }
        // Else the first output-like one ("Speaker"); never an input's
        // loop-back ("Mic" of a microphone that hears itself).
        if (!master)
            for (const AlsaElement& e : m_elements)
                if (e.playbackVolume &&
                    SourceComponentType(e.name) == MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED) {
                    master = &e;
                    break;
                }
        if (!master)
            return std::nullopt;

        ModelLine dest =
            Line(LineName(*master), MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, master->playbackChannels);
        dest.targetType = MIXERLINE_TARGETTYPE_WAVEOUT;
        if (UsableRange(master->playbackRange))
            dest.controls.push_back(Volume(*master, false));
        if (master->playbackSwitch)
            dest.controls.push_back(Mute(*master, false));

        for (const AlsaElement& e : m_elements) {
            if (&e == master || !e.playbackVolume || e.name == "Capture")
                continue;
            ModelLine src = Line(LineName(e), SourceComponentType(e.name), e.playbackChannels);
            if (src.componentType == MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT)
                src.targetType = MIXERLINE_TARGETTYPE_WAVEOUT;
            if (UsableRange(e.playbackRange))
                src.controls.push_back(Volume(e, false));
            if (e.playbackSwitch)
                src.controls.push_back(Mute(e, false));
            dest.sources.push_back(std::move(src));
        }
        return dest;
    }

    const AlsaElement* CaptureEnum() const {
        for (const char* name : {"Capture Source", "Input Source"}) {
            const AlsaElement* e = Named(name);
            if (e && !e->enumItems.empty())
                return e;
        }
        return nullptr;
    }

    std::optional<ModelLine> WaveIn() const {
        const AlsaElement* capture = Named("Capture");
        if (capture && !capture->captureVolume && !capture->captureSwitch)
            capture = nullptr;
        const AlsaElement* choice = CaptureEnum();

        ModelLine dest =
            Line(capture ? LineName(*capture) : "Capture", MIXERLINE_COMPONENTTYPE_DST_WAVEIN,
                 capture ? capture->captureChannels : 1);
        dest.targetType = MIXERLINE_TARGETTYPE_WAVEIN;
        if (capture && capture->captureVolume && UsableRange(capture->captureRange))
            dest.controls.push_back(Volume(*capture, true));
        if (capture && capture->captureSwitch)
            dest.controls.push_back(Mute(*capture, true));

        // Source lines: the enumeration's items first, then the elements
        // that record; an element named like an item lends it its volume.
        std::vector<const AlsaElement*> lineElement;
        if (choice)
            for (const std::string& item : choice->enumItems) {
                dest.sources.push_back(Line(item, SourceComponentType(item), 1));
                lineElement.push_back(nullptr);
            }
        for (const AlsaElement& e : m_elements) {
            if (&e == capture || &e == choice || !(e.captureVolume || e.captureSwitch))
                continue;
            auto it = std::find_if(dest.sources.begin(), dest.sources.end(),
                                   [&](const ModelLine& l) { return l.name == LineName(e); });
            if (it == dest.sources.end()) {
                dest.sources.push_back(
                    Line(LineName(e), SourceComponentType(e.name), e.captureChannels));
                lineElement.push_back(&e);
            } else {
                it->channels = std::max(1u, e.captureChannels);
                lineElement[static_cast<std::size_t>(it - dest.sources.begin())] = &e;
            }
        }
        if (!capture && dest.sources.empty())
            return std::nullopt;

        ModelControl list;
        list.flags = MIXERCONTROL_CONTROLF_MULTIPLE | MIXERCONTROL_CONTROLF_UNIFORM;
        list.shortName = "Input Source";
        list.name = choice ? Truncated(LineName(*choice), MIXER_LONG_NAME_CHARS) : "Capture Source";
        bool exclusive = false;
        for (std::size_t i = 0; i < dest.sources.size(); ++i) {
            const AlsaElement* e = lineElement[i];
            if (!e)
                continue;
            if (e->captureVolume && UsableRange(e->captureRange))
                dest.sources[i].controls.push_back(Volume(*e, true));
            if (!choice && e->captureSwitch) {
                list.items.push_back(dest.sources[i].name);
                list.itemElements.push_back(IndexOf(e));
                exclusive = exclusive || e->captureSwitchExclusive;
            }
        }
        if (choice) {
            list.type = MIXERCONTROL_CONTROLTYPE_MUX;
            list.binding = ControlBinding::EnumList;
            list.element = IndexOf(choice);
            list.items = choice->enumItems;
        } else {
            list.type = exclusive ? MIXERCONTROL_CONTROLTYPE_MUX : MIXERCONTROL_CONTROLTYPE_MIXER;
            list.binding = ControlBinding::SwitchList;
        }
        for (std::string& item : list.items)
            item = Truncated(item, MIXER_LONG_NAME_CHARS);
        if (!list.items.empty())
            dest.controls.push_back(std::move(list));
        return dest;
    }
};

} // namespace

MixerModel BuildMixerModel(const std::vector<AlsaElement>& elements) {
    return CModelBuilder(elements).Build();
}

DWORD SourceComponentType(const std::string& name) {
    if (name == "PCM")
        return MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
    if (name == "Mic" || EndsWith(name, " Mic"))
        return MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
    if (name == "Line")
        return MIXERLINE_COMPONENTTYPE_SRC_LINE;
    if (name == "CD")
        return MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC;
    if (name == "Synth")
        return MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER;
    if (name == "PC Speaker")
        return MIXERLINE_COMPONENTTYPE_SRC_PCSPEAKER;
    if (name == "Phone")
        return MIXERLINE_COMPONENTTYPE_SRC_TELEPHONE;
    return MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED;
}

} // namespace plat
