#include "config/ProductInstall.h"

#include "platform/files/paths.h"
#include "platform/text/ini_file.h"

#include <mutex>

using namespace plat;

namespace {

constexpr DWORD kPathBuffer = 260;
// What CIniFile answers for a key the file does not have.
constexpr const char* kNoValue = "!!!INI ERROR!!!";

// The string "InstallDir" of HKEY_LOCAL_MACHINE\keyPath, read with a
// 260-byte buffer.
bool ReadInstallDir(const char* keyPath, std::string& dir) {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, keyPath, 0, kInstallAccess, &key) != ERROR_SUCCESS)
        return false;
    char buffer[kPathBuffer];
    DWORD size = kPathBuffer;
    DWORD type = REG_NONE;
    const LONG r =
        RegQueryValueEx(key, "InstallDir", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS || type != REG_SZ)
        return false;
    std::size_t len = 0;
    while (len < size && buffer[len] != 0)
        ++len;
    dir.assign(buffer, len);
    return true;
}

std::mutex g_studentMutex;
std::string g_studentDirectory;

} // namespace

std::string GetProductIniPath() {
    std::string dir;
    if (!ReadInstallDir(kProductRegistryKey, dir))
        return {};
    return dir + "QRV.INI";
}

std::string GetProductTag(const std::string& productIniPath) {
    CIniFile ini;
    if (!productIniPath.empty() && ini.Open(productIniPath)) {
        ini.SetNotFoundValue("");
        const std::string tag = ini.GetString("Keys", "KEYs_ProductTag");
        if (!tag.empty())
            return tag;
    }
    return "Unknown";
}

std::vector<std::string> GetTikoIniList(bool* anyInstallDir) {
    std::vector<std::string> list;
    bool any = false;
    for (const char* keyPath : kTikoRegistryKeys) {
        std::string dir;
        if (!ReadInstallDir(keyPath, dir))
            continue;
        any = true;
        const std::string path = WithTrailingSeparator(dir) + "Tiko.ini";
        if (FileExists(path))
            list.push_back(path);
    }
    if (anyInstallDir)
        *anyInstallDir = any;
    return list;
}

bool LoadProductStudents(const std::string& productIniPath, CVendrelParms& parms,
                         CUserList& users) {
    parms.Init(g_vendrelKeys, true, GetProductTag(productIniPath));
    parms.LoadIni(productIniPath, true);
    // The root is a path in the settings file's encoding; it becomes a file
    // name of this platform before the macros put in the install directory.
    CIniFile settings;
    const plat::TextEncoding encoding =
        settings.Open(productIniPath) ? settings.GetEncoding() : plat::TextEncoding::Utf8;
    std::string root;
    if (parms.GetString(KEYs_UsersRootPath, &root, false))
        root = parms.Expand(plat::FileNameFromText(root, encoding));
    return users.Load(root);
}

int StudentVolumeLevel(int playbackVolume) {
    return playbackVolume / 1000;
}

bool ExportStudentVolume(CVendrelParms& parms, const std::string& studentDirectory,
                         int playbackVolume, std::string* error) {
    if (error != nullptr)
        error->clear();
    const std::string settings = WithTrailingSeparator(studentDirectory) + CUserList::kOptionsFile;
    parms.LoadIni(settings, true);
    int old = 0;
    parms.GetInt(KEYi_OutVolume, &old);
    const int level = StudentVolumeLevel(playbackVolume);
    if (level == old)
        return false;
    parms.SetInt(KEYi_OutVolume, level);
    // SaveIni updates only the keys the file has: a file without the volume
    // line keeps the student's settings as they were, and is not reported as
    // a change.
    CIniFile file;
    file.SetNotFoundValue(kNoValue);
    if (!file.Open(settings) ||
        file.GetString("Keys", parms.GetKeyName(KEYi_OutVolume)) == kNoValue)
        return false;
    if (parms.SaveIni(settings))
        return true;
    if (error != nullptr)
        *error = parms.GetLastError();
    return false;
}

bool ExportTikoVolumes(const std::vector<std::string>& tikoIniPaths, int playbackVolume,
                       int recordingVolume, std::string* error) {
    if (error != nullptr)
        error->clear();
    bool allSaved = true;
    for (const std::string& path : tikoIniPaths) {
        CIniFile ini;
        if (!ini.Open(path))
            continue; // the edition went away since the list was made
        ini.SetLong("Main", "OutVolume", playbackVolume);
        ini.SetLong("Main", "RecVolume", recordingVolume);
        if (ini.Save(path))
            continue;
        allSaved = false;
        if (error != nullptr)
            *error += (error->empty() ? "" : "\n") + ini.GetLastError();
    }
    return allSaved;
}

void SetCurrentStudentDirectory(const std::string& directory) {
    std::lock_guard<std::mutex> lock(g_studentMutex);
    g_studentDirectory = directory;
}

std::string GetCurrentStudentDirectory() {
    std::lock_guard<std::mutex> lock(g_studentMutex);
    return g_studentDirectory;
}
