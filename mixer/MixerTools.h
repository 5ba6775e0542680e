// The mixer's command-line tools: the mixer description on a stream, and
// saving and restoring the current mixer in the snapshot file format, so that
// a machine's mixer can be put back by hand. None needs a display.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Writes the description of every mixer (the lines the trace log gets), one
// per line. 1 = the walk found something to describe, 0 otherwise (the lines
// then end with the reason).
int ReportMixer(std::ostream& out);

// Command-line entry points: args[0] is the file. Exit code 0 on success,
// 1 with the error on `err` otherwise.
int RunSaveMixer(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// Restores without deleting the file; without a file, puts back the settings
// a wizard that ended badly left waiting (and deletes them once back).
int RunRestoreMixer(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
