// The mixer calls of the virtual card.
#include "platform/fixed_name.h"
#include "platform/virtual/Stream.h"
#include "platform/virtual/VirtualCard.h"

#include <algorithm>
#include <cstring>

namespace plat {

namespace {

bool IsList(const VirtualControl& c) {
    return (c.type & MIXERCONTROL_CT_CLASS_MASK) == MIXERCONTROL_CT_CLASS_LIST;
}
bool IsSingleSelect(const VirtualControl& c) {
    return (c.type & 0xFF000000u) == (MIXERCONTROL_CONTROLTYPE_SINGLESELECT & 0xFF000000u);
}
bool IsBoolean(const VirtualControl& c) {
    return (c.type & MIXERCONTROL_CT_UNITS_MASK) == MIXERCONTROL_CT_UNITS_BOOLEAN;
}
bool IsSigned(const VirtualControl& c) {
    const DWORD units = c.type & MIXERCONTROL_CT_UNITS_MASK;
    return units == MIXERCONTROL_CT_UNITS_SIGNED || units == MIXERCONTROL_CT_UNITS_DECIBELS;
}
bool InBounds(const VirtualControl& c, LONG v) {
    if (IsSigned(c))
        return v >= c.minimum && v <= c.maximum;
    return DWORD(v) >= DWORD(c.minimum) && DWORD(v) <= DWORD(c.maximum);
}
double Fraction(const VirtualControl& c, std::size_t index) {
    const double span = double(DWORD(c.maximum)) - double(DWORD(c.minimum));
    if (span <= 0 || index >= c.values.size())
        return 1;
    return (double(DWORD(c.values[index])) - double(DWORD(c.minimum))) / span;
}

} // namespace

UINT CVirtualCard::mixerGetNumDevs() {
    std::lock_guard<std::mutex> lock(m_mutex);
    CountLocked("mixerGetNumDevs");
    return UINT(m_desc.mixers.size());
}

MMRESULT CVirtualCard::MixerIndexLocked(HMIXEROBJ obj, DWORD flags, UINT& index) const {
    const auto value = reinterpret_cast<std::uintptr_t>(obj);
    auto viaStream = [&](bool input) -> MMRESULT {
        for (const auto& [handle, stream] : m_streams)
            if (handle == value && stream->input == input) {
                index = 0;
                return m_desc.mixers.empty() ? MMSYSERR_NODRIVER : MMSYSERR_NOERROR;
            }
        return MMSYSERR_INVALHANDLE;
    };
    switch (flags & MIXER_OBJECTF_TYPEMASK) {
    case MIXER_OBJECTF_MIXER:
    case MIXER_OBJECTF_HMIXER: {
        // An open handle or a mixer index, whichever flag came with it:
        // callers pass open handles without the handle flag.
        auto it = m_mixerHandles.find(value);
        if (it != m_mixerHandles.end()) {
            index = it->second;
            return MMSYSERR_NOERROR;
        }
        if (value >= m_desc.mixers.size())
            return (flags & MIXER_OBJECTF_HANDLE) ? MMSYSERR_INVALHANDLE : MMSYSERR_BADDEVICEID;
        index = UINT(value);
        return MMSYSERR_NOERROR;
    }
    case MIXER_OBJECTF_WAVEOUT:
    case MIXER_OBJECTF_WAVEIN: {
        const bool input = (flags & MIXER_OBJECTF_TYPEMASK) == MIXER_OBJECTF_WAVEIN;
        if (value >= (input ? m_desc.waveIn : m_desc.waveOut).size())
            return MMSYSERR_BADDEVICEID;
        if (m_desc.mixers.empty())
            return MMSYSERR_NODRIVER;
        index = 0;
        return MMSYSERR_NOERROR;
    }
    case MIXER_OBJECTF_HWAVEOUT:
        return viaStream(false);
    case MIXER_OBJECTF_HWAVEIN:
        return viaStream(true);
    default:
        return MMSYSERR_INVALFLAG;
    }
}

MMRESULT CVirtualCard::mixerOpen(LPHMIXER phmx, UINT uMxId, DWORD_PTR /*dwCallback*/,
                                 DWORD_PTR /*dwInstance*/, DWORD fdwOpen) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (MMRESULT r = InjectedLocked("mixerOpen", long(uMxId)))
        return r;
    if (phmx == nullptr)
        return MMSYSERR_INVALPARAM;
    const DWORD callback = fdwOpen & CALLBACK_TYPEMASK;
    if (callback != CALLBACK_NULL && callback != CALLBACK_WINDOW)
        return MMSYSERR_INVALFLAG; // a mixer sends no messages but to a window
    UINT index = 0;
    const DWORD object = fdwOpen & MIXER_OBJECTF_TYPEMASK;
    if (object == MIXER_OBJECTF_HMIXER)
        return MMSYSERR_INVALFLAG;
    if (MMRESULT r =
            MixerIndexLocked(reinterpret_cast<HMIXEROBJ>(std::uintptr_t(uMxId)), object, index))
        return r;
    const std::uintptr_t handle = m_nextHandle++;
    m_mixerHandles[handle] = index;
    *phmx = reinterpret_cast<HMIXER>(handle);
    return MMSYSERR_NOERROR;
}

