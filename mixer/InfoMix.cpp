#include "mixer/InfoMix.h"

#include "mixer/MixerErrorText.h"

#include "platform/system/trace.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

using namespace plat;

namespace {

constexpr const char* kModule = "InfoMix";

std::string Text(const char* s, std::size_t max) {
    return std::string(s, strnlen(s, max));
}

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* fmt, ...) {
    char text[256];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof(text), fmt, args);
    va_end(args);
    return text;
}

HMIXEROBJ AsObject(HMIXER h) {
    return reinterpret_cast<HMIXEROBJ>(h);
}

} // namespace

CMixerInfo::CMixerInfo() = default;
CMixerInfo::~CMixerInfo() = default;

int CMixerInfo::FillMixerInfoTree() {
    try {
        return Walk();
    } catch (const std::exception&) {
        // A device reported more lines, controls or items than memory holds.
        m_error = "FillMixerInfoTree : Memory allocation error.";
        TRACE_LOG(2, kModule, __LINE__, "%s", m_error.c_str());
        return 0;
    }
}

int CMixerInfo::Walk() {
    const UINT n = mixerGetNumDevs();
    TRACE_LOG(0, kModule, __LINE__, "Nombre de Mixers : %d", static_cast<int>(n));
    if (n == 0) {
        m_error = "No mixer device present";
        TRACE_LOG(2, kModule, __LINE__, "%s", m_error.c_str());
        return 0;
    }
    m_mixerCount = n;
    m_mixers.assign(n, MixerRecord{});
    m_elements.clear();

    for (UINT i = 0; i < n; ++i) {
        TRACE_LOG(0, kModule, __LINE__, "*****************Mixer n°%d*******************",
                  static_cast<int>(i));
        HMIXER handle = nullptr;
        MMRESULT r = mixerOpen(&handle, i, 0, 0, 0);
        if (r != MMSYSERR_NOERROR) {
            m_error = Format("Error opening mixer device : %d", static_cast<int>(r)) +
                      MixerFailureDetail(i, r);
            TRACE_LOG(1, kModule, __LINE__, "%s", m_error.c_str());
            continue;
        }
        MixerRecord& mixer = m_mixers[i];
        r = mixerGetDevCaps(reinterpret_cast<UINT_PTR>(handle), &mixer.caps, sizeof(mixer.caps));
        if (r != MMSYSERR_NOERROR) {
            m_error = Format("Error querying device capabilities : %d", static_cast<int>(r)) +
                      MixerFailureDetail(i, r);
            TRACE_LOG(1, kModule, __LINE__, "%s", m_error.c_str());
            mixerClose(handle);
            continue;
        }
        TRACE_LOG(0, kModule, __LINE__, "Nom : %s",
                  Text(mixer.caps.szPname, sizeof(mixer.caps.szPname)).c_str());
        const WORD version = LOWORD(mixer.caps.vDriverVersion);
        TRACE_LOG(0, kModule, __LINE__, "Version driver : %d,%d", HIBYTE(version), LOBYTE(version));
        TRACE_LOG(0, kModule, __LINE__, "Dest Lines : %d",
                  static_cast<int>(mixer.caps.cDestinations));

        // Keeps the handle closed on every way out of this mixer.
        struct Closer {
            HMIXER& h;
            ~Closer() {
                if (h != nullptr)
                    mixerClose(h);
            }
        } closer{handle};

        mixer.destinations.resize(mixer.caps.cDestinations);
        for (DWORD j = 0; j < mixer.caps.cDestinations; ++j) {
            TRACE_LOG(0, kModule, __LINE__, "+++++++++++Ligne de destination n°%d++++++++++",
                      static_cast<int>(j));
            MixerDestinationRecord& dest = mixer.destinations[j];
            dest.line.cbStruct = sizeof(MIXERLINE);
            dest.line.dwSource = 0;
            dest.line.dwDestination = j;
            r = mixerGetLineInfo(AsObject(handle), &dest.line,
                                 kByHandle | MIXER_GETLINEINFOF_DESTINATION);
            if (r != MMSYSERR_NOERROR) {
                m_error = Format("FillMixerInfoTree : mixerGetLineInfo1 failed : %d",
                                 static_cast<int>(r)) +
                          MixerFailureDetail(i, r);
                TRACE_LOG(1, kModule, __LINE__, "%s", m_error.c_str());
                continue;
            }
            if (!AddControls(i, handle, dest))
                return 0;
            TRACE_LOG(0, kModule, __LINE__, "Nombre de lignes source %d",
                      static_cast<int>(dest.line.cConnections));
            dest.sources.resize(dest.line.cConnections);
            for (DWORD k = 0; k < dest.line.cConnections; ++k) {
                TRACE_LOG(0, kModule, __LINE__, "----------------Ligne source n°%d-------------",
                          static_cast<int>(k));
                MixerLineRecord& source = dest.sources[k];
                source.line.cbStruct = sizeof(MIXERLINE);
                source.line.dwSource = k;
                source.line.dwDestination = j;
                r = mixerGetLineInfo(AsObject(handle), &source.line,
                                     kByHandle | MIXER_GETLINEINFOF_SOURCE);
                if (r != MMSYSERR_NOERROR) {
                    m_error = Format("FillMixerInfoTree : mixerGetLineInfo2 failed : %d",
                                     static_cast<int>(r)) +
                              MixerFailureDetail(i, r);
                    TRACE_LOG(1, kModule, __LINE__, "%s", m_error.c_str());
                    continue;
                }
                if (!AddControls(i, handle, source))
                    return 0;
            }
        }

        r = mixerClose(handle);
        handle = nullptr;
        if (r != MMSYSERR_NOERROR) {
            m_error =
                Format("Error on mixerClose : %d", static_cast<int>(r)) + MixerFailureDetail(i, r);
            TRACE_LOG(2, kModule, __LINE__, "%s", m_error.c_str());
            return 0;
        }
    }

    if (!m_elements.empty())
        return 1;
    m_error = "TabMixer empty";
    TRACE_LOG(2, kModule, __LINE__, "%s", m_error.c_str());
    return 0;
}

