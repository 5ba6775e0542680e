#include "platform/device/MixerValues.h"

#include <algorithm>

namespace plat {

namespace {

ElementValue SwitchOf(ControlBinding binding) {
    return binding == ControlBinding::PlaybackMute ? ElementValue::PlaybackSwitch
                                                   : ElementValue::CaptureSwitch;
}

} // namespace

MMRESULT ReadControlValues(const ModelControl& c, CElementAccess& access,
                           std::vector<DWORD>& values, int& alsaError) {
    values.clear();
    alsaError = 0;
    long raw = 0;
    switch (c.binding) {
    case ControlBinding::PlaybackVolume:
    case ControlBinding::CaptureVolume:
        alsaError =
            access.Get(c.element,
                       c.binding == ControlBinding::PlaybackVolume ? ElementValue::PlaybackVolume
                                                                   : ElementValue::CaptureVolume,
                       raw);
        values.push_back(VolumeFromRaw(raw, c.range));
        break;
    case ControlBinding::PlaybackMute:
    case ControlBinding::CaptureMute:
        alsaError = access.Get(c.element, SwitchOf(c.binding), raw);
        values.push_back(raw ? 0 : 1);
        break;
    case ControlBinding::SwitchList:
        for (std::size_t element : c.itemElements) {
            alsaError = access.Get(element, ElementValue::CaptureSwitch, raw);
            if (alsaError < 0)
                break;
            values.push_back(raw ? 1 : 0);
        }
        break;
    case ControlBinding::EnumList:
        alsaError = access.Get(c.element, ElementValue::EnumItem, raw);
        for (DWORD i = 0; i < c.ItemCount(); ++i)
            values.push_back(static_cast<long>(i) == raw ? 1 : 0);
        break;
    }
    if (alsaError < 0) {
        values.clear();
        return MMSYSERR_ERROR;
    }
    return MMSYSERR_NOERROR;
}

MMRESULT WriteControlValues(const ModelControl& c, CElementAccess& access,
                            const std::vector<DWORD>& values, int& alsaError) {
    alsaError = 0;
    const std::size_t expected = c.items.empty() ? 1 : c.items.size();
    if (values.size() != expected)
        return MMSYSERR_INVALPARAM;
    switch (c.binding) {
    case ControlBinding::PlaybackVolume:
    case ControlBinding::CaptureVolume:
        if (values[0] > 0xFFFF)
            return MIXERR_INVALVALUE;
        alsaError =
            access.Set(c.element,
                       c.binding == ControlBinding::PlaybackVolume ? ElementValue::PlaybackVolume
                                                                   : ElementValue::CaptureVolume,
                       VolumeToRaw(values[0], c.range));
        break;
    case ControlBinding::PlaybackMute:
    case ControlBinding::CaptureMute:
        alsaError = access.Set(c.element, SwitchOf(c.binding), values[0] ? 0 : 1);
        break;
    case ControlBinding::SwitchList: {
        const auto selected =
            std::count_if(values.begin(), values.end(), [](DWORD v) { return v != 0; });
        if (c.type == MIXERCONTROL_CONTROLTYPE_MUX && selected > 1)
            return MIXERR_INVALVALUE;
        // Switches go off before the chosen one goes on, so an exclusive
        // capture group never sees two sources at once.
        for (int pass = 0; pass < 2 && alsaError >= 0; ++pass)
            for (std::size_t i = 0; i < values.size() && alsaError >= 0; ++i)
                if ((values[i] != 0) == (pass == 1))
                    alsaError = access.Set(c.itemElements[i], ElementValue::CaptureSwitch, pass);
        break;
    }
    case ControlBinding::EnumList: {
        if (std::count_if(values.begin(), values.end(), [](DWORD v) { return v != 0; }) != 1)
            return MIXERR_INVALVALUE;
        const auto chosen =
            std::find_if(values.begin(), values.end(), [](DWORD v) { return v != 0; });
        alsaError = access.Set(c.element, ElementValue::EnumItem, chosen - values.begin());
        break;
    }
    }
    return alsaError < 0 ? MMSYSERR_ERROR : MMSYSERR_NOERROR;
}

} // namespace plat