MMRESULT CVirtualCard::mixerClose(HMIXER hmx) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (MMRESULT r = InjectedLocked("mixerClose", -1))
        return r;
    return m_mixerHandles.erase(reinterpret_cast<std::uintptr_t>(hmx)) ? MMSYSERR_NOERROR
                                                                       : MMSYSERR_INVALHANDLE;
}

MMRESULT CVirtualCard::mixerGetDevCaps(UINT_PTR uMxId, MIXERCAPSA* pmxcaps, UINT cbmxcaps) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (MMRESULT r = InjectedLocked("mixerGetDevCaps", long(uMxId)))
        return r;
    if (pmxcaps == nullptr || cbmxcaps < sizeof(MIXERCAPSA))
        return MMSYSERR_INVALPARAM;
    UINT index = 0;
    // A value that is an open handle names that mixer, otherwise it is an index.
    if (m_mixerHandles.count(uMxId))
        index = m_mixerHandles[uMxId];
    else if (uMxId < m_desc.mixers.size())
        index = UINT(uMxId);
    else
        return MMSYSERR_BADDEVICEID;
    const VirtualMixer& mixer = m_desc.mixers[index];
    std::memset(pmxcaps, 0, sizeof(MIXERCAPSA));
    pmxcaps->wMid = mixer.mid;
    pmxcaps->wPid = mixer.pid;
    pmxcaps->vDriverVersion = mixer.version;
    CopyName(pmxcaps->szPname, mixer.name);
    pmxcaps->fdwSupport = mixer.support;
    pmxcaps->cDestinations = DWORD(mixer.destinations.size());
    return MMSYSERR_NOERROR;
}

const VirtualLine* CVirtualCard::LineLocked(UINT mixer, int destination, int source) const {
    if (mixer >= m_desc.mixers.size() || destination < 0)
        return nullptr;
    const auto& destinations = m_desc.mixers[mixer].destinations;
    if (std::size_t(destination) >= destinations.size())
        return nullptr;
    const VirtualLine& d = destinations[std::size_t(destination)];
    if (source < 0)
        return &d;
    return std::size_t(source) < d.sources.size() ? &d.sources[std::size_t(source)] : nullptr;
}

VirtualControl* CVirtualCard::ControlLocked(UINT mixer, DWORD id, const VirtualLine** line) {
    if (mixer >= m_index.size())
        return nullptr;
    auto it = m_index[mixer].controls.find(id);
    if (it == m_index[mixer].controls.end())
        return nullptr;
    const ControlRef& ref = it->second;
    VirtualLine& d = m_desc.mixers[mixer].destinations[std::size_t(ref.destination)];
    VirtualLine& l = ref.source < 0 ? d : d.sources[std::size_t(ref.source)];
    if (line != nullptr)
        *line = &l;
    return &l.controls[std::size_t(ref.control)];
}

