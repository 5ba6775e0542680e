#include "mixer/MixerRun.h"

#include "mixer/MixerSetup.h"
#include "platform/files/paths.h"
#include "platform/text/ini_file.h"

#include "platform/system/trace.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr const char* kSection = "Run";
constexpr const char* kNames = "Snapshot";
// More elements than any mixer has: a record that says more is damaged.
constexpr long kMaxElements = 100000;
// Read for a key the record does not hold: no escaped name contains it.
constexpr const char* kMissing = "\x01";

// The snapshot's directory with a trailing separator ("" for a bare name).
std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = plat::NativePath(path).rfind(plat::kPathSeparator);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool ReadRunRecord(const std::string& path, RecordedRun& run) {
    CIniFile record;
    if (!record.Open(path) || !record.FindSection(kSection))
        return false;
    run.process.pid = record.GetLong("Pid");
    run.process.bootId = record.GetValue("Boot");
    run.process.start = std::strtoull(record.GetValue("Start").c_str(), nullptr, 10);
    run.taken = static_cast<std::time_t>(record.GetLong("Taken"));
    return run.process.pid > 0 && !run.process.bootId.empty();
}

// A name as a value of the record: '%', control bytes and blanks at either
// end (which the INI reader trims) as %XX; other bytes as they are.
std::string Escaped(const std::string& name) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        const bool end = (i == 0 || i + 1 == name.size()) && (c == ' ' || c == '\t');
        if (c < 0x20 || c == 0x7F || c == '%' || end) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool Unescaped(const std::string& value, std::string& name) {
    auto hex = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    name.clear();
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '%') {
            name += value[i];
            continue;
        }
        if (i + 2 >= value.size() || hex(value[i + 1]) < 0 || hex(value[i + 2]) < 0)
            return false;
        name += static_cast<char>(hex(value[i + 1]) * 16 + hex(value[i + 2]));
        i += 2;
    }
    return true;
}

// A number of the record: decimal digits only, within a DWORD.
bool Number(const std::string& text, plat::DWORD& number) {
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != text.npos)
        return false;
    const unsigned long long n = std::strtoull(text.c_str(), nullptr, 10);
    if (n > 0xFFFFFFFFull)
        return false;
    number = static_cast<plat::DWORD>(n);
    return true;
}

std::string ElementSection(std::size_t i) {
    return "Element " + std::to_string(i);
}

void WriteItems(CIniFile& record, const std::string& section,
                const std::vector<std::string>& items) {
    for (std::size_t i = 0; i < items.size(); ++i)
        record.SetString(section, "Item" + std::to_string(i), Escaped(items[i]));
}

// The item names of the current section; false when one cannot be read.
bool ReadItems(CIniFile& record, std::size_t count, std::vector<std::string>& items) {
    items.assign(count, {});
    for (std::size_t i = 0; i < count; ++i)
        if (!Unescaped(record.GetValue("Item" + std::to_string(i)), items[i]) ||
            items[i] == kMissing)
            return false;
    return true;
}

// An element added after the file was written, from its section.
bool ReadAdded(CIniFile& record, CElementMixer& e) {
    plat::DWORD items = 0;
    if (!Number(record.GetValue("Mixer"), e.m_mixer) ||
        !Number(record.GetValue("Control"), e.m_controlId) ||
        !Number(record.GetValue("Kind"), e.m_kind) || !Number(record.GetValue("Items"), items) ||
        !Unescaped(record.GetValue("MixerName"), e.m_mixerName) || e.m_mixerName == kMissing ||
        items > 0xFFFF)
        return false;
    e.m_items = items < 2 ? 0 : items;
    const std::string values = record.GetValue("Values");
    if (values == kMissing)
        return false;
    e.m_valueList.clear();
    for (std::size_t at = 0; at < values.size();) {
        const std::size_t comma = std::min(values.find(',', at), values.size());
        plat::DWORD v = 0;
        if (!Number(values.substr(at, comma - at), v) || e.m_valueList.size() >= 0xFFFF)
            return false;
        e.m_valueList.push_back(v);
        at = comma + 1;
    }
    // As a loaded element: one value per item, else a single one.
    if (e.m_kind <= MIXER_KIND_UNSIGNED && !e.m_valueList.empty() &&
        e.m_valueList.size() != (e.m_items < 2 ? 1u : e.m_items))
        return false;
    return e.m_items < 2 || ReadItems(record, e.m_items, e.m_itemNames);
}

} // namespace

