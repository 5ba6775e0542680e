#include "platform/alsa/AlsaMixerCard.h"

#include <alsa/asoundlib.h>

namespace plat {

namespace {

// Owns the opened simple mixer and the elements in mapping order.
class CAlsaElementAccess : public CElementAccess {
public:
    CAlsaElementAccess(snd_mixer_t* mixer, std::vector<snd_mixer_elem_t*> elems)
        : m_mixer(mixer), m_elems(std::move(elems)) {}
    ~CAlsaElementAccess() override { snd_mixer_close(m_mixer); }
    CAlsaElementAccess(const CAlsaElementAccess&) = delete;
    CAlsaElementAccess& operator=(const CAlsaElementAccess&) = delete;

    int Get(std::size_t element, ElementValue what, long& value) override {
        if (element >= m_elems.size())
            return -EINVAL;
        // Take in the changes others made since the mixer was opened.
        snd_mixer_handle_events(m_mixer);
        snd_mixer_elem_t* e = m_elems[element];
        const auto ch = SND_MIXER_SCHN_FRONT_LEFT;
        int val = 0;
        unsigned item = 0;
        int err = 0;
        switch (what) {
        case ElementValue::PlaybackVolume:
            return snd_mixer_selem_get_playback_volume(e, ch, &value);
        case ElementValue::CaptureVolume:
            return snd_mixer_selem_get_capture_volume(e, ch, &value);
        case ElementValue::PlaybackSwitch:
            err = snd_mixer_selem_get_playback_switch(e, ch, &val);
            break;
        case ElementValue::CaptureSwitch:
            err = snd_mixer_selem_get_capture_switch(e, ch, &val);
            break;
        case ElementValue::EnumItem:
            err = snd_mixer_selem_get_enum_item(e, ch, &item);
            val = static_cast<int>(item);
            break;
        }
        value = val;
        return err < 0 ? err : 0;
    }

    int Set(std::size_t element, ElementValue what, long value) override {
        if (element >= m_elems.size())
            return -EINVAL;
        snd_mixer_elem_t* e = m_elems[element];
        int err = 0;
        switch (what) {
        case ElementValue::PlaybackVolume:
            err = snd_mixer_selem_set_playback_volume_all(e, value);
            break;
        case ElementValue::CaptureVolume:
            err = snd_mixer_selem_set_capture_volume_all(e, value);
            break;
        case ElementValue::PlaybackSwitch:
            err = snd_mixer_selem_set_playback_switch_all(e, value ? 1 : 0);
            break;
        case ElementValue::CaptureSwitch:
            err = snd_mixer_selem_set_capture_switch_all(e, value ? 1 : 0);
            break;
        case ElementValue::EnumItem:
            for (int ch = 0; ch <= SND_MIXER_SCHN_LAST && err >= 0; ++ch) {
                const auto channel = static_cast<snd_mixer_selem_channel_id_t>(ch);
                if (ch == 0 || snd_mixer_selem_has_playback_channel(e, channel) ||
                    snd_mixer_selem_has_capture_channel(e, channel))
                    err = snd_mixer_selem_set_enum_item(e, channel, static_cast<unsigned>(value));
            }
            if (err == -EINVAL) // channels beyond the element's own
                err = 0;
            break;
        }
        return err < 0 ? err : 0;
    }

