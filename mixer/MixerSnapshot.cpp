// The snapshot operations of CMixerSetup: every adjustable control of every
// mixer kept for the run, written to a file and written back.
#include "mixer/MixerSetup.h"

#include "mixer/InfoMix.h"
#include "mixer/MixerRun.h"
#include "platform/archive/archive.h"
#include "platform/files/directories.h"
#include "platform/files/paths.h"
#include "platform/system/trace.h"

#include <algorithm>
#include <ctime>

using namespace plat;

namespace {

constexpr const char* kModule = "MixerSetup";

std::string WithPath(const char* text, const std::string& path) {
    return text + path;
}

// The design's words for a failed write, then the writer's, which say why
// ("No space left on device", "File too large").
std::string WithReason(const char* text, const std::string& path, const std::string& reason) {
    return reason.empty() ? WithPath(text, path) : WithPath(text, path) + " (" + reason + ")";
}

std::vector<CElementMixer*> Pointers(std::vector<CElementMixer>& elements) {
    std::vector<CElementMixer*> out;
    out.reserve(elements.size());
    for (CElementMixer& e : elements)
        out.push_back(&e);
    return out;
}

// The archive writes beside the file and replaces it only once every byte is
// on disk, so a failed save leaves an earlier snapshot intact.
bool WriteElements(const std::string& path, std::vector<CElementMixer>& elements,
                   std::string& error) {
    CArchiveWriter ar;
    if (!ar.Open(path)) {
        error = WithReason("Error : creating file ", path, ar.GetError());
        TRACE_LOG(2, kModule, __LINE__, "%s", ar.GetError().c_str());
        return false;
    }
    StoreElements(ar, Pointers(elements));
    if (!ar.Commit()) {
        error = WithReason("Error : writing file ", path, ar.GetError());
        TRACE_LOG(2, kModule, __LINE__, "%s", ar.GetError().c_str());
        return false;
    }
    TRACE_LOG(0, kModule, __LINE__, "Mixer.ser écrit sur le disque");
    return true;
}

} // namespace

std::string MixerSnapshotPath() {
    const std::string temp = GetTempPath();
    return temp.empty() ? std::string() : temp + "Mixer.ser";
}

int CMixerSetup::TakeElements(std::vector<CElementMixer>& elements) {
    CMixerInfo info;
    std::vector<CElementMixer*> found;
    if (!info.GetElements(found)) {
        m_error = info.m_error;
        return 0;
    }
    elements.clear();
    elements.reserve(found.size());
    for (const CElementMixer* e : found)
        elements.push_back(*e);
    return 1;
}

int CMixerSetup::WriteBack(std::vector<CElementMixer>& elements) {
    CMixerInfo info;
    const int result = info.SetMixerValue(Pointers(elements));
    if (!result)
        m_error = info.m_error;
    return result;
}

int CMixerSetup::SaveSnapshot(const std::string& path) {
    if (m_snapshotTaken)
        return 1;
    std::vector<CElementMixer> elements;
    if (!TakeElements(elements))
        return 0;
    m_snapshot = std::move(elements);
    m_snapshotTaken = true;
    m_inFile = m_snapshot.size();
    m_taken = std::time(nullptr);

    // A snapshot that an ended run left waiting holds the settings from
    // before that run: it is kept for the user's answer at the next start.
    RecordedRun other;
    const SnapshotOwner owner = FindSnapshotOwner(path, &other);
    if (owner == SnapshotOwner::EndedRun || owner == SnapshotOwner::LivingRun) {
        m_error =
            WithPath("Error : the sound settings of an earlier run are still waiting in ", path) +
            "; this run keeps its snapshot in memory only, so a crash could not be "
            "recovered";
        TRACE_LOG(1, kModule, __LINE__, "%s", m_error.c_str());
        return 0;
    }
    std::string error;
    if (path.empty()) {
        m_error = "Error : the snapshot is kept in memory only, so a crash could not be recovered";
        return 0;
    }
    if (!WriteElements(path, m_snapshot, error) ||
        !WriteSnapshotRecord(path, m_snapshot, m_inFile, true, m_taken, error)) {
        m_error = error + " (the snapshot is kept in memory for Cancel, but a crash could not "
                          "be recovered)";
        TRACE_LOG(1, kModule, __LINE__, "%s", m_error.c_str());
        RemoveRunRecord(path);
        return 0;
    }
    m_snapshotFile = path;
    return 1;
}