int CMixerInfo::AddControls(UINT mixer, HMIXER handle, MixerLineRecord& record) {
    const MIXERLINE& line = record.line;
    TRACE_LOG(0, kModule, __LINE__, "Nom : %s", Text(line.szName, sizeof(line.szName)).c_str());
    TRACE_LOG(0, kModule, __LINE__, "Nom court : %s",
              Text(line.szShortName, sizeof(line.szShortName)).c_str());
    TRACE_LOG(0, kModule, __LINE__, "Type : %s", GetLineTypeName(line.dwComponentType).c_str());
    TRACE_LOG(0, kModule, __LINE__, "Nombre de contrôles : %d", static_cast<int>(line.cControls));
    if (line.cControls == 0)
        return 1;

    try {
        MIXERCONTROL blank{};
        blank.cbStruct = sizeof(MIXERCONTROL);
        record.controls.assign(line.cControls, blank);
        record.listTexts.assign(line.cControls, {});
    } catch (const std::exception&) {
        return 0;
    }

    MIXERLINECONTROLS request{};
    request.cbStruct = sizeof(request);
    request.dwLineID = line.dwLineID;
    request.cControls = line.cControls;
    request.cbmxctrl = sizeof(MIXERCONTROL);
    request.pamxctrl = record.controls.data();
    MMRESULT r =
        mixerGetLineControls(AsObject(handle), &request, kByHandle | MIXER_GETLINECONTROLSF_ALL);
    if (r != MMSYSERR_NOERROR) {
        m_error = Format("AddControls : mixerGetLineControls failed : %d", static_cast<int>(r)) +
                  MixerFailureDetail(mixer, r);
        TRACE_LOG(2, kModule, __LINE__, "%s", m_error.c_str());
        return 0;
    }

    for (DWORD c = 0; c < line.cControls; ++c) {
        const MIXERCONTROL& control = record.controls[c];
        TRACE_LOG(0, kModule, __LINE__, "-> Controle n°%d", static_cast<int>(c));
        TRACE_LOG(0, kModule, __LINE__, "Nom : %s",
                  Text(control.szName, sizeof(control.szName)).c_str());
        TRACE_LOG(0, kModule, __LINE__, "Nom court : %s",
                  Text(control.szShortName, sizeof(control.szShortName)).c_str());
        TRACE_LOG(0, kModule, __LINE__, "Type : %s",
                  GetControlTypeName(control.dwControlType).c_str());
        TRACE_LOG(0, kModule, __LINE__, "Nombre d'item : %d",
                  static_cast<int>(control.cMultipleItems));

        const DWORD items = control.cMultipleItems;
        DWORD n = 1;
        if (items != 0) {
            DWORD channels = (control.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) != 0
                                 ? 1
                                 : std::max<DWORD>(line.cChannels, 1);
            auto& texts = record.listTexts[c];
            try {
                texts.assign(static_cast<std::size_t>(items) * channels,
                             MIXERCONTROLDETAILS_LISTTEXT{});
            } catch (const std::exception&) {
                return 0;
            }
            MIXERCONTROLDETAILS details{};
            details.cbStruct = sizeof(details);
            details.dwControlID = control.dwControlID;
            details.cChannels = channels;
            details.cMultipleItems = items;
            details.cbDetails = sizeof(MIXERCONTROLDETAILS_LISTTEXT);
            details.paDetails = texts.data();
            r = mixerGetControlDetails(AsObject(handle), &details,
                                       kByHandle | MIXER_GETCONTROLDETAILSF_LISTTEXT);
            if (r != MMSYSERR_NOERROR) {
                m_error = Format("AddControls : mixerGetControlDetails failed : %d",
                                 static_cast<int>(r)) +
                          MixerFailureDetail(mixer, r);
                TRACE_LOG(2, kModule, __LINE__, "%s", m_error.c_str());
                return 0;
            }
            for (DWORD i = 0; i < items; ++i) {
                TRACE_LOG(0, kModule, __LINE__, "         Item %d", static_cast<int>(i));
                TRACE_LOG(0, kModule, __LINE__, "         Nom : %s",
                          Text(texts[i].szName, sizeof(texts[i].szName)).c_str());
            }
            n = items;
        }

        const bool disabled = (control.fdwControl & MIXERCONTROL_CONTROLF_DISABLED) != 0;
        const bool meter =
            (control.dwControlType & MIXERCONTROL_CT_CLASS_MASK) == MIXERCONTROL_CT_CLASS_METER;
        if (disabled || meter)
            continue;

        auto element = std::make_unique<CElementMixer>(
            mixer, line.dwComponentType, control.dwControlID, control.dwControlType, n);
        if (mixer < m_mixers.size())
            element->m_mixerName =
                Text(m_mixers[mixer].caps.szPname, sizeof(m_mixers[mixer].caps.szPname));
        for (DWORD i = 0; i < items; ++i)
            element->m_itemNames.push_back(
                Text(record.listTexts[c][i].szName, sizeof(record.listTexts[c][i].szName)));
        if (element->m_kind != MIXER_KIND_OTHER) {
            try {
                element->m_valueList.assign(n, 0);
            } catch (const std::exception&) {
                return 0;
            }
            MIXERCONTROLDETAILS details{};
            details.cbStruct = sizeof(details);
            details.dwControlID = control.dwControlID;
            details.cChannels = 1;
            details.cMultipleItems = control.cMultipleItems;
            details.cbDetails = sizeof(DWORD);
            details.paDetails = element->m_valueList.data();
            r = mixerGetControlDetails(AsObject(handle), &details,
                                       kByHandle | MIXER_GETCONTROLDETAILSF_VALUE);
            if (r != MMSYSERR_NOERROR) {
                m_error = Format("AddControls : mixerGetControlDetails failed : %d",
                                 static_cast<int>(r)) +
                          MixerFailureDetail(mixer, r);
                TRACE_LOG(2, kModule, __LINE__, "%s", m_error.c_str());
                return 0;
            }
        }
        m_elements.push_back(std::move(element));
    }
    return 1;
}

