// The trace library's store: every line goes to a log file in the user's
// private temporary directory and stays in memory for the trace list. The log
// is kept bounded: once it passes kLogLimit bytes it is cut to its newest
// lines, at most kLogKept bytes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tracelib {

inline constexpr std::size_t kLogLimit = 512 * 1024;
inline constexpr std::size_t kLogKept = 256 * 1024;

// Opens (appends to) the log file; lines kept in memory are dropped. A log
// that cannot be opened (no private directory, a link in its place) leaves a
// warning line in memory saying why, and the lines stay in memory only.
void OpenLog();
void CloseLog();
// "2026-12-08 14:20:59.123  W  MixerSet:1124  text"
std::string FormatLine(int severity, const char* module, int line, const char* text);
void AppendLine(int severity, const char* module, int line, const char* text);
std::vector<std::string> Lines();
// "PelmoraTrace.log" in the private temporary directory; empty when there is
// none, *error (when given) then saying why.
std::string LogFilePath(std::string* error = nullptr);

} // namespace tracelib