namespace {

// The same control: of the mixer of the same name (of the same number where
// the names were not read), with the same id.
bool SameControl(const CElementMixer& a, const CElementMixer& b) {
    return a.m_controlId == b.m_controlId && a.m_mixerName == b.m_mixerName &&
           (!a.m_mixerName.empty() || a.m_mixer == b.m_mixer);
}

} // namespace

int CMixerSetup::AddToSnapshot() {
    if (!m_snapshotTaken)
        return 1;
    std::vector<CElementMixer> now;
    if (!TakeElements(now))
        return 0;
    std::size_t added = 0;
    for (CElementMixer& e : now) {
        const bool held = std::any_of(m_snapshot.begin(), m_snapshot.end(),
                                      [&](const CElementMixer& s) { return SameControl(s, e); });
        if (!held) {
            m_snapshot.push_back(std::move(e));
            ++added;
        }
    }
    if (added == 0 || m_snapshotFile.empty())
        return 1;
    TRACE_LOG(0, kModule, __LINE__, "%d contrôles ajoutés à la sauvegarde",
              static_cast<int>(added));
    std::string error;
    if (!WriteSnapshotRecord(m_snapshotFile, m_snapshot, m_inFile, true, m_taken, error)) {
        m_error = error + " (the controls of the device chosen are kept in memory for Cancel, "
                          "but a crash could not put them back)";
        TRACE_LOG(1, kModule, __LINE__, "%s", m_error.c_str());
        return 0;
    }
    return 1;
}

int CMixerSetup::RestoreSnapshot(const std::string& path) {
    if (!m_snapshotTaken) {
        m_error = "Error : no snapshot was taken in this run";
        return 0;
    }
    if (!WriteBack(m_snapshot))
        return 0; // file and record stay for the next start
    m_snapshotTaken = false;
    m_snapshot.clear();
    m_inFile = 0;
    if (!m_snapshotFile.empty() && m_snapshotFile == path) {
        RemoveRunRecord(path);
        DeleteFile(path);
    }
    m_snapshotFile.clear();
    return 1;
}

void CMixerSetup::KeepChanges(const std::string& path) {
    if (m_snapshotTaken && !m_snapshotFile.empty() && m_snapshotFile == path)
        RemoveRunRecord(path);
    m_snapshotTaken = false;
    m_snapshot.clear();
    m_inFile = 0;
    m_snapshotFile.clear();
}

int CMixerSetup::WriteSnapshotFile(const std::string& path) {
    std::vector<CElementMixer> elements;
    if (!TakeElements(elements))
        return 0;
    // The names beside it: a restore finds the mixers and list items by them.
    return WriteElements(path, elements, m_error) &&
                   WriteSnapshotRecord(path, elements, elements.size(), false, 0, m_error)
               ? 1
               : 0;
}

int CMixerSetup::RestoreSnapshotFile(const std::string& path, bool deleteFile) {
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
    std::vector<CElementMixer> elements;
    elements.reserve(loaded.size());
    for (const auto& e : loaded)
        elements.push_back(*e);
    // Without its record (a file of an earlier version, or one copied alone)
    // the file goes by mixer number and item position.
    if (!ReadSnapshotRecord(path, elements))
        TRACE_LOG(1, kModule, __LINE__, "%s: no names beside it, restored by number", path.c_str());
    if (!WriteBack(elements))
        return 0;
    // Only once every value is back: the file may be all that is left of the
    // user's settings.
    if (deleteFile) {
        RemoveRunRecord(path);
        DeleteFile(path);
    }
    return 1;
}