int CMixerInfo::GetElements(std::vector<CElementMixer*>& out) {
    int result = 1;
    if (m_elements.empty())
        result = FillMixerInfoTree();
    out.clear();
    for (const auto& e : m_elements)
        out.push_back(e.get());
    return result;
}

// The device's description of the element's control; false when it has none.
static bool ControlOf(HMIXER handle, const CElementMixer& e, MIXERCONTROL& control) {
    control = MIXERCONTROL{};
    control.cbStruct = sizeof(control);
    MIXERLINECONTROLS request{};
    request.cbStruct = sizeof(request);
    request.dwControlID = e.m_controlId;
    request.cControls = 1;
    request.cbmxctrl = sizeof(control);
    request.pamxctrl = &control;
    return mixerGetLineControls(AsObject(handle), &request,
                                MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYID) ==
           MMSYSERR_NOERROR;
}

// The file keeps no item count below 2, yet a list control with a single item
// expects that item to be named in the details; the device tells how many
// items the control has. Any other control keeps the stored count.
static DWORD ItemCountForWrite(HMIXER handle, const CElementMixer& e) {
    if (e.m_items != 0)
        return e.m_items;
    MIXERCONTROL control;
    if (ControlOf(handle, e, control) &&
        (control.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) != 0 && control.cMultipleItems == 1)
        return 1;
    return 0;
}

