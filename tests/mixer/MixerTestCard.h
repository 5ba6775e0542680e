// Purpose-made virtual cards for the mixer tests, and a trace recorder.
#pragma once

#include "platform/sound_backend.h"
#include "platform/system/trace.h"
#include "platform/virtual/VirtualCard.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace mixtest {

using namespace plat;

inline VirtualControl Control(DWORD type, std::vector<LONG> values = {0}, LONG min = 0,
                              LONG max = 65535) {
    VirtualControl c;
    c.type = type;
    c.shortName = "C";
    c.name = "Control";
    c.flags = MIXERCONTROL_CONTROLF_UNIFORM;
    c.minimum = min;
    c.maximum = max;
    c.values = std::move(values);
    return c;
}

inline VirtualControl Volume(LONG value, LONG min = 0, LONG max = 65535) {
    return Control(MIXERCONTROL_CONTROLTYPE_VOLUME, {value}, min, max);
}

inline VirtualControl Mute(bool muted) {
    return Control(MIXERCONTROL_CONTROLTYPE_MUTE, {muted ? 1 : 0}, 0, 1);
}

inline VirtualControl List(DWORD type, const std::vector<std::string>& items,
                           std::vector<LONG> values) {
    VirtualControl c = Control(type, std::move(values), 0, 1);
    c.flags = MIXERCONTROL_CONTROLF_UNIFORM | MIXERCONTROL_CONTROLF_MULTIPLE;
    for (const auto& name : items)
        c.items.push_back({name, 0, 0});
    return c;
}

inline VirtualLine Line(const std::string& name, DWORD type, std::vector<VirtualControl> controls,
                        std::vector<VirtualLine> sources = {}) {
    VirtualLine l;
    l.shortName = name.substr(0, 15);
    l.name = name;
    l.componentType = type;
    l.channels = 1;
    l.controls = std::move(controls);
    l.sources = std::move(sources);
    return l;
}

inline VirtualMixer Mixer(std::vector<VirtualLine> destinations, const std::string& name = "Mix") {
    VirtualMixer m;
    m.name = name;
    m.destinations = std::move(destinations);
    return m;
}

inline VirtualCardDesc Card(std::vector<VirtualMixer> mixers) {
    VirtualCardDesc d;
    d.mixers = std::move(mixers);
    return d;
}

inline std::shared_ptr<CVirtualCard> Install(VirtualCardDesc desc) {
    auto card = std::make_shared<CVirtualCard>(std::move(desc), CVirtualCard::Clock::Manual);
    InstallSoundBackend(card);
    return card;
}

// The first channel's values of a control, found by line and type.
inline std::vector<LONG> Values(const CVirtualCard& card, UINT mixer, DWORD lineType,
                                DWORD controlType, DWORD destType = 0xFFFFFFFF) {
    std::vector<LONG> v;
    DWORD id = card.FindControlId(mixer, lineType, controlType, destType);
    EXPECT_NE(id, 0u);
    card.GetControlValues(mixer, id, v);
    return v;
}

inline LONG Value(const CVirtualCard& card, UINT mixer, DWORD lineType, DWORD controlType,
                  DWORD destType = 0xFFFFFFFF) {
    auto v = Values(card, mixer, lineType, controlType, destType);
    return v.empty() ? -999 : v[0];
}

struct TraceLine {
    int severity;
    std::string module;
    std::string text;
};

// Records every trace line while it lives.
class TraceRecorder {
public:
    TraceRecorder() {
        SetTraceListener([this](int severity, const char* module, int, const char* text) {
            lines.push_back({severity, module, text});
        });
    }
    ~TraceRecorder() { SetTraceListener({}); }
    bool Has(int severity, const std::string& module, const std::string& text) const {
        for (const auto& l : lines)
            if (l.severity == severity && l.module == module && l.text == text)
                return true;
        return false;
    }
    // A line that starts with `text`: texts ending in a result code go on
    // with the device and the code's meaning.
    bool HasStartingWith(int severity, const std::string& module, const std::string& text) const {
        for (const auto& l : lines)
            if (l.severity == severity && l.module == module && l.text.starts_with(text))
                return true;
        return false;
    }
    std::vector<TraceLine> lines;
};

} // namespace mixtest
