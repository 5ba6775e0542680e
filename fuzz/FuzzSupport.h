// What every fuzz target shares: a private scratch directory for the readers
// that take a path, and the way a broken property ends the run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// A directory of this process only (mode 0700), in /dev/shm when it is there
// (so the fsync of the writers costs nothing) or else in $TMPDIR or /tmp;
// removed when the process exits. Its path ends with '/'.
const std::string& ScratchDir();

// Writes the bytes to ScratchDir() + name, replacing an earlier input, and
// returns the path. Ends the run when the file cannot be written: the
// reader under test would then see something else than the input.
std::string WriteInput(const std::string& name, const std::uint8_t* data, std::size_t size);

// Removes ScratchDir() + name and everything below it.
void RemoveEntry(const std::string& name);

// The names of the entries of ScratchDir() + dir, sorted.
std::string ListDirectory(const std::string& dir);

// The whole content of a file, or false.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// Reports a property the input broke (target name and what differs) on
// standard error and aborts, so libFuzzer keeps the input as a crash.
[[noreturn]] void Fail(const char* target, const std::string& what);

} // namespace fuzz
