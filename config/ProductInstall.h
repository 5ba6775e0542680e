// The installed learning products as the completion page sees them: where the
// main product keeps its settings and students, which children's editions are
// installed, and how the volumes the user settled on are written to them.
#pragma once

#include "config/UserList.h"
#include "config/VendrelParms.h"
#include "platform/registry/registry.h"

#include <string>
#include <vector>

// Registry key of the main product under HKEY_LOCAL_MACHINE, and the access
// its installation records are opened with (read, create sub-key, set value).
inline constexpr const char* kProductRegistryKey = "SOFTWARE\\Vendrel\\Qrv50";
inline constexpr const char* kTikoRegistryKeys[] = {
    "SOFTWARE\\Vendrel\\TIKO_CP", "SOFTWARE\\Vendrel\\TIKO_CE", "SOFTWARE\\Vendrel\\TIKO_CM"};
inline constexpr plat::REGSAM kInstallAccess = 0x2001F;

// The product's main settings file: its "InstallDir" followed directly by
// "QRV.INI" (the value is used as stored, so it ends with a separator);
// empty when the product is not installed.
std::string GetProductIniPath();

// "KEYs_ProductTag" of the "Keys" section of the main settings file, or
// "Unknown" when the file or the value is missing.
std::string GetProductTag(const std::string& productIniPath);

// "Tiko.ini" of every installed children's edition whose file exists, in the
// order TIKO_CP, TIKO_CE, TIKO_CM. *anyInstallDir tells whether at least one
// edition has an "InstallDir" at all.
std::vector<std::string> GetTikoIniList(bool* anyInstallDir = nullptr);

// Reads the product's configuration into the store (key table, defaults,
// the main settings file) and the student list from its users' root.
// False when the list could not be read; the list is then empty.
bool LoadProductStudents(const std::string& productIniPath, CVendrelParms& parms, CUserList& users);

// The student's listening level for a mixer volume (0..10000, -1 when there
// is no control): volume / 1000 truncated, 0 for -1.
int StudentVolumeLevel(int playbackVolume);

// Writes the listening level into the student's "options.ini" unless it holds
// that level already. True when the file was rewritten with the new level;
// false when it held it already, or when it has no volume line or cannot be
// written (the student's settings then stay as they were). A file that
// cannot be written sets *error (when given) to the file and the reason;
// otherwise *error is emptied.
bool ExportStudentVolume(CVendrelParms& parms, const std::string& studentDirectory,
                         int playbackVolume, std::string* error = nullptr);

// Writes both raw mixer volumes into section "Main" ("OutVolume",
// "RecVolume") of each children's edition settings file. False when a file
// could not be written (it is left as it was; the others are still written),
// with *error (when given) naming each such file and the reason, one a line.
bool ExportTikoVolumes(const std::vector<std::string>& tikoIniPaths, int playbackVolume,
                       int recordingVolume, std::string* error = nullptr);

// The process-wide current student directory (set by the last Update).
void SetCurrentStudentDirectory(const std::string& directory);
std::string GetCurrentStudentDirectory();
