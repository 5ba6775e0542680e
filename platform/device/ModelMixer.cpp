#include "platform/device/ModelMixer.h"

#include "platform/device/MixerValues.h"
#include "platform/fixed_name.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace plat {

namespace {

void FillControl(MIXERCONTROLA& out, const ModelControl& c) {
    std::memset(&out, 0, sizeof out);
    out.cbStruct = sizeof out;
    out.dwControlID = c.id;
    out.dwControlType = c.type;
    out.fdwControl = c.flags;
    out.cMultipleItems = c.items.empty() ? 0 : c.ItemCount();
    CopyName(out.szShortName, c.shortName);
    CopyName(out.szName, c.name);
    out.Bounds.dwMinimum = 0;
    if (c.type == MIXERCONTROL_CONTROLTYPE_VOLUME) {
        out.Bounds.dwMaximum = 0xFFFF;
        const long span = c.range.max - c.range.min;
        out.Metrics.cSteps = static_cast<DWORD>(std::clamp<long>(span, 1, 0xFFFF));
    } else {
        out.Bounds.dwMaximum = 1;
    }
}

std::size_t ValueCount(const ModelControl& c) {
    return c.items.empty() ? 1 : c.items.size();
}

} // namespace

CModelMixer::CModelMixer(std::string name, MixerModel model, std::unique_ptr<CElementAccess> access)
    : m_name(std::move(name)), m_model(std::move(model)), m_access(std::move(access)) {}

MMRESULT CModelMixer::GetDevCaps(MIXERCAPSA* caps, UINT cbCaps) const {
    if (!caps || cbCaps != sizeof(MIXERCAPSA))
        return MMSYSERR_INVALPARAM;
    std::memset(caps, 0, sizeof *caps);
    CopyName(caps->szPname, m_name);
    caps->vDriverVersion = 0x0100;
    caps->cDestinations = static_cast<DWORD>(m_model.destinations.size());
    return MMSYSERR_NOERROR;
}

void CModelMixer::FillLine(MIXERLINEA& out, const ModelLine& line, DWORD dest, DWORD source,
                           bool isSource) const {
    std::memset(&out, 0, sizeof out);
    out.cbStruct = sizeof out;
    out.dwDestination = dest;
    out.dwSource = isSource ? source : 0;
    out.dwLineID = line.id;
    out.fdwLine = MIXERLINE_LINEF_ACTIVE | (isSource ? MIXERLINE_LINEF_SOURCE : 0);
    out.dwComponentType = line.componentType;
    out.cChannels = line.channels;
    out.cConnections = isSource ? 0 : static_cast<DWORD>(line.sources.size());
    out.cControls = static_cast<DWORD>(line.controls.size());
    CopyName(out.szShortName, line.shortName);
    CopyName(out.szName, line.name);
    out.Target.dwType = line.targetType;
    out.Target.vDriverVersion = 0x0100;
    CopyName(out.Target.szPname, m_name);
}

MMRESULT CModelMixer::GetLineInfo(MIXERLINEA* line, DWORD fdwInfo) const {
    if (!line || line->cbStruct != sizeof(MIXERLINEA))
        return MMSYSERR_INVALPARAM;
    const auto& dests = m_model.destinations;
    const DWORD query = fdwInfo & MIXER_GETLINEINFOF_QUERYMASK;
    switch (query) {
    case MIXER_GETLINEINFOF_DESTINATION:
        if (line->dwDestination >= dests.size())
            return MMSYSERR_INVALPARAM;
        FillLine(*line, dests[line->dwDestination], line->dwDestination, 0, false);
        return MMSYSERR_NOERROR;
    case MIXER_GETLINEINFOF_SOURCE: {
        const DWORD d = line->dwDestination, s = line->dwSource;
        if (d >= dests.size() || s >= dests[d].sources.size())
            return MMSYSERR_INVALPARAM;
        FillLine(*line, dests[d].sources[s], d, s, true);
        return MMSYSERR_NOERROR;
    }
    case MIXER_GETLINEINFOF_LINEID:
    case MIXER_GETLINEINFOF_COMPONENTTYPE:
    case MIXER_GETLINEINFOF_TARGETTYPE: {
        auto matches = [&](const ModelLine& l) {
            if (query == MIXER_GETLINEINFOF_LINEID)
                return l.id == line->dwLineID;
            if (query == MIXER_GETLINEINFOF_COMPONENTTYPE)
                return l.componentType == line->dwComponentType;
            return l.targetType != MIXERLINE_TARGETTYPE_UNDEFINED &&
                   l.targetType == line->Target.dwType;
        };
        for (DWORD d = 0; d < dests.size(); ++d) {
            if (matches(dests[d])) {
                FillLine(*line, dests[d], d, 0, false);
                return MMSYSERR_NOERROR;
            }
            for (DWORD s = 0; s < dests[d].sources.size(); ++s)
                if (matches(dests[d].sources[s])) {
                    FillLine(*line, dests[d].sources[s], d, s, true);
                    return MMSYSERR_NOERROR;
                }
        }
        return MIXERR_INVALLINE;
    }
    default:
        return MMSYSERR_INVALFLAG;
    }
}