    // The element's dB ranges, where its driver tells them.
    bool VolumeCurveOf(std::size_t element, ElementValue what, const RawRange& range,
                       VolumeCurve& curve) override {
        if (element >= m_elems.size() ||
            (what != ElementValue::PlaybackVolume && what != ElementValue::CaptureVolume))
            return false;
        snd_mixer_elem_t* e = m_elems[element];
        const bool capture = what == ElementValue::CaptureVolume;
        return TableCurve(
            range.min, range.max,
            [&](long raw, double& db) {
                long centiDb = 0;
                const int err = capture ? snd_mixer_selem_ask_capture_vol_dB(e, raw, &centiDb)
                                        : snd_mixer_selem_ask_playback_vol_dB(e, raw, &centiDb);
                db = centiDb / 100.0;
                return err >= 0;
            },
            curve);
    }

private:
    snd_mixer_t* m_mixer;
    std::vector<snd_mixer_elem_t*> m_elems;
};

unsigned CountChannels(snd_mixer_elem_t* e, bool capture) {
    unsigned n = 0;
    for (int ch = 0; ch <= SND_MIXER_SCHN_LAST; ++ch) {
        const auto channel = static_cast<snd_mixer_selem_channel_id_t>(ch);
        if (capture ? snd_mixer_selem_has_capture_channel(e, channel)
                    : snd_mixer_selem_has_playback_channel(e, channel))
            ++n;
    }
    return n;
}

AlsaElement Describe(snd_mixer_elem_t* e) {
    AlsaElement d;
    d.name = snd_mixer_selem_get_name(e);
    d.index = snd_mixer_selem_get_index(e);
    d.commonVolume = snd_mixer_selem_has_common_volume(e);
    if (!d.commonVolume) {
        d.playbackVolume = snd_mixer_selem_has_playback_volume(e);
        d.captureVolume = snd_mixer_selem_has_capture_volume(e);
    }
    if (d.playbackVolume)
        snd_mixer_selem_get_playback_volume_range(e, &d.playbackRange.min, &d.playbackRange.max);
    if (d.captureVolume)
        snd_mixer_selem_get_capture_volume_range(e, &d.captureRange.min, &d.captureRange.max);
    d.playbackSwitch =
        snd_mixer_selem_has_playback_switch(e) && !snd_mixer_selem_has_common_switch(e);
    d.captureSwitch =
        snd_mixer_selem_has_capture_switch(e) && !snd_mixer_selem_has_common_switch(e);
    d.captureSwitchExclusive = d.captureSwitch && snd_mixer_selem_has_capture_switch_exclusive(e);
    d.playbackChannels = CountChannels(e, false);
    d.captureChannels = CountChannels(e, true);
    if (snd_mixer_selem_is_enumerated(e)) {
        const int count = snd_mixer_selem_get_enum_items(e);
        for (int i = 0; i < count; ++i) {
            char name[128] = {};
            if (snd_mixer_selem_get_enum_item_name(e, static_cast<unsigned>(i), sizeof name - 1,
                                                   name) < 0)
                break;
            d.enumItems.emplace_back(name);
        }
        d.enumCapture = snd_mixer_selem_is_enum_capture(e);
    }
    return d;
}

std::string CardName(const std::string& ctlName) {
    snd_ctl_t* ctl = nullptr;
    std::string name = ctlName;
    if (snd_ctl_open(&ctl, ctlName.c_str(), SND_CTL_NONBLOCK) < 0)
        return name;
    snd_ctl_card_info_t* info = nullptr;
    snd_ctl_card_info_alloca(&info);
    if (snd_ctl_card_info(ctl, info) >= 0 && *snd_ctl_card_info_get_name(info))
        name = snd_ctl_card_info_get_name(info);
    snd_ctl_close(ctl);
    return name;
}

} // namespace

std::vector<AlsaMixerEndpoint> EnumerateAlsaMixers() {
    std::vector<AlsaMixerEndpoint> mixers;
    int card = -1;
    while (snd_card_next(&card) >= 0 && card >= 0) {
        const std::string ctl = "hw:" + std::to_string(card);
        mixers.push_back({ctl, CardName(ctl)});
    }
    snd_ctl_t* ctl = nullptr;
    if (snd_ctl_open(&ctl, "default", SND_CTL_NONBLOCK) >= 0) {
        const bool plugin = snd_ctl_type(ctl) != SND_CTL_TYPE_HW;
        snd_ctl_close(ctl);
        if (plugin)
            mixers.push_back({"default", CardName("default")});
    }
    return mixers;
}

std::unique_ptr<CModelMixer> OpenAlsaMixer(const AlsaMixerEndpoint& endpoint, int& alsaError) {
    snd_mixer_t* mixer = nullptr;
    alsaError = snd_mixer_open(&mixer, 0);
    if (alsaError < 0)
        return nullptr;
    if ((alsaError = snd_mixer_attach(mixer, endpoint.ctlName.c_str())) < 0 ||
        (alsaError = snd_mixer_selem_register(mixer, nullptr, nullptr)) < 0 ||
        (alsaError = snd_mixer_load(mixer)) < 0) {
        snd_mixer_close(mixer);
        return nullptr;
    }
    std::vector<snd_mixer_elem_t*> elems;
    std::vector<AlsaElement> described;
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer); e; e = snd_mixer_elem_next(e)) {
        if (!snd_mixer_selem_is_active(e))
            continue;
        elems.push_back(e);
        described.push_back(Describe(e));
    }
    alsaError = 0;
    return std::make_unique<CModelMixer>(
        endpoint.displayName, BuildMixerModel(described),
        std::make_unique<CAlsaElementAccess>(mixer, std::move(elems)));
}

} // namespace plat