void CVirtualCard::FillLine(UINT mixer, int destination, int source, MIXERLINEA& out) const {
    const VirtualLine& line = *LineLocked(mixer, destination, source);
    const DWORD cbStruct = out.cbStruct;
    std::memset(&out, 0, sizeof(out));
    out.cbStruct = cbStruct;
    out.dwDestination = DWORD(destination);
    out.dwSource = source < 0 ? 0 : DWORD(source);
    out.dwLineID = line.id;
    out.fdwLine = line.flags;
    out.dwComponentType = line.componentType;
    out.cChannels = line.channels;
    out.cConnections = source < 0 ? DWORD(line.sources.size()) : 0;
    out.cControls = DWORD(line.controls.size());
    CopyName(out.szShortName, line.shortName);
    CopyName(out.szName, line.name);
    out.Target.dwType = line.targetType;
    out.Target.dwDeviceID = line.targetDevice;
    const VirtualWaveDevice* device = nullptr;
    if (line.targetType == MIXERLINE_TARGETTYPE_WAVEOUT &&
        line.targetDevice < m_desc.waveOut.size())
        device = &m_desc.waveOut[line.targetDevice];
    if (line.targetType == MIXERLINE_TARGETTYPE_WAVEIN && line.targetDevice < m_desc.waveIn.size())
        device = &m_desc.waveIn[line.targetDevice];
    if (device != nullptr) {
        out.Target.wMid = device->mid;
        out.Target.wPid = device->pid;
        out.Target.vDriverVersion = device->version;
        CopyName(out.Target.szPname, device->name);
    }
}

MMRESULT CVirtualCard::mixerGetLineInfo(HMIXEROBJ hmxobj, MIXERLINEA* pmxl, DWORD fdwInfo) {
    std::lock_guard<std::mutex> lock(m_mutex);
    UINT mixer = 0;
    if (MMRESULT r = MixerIndexLocked(hmxobj, fdwInfo, mixer))
        return CountLocked("mixerGetLineInfo"), r;
    if (MMRESULT r = InjectedLocked("mixerGetLineInfo", long(mixer)))
        return r;
    if (pmxl == nullptr || pmxl->cbStruct != sizeof(MIXERLINEA))
        return MMSYSERR_INVALPARAM;
    const auto& destinations = m_desc.mixers[mixer].destinations;
    switch (fdwInfo & MIXER_GETLINEINFOF_QUERYMASK) {
    case MIXER_GETLINEINFOF_DESTINATION:
        if (pmxl->dwDestination >= destinations.size())
            return MIXERR_INVALLINE;
        FillLine(mixer, int(pmxl->dwDestination), -1, *pmxl);
        return MMSYSERR_NOERROR;
    case MIXER_GETLINEINFOF_SOURCE:
        if (LineLocked(mixer, int(pmxl->dwDestination), int(pmxl->dwSource)) == nullptr ||
            pmxl->dwDestination >= destinations.size())
            return MIXERR_INVALLINE;
        FillLine(mixer, int(pmxl->dwDestination), int(pmxl->dwSource), *pmxl);
        return MMSYSERR_NOERROR;
    case MIXER_GETLINEINFOF_LINEID: {
        auto it = m_index[mixer].lines.find(pmxl->dwLineID);
        if (it == m_index[mixer].lines.end())
            return MIXERR_INVALLINE;
        FillLine(mixer, it->second.destination, it->second.source, *pmxl);
        return MMSYSERR_NOERROR;
    }
    case MIXER_GETLINEINFOF_COMPONENTTYPE:
    case MIXER_GETLINEINFOF_TARGETTYPE: {
        const bool byTarget =
            (fdwInfo & MIXER_GETLINEINFOF_QUERYMASK) == MIXER_GETLINEINFOF_TARGETTYPE;
        const DWORD wanted = byTarget ? pmxl->Target.dwType : pmxl->dwComponentType;
        const std::string pname(pmxl->Target.szPname, strnlen(pmxl->Target.szPname, MAXPNAMELEN));
        // Walk destinations before sources, in card order.
        for (int pass = 0; pass < 2; ++pass) {
            for (std::size_t d = 0; d < destinations.size(); ++d) {
                const int sources = pass == 0 ? 0 : int(destinations[d].sources.size());
                for (int s = pass == 0 ? -1 : 0; s < sources; ++s) {
                    const VirtualLine& line = *LineLocked(mixer, int(d), s);
                    bool match =
                        byTarget ? line.targetType == wanted : line.componentType == wanted;
                    if (match && byTarget && !pname.empty()) {
                        const VirtualWaveDevice* device = nullptr;
                        if (line.targetType == MIXERLINE_TARGETTYPE_WAVEOUT &&
                            line.targetDevice < m_desc.waveOut.size())
                            device = &m_desc.waveOut[line.targetDevice];
                        if (line.targetType == MIXERLINE_TARGETTYPE_WAVEIN &&
                            line.targetDevice < m_desc.waveIn.size())
                            device = &m_desc.waveIn[line.targetDevice];
                        match =
                            device != nullptr && device->name.substr(0, MAXPNAMELEN - 1) == pname;
                    }
                    if (match) {
                        FillLine(mixer, int(d), s, *pmxl);
                        return MMSYSERR_NOERROR;
                    }
                }
            }
        }
        return MIXERR_INVALLINE;
    }
    default:
        return MMSYSERR_INVALFLAG;
    }
}