MMRESULT CModelMixer::GetLineControls(MIXERLINECONTROLSA* request, DWORD fdwControls) const {
    if (!request || request->cbStruct != sizeof(MIXERLINECONTROLSA) ||
        request->cbmxctrl != sizeof(MIXERCONTROLA) || !request->pamxctrl)
        return MMSYSERR_INVALPARAM;
    switch (fdwControls & MIXER_GETLINECONTROLSF_QUERYMASK) {
    case MIXER_GETLINECONTROLSF_ALL: {
        const ModelLine* line = m_model.FindLine(request->dwLineID);
        if (!line)
            return MIXERR_INVALLINE;
        if (request->cControls == 0 || request->cControls != line->controls.size())
            return MMSYSERR_INVALPARAM;
        for (std::size_t i = 0; i < line->controls.size(); ++i)
            FillControl(request->pamxctrl[i], line->controls[i]);
        return MMSYSERR_NOERROR;
    }
    case MIXER_GETLINECONTROLSF_ONEBYID: {
        const ModelLine* line = nullptr;
        const ModelControl* c = m_model.FindControl(request->dwControlID, &line);
        if (!c)
            return MIXERR_INVALCONTROL;
        request->dwLineID = line->id;
        FillControl(*request->pamxctrl, *c);
        return MMSYSERR_NOERROR;
    }
    case MIXER_GETLINECONTROLSF_ONEBYTYPE: {
        const ModelLine* line = m_model.FindLine(request->dwLineID);
        if (!line)
            return MIXERR_INVALLINE;
        for (const ModelControl& c : line->controls)
            if (c.type == request->dwControlType) {
                FillControl(*request->pamxctrl, c);
                return MMSYSERR_NOERROR;
            }
        return MIXERR_INVALCONTROL;
    }
    default:
        return MMSYSERR_INVALFLAG;
    }
}

const ModelControl* CModelMixer::DetailsControl(const MIXERCONTROLDETAILS* details,
                                                const ModelLine** line, MMRESULT& result) const {
    result = MMSYSERR_INVALPARAM;
    if (!details || details->cbStruct != sizeof(MIXERCONTROLDETAILS) || !details->paDetails)
        return nullptr;
    const ModelControl* c = m_model.FindControl(details->dwControlID, line);
    if (!c) {
        result = MIXERR_INVALCONTROL;
        return nullptr;
    }
    const DWORD items = c->items.empty() ? 0 : c->ItemCount();
    const DWORD maxChannels = (c->flags & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : (*line)->channels;
    if (details->cChannels == 0 || details->cChannels > maxChannels ||
        details->cMultipleItems != items)
        return nullptr;
    result = MMSYSERR_NOERROR;
    return c;
}

MMRESULT CModelMixer::GetControlDetails(MIXERCONTROLDETAILS* details, DWORD fdwDetails) {
    const ModelLine* line = nullptr;
    MMRESULT result;
    const ModelControl* c = DetailsControl(details, &line, result);
    if (!c)
        return result;
    const std::size_t perChannel = ValueCount(*c);
    switch (fdwDetails & MIXER_GETCONTROLDETAILSF_QUERYMASK) {
    case MIXER_GETCONTROLDETAILSF_VALUE: {
        if (details->cbDetails != sizeof(DWORD))
            return MMSYSERR_INVALPARAM;
        std::vector<DWORD> values;
        result = ReadControlValues(*c, *m_access, values, m_alsaError);
        if (result != MMSYSERR_NOERROR)
            return result;
        auto* out = static_cast<DWORD*>(details->paDetails);
        for (DWORD ch = 0; ch < details->cChannels; ++ch)
            std::copy(values.begin(), values.end(), out + ch * perChannel);
        return MMSYSERR_NOERROR;
    }
    case MIXER_GETCONTROLDETAILSF_LISTTEXT: {
        if (c->items.empty() || details->cbDetails != sizeof(MIXERCONTROLDETAILS_LISTTEXTA))
            return MMSYSERR_INVALPARAM;
        auto* out = static_cast<MIXERCONTROLDETAILS_LISTTEXTA*>(details->paDetails);
        for (DWORD ch = 0; ch < details->cChannels; ++ch)
            for (std::size_t i = 0; i < perChannel; ++i) {
                MIXERCONTROLDETAILS_LISTTEXTA& t = out[ch * perChannel + i];
                std::memset(&t, 0, sizeof t);
                t.dwParam1 = c->itemLines[i];
                t.dwParam2 = c->itemTypes[i];
                CopyName(t.szName, c->items[i]);
            }
        return MMSYSERR_NOERROR;
    }
    default:
        return MMSYSERR_INVALFLAG;
    }
}

MMRESULT CModelMixer::SetControlDetails(MIXERCONTROLDETAILS* details, DWORD fdwDetails) {
    const ModelLine* line = nullptr;
    MMRESULT result;
    const ModelControl* c = DetailsControl(details, &line, result);
    if (!c)
        return result;
    if ((fdwDetails & MIXER_SETCONTROLDETAILSF_QUERYMASK) != MIXER_SETCONTROLDETAILSF_VALUE)
        return MMSYSERR_NOTSUPPORTED;
    if (details->cbDetails != sizeof(DWORD))
        return MMSYSERR_INVALPARAM;
    // One uniform value: the first channel's values go to every channel.
    const auto* in = static_cast<const DWORD*>(details->paDetails);
    std::vector<DWORD> values(in, in + ValueCount(*c));
    return WriteControlValues(*c, *m_access, values, m_alsaError);
}

MMRESULT CModelMixer::GetVolumeCurve(DWORD controlId, VolumeCurve& curve) const {
    const ModelControl* c = m_model.FindControl(controlId);
    if (!c)
        return MIXERR_INVALCONTROL;
    if (c->binding != ControlBinding::PlaybackVolume && c->binding != ControlBinding::CaptureVolume)
        return MMSYSERR_INVALPARAM;
    const ElementValue what = c->binding == ControlBinding::CaptureVolume
                                  ? ElementValue::CaptureVolume
                                  : ElementValue::PlaybackVolume;
    curve = VolumeCurve{};
    if (!m_access->VolumeCurveOf(c->element, what, c->range, curve))
        curve = VolumeCurve{};
    return MMSYSERR_NOERROR;
}

} // namespace plat