std::string RunRecordPath(const std::string& snapshotPath) {
    const std::string dir = DirectoryOf(snapshotPath);
    std::string name = snapshotPath.substr(dir.size());
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return dir + name + ".run";
}

bool WriteSnapshotRecord(const std::string& snapshotPath,
                         const std::vector<CElementMixer>& elements, std::size_t inFile, bool run,
                         std::time_t taken, std::string& error) {
    CIniFile record;
    if (run) {
        const plat::ProcessIdentity self = plat::CurrentProcess();
        record.SetLong(kSection, "Pid", self.pid);
        record.SetString(kSection, "Boot", self.bootId);
        record.SetString(kSection, "Start", std::to_string(self.start));
        record.SetLong(kSection, "Taken", static_cast<long>(taken));
    }
    inFile = std::min(inFile, elements.size());
    record.SetLong(kNames, "File", static_cast<long>(inFile));
    record.SetLong(kNames, "Elements", static_cast<long>(elements.size()));
    std::vector<const std::string*> mixers;
    for (std::size_t i = 0; i < inFile; ++i) {
        const CElementMixer& e = elements[i];
        if (e.m_mixer >= mixers.size())
            mixers.resize(e.m_mixer + 1, nullptr);
        if (!mixers[e.m_mixer])
            mixers[e.m_mixer] = &e.m_mixerName;
    }
    record.SetLong(kNames, "Mixers", static_cast<long>(mixers.size()));
    for (std::size_t m = 0; m < mixers.size(); ++m)
        if (mixers[m])
            record.SetString(kNames, "Mixer" + std::to_string(m), Escaped(*mixers[m]));
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const CElementMixer& e = elements[i];
        const std::string section = ElementSection(i);
        if (i >= inFile) {
            record.SetLong(section, "Mixer", static_cast<long>(e.m_mixer));
            record.SetString(section, "MixerName", Escaped(e.m_mixerName));
            record.SetString(section, "Control", std::to_string(e.m_controlId));
            record.SetLong(section, "Kind", static_cast<long>(e.m_kind));
            record.SetLong(section, "Items", static_cast<long>(e.m_items));
            std::string values;
            for (plat::DWORD v : e.m_valueList)
                values += (values.empty() ? "" : ",") + std::to_string(v);
            record.SetString(section, "Values", values);
        }
        if (e.m_items >= 2 && e.m_itemNames.size() == e.m_items)
            WriteItems(record, section, e.m_itemNames);
    }
    const std::string path = RunRecordPath(snapshotPath);
    if (!record.Save(path)) {
        error = "Error : creating file " + path;
        return false;
    }
    return true;
}