void CVirtualCard::FillControl(const VirtualControl& control, MIXERCONTROLA& out) const {
    std::memset(&out, 0, sizeof(out));
    out.cbStruct = sizeof(MIXERCONTROLA);
    out.dwControlID = control.id;
    out.dwControlType = control.type;
    out.fdwControl = control.flags;
    out.cMultipleItems =
        (control.flags & MIXERCONTROL_CONTROLF_MULTIPLE) ? DWORD(control.items.size()) : 0;
    CopyName(out.szShortName, control.shortName);
    CopyName(out.szName, control.name);
    out.Bounds.lMinimum = control.minimum;
    out.Bounds.lMaximum = control.maximum;
    out.Metrics.cSteps =
        control.steps != 0 ? control.steps : DWORD(control.maximum) - DWORD(control.minimum);
}

MMRESULT CVirtualCard::mixerGetLineControls(HMIXEROBJ hmxobj, MIXERLINECONTROLSA* pmxlc,
                                            DWORD fdwControls) {
    std::lock_guard<std::mutex> lock(m_mutex);
    UINT mixer = 0;
    if (MMRESULT r = MixerIndexLocked(hmxobj, fdwControls, mixer))
        return CountLocked("mixerGetLineControls"), r;
    if (MMRESULT r = InjectedLocked("mixerGetLineControls", long(mixer)))
        return r;
    if (pmxlc == nullptr || pmxlc->cbStruct != sizeof(MIXERLINECONTROLSA) ||
        pmxlc->cbmxctrl != sizeof(MIXERCONTROLA) || pmxlc->pamxctrl == nullptr)
        return MMSYSERR_INVALPARAM;
    const MixerIndex& index = m_index[mixer];
    switch (fdwControls & MIXER_GETLINECONTROLSF_QUERYMASK) {
    case MIXER_GETLINECONTROLSF_ALL:
    case MIXER_GETLINECONTROLSF_ONEBYTYPE: {
        auto it = index.lines.find(pmxlc->dwLineID);
        if (it == index.lines.end())
            return MIXERR_INVALLINE;
        const VirtualLine& line = *LineLocked(mixer, it->second.destination, it->second.source);
        if ((fdwControls & MIXER_GETLINECONTROLSF_QUERYMASK) == MIXER_GETLINECONTROLSF_ALL) {
            if (pmxlc->cControls != line.controls.size())
                return MMSYSERR_INVALPARAM;
            for (std::size_t c = 0; c < line.controls.size(); ++c)
                FillControl(line.controls[c], pmxlc->pamxctrl[c]);
            return MMSYSERR_NOERROR;
        }
        if (pmxlc->cControls != 1)
            return MMSYSERR_INVALPARAM;
        for (const VirtualControl& control : line.controls) {
            if (control.type == pmxlc->dwControlType) {
                FillControl(control, pmxlc->pamxctrl[0]);
                return MMSYSERR_NOERROR;
            }
        }
        return MIXERR_INVALCONTROL;
    }
    case MIXER_GETLINECONTROLSF_ONEBYID: {
        if (pmxlc->cControls != 1)
            return MMSYSERR_INVALPARAM;
        auto it = index.controls.find(pmxlc->dwControlID);
        if (it == index.controls.end())
            return MIXERR_INVALCONTROL;
        const VirtualLine* line = nullptr;
        const VirtualControl* control = ControlLocked(mixer, pmxlc->dwControlID, &line);
        FillControl(*control, pmxlc->pamxctrl[0]);
        pmxlc->dwLineID = line->id;
        return MMSYSERR_NOERROR;
    }
    default:
        return MMSYSERR_INVALFLAG;
    }
}

