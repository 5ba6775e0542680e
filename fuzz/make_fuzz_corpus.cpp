// Writes starting inputs for the fuzz targets with the program's own writers:
//   make_fuzz_corpus DIR   fills DIR/<target>/ (the folders must exist).
// fuzz/make-corpus.sh runs it and adds the examples and test files.
#include "config/Registry.h"
#include "config/UserList.h"
#include "mixer/MixerRun.h"
#include "mixer/MixerSetup.h"
#include "platform/registry/registry.h"
#include "platform/sound_backend.h"
#include "platform/text/ini_file.h"
#include "platform/virtual/VirtualCard.h"
#include "platform/virtual/WaveData.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <unistd.h>

using namespace plat;
namespace fs = std::filesystem;

namespace {

bool Check(bool ok, const std::string& what) {
    if (!ok)
        std::fprintf(stderr, "make_fuzz_corpus: %s failed\n", what.c_str());
    return ok;
}

bool IniFiles(const fs::path& dir) {
    CIniFile settings;
    settings.SetString("Sound", "Volume", "5000");
    settings.SetString("Sound", "Recording", "7500");
    settings.SetString("Users", "KEYs_Course",
                       "D\xC3\xA9"
                       "butants");
    settings.SetString("Users", "Root", "$QRVDIR$\\..\\Users\\");
    settings.SetLong("Window", "Left", -12);
    CIniFile longLine;
    // Longer than any read buffer.
    longLine.SetString("Text", "Long", std::string(6000, 'x') + " end");
    return Check(settings.Save((dir / "settings.ini").string()), "settings.ini") &&
           Check(longLine.Save((dir / "long-line.ini").string()), "long-line.ini");
}

bool UserLists(const fs::path& dir, const fs::path& scratch) {
    CUserList list;
    list.SetUser("anna01", "Anna Martin");
    list.SetUser("helene03", "H\xC3\xA9l\xC3\xA8ne Dupr\xC3\xA9");
    list.SetUser("long04", std::string(300, 'n'));
    const fs::path root = scratch / "users";
    if (!Check(list.Save(root.string()), "UserList.dat"))
        return false;
    fs::copy_file(root / CUserList::kFileName, dir / "three-students.dat",
                  fs::copy_options::overwrite_existing);
    CUserList empty;
    if (!Check(empty.Save(root.string()), "empty UserList.dat"))
        return false;
    fs::copy_file(root / CUserList::kFileName, dir / "empty.dat",
                  fs::copy_options::overwrite_existing);
    return true;
}

bool MixerSnapshot(const fs::path& dir) {
    InstallSoundBackend(
        std::make_shared<CVirtualCard>(DefaultCardDesc(), CVirtualCard::Clock::Manual));
    CMixerSetup setup;
    return Check(setup.SaveSnapshot((dir / "default-card.ser").string()) == 1,
                 "Mixer.ser: " + setup.GetErrorText());
}

// The record of names of the snapshot fuzz_mixer_record reads (a volume, a
// three-item list, a mute), with a control added later.
bool MixerRecord(const fs::path& dir) {
    std::vector<CElementMixer> elements;
    elements.emplace_back(0, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 1,
                          MIXERCONTROL_CONTROLTYPE_VOLUME, 0);
    elements.back().m_mixerName = "Speakers";
    elements.emplace_back(1, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 7, MIXERCONTROL_CONTROLTYPE_MUX,
                          3);
    elements.back().m_mixerName = " Capture 100% ";
    elements.back().m_itemNames = {"Mic", "Line", "Dock"};
    elements.emplace_back(1, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 8, MIXERCONTROL_CONTROLTYPE_MUTE,
                          0);
    elements.back().m_mixerName = " Capture 100% ";
    elements.emplace_back(2, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 5,
                          MIXERCONTROL_CONTROLTYPE_VOLUME, 0);
    elements.back().m_mixerName = "Headset";
    elements.back().m_valueList = {100};
    std::string error;
    return Check(WriteSnapshotRecord((dir / "three-elements.ser").string(), elements, 3, true,
                                     1700000000, error),
                 "Mixer.run: " + error);
}

bool SetValue(HKEY key, const char* name, DWORD type, const std::vector<BYTE>& data) {
    return RegSetValueEx(key, name, 0, type, data.data(), static_cast<DWORD>(data.size())) ==
           ERROR_SUCCESS;
}

// A hive holding a value of each type from REG_NONE to REG_MULTI_SZ, and its
// export as REGEDIT4.
bool Registry(const fs::path& hiveDir, const fs::path& regDir, const fs::path& scratch) {
    const fs::path hive = scratch / "registry.reg";
    RegUseHiveFile(hive.string());
    HKEY key = nullptr;
    if (!Check(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendrel\\Qrv50", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS,
               "RegCreateKeyEx"))
        return false;
    const std::string dir = "/opt/vendrel/qrv/";
    bool ok = SetValue(key, "InstallDir", REG_SZ, std::vector<BYTE>(dir.begin(), dir.end() + 1)) &&
              SetValue(key, "Version", REG_DWORD, {5, 0, 0, 0}) &&
              SetValue(key, "", REG_SZ, {'Q', 'r', 'v', 0}) &&
              SetValue(key, "Empty", REG_NONE, {}) &&
              SetValue(key, "Path", REG_EXPAND_SZ, {'%', 'H', 'O', 'M', 'E', '%', 0}) &&
              SetValue(key, "Window", REG_BINARY, {1, 2, 3, 4, 0xff, 0x80, 0, 0x7f}) &&
              SetValue(key, "Big", REG_DWORD_BIG_ENDIAN, {0, 0, 1, 0}) &&
              SetValue(key, "Link", REG_LINK, {'a', 0, 'b', 0}) &&
              SetValue(key, "Courses", REG_MULTI_SZ, {'A', '1', 0, 'B', '2', 0, 0}) &&
              SetValue(key, "Quote \"\\ name", REG_SZ, {'t', 'a', 'b', '\t', '"', 0});
    RegCloseKey(key);
    if (!Check(ok, "RegSetValueEx"))
        return false;
    if (!Check(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Vendrel\\Pelmora\\Empty", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS,
               "RegCreateKeyEx"))
        return false;
    RegCloseKey(key);
    fs::copy_file(hive, hiveDir / "every-type.reg", fs::copy_options::overwrite_existing);

    CRegistry reg(HKEY_LOCAL_MACHINE, KEY_READ);
    return Check(reg.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendrel", KEY_READ) &&
                     reg.ExportRegFile((regDir / "vendrel-export.reg").string()),
                 "ExportRegFile");
}

bool WaveFiles(const fs::path& dir) {
    std::string error;
    std::vector<std::uint8_t> mono8(400);
    for (std::size_t i = 0; i < mono8.size(); ++i)
        mono8[i] = static_cast<std::uint8_t>(128 + 100 * std::sin(double(i) * 0.35));
    std::vector<std::uint8_t> stereo16(1200);
    for (std::size_t i = 0; i + 1 < stereo16.size(); i += 2) {
        const auto v = static_cast<std::int16_t>(12000 * std::sin(double(i) * 0.05));
        stereo16[i] = static_cast<std::uint8_t>(v);
        stereo16[i + 1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(v) >> 8);
    }
    return Check(WriteWaveFile((dir / "mono8k8.wav").string(), MakePcmFormat(8000, 8, 1), mono8,
                               error),
                 "mono8k8.wav: " + error) &&
           Check(WriteWaveFile((dir / "stereo11k16.wav").string(), MakePcmFormat(11025, 16, 2),
                               stereo16, error),
                 "stereo11k16.wav: " + error);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_corpus DIR\n");
        return 2;
    }
    const fs::path out = argv[1];
    const fs::path scratch =
        fs::temp_directory_path() / ("make-fuzz-corpus-" + std::to_string(::getpid()));
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    const bool ok = IniFiles(out / "fuzz_ini_file") && UserLists(out / "fuzz_user_list", scratch) &&
                    MixerSnapshot(out / "fuzz_mixer_snapshot") &&
                    MixerRecord(out / "fuzz_mixer_record") &&
                    Registry(out / "fuzz_registry_hive", out / "fuzz_regedit_import", scratch) &&
                    WaveFiles(out / "fuzz_wave_file");
    fs::remove_all(scratch);
    return ok ? 0 : 1;
}
