// The record beside the mixer snapshot ("Mixer.run": the mixers' and list
// items' names, the controls added later) on any bytes, for a snapshot of
// three elements: a refused record leaves the elements as they were; an
// accepted one keeps the file's values, gives every element values that fit
// its items, and written again and read back gives the same elements.
#include "fuzz/FuzzSupport.h"
#include "mixer/MixerRun.h"

namespace {

constexpr const char* kName = "fuzz_mixer_record";

// What the snapshot file holds: a volume, a three-item list, a mute.
std::vector<CElementMixer> FileElements() {
    using namespace plat;
    std::vector<CElementMixer> elements;
    elements.emplace_back(0, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 1,
                          MIXERCONTROL_CONTROLTYPE_VOLUME, 0);
    elements.back().m_valueList = {40000};
    elements.emplace_back(1, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 7, MIXERCONTROL_CONTROLTYPE_MUX,
                          3);
    elements.back().m_valueList = {0, 1, 0};
    elements.emplace_back(1, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 8, MIXERCONTROL_CONTROLTYPE_MUTE,
                          0);
    elements.back().m_valueList = {1};
    return elements;
}

bool Same(const CElementMixer& a, const CElementMixer& b) {
    return a.m_valueList == b.m_valueList && a.m_mixer == b.m_mixer &&
           a.m_controlId == b.m_controlId && a.m_kind == b.m_kind && a.m_items == b.m_items &&
           a.m_mixerName == b.m_mixerName && a.m_itemNames == b.m_itemNames;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string snapshot = fuzz::ScratchDir() + "Mixer.ser";
    fuzz::WriteInput("Mixer.run", data, size);
    const std::vector<CElementMixer> file = FileElements();
    std::vector<CElementMixer> read = file;
    if (!ReadSnapshotRecord(snapshot, read)) {
        for (std::size_t i = 0; i < file.size(); ++i)
            if (read.size() != file.size() || !Same(read[i], file[i]))
                fuzz::Fail(kName, "a refused record changed the elements");
        return 0;
    }
    if (read.size() < file.size())
        fuzz::Fail(kName, "an accepted record lost elements");
    for (std::size_t i = 0; i < read.size(); ++i) {
        const CElementMixer& e = read[i];
        if (i < file.size() &&
            (e.m_valueList != file[i].m_valueList || e.m_controlId != file[i].m_controlId))
            fuzz::Fail(kName, "the record changed the file's element " + std::to_string(i));
        const std::size_t values = e.m_items < 2 ? 1 : e.m_items;
        if (e.m_kind <= MIXER_KIND_UNSIGNED && !e.m_valueList.empty() &&
            e.m_valueList.size() != values)
            fuzz::Fail(kName, "element " + std::to_string(i) + " has values its items do not fit");
        if (!e.m_itemNames.empty() && e.m_itemNames.size() != e.m_items)
            fuzz::Fail(kName, "element " + std::to_string(i) + " names other items than it has");
    }

    const std::string copy = fuzz::ScratchDir() + "copy.ser";
    std::string error;
    if (!WriteSnapshotRecord(copy, read, file.size(), false, 0, error))
        fuzz::Fail(kName, error);
    std::vector<CElementMixer> back = file;
    if (!ReadSnapshotRecord(copy, back))
        fuzz::Fail(kName, "the record written again is refused");
    if (back.size() != read.size())
        fuzz::Fail(kName, std::to_string(read.size()) + " elements read back as " +
                              std::to_string(back.size()));
    for (std::size_t i = 0; i < read.size(); ++i)
        if (!Same(read[i], back[i]))
            fuzz::Fail(kName, "element " + std::to_string(i) + " changes when written again");
    return 0;
}
