#include "mixer/MixerSet.h"

#include "mixer/MixerErrorText.h"
#include "mixer/VolumeScale.h"
#include "platform/sound_backend.h"
#include "platform/system/trace.h"

#include <cstdio>
#include <cstring>
#include <vector>

using namespace plat;

namespace {

constexpr const char* kModule = "MixerSet";

DWORD Destination(bool recording) {
    return recording ? MIXERLINE_COMPONENTTYPE_DST_WAVEIN : MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
}

std::string ItemName(const MIXERCONTROLDETAILS_LISTTEXT& item) {
    return std::string(item.szName, strnlen(item.szName, sizeof(item.szName)));
}

} // namespace

// Writes 0 to a switch (mute, on/off) of the line. A list-shaped switch stops
// the whole selection.
CMixerSet::Step CMixerSet::WriteSwitchOff(UINT mixer, DWORD dest, DWORD sourceKind,
                                          DWORD controlType, const char* typeName,
                                          bool& sourceSet) {
    if (!Init(mixer, dest, sourceKind, controlType))
        return Step::Skipped;
    if (m_control.cMultipleItems != 0) {
        m_error = "Bad control Type";
        TRACE_LOG(2, kModule, __LINE__, "MixerSet:SelectSource : %s %s", typeName, m_error.c_str());
        Close();
        return Step::Stop;
    }
    const bool muted = m_noteChanges && controlType == MIXERCONTROL_CONTROLTYPE_MUTE &&
                       GetMixerControlValue() && m_values[0] != 0;
    m_values[0] = 0;
    if (SetMixerControlValue()) {
        sourceSet = true;
        if (muted)
            ChangeOfLine().unmuted = true;
    }
    Close();
    return Step::Done;
}

MixerLineChange& CMixerSet::ChangeOfLine() {
    for (MixerLineChange& change : m_changes)
        if (change.mixer == m_mixer && change.destination == m_destName &&
            change.line == m_lineName)
            return change;
    m_changes.push_back({m_mixer, m_destName, m_lineName});
    return m_changes.back();
}

// Sets the list control of the destination so that the item named `wanted`
// is the only one selected.
CMixerSet::Step CMixerSet::SelectInList(UINT mixer, DWORD dest, DWORD listType,
                                        const std::string& wanted, bool& sourceSet) {
    if (!Init(mixer, dest, NO_SOURCE, listType))
        return Step::Skipped;
    // Without the MULTIPLE flag the value buffer has one slot only.
    if ((m_control.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) == 0) {
        Close();
        return Step::Skipped;
    }
    const DWORD items = m_control.cMultipleItems;
    std::vector<MIXERCONTROLDETAILS_LISTTEXT> texts;
    try {
        texts.resize(items);
    } catch (const std::exception&) {
        Close();
        m_error = "SelectSource : Memory allocation error.";
        TRACE_LOG(2, kModule, __LINE__, "MixerSet:%s", m_error.c_str());
        return Step::Stop;
    }
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof(details);
    details.dwControlID = m_control.dwControlID;
    details.cChannels = 1;
    details.cMultipleItems = items;
    details.cbDetails = sizeof(MIXERCONTROLDETAILS_LISTTEXT);
    details.paDetails = texts.data();
    MMRESULT r =
        mixerGetControlDetails(Object(), &details, kByHandle | MIXER_GETCONTROLDETAILSF_LISTTEXT);
    if (r != MMSYSERR_NOERROR) {
        Close();
        char text[80];
        std::snprintf(text, sizeof(text), "SelectSource : mixerGetControlDetails failed : %d",
                      static_cast<int>(r));
        m_error = text + MixerFailureDetail(mixer, r);
        TRACE_LOG(2, kModule, __LINE__, "MixerSet:%s", m_error.c_str());
        return Step::Stop;
    }
    bool matched = false;
    for (DWORD i = 0; i < items && i < m_values.size(); ++i) {
        const bool match = ItemName(texts[i]) == wanted;
        m_values[i] = match ? 1 : 0;
        matched = matched || match;
    }
    if (matched && SetMixerControlValue())
        sourceSet = true;
    Close();
    return Step::Done;
}

int CMixerSet::SelectSource(bool recording, DWORD sourceKind) {
    TRACE_LOG(0, kModule, __LINE__, "%s%s",
              recording ? "Sélection source en entrée " : "Sélection source en diffusion ",
              GetLineTypeName(sourceKind).c_str());
    const UINT n = mixerGetNumDevs();
    if (n == 0) {
        m_error = "No mixer device present";
        TRACE_LOG(2, kModule, __LINE__, "MixerSet:SelectSource : %s", m_error.c_str());
        return 0;
    }
    const DWORD dest = Destination(recording);
    bool sourceSet = false;
    UINT unopened = 0;
    for (UINT m = 0; m < n; ++m) {
        TRACE_LOG(0, kModule, __LINE__,
                  "MixerSet:SelectSource : Règlages au niveau de la DestLine Mixer n°%d",
                  static_cast<int>(m));
        if (WriteSwitchOff(m, dest, NO_SOURCE, MIXERCONTROL_CONTROLTYPE_MUTE, "CONTROLTYPE_MUTE",
                           sourceSet) == Step::Stop)
            return 0;
        if (m_openFailed) { // a device that does not open has nothing to select
            ++unopened;
            continue;
        }
        if (WriteSwitchOff(m, dest, NO_SOURCE, MIXERCONTROL_CONTROLTYPE_ONOFF, "CONTROLTYPE_ONOFF",
                           sourceSet) == Step::Stop)
            return 0;

        TRACE_LOG(0, kModule, __LINE__,
                  "MixerSet:SelectSource : Règlages au niveau de la SourceLine Mixer n°%d",
                  static_cast<int>(m));
        if (WriteSwitchOff(m, dest, sourceKind, MIXERCONTROL_CONTROLTYPE_MUTE, "CONTROLTYPE_MUTE",
                           sourceSet) == Step::Stop)
            return 0;

        if (m_lineName.empty())
            continue;
        TRACE_LOG(0, kModule, __LINE__,
                  "MixerSet:DestLine : sélection d'une ligne comme source Mixer n°%d",
                  static_cast<int>(m));
        const std::string wanted = m_lineName;
        for (DWORD listType :
             {MIXERCONTROL_CONTROLTYPE_SINGLESELECT, MIXERCONTROL_CONTROLTYPE_MUX,
              MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT, MIXERCONTROL_CONTROLTYPE_MIXER}) {
            if (SelectInList(m, dest, listType, wanted, sourceSet) == Step::Stop)
                return 0;
        }
    }
    if (sourceSet)
        return 1;
    if (NoMixerOpened(unopened, n, "SelectSource"))
        return 0;
    m_error = "Source not Set !";
    TRACE_LOG(2, kModule, __LINE__, "MixerSet:SelectSource : %s", m_error.c_str());
    return 0;
}

