#include "mixer/ElementMixer.h"

using namespace plat;

namespace {

// The smallest element in a file: a known-class tag, an empty value count and
// the four 32-bit fields.
constexpr std::size_t kMinElementBytes = 2 + 2 + 4 * 4;

} // namespace

CElementMixer::CElementMixer(DWORD mixer, DWORD lineType, DWORD controlId, DWORD controlType,
                             DWORD items)
    : m_mixer(mixer), m_controlId(controlId), m_kind(KindOf(controlType)),
      m_items(items < 2 ? 0 : items), m_lineType(lineType), m_controlType(controlType) {}

DWORD CElementMixer::KindOf(DWORD controlType) {
    switch (controlType) {
    case MIXERCONTROL_CONTROLTYPE_BOOLEANMETER:
    case MIXERCONTROL_CONTROLTYPE_BOOLEAN:
    case MIXERCONTROL_CONTROLTYPE_ONOFF:
    case MIXERCONTROL_CONTROLTYPE_MUTE:
    case MIXERCONTROL_CONTROLTYPE_MONO:
    case MIXERCONTROL_CONTROLTYPE_LOUDNESS:
    case MIXERCONTROL_CONTROLTYPE_STEREOENH:
    case MIXERCONTROL_CONTROLTYPE_BUTTON:
    case MIXERCONTROL_CONTROLTYPE_SINGLESELECT:
    case MIXERCONTROL_CONTROLTYPE_MUX:
    case MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT:
    case MIXERCONTROL_CONTROLTYPE_MIXER:
        return MIXER_KIND_BOOLEAN;
    case MIXERCONTROL_CONTROLTYPE_SIGNEDMETER:
    case MIXERCONTROL_CONTROLTYPE_PEAKMETER:
    case MIXERCONTROL_CONTROLTYPE_SIGNED:
    case MIXERCONTROL_CONTROLTYPE_DECIBELS:
    case MIXERCONTROL_CONTROLTYPE_SLIDER:
    case MIXERCONTROL_CONTROLTYPE_PAN:
    case MIXERCONTROL_CONTROLTYPE_QSOUNDPAN:
        return MIXER_KIND_SIGNED;
    case MIXERCONTROL_CONTROLTYPE_UNSIGNEDMETER:
    case MIXERCONTROL_CONTROLTYPE_UNSIGNED:
    case MIXERCONTROL_CONTROLTYPE_PERCENT:
    case MIXERCONTROL_CONTROLTYPE_FADER:
    case MIXERCONTROL_CONTROLTYPE_VOLUME:
    case MIXERCONTROL_CONTROLTYPE_BASS:
    case MIXERCONTROL_CONTROLTYPE_TREBLE:
    case MIXERCONTROL_CONTROLTYPE_EQUALIZER:
    case MIXERCONTROL_CONTROLTYPE_MICROTIME:
    case MIXERCONTROL_CONTROLTYPE_MILLITIME:
        return MIXER_KIND_UNSIGNED;
    default:
        return MIXER_KIND_OTHER;
    }
}

void CElementMixer::Store(CArchiveWriter& ar) const {
    ar.WriteCount(static_cast<DWORD>(m_valueList.size()));
    for (DWORD v : m_valueList)
        ar.WriteDword(v);
    ar.WriteDword(m_mixer);
    ar.WriteDword(m_controlId);
    ar.WriteDword(m_kind);
    ar.WriteDword(m_items);
}

bool CElementMixer::Load(CArchiveReader& ar) {
    DWORD count = 0;
    if (!ar.ReadCount(count, sizeof(DWORD)))
        return false;
    m_valueList.resize(count);
    for (DWORD& v : m_valueList) {
        if (!ar.ReadDword(v))
            return false;
    }
    if (!ar.ReadDword(m_mixer) || !ar.ReadDword(m_controlId) || !ar.ReadDword(m_kind) ||
        !ar.ReadDword(m_items))
        return false;
    // Values of a control with items are one per item, else a single one; a
    // count that does not fit would make the device read past the values.
    if (m_kind <= MIXER_KIND_UNSIGNED && count != 0) {
        const DWORD expected = m_items < 2 ? 1 : m_items;
        if (count != expected)
            return false;
    }
    return true;
}

void StoreElements(CArchiveWriter& ar, const std::vector<CElementMixer*>& elements) {
    ar.WriteCount(static_cast<DWORD>(elements.size()));
    for (const CElementMixer* e : elements) {
        ar.WriteObjectHeader(CElementMixer::kClassName, CElementMixer::kSchema);
        e->Store(ar);
    }
}

bool LoadElements(CArchiveReader& ar, std::vector<std::unique_ptr<CElementMixer>>& elements) {
    elements.clear();
    DWORD count = 0;
    bool ok = ar.ReadCount(count, kMinElementBytes);
    for (DWORD i = 0; ok && i < count; ++i) {
        std::string className;
        WORD schema = 0;
        ok = ar.ReadObjectHeader(className, schema) == CArchiveReader::ObjectTag::Object &&
             className == CElementMixer::kClassName && schema == CElementMixer::kSchema;
        if (ok) {
            auto e = std::make_unique<CElementMixer>();
            ok = e->Load(ar);
            elements.push_back(std::move(e));
        }
    }
    ok = ok && ar.Remaining() == 0;
    if (!ok)
        elements.clear();
    return ok;
}
