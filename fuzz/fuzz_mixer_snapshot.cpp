// The mixer snapshot "Mixer.ser" on any bytes: a refused file leaves no
// element; an accepted one, written again and read back, gives the same
// elements.
#include "fuzz/FuzzSupport.h"
#include "mixer/ElementMixer.h"

namespace {

constexpr const char* kName = "fuzz_mixer_snapshot";

using Elements = std::vector<std::unique_ptr<CElementMixer>>;

bool Same(const CElementMixer& a, const CElementMixer& b) {
    return a.m_valueList == b.m_valueList && a.m_mixer == b.m_mixer &&
           a.m_controlId == b.m_controlId && a.m_kind == b.m_kind && a.m_items == b.m_items;
}

bool Load(const std::string& path, Elements& elements) {
    plat::CArchiveReader ar;
    if (!ar.Open(path))
        fuzz::Fail(kName, "cannot open " + path);
    return LoadElements(ar, elements);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::WriteInput("Mixer.ser", data, size);
    Elements read;
    if (!Load(path, read)) {
        if (!read.empty())
            fuzz::Fail(kName, "a refused snapshot still holds elements");
        return 0;
    }

    const std::string copy = fuzz::ScratchDir() + "copy.ser";
    std::vector<CElementMixer*> pointers;
    for (const auto& e : read)
        pointers.push_back(e.get());
    plat::CArchiveWriter writer;
    if (!writer.Open(copy))
        fuzz::Fail(kName, "cannot create " + copy);
    StoreElements(writer, pointers);
    if (!writer.Commit())
        fuzz::Fail(kName, "cannot write " + copy);

    Elements back;
    if (!Load(copy, back))
        fuzz::Fail(kName, "the snapshot written again is refused");
    if (back.size() != read.size())
        fuzz::Fail(kName, std::to_string(read.size()) + " elements read back as " +
                              std::to_string(back.size()));
    for (std::size_t i = 0; i < read.size(); ++i)
        if (!Same(*read[i], *back[i]))
            fuzz::Fail(kName, "element " + std::to_string(i) + " changes when written again");
    return 0;
}
