#include "platform/pulse/PulseElementAccess.h"

#include <algorithm>
#include <cerrno>

namespace plat {

namespace {

bool IsSource(const PulseElement& e) {
    return e.target == PulseTarget::Source || e.target == PulseTarget::DefaultSource;
}

const PulseDevice* Device(const PulseLists& lists, const PulseElement& e) {
    return IsSource(e) ? lists.FindSource(e.device) : lists.FindSink(e.device);
}

// The index of the active port; a device without ports is its own one item.
long PortIndex(const PulseDevice& d) {
    for (std::size_t i = 0; i < d.ports.size(); ++i)
        if (d.ports[i].name == d.activePort)
            return static_cast<long>(i);
    return 0;
}

} // namespace

int CPulseElementAccess::Get(std::size_t element, ElementValue what, long& value) {
    if (element >= m_elements.size())
        return -EINVAL;
    const PulseElement& e = m_elements[element];
    const PulseLists lists = m_server.Lists();
    if (e.target == PulseTarget::DefaultSink || e.target == PulseTarget::DefaultSource) {
        const std::string& current =
            e.target == PulseTarget::DefaultSink ? lists.defaultSink : lists.defaultSource;
        auto it = std::find(e.choices.begin(), e.choices.end(), current);
        value = it == e.choices.end() ? 0 : static_cast<long>(it - e.choices.begin());
        return 0;
    }
    const PulseDevice* d = Device(lists, e);
    if (!d)
        return -ENODEV;
    switch (what) {
    case ElementValue::PlaybackVolume:
    case ElementValue::CaptureVolume:
        value = std::min(d->volume, kPulseVolumeNorm);
        return 0;
    case ElementValue::PlaybackSwitch:
    case ElementValue::CaptureSwitch:
        value = d->mute ? 0 : 1; // the switch is on when the device is heard
        return 0;
    case ElementValue::EnumItem:
        value = PortIndex(*d);
        return 0;
    }
    return -EINVAL;
}

// The server records from its default source and plays to its default
// sink: the wizard's microphone and speakers become those.
int CPulseElementAccess::MakeDefaults(const PulseElement& e) {
    if (int err = m_server.SetDefault(true, e.device))
        return err;
    return e.pairedSink.empty() ? 0 : m_server.SetDefault(false, e.pairedSink);
}

int CPulseElementAccess::Set(std::size_t element, ElementValue what, long value) {
    if (element >= m_elements.size())
        return -EINVAL;
    const PulseElement& e = m_elements[element];
    const bool source = IsSource(e);
    if (e.target == PulseTarget::DefaultSink || e.target == PulseTarget::DefaultSource) {
        if (value < 0 || static_cast<std::size_t>(value) >= e.choices.size())
            return -EINVAL;
        return m_server.SetDefault(source, e.choices[static_cast<std::size_t>(value)]);
    }
    switch (what) {
    case ElementValue::PlaybackVolume:
    case ElementValue::CaptureVolume:
        return m_server.SetVolume(source, e.device, std::clamp(value, 0L, kPulseVolumeNorm));
    case ElementValue::PlaybackSwitch:
    case ElementValue::CaptureSwitch:
        return m_server.SetMute(source, e.device, value == 0);
    case ElementValue::EnumItem: {
        const PulseLists lists = m_server.Lists();
        const PulseDevice* d = Device(lists, e);
        if (!d)
            return -ENODEV;
        bool microphone = false;
        if (d->ports.empty()) {
            if (value != 0)
                return -EINVAL;
            microphone = true; // a source of one input is its own microphone
        } else {
            if (value < 0 || static_cast<std::size_t>(value) >= d->ports.size())
                return -EINVAL;
            const PulsePort& port = d->ports[static_cast<std::size_t>(value)];
            // Sent even when the kept lists say it is active: they may not
            // have heard of a change made elsewhere yet.
            if (int err = m_server.SetPort(source, e.device, port.name))
                return err;
            microphone = PulsePortComponentType(port) == MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
        }
        return microphone && e.chosenInput ? MakeDefaults(e) : 0;
    }
    }
    return -EINVAL;
}

} // namespace plat
