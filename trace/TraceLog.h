// The trace library's store: every line goes to a log file in the temporary
// directory and stays in memory for the trace list.
#pragma once

#include <string>
#include <vector>

namespace tracelib {

// Opens (appends to) the log file; lines kept in memory are dropped.
void OpenLog();
void CloseLog();
// "2026-12-08 14:20:59.123  W  MixerSet:1124  text"
std::string FormatLine(int severity, const char* module, int line, const char* text);
void AppendLine(int severity, const char* module, int line, const char* text);
std::vector<std::string> Lines();
std::string LogFilePath();

} // namespace tracelib