// A list control whose items are no longer those of the snapshot (a device
// of the sound server came or went) gets its values moved to the items of
// the same names. False with `gone` set when a selected item is no longer
// there, or with `changed` set when the items' count changed and their names
// were not kept (a file without its record): the values cannot be placed.
// A list whose items are unchanged keeps its values by position.
static bool FollowItemsByName(HMIXER handle, const CElementMixer& e, std::vector<DWORD>& values,
                              DWORD& items, std::string& gone, bool& changed) {
    if (e.m_itemNames.empty()) {
        MIXERCONTROL control;
        changed = e.m_items >= 2 && ControlOf(handle, e, control) &&
                  (control.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) != 0 &&
                  control.cMultipleItems != e.m_items;
        return !changed;
    }
    MIXERCONTROL control;
    if (!ControlOf(handle, e, control) || control.cMultipleItems == 0 ||
        (control.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) == 0)
        return true; // the write tells what is wrong
    std::vector<MIXERCONTROLDETAILS_LISTTEXT> texts(control.cMultipleItems);
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof(details);
    details.dwControlID = e.m_controlId;
    details.cChannels = 1;
    details.cMultipleItems = control.cMultipleItems;
    details.cbDetails = sizeof(MIXERCONTROLDETAILS_LISTTEXT);
    details.paDetails = texts.data();
    if (mixerGetControlDetails(AsObject(handle), &details,
                               MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_LISTTEXT) !=
        MMSYSERR_NOERROR)
        return true;
    std::vector<std::string> now;
    for (const MIXERCONTROLDETAILS_LISTTEXT& t : texts)
        now.push_back(Text(t.szName, sizeof(t.szName)));
    if (now == e.m_itemNames)
        return true;

    std::vector<DWORD> moved(now.size(), 0);
    std::vector<bool> taken(now.size(), false);
    for (std::size_t i = 0; i < e.m_itemNames.size(); ++i) {
        const DWORD value = i < e.m_valueList.size() ? e.m_valueList[i] : 0;
        std::size_t j = 0;
        while (j < now.size() && (taken[j] || now[j] != e.m_itemNames[i]))
            ++j;
        if (j < now.size()) {
            moved[j] = value;
            taken[j] = true;
        } else if (value != 0) {
            gone = e.m_itemNames[i];
            return false;
        }
    }
    values = std::move(moved);
    items = control.cMultipleItems;
    return true;
}

namespace {

// The mixers present now, by name ("" for one whose name cannot be read).
std::vector<std::string> MixerNamesNow() {
    std::vector<std::string> names(mixerGetNumDevs());
    for (UINT i = 0; i < names.size(); ++i) {
        MIXERCAPS caps{};
        if (mixerGetDevCaps(i, &caps, sizeof(caps)) == MMSYSERR_NOERROR)
            names[i] = Text(caps.szPname, sizeof(caps.szPname));
    }
    return names;
}

constexpr long kMixerGone = -1;

// The number now of the element's mixer: the one of its name, the number it
// had first among several of that name; its number when it has no name.
long MixerNow(const CElementMixer& e, const std::vector<std::string>& names) {
    if (e.m_mixerName.empty())
        return static_cast<long>(e.m_mixer);
    if (e.m_mixer < names.size() && (names[e.m_mixer] == e.m_mixerName || names[e.m_mixer].empty()))
        return static_cast<long>(e.m_mixer);
    const auto it = std::find(names.begin(), names.end(), e.m_mixerName);
    return it == names.end() ? kMixerGone : static_cast<long>(it - names.begin());
}

} // namespace