MMRESULT CVirtualCard::mixerGetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd,
                                              DWORD fdwDetails) {
    return ControlDetails(hmxobj, pmxcd, fdwDetails, false);
}

MMRESULT CVirtualCard::mixerSetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd,
                                              DWORD fdwDetails) {
    return ControlDetails(hmxobj, pmxcd, fdwDetails, true);
}

// Details are laid out channel-major: channel c, item i at c * items + i.
MMRESULT CVirtualCard::ControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd,
                                      DWORD fdwDetails, bool set) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const char* call = set ? "mixerSetControlDetails" : "mixerGetControlDetails";
    UINT mixer = 0;
    if (MMRESULT r = MixerIndexLocked(hmxobj, fdwDetails, mixer))
        return CountLocked(call), r;
    const long controlId = pmxcd != nullptr ? long(pmxcd->dwControlID) : -1;
    if (MMRESULT r = InjectedLocked(call, controlId))
        return r;
    if (pmxcd == nullptr || pmxcd->cbStruct != sizeof(MIXERCONTROLDETAILS) ||
        pmxcd->paDetails == nullptr)
        return MMSYSERR_INVALPARAM;
    const VirtualLine* line = nullptr;
    VirtualControl* control = ControlLocked(mixer, pmxcd->dwControlID, &line);
    if (control == nullptr)
        return MIXERR_INVALCONTROL;

    const bool multiple = (control->flags & MIXERCONTROL_CONTROLF_MULTIPLE) != 0;
    const std::size_t items = multiple ? control->items.size() : 1;
    if (multiple ? pmxcd->cMultipleItems != items : pmxcd->cMultipleItems > 1)
        return MMSYSERR_INVALPARAM;
    const std::size_t channels = pmxcd->cChannels;
    if (channels == 0 || channels > line->channels)
        return MMSYSERR_INVALPARAM;
    const std::size_t stored = control->values.size() / items; // 1 when uniform

    const DWORD query = fdwDetails & MIXER_GETCONTROLDETAILSF_QUERYMASK;
    if (!set && query == MIXER_GETCONTROLDETAILSF_LISTTEXT) {
        if (!multiple)
            return MMSYSERR_INVALPARAM;
        if (pmxcd->cbDetails != sizeof(MIXERCONTROLDETAILS_LISTTEXTA))
            return MMSYSERR_INVALPARAM;
        auto* out = static_cast<MIXERCONTROLDETAILS_LISTTEXTA*>(pmxcd->paDetails);
        for (std::size_t c = 0; c < channels; ++c) {
            for (std::size_t i = 0; i < items; ++i) {
                MIXERCONTROLDETAILS_LISTTEXTA& t = out[c * items + i];
                std::memset(&t, 0, sizeof(t));
                t.dwParam1 = control->items[i].lineId;
                t.dwParam2 = control->items[i].componentType;
                CopyName(t.szName, control->items[i].name);
            }
        }
        return MMSYSERR_NOERROR;
    }
    if (query != MIXER_GETCONTROLDETAILSF_VALUE)
        return MMSYSERR_INVALFLAG;
    if (pmxcd->cbDetails != sizeof(MIXERCONTROLDETAILS_UNSIGNED))
        return MMSYSERR_INVALPARAM;
    auto* details = static_cast<MIXERCONTROLDETAILS_SIGNED*>(pmxcd->paDetails);

    if (!set) {
        for (std::size_t c = 0; c < channels; ++c)
            for (std::size_t i = 0; i < items; ++i)
                details[c * items + i].lValue =
                    control->values[std::min(c, stored - 1) * items + i];
        return MMSYSERR_NOERROR;
    }

    if ((control->flags & MIXERCONTROL_CONTROLF_DISABLED) ||
        (control->type & MIXERCONTROL_CT_CLASS_MASK) == MIXERCONTROL_CT_CLASS_METER)
        return MMSYSERR_NOTSUPPORTED;
    // Check everything first: a refused value changes nothing.
    std::vector<LONG> values = control->values;
    for (std::size_t c = 0; c < stored; ++c) {
        // One channel given sets them all; a uniform control keeps channel 0.
        const std::size_t from = std::min(c, channels - 1);
        for (std::size_t i = 0; i < items; ++i) {
            LONG v = details[from * items + i].lValue;
            if (IsBoolean(*control))
                v = v != 0 ? 1 : 0;
            else if (!InBounds(*control, v))
                return MIXERR_INVALVALUE;
            values[c * items + i] = v;
        }
        if (IsSingleSelect(*control) && IsList(*control)) {
            auto row = values.begin() + std::ptrdiff_t(c * items);
            auto first = std::find(row, row + std::ptrdiff_t(items), 1);
            if (first == row + std::ptrdiff_t(items))
                return MIXERR_INVALVALUE; // a single-select list needs one item selected
            std::fill(row, row + std::ptrdiff_t(items), 0);
            *first = 1;
        }
    }
    control->values = std::move(values);
    return MMSYSERR_NOERROR;
}