bool ReadSnapshotRecord(const std::string& snapshotPath, std::vector<CElementMixer>& elements) {
    CIniFile record;
    record.SetNotFoundValue(kMissing);
    if (!record.Open(RunRecordPath(snapshotPath)) || !record.FindSection(kNames))
        return false;
    plat::DWORD inFile = 0, total = 0, mixerCount = 0;
    if (!Number(record.GetValue("File"), inFile) || inFile != elements.size() ||
        !Number(record.GetValue("Elements"), total) || total < inFile || total > kMaxElements ||
        !Number(record.GetValue("Mixers"), mixerCount) || mixerCount > kMaxElements)
        return false;
    std::vector<std::string> mixers(mixerCount);
    for (plat::DWORD m = 0; m < mixerCount; ++m) {
        const std::string value = record.GetValue("Mixer" + std::to_string(m));
        if (value != kMissing && !Unescaped(value, mixers[m]))
            return false;
    }
    std::vector<CElementMixer> named(elements);
    for (std::size_t i = 0; i < total; ++i) {
        const bool hasSection = record.FindSection(ElementSection(i));
        if (i >= inFile) {
            CElementMixer added;
            if (!hasSection || !ReadAdded(record, added)) {
                TRACE_LOG(1, "MixerRun", __LINE__, "%s: element %d cannot be read",
                          RunRecordPath(snapshotPath).c_str(), static_cast<int>(i));
                return false;
            }
            named.push_back(std::move(added));
            continue;
        }
        CElementMixer& e = named[i];
        if (e.m_mixer < mixers.size())
            e.m_mixerName = mixers[e.m_mixer];
        if (hasSection && e.m_items >= 2 && !ReadItems(record, e.m_items, e.m_itemNames))
            e.m_itemNames.clear(); // by position, as without a record
    }
    elements = std::move(named);
    return true;
}

void RemoveRunRecord(const std::string& snapshotPath) {
    plat::DeleteFile(RunRecordPath(snapshotPath));
}

SnapshotOwner FindSnapshotOwner(const std::string& snapshotPath, RecordedRun* run) {
    const std::string recordPath = RunRecordPath(snapshotPath);
    if (!plat::FileExists(recordPath) || !plat::FileExists(snapshotPath))
        return SnapshotOwner::None;
    RecordedRun found;
    const bool readable = ReadRunRecord(recordPath, found);
    // A record of names only (a file saved by --save-mixer) names no run.
    if (!readable) {
        CIniFile record;
        if (record.Open(recordPath) && !record.FindSection(kSection) && record.FindSection(kNames))
            return SnapshotOwner::None;
    }
    if (run != nullptr)
        *run = found;
    if (!readable)
        return SnapshotOwner::EndedRun;
    const plat::ProcessIdentity self = plat::CurrentProcess();
    if (found.process.pid == self.pid && found.process.bootId == self.bootId &&
        found.process.start == self.start)
        return SnapshotOwner::ThisRun;
    return plat::IsProcessAlive(found.process) ? SnapshotOwner::LivingRun : SnapshotOwner::EndedRun;
}

bool CRunLock::Acquire(const std::string& snapshotPath, std::string& error) {
    const std::string path = DirectoryOf(snapshotPath) + "Pelmora.lock";
    if (m_lock.Acquire(path, true))
        return true;
    error = m_lock.WasBusy()
                ? "The audio wizard is already running. Finish or cancel it before starting it "
                  "again."
                : "The audio wizard cannot take its lock " + path + ": " + m_lock.GetError();
    return false;
}

int RestoreWaitingSnapshot(const std::string& snapshotPath, std::string& error) {
    CMixerSetup setup;
    if (!setup.RestoreSnapshotFile(snapshotPath, true)) {
        error = setup.GetErrorText();
        return 0;
    }
    return 1;
}

void DiscardWaitingSnapshot(const std::string& snapshotPath) {
    RemoveRunRecord(snapshotPath);
    plat::DeleteFile(snapshotPath);
}

std::string RestoreFailedText(const std::string& error, const std::string& snapshotPath) {
    if (snapshotPath.empty())
        return "The sound settings could not be put back as they were before the wizard:\n" +
               error +
               "\n\nThey could not be kept on disk either: please set the volumes again in the "
               "sound settings of the desktop.";
    return "The sound settings could not be put back as they were before the wizard:\n" + error +
           "\n\nThey are kept in " + snapshotPath +
           ". The next start of the audio wizard offers to put them back; they can also be put "
           "back with the command\n    pelmora --restore-mixer";
}