int CMixerInfo::SetMixerValue(const std::vector<CElementMixer*>& elements) {
    // A mixer or a control that fails (a device unplugged since the
    // snapshot) is skipped and the walk goes on, so every other value is
    // still put back; the first failure is the error, with the count of the
    // others.
    //
    // Each element goes to its mixer by name, mixer by mixer in the order
    // they have now (a sound server's defaults mixer, whose choices undo
    // what choosing a device did, comes last).
    const std::vector<std::string> names = MixerNamesNow();
    std::vector<std::pair<long, const CElementMixer*>> order;
    for (const CElementMixer* e : elements)
        order.emplace_back(MixerNow(*e, names), e);
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });

    long current = -1;
    HMIXER handle = nullptr;
    bool opened = false;
    int failures = 0;
    std::string first;
    auto fail = [&](std::string text) {
        TRACE_LOG(2, kModule, __LINE__, "%s", text.c_str());
        if (failures++ == 0)
            first = std::move(text);
    };
    auto close = [&] {
        if (handle == nullptr)
            return;
        const MMRESULT r = mixerClose(handle);
        handle = nullptr;
        if (r != MMSYSERR_NOERROR)
            fail(Format("InfoMix:SetMixerValue : Error on mixerClose : %d", static_cast<int>(r)) +
                 MixerFailureDetail(static_cast<UINT>(current), r));
    };

    std::string goneMixer;
    for (const auto& [now, e] : order) {
        if (now == kMixerGone) {
            // Once per mixer, as a mixer that cannot be opened.
            if (e->m_mixerName != goneMixer) {
                close();
                current = kMixerGone;
                goneMixer = e->m_mixerName;
                fail("InfoMix:SetMixerValue : the mixer \"" + goneMixer + "\" is no longer there");
            }
            continue;
        }
        if (now != current) {
            close();
            current = now;
            goneMixer.clear();
            const MMRESULT r = mixerOpen(&handle, static_cast<UINT>(now), 0, 0, 0);
            opened = r == MMSYSERR_NOERROR;
            if (!opened) {
                handle = nullptr;
                fail(Format("InfoMix:SetMixerValue :Error opening mixer device : %d",
                            static_cast<int>(r)) +
                     MixerFailureDetail(static_cast<UINT>(now), r));
            }
        }
        if (!opened || e->m_kind > MIXER_KIND_UNSIGNED || e->m_valueList.empty())
            continue;

        // One slot per item the device will read, whatever the element holds.
        DWORD items = ItemCountForWrite(handle, *e);
        std::vector<DWORD> values(e->m_valueList);
        std::string gone;
        bool changed = false;
        if (!FollowItemsByName(handle, *e, values, items, gone, changed)) {
            const std::string where = MixerNameDetail(static_cast<UINT>(now));
            fail(changed ? Format("InfoMix:SetMixerValue : the choices of control %u changed "
                                  "since the snapshot, which does not name them",
                                  static_cast<unsigned>(e->m_controlId)) +
                               where
                         : "InfoMix:SetMixerValue : \"" + gone + "\" is no longer offered" + where);
            continue;
        }
        values.resize(std::max<std::size_t>({values.size(), items, 1}), 0);
        MIXERCONTROLDETAILS details{};
        details.cbStruct = sizeof(details);
        details.dwControlID = e->m_controlId;
        details.cChannels = 1;
        details.cMultipleItems = items;
        details.cbDetails = sizeof(DWORD);
        details.paDetails = values.data();
        const MMRESULT r = mixerSetControlDetails(
            AsObject(handle), &details, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE);
        if (r != MMSYSERR_NOERROR)
            fail(Format("InfoMix:SetMixerValue : mixerSetControlDetails failed : %d",
                        static_cast<int>(r)) +
                 MixerFailureDetail(static_cast<UINT>(now), r));
    }
    close();
    if (failures == 0)
        return 1;
    m_error = first;
    if (failures > 1)
        m_error += Format(" (and %d more settings that could not be put back)", failures - 1);
    return 0;
}
