#include "mixer/MixerBase.h"

#include "mixer/MixerErrorText.h"

#include <cstdio>
#include <new>

using namespace plat;

namespace {

std::string Text(const char* s, std::size_t max) {
    std::size_t n = 0;
    while (n < max && s[n] != '\0')
        ++n;
    return std::string(s, n);
}

} // namespace

CMixerBase::CMixerBase() = default;

CMixerBase::~CMixerBase() {
    Close();
}

void CMixerBase::Close() {
    if (m_hMixer != nullptr) {
        mixerClose(m_hMixer);
        m_hMixer = nullptr;
    }
    m_values.clear();
    m_values.shrink_to_fit();
    m_details.paDetails = nullptr;
}

bool CMixerBase::FindDestination(DWORD destKind, MIXERLINE& line) {
    MIXERCAPS caps{};
    if (mixerGetDevCaps(reinterpret_cast<UINT_PTR>(m_hMixer), &caps, sizeof(caps)) !=
        MMSYSERR_NOERROR)
        return false;
    for (DWORD i = 0; i < caps.cDestinations; ++i) {
        line = MIXERLINE{};
        line.cbStruct = sizeof(MIXERLINE);
        line.dwSource = 0;
        line.dwDestination = i;
        if (mixerGetLineInfo(Object(), &line, kByHandle | MIXER_GETLINEINFOF_DESTINATION) !=
            MMSYSERR_NOERROR)
            return false;
        if (line.dwComponentType == destKind)
            return true;
    }
    return false;
}

bool CMixerBase::FindSource(DWORD sourceKind, MIXERLINE& line) {
    const DWORD connections = line.cConnections;
    const DWORD destination = line.dwDestination;
    for (DWORD i = 0; i < connections; ++i) {
        line = MIXERLINE{};
        line.cbStruct = sizeof(MIXERLINE);
        line.dwSource = i;
        line.dwDestination = destination;
        if (mixerGetLineInfo(Object(), &line, kByHandle | MIXER_GETLINEINFOF_SOURCE) !=
            MMSYSERR_NOERROR)
            return false;
        if (line.dwComponentType == sourceKind)
            return true;
    }
    return false;
}

int CMixerBase::Init(UINT mixer, DWORD destKind, DWORD sourceKind, DWORD controlType) {
    if (m_hMixer != nullptr) {
        mixerClose(m_hMixer);
        m_hMixer = nullptr;
    }
    m_mixer = mixer;
    m_openFailed = false;
    const MMRESULT opened = mixerOpen(&m_hMixer, mixer, 0, 0, 0);
    if (opened != MMSYSERR_NOERROR) {
        m_hMixer = nullptr;
        m_openFailed = true;
        m_error =
            "CMixerBase::Init : Could not open mixer device" + MixerFailureDetail(mixer, opened);
        return 0;
    }

    MIXERLINE line{};
    if (!FindDestination(destKind, line)) {
        m_error = "CMixerBase::Init : Warning, the destination line was not found.";
        Close();
        return 0;
    }
    m_destName = Text(line.szName, sizeof(line.szName));

    if (sourceKind != NO_SOURCE && !FindSource(sourceKind, line)) {
        m_error = "CMixerBase::Init : Warning, the source line not found.";
        Close();
        return 0;
    }
    m_lineName = Text(line.szName, sizeof(line.szName));
    m_lineShortName = Text(line.szShortName, sizeof(line.szShortName));

    if (line.cControls == 0) {
        m_error = "CMixerBase::Init : No controls available for this audio line";
        Close();
        return 0;
    }

    m_control = MIXERCONTROL{};
    m_control.cbStruct = sizeof(MIXERCONTROL);
    MIXERLINECONTROLS request{};
    request.cbStruct = sizeof(MIXERLINECONTROLS);
    request.dwLineID = line.dwLineID;
    request.dwControlType = controlType;
    request.cControls = 1;
    request.cbmxctrl = sizeof(MIXERCONTROL);
    request.pamxctrl = &m_control;
    if (mixerGetLineControls(Object(), &request, kByHandle | MIXER_GETLINECONTROLSF_ONEBYTYPE) !=
        MMSYSERR_NOERROR) {
        m_error = "CMixerBase::Init - mixerGetLineControls failed";
        Close();
        return 0;
    }
    return InitMXDetails();
}

int CMixerBase::InitMXDetails() {
    m_details = MIXERCONTROLDETAILS{};
    m_details.cbStruct = sizeof(MIXERCONTROLDETAILS);
    m_details.dwControlID = m_control.dwControlID;
    m_details.cChannels = 1; // one value for all channels
    // A control without the MULTIPLE flag has one value whatever it reports.
    const bool multiple = (m_control.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) != 0;
    m_details.cMultipleItems = multiple ? m_control.cMultipleItems : 0;

    switch (m_control.dwControlType & MIXERCONTROL_CT_UNITS_MASK) {
    case MIXERCONTROL_CT_UNITS_BOOLEAN:
    case MIXERCONTROL_CT_UNITS_SIGNED:
    case MIXERCONTROL_CT_UNITS_UNSIGNED:
    case MIXERCONTROL_CT_UNITS_DECIBELS:
    case MIXERCONTROL_CT_UNITS_PERCENT:
        m_details.cbDetails = sizeof(DWORD);
        break;
    default:
        m_error = "CMixerBase::InitMXDetails : Control uses unknown units.";
        Close();
        return 0;
    }

    std::size_t items = 1;
    if (multiple && m_control.cMultipleItems > 1)
        items = m_control.cMultipleItems;
    try {
        m_values.assign(items, 0);
    } catch (const std::exception&) {
        m_error = "CMixerBase::InitMXDetails : Memory allocation error.";
        Close();
        return 0;
    }
    m_details.paDetails = m_values.data();
    return 1;
}

int CMixerBase::GetMixerControlValue() {
    MMRESULT r =
        mixerGetControlDetails(Object(), &m_details, kByHandle | MIXER_GETCONTROLDETAILSF_VALUE);
    if (r != MMSYSERR_NOERROR) {
        char text[96];
        std::snprintf(text, sizeof(text),
                      "CMixerBase::GetMixerControlValue mixerGetControlDetails error : %d",
                      static_cast<int>(r));
        m_error = text + MixerFailureDetail(m_mixer, r);
        return 0;
    }
    return 1;
}

int CMixerBase::SetMixerControlValue() {
    MMRESULT r =
        mixerSetControlDetails(Object(), &m_details, kByHandle | MIXER_SETCONTROLDETAILSF_VALUE);
    if (r != MMSYSERR_NOERROR) {
        char text[96];
        std::snprintf(text, sizeof(text),
                      "CMixerBase::SetMixerControlValue mixerSetControlDetails error : %d",
                      static_cast<int>(r));
        m_error = text + MixerFailureDetail(m_mixer, r);
        return 0;
    }
    return 1;
}
