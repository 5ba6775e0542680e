// The directories Pelmora keeps its files in: the private temporary
// directory, the user's settings and the installation's data.
#pragma once

#include "platform/system/program.h"

#include <string>

namespace plat {

// The user's private directory for temporary files ("Mixer.ser", "User.wav",
// the trace log, scratch files), with a trailing separator:
// $XDG_RUNTIME_DIR/pelmora when XDG_RUNTIME_DIR is set, else
// ${TMPDIR:-/tmp}/pelmora-<uid>. It is created with mode 0700 when missing
// and used only when it is a real directory (not a link), owned by the user
// and closed to everyone else. Otherwise the result is empty and *error (when
// given) says which directory was refused and why.
std::string GetTempPath(std::string* error = nullptr);

// The user's directory for settings, with a trailing separator:
// $XDG_CONFIG_HOME when it names an absolute directory, else $HOME/.config
// (HOME absolute); empty when neither is known. Nothing is created.
std::string GetConfigDirectory();

// The data directory of the installation the program belongs to (the one
// that holds "pelmora/lang/"), with a trailing separator: the directory
// `programDirectory` (the program's own by default) joined with the path
// from the install's program directory to its data directory that the
// build recorded ("../share"), so an installed tree can be moved. The build
// tree has the same layout.
std::string GetDataDirectory(const std::string& programDirectory = GetModuleDirectory());

} // namespace plat
