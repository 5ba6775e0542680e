// The snapshot operations of CMixerSetup: every adjustable control of every
// mixer saved to a file and written back from it.
#include "mixer/MixerSetup.h"

#include "mixer/ElementMixer.h"
#include "mixer/InfoMix.h"
#include "platform/Archive.h"
#include "platform/system.h"
#include "platform/trace.h"

using namespace plat;

namespace {

constexpr const char* kModule = "MixerSetup";

std::string WithPath(const char* text, const std::string& path) {
    return text + path;
}

} // namespace

std::string MixerSnapshotPath() {
    const std::string temp = GetTempPath();
    return temp.empty() ? std::string() : temp + "Mixer.ser";
}

int CMixerSetup::SaveSnapshot(const std::string& path) {
    CMixerInfo info;
    std::vector<CElementMixer*> elements;
    if (!info.GetElements(elements)) {
        m_error = info.m_error;
        return 0;
    }

    // The archive writes beside the file and replaces it only once every
    // byte is on disk, so a failed save leaves an earlier snapshot intact.
    CArchiveWriter ar;
    if (!ar.Open(path)) {
        m_error = WithPath("Error : creating file ", path);
        TRACE_LOG(2, kModule, __LINE__, "%s", ar.GetError().c_str());
        return 0;
    }
    StoreElements(ar, elements);
    if (!ar.Commit()) {
        m_error = WithPath("Error : writing file ", path);
        TRACE_LOG(2, kModule, __LINE__, "%s", ar.GetError().c_str());
        return 0;
    }
    TRACE_LOG(0, kModule, __LINE__, "Mixer.ser écrit sur le disque");
    return 1;
}

int CMixerSetup::RestoreSnapshot(const std::string& path) {
    return Restore(path, true);
}

int CMixerSetup::RestoreSnapshotKeepingFile(const std::string& path) {
    return Restore(path, false);
}

int CMixerSetup::Restore(const std::string& path, bool deleteFile) {
    CMixerInfo info;
    std::vector<std::unique_ptr<CElementMixer>> loaded;
    {
        CArchiveReader ar;
        if (!ar.Open(path)) {
            m_error = WithPath("Error : opening file ", path);
            return 0;
        }
        if (!LoadElements(ar, loaded)) {
            m_error = WithPath("Error : reading file ", path);
            return 0;
        }
    }
    if (deleteFile)
        DeleteFile(path);

    std::vector<CElementMixer*> elements;
    elements.reserve(loaded.size());
    for (const auto& e : loaded)
        elements.push_back(e.get());
    const int result = info.SetMixerValue(elements);
    if (!result)
        m_error = info.m_error;
    return result;
}
