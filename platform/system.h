// Small system services with the semantics the domain code expects of their
// Windows namesakes, implemented for POSIX.
#pragma once

#include "platform/types.h"

#include <functional>
#include <string>
#include <vector>

namespace plat {

// The platform's directory separator ('/' on POSIX, '\\' on Windows).
#if defined(_WIN32)
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// The user's private directory for temporary files ("Mixer.ser", "User.wav",
// the trace log, scratch files), with a trailing separator:
// $XDG_RUNTIME_DIR/pelmora when XDG_RUNTIME_DIR is set, else
// ${TMPDIR:-/tmp}/pelmora-<uid>. It is created with mode 0700 when missing
// and used only when it is a real directory (not a link), owned by the user
// and closed to everyone else. Otherwise the result is empty and *error (when
// given) says which directory was refused and why.
std::string GetTempPath(std::string* error = nullptr);

// Full path of the running program, and its directory with a trailing separator.
std::string GetModuleFileName();
std::string GetModuleDirectory();

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

// The languages the user reads, best first, from the environment: each
// entry of LANGUAGE (a colon list), then the first of LC_ALL, LC_MESSAGES
// and LANG that is set and not empty. Each entry without its codeset and
// modifier ("de_DE.UTF-8@euro"), followed by its bare language ("de_DE",
// "de"); "C" and "POSIX" are "en". Entries with other characters than
// letters, digits, '_' and '-' are skipped; no name appears twice.
std::vector<std::string> GetUserLanguages();

// Milliseconds since an arbitrary start, wrapping like a 32-bit tick count.
DWORD GetTickCount();
void Sleep(DWORD ms);

// Loads a shared library at run time. A Windows name such as "Trace.dll" maps
// to this platform's file name ("libTrace.so"), searched next to the program
// first (the build tree), then in the program's install library directory
// (found from the program's directory, e.g. bin/../lib/pelmora), then on the
// default search path. A name with a directory is loaded from there only.
// Null on failure.
HMODULE LoadLibrary(const char* name);
void* GetProcAddress(HMODULE module, const char* name);
BOOL FreeLibrary(HMODULE module);

// Loads a library of the system by its file name ("libcurl.so.4") from the
// default search path only, when it is first needed rather than at the start
// of the program. Null with `error` set to the loader's reason on failure.
// platform/library_functions.h binds its functions.
HMODULE LoadSystemLibrary(const char* file, std::string& error);

// The product version of the program, from the build ("1.0.0"); empty when the
// build carries none.
std::string GetProductVersion();

// Gives standard output and error a place to go when the program was started
// without them: the Windows program is a windows one (a start from the menu
// opens no console), so a command-line tool run from a console writes to
// the console of the shell that started it; output sent to a file or a pipe
// stays there. Nothing to do on POSIX.
void UseParentConsole();

// Whether the user can read what the program writes to standard error where
// it was started: on POSIX standard input or standard error is a terminal;
// on Windows the program has a console (its parent's, see UseParentConsole).
bool HasTerminal();

// ---- files: every path may use '\' as well as '/' as separator -------------
std::string NativePath(const std::string& path);
bool FileExists(const std::string& path); // exists and is not a directory
bool DirectoryExists(const std::string& path);
bool DeleteFile(const std::string& path);
bool CreateDirectories(const std::string& path); // every missing level
// Every missing level with mode 0700 (only the user may enter); levels that
// exist are left as they are. True when the path is a directory after.
bool CreatePrivateDirectories(const std::string& path);
// Appends the separator when the text does not already end in one.
std::string WithTrailingSeparator(const std::string& dir);
// True when `relative`, joined to a directory, names something inside that
// directory: it is not empty, not absolute (no separator first, no drive or
// other colon as in "C:"), has no ".." part between separators ('/' or '\',
// nor a part of blanks and two or more dots, which Windows reads as "..") and no
// NUL byte.
bool StaysInsideDirectory(const std::string& relative);

// ---- the GUI thread's message loop ------------------------------------------
// The user interface installs these hooks when it starts; without them
// (tests without a display, command-line use) the defaults below apply.

// Handles pending messages (paint, timers, clicks) for at most maxMs
// milliseconds, and returns at once when there are none. Default: runs the
// tasks posted with PostToMainThread.
using MessagePump = std::function<void(DWORD maxMs)>;
void SetMessagePump(MessagePump pump);
void DispatchMessages(DWORD maxMs = 0);

// Waits ms milliseconds while dispatching messages (window stays responsive).
void WaitDispatching(DWORD ms);

// Runs fn later on the GUI thread; callable from any thread (a completion
// callback uses it to carry work out of the backend's thread).
using MainThreadPoster = std::function<void(std::function<void()>)>;
void SetMainThreadPoster(MainThreadPoster poster);
void PostToMainThread(std::function<void()> fn);

} // namespace plat