// The recording path's gain for the microphone: the wave-in destination's
// volume times the microphone source's volume, 0 when either is muted or the
// destination's source list selects another line. 1 on a card without a
// recording destination.
double CVirtualCard::InputGainLocked() const {
    if (m_desc.mixers.empty())
        return 1;
    for (const VirtualLine& destination : m_desc.mixers[0].destinations) {
        if (destination.componentType != MIXERLINE_COMPONENTTYPE_DST_WAVEIN)
            continue;
        double gain = 1;
        const VirtualLine* mic = nullptr;
        for (const VirtualLine& source : destination.sources)
            if (source.componentType == MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE && mic == nullptr)
                mic = &source;
        if (mic == nullptr)
            return 0;
        auto apply = [&](const VirtualLine& line) {
            bool volumeSeen = false;
            for (const VirtualControl& control : line.controls) {
                if (control.type == MIXERCONTROL_CONTROLTYPE_VOLUME && !volumeSeen) {
                    gain *= Fraction(control, 0);
                    volumeSeen = true;
                } else if (control.type == MIXERCONTROL_CONTROLTYPE_MUTE && control.values[0]) {
                    gain = 0;
                } else if (IsList(control) && (control.flags & MIXERCONTROL_CONTROLF_MULTIPLE)) {
                    bool micSelected = false;
                    for (std::size_t i = 0; i < control.items.size(); ++i)
                        if (control.items[i].lineId == mic->id && control.values[i])
                            micSelected = true;
                    if (!micSelected)
                        gain = 0;
                }
            }
        };
        apply(destination);
        apply(*mic);
        return gain;
    }
    return 1;
}

} // namespace plat
