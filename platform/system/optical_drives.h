// The mounted optical discs: what the design calls the CD-ROM drives.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace plat {

// Mount points of the mounted optical discs (file systems iso9660 and udf), in
// the order of the mount table; empty when there is none.
std::vector<std::string> GetOpticalDrives();

// Mount points of the iso9660 and udf entries of a mount table in the form of
// /proc/mounts (octal escapes such as \040 decoded).
std::vector<std::string> ParseOpticalMounts(const std::string& mountTable);

// Replaces the drive list (tests); an empty function goes back to the mount
// table of the system.
using OpticalDriveSource = std::function<std::vector<std::string>()>;
void SetOpticalDriveSource(OpticalDriveSource source);

// The drives as the system lists them, whatever source is set: the mounted
// discs of /proc/mounts on Linux, the CD-ROM drive letters on Windows.
std::vector<std::string> SystemOpticalDrives();

} // namespace plat