// When no mixer of the machine could be opened at all, nothing was read or
// written: m_error keeps the device's error of the last open.
bool CMixerSet::NoMixerOpened(UINT unopened, UINT mixers, const char* call) {
    if (mixers == 0 || unopened < mixers)
        return false;
    TRACE_LOG(2, kModule, __LINE__, "MixerSet:%s : %s", call, m_error.c_str());
    return true;
}

bool CMixerSet::InitVolume(UINT mixer, DWORD dest, DWORD sourceKind) {
    if (!Init(mixer, dest, sourceKind, MIXERCONTROL_CONTROLTYPE_VOLUME))
        return false;
    if (!VolumeScalable(m_control.Bounds.dwMinimum, m_control.Bounds.dwMaximum)) {
        Close(); // no range to scale on: counts as no volume control
        return false;
    }
    return true;
}

int CMixerSet::SetVolume(bool recording, UINT v, DWORD sourceKind) {
    const UINT n = mixerGetNumDevs();
    if (n == 0) {
        m_error = "No mixer device present";
        TRACE_LOG(2, kModule, __LINE__, "MixerSet:SetVolume : %s", m_error.c_str());
        return 0;
    }
    const DWORD dest = Destination(recording);
    UINT unopened = 0;
    for (UINT m = 0; m < n; ++m) {
        if (!InitVolume(m, dest, sourceKind)) {
            unopened += m_openFailed ? 1 : 0;
            continue;
        }
        const DWORD min = m_control.Bounds.dwMinimum, max = m_control.Bounds.dwMaximum;
        const int before =
            m_noteChanges && GetMixerControlValue() ? RawToVolume(m_values[0], min, max) : -1;
        m_values[0] = VolumeToRaw(v, min, max);
        if (!SetMixerControlValue()) {
            Close();
            TRACE_LOG(2, kModule, __LINE__, "MixerSet:SetVolume : %s", m_error.c_str());
            return 0;
        }
        if (const int after = RawToVolume(m_values[0], min, max); before >= 0 && before != after) {
            MixerLineChange& change = ChangeOfLine();
            if (change.volumeBefore < 0)
                change.volumeBefore = before;
            change.volumeAfter = after;
        }
        TRACE_LOG(0, kModule, __LINE__, "Volume mis à %d (%s)", static_cast<int>(v),
                  GetLineTypeName(sourceKind).c_str());
        Close();
    }
    return NoMixerOpened(unopened, n, "SetVolume") ? 0 : 1;
}

int CMixerSet::EachVolumeControl(bool recording, DWORD sourceKind, const char* call,
                                 const std::function<bool()>& visit) {
    const UINT n = mixerGetNumDevs();
    if (n == 0) {
        m_error = "No mixer device present";
        return 0;
    }
    const DWORD dest = Destination(recording);
    UINT unopened = 0;
    for (UINT m = 0; m < n; ++m) {
        if (!InitVolume(m, dest, sourceKind)) {
            unopened += m_openFailed ? 1 : 0;
            continue;
        }
        const bool visited = visit();
        Close();
        if (!visited)
            return 0;
    }
    return NoMixerOpened(unopened, n, call) ? 0 : 1;
}

int CMixerSet::GetVolume(bool recording, int& v, DWORD sourceKind) {
    v = -1;
    return EachVolumeControl(recording, sourceKind, "GetVolume", [&] {
        if (!GetMixerControlValue()) {
            TRACE_LOG(2, kModule, __LINE__, "MixerSet:GetVolume : %s", m_error.c_str());
            return false;
        }
        v = RawToVolume(m_values[0], m_control.Bounds.dwMinimum, m_control.Bounds.dwMaximum);
        TRACE_LOG(0, kModule, __LINE__, "Volume lu à %d (%s)", v,
                  GetLineTypeName(sourceKind).c_str());
        return true;
    });
}

int CMixerSet::GetVolumeCurve(bool recording, VolumeCurve& curve, DWORD sourceKind) {
    curve = VolumeCurve{};
    return EachVolumeControl(recording, sourceKind, "GetVolumeCurve", [&] {
        VolumeCurve found;
        if (CurrentSoundBackend().mixerGetVolumeCurve(Object(), m_control.dwControlID, found) ==
            MMSYSERR_NOERROR)
            curve = std::move(found);
        return true;
    });
}
