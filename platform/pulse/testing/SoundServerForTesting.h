// What the tests' own sound servers share (CPulseServerForTesting,
// CPipeWireServerForTesting): a null sink and a null source under the same
// names, pactl pointed at the server, and the running of the daemons — a
// private directory, shell commands, children started, stopped and killed.
// A test written against this interface runs on both servers.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace plat {

class CSoundServerForTesting {
public:
    static constexpr const char* kSink = "pelmora_sink";
    static constexpr const char* kSource = "pelmora_source";
    // What the server and the wizard call them.
    static constexpr const char* kSinkDescription = "Pelmora Test Speakers";
    static constexpr const char* kSourceDescription = "Pelmora Test Microphone";

    CSoundServerForTesting(const CSoundServerForTesting&) = delete;
    CSoundServerForTesting& operator=(const CSoundServerForTesting&) = delete;
    virtual ~CSoundServerForTesting(); // removes the directory

    // False with `error` set when the daemons cannot start here.
    virtual bool Start(std::string& error) = 0;
    virtual void Stop() = 0;
    // Ends the PulseAudio server at once (SIGKILL), as a crash would; false
    // when it was not running or did not go.
    virtual bool Kill() = 0;
    // Starts the server Kill ended again, at the same place, with the null
    // sink and source as the defaults; false with `error` set when it does
    // not answer.
    virtual bool Restart(std::string& error) = 0;
    // Stops the process that speaks the PulseAudio protocol (SIGSTOP), so
    // it answers nothing while its socket stays open, or lets it go on
    // (SIGCONT); false when it is not running.
    bool Freeze(bool frozen);

    // Runs a pactl command on this server ("get-sink-volume pelmora_sink");
    // false when it fails. `output` receives what it printed, without the
    // blanks and line ends after it.
    bool Pactl(const std::string& arguments, std::string& output) const;

    // Makes `name` the default sink (or source) and waits until it is
    // taken: a PipeWire session manager takes a default a while after the
    // server's answer, and may drop one asked for while it still sets up
    // devices just loaded, so it is asked again (five times, 2 s each).
    // False when it never was.
    bool SetDefaultDevice(bool source, const std::string& name) const;
    // The server's default sink (or source), asked again for up to ten
    // seconds until it is `expected`: a PipeWire session manager takes a
    // default the server acknowledged a little later.
    std::string DefaultDevice(bool source, const std::string& expected) const;

    // What a test that failed on the server prints: whether each daemon
    // still runs, the end of its log, and the server's own view of the
    // defaults (its metadata, where it keeps them there).
    std::string Diagnosis() const;

    // Loads another null sink or source named `name`, shown as
    // `description`, of the form `formFactor` (its device.form_factor,
    // "headset"; none when empty); answers the module's index ("" when it
    // failed), for UnloadModule.
    virtual std::string LoadNullDevice(bool source, const std::string& name,
                                       const std::string& description,
                                       const std::string& formFactor = "") const = 0;
    bool UnloadModule(const std::string& index) const;

    // The first channel's raw volume of a sink or source, -1 if unknown.
    long SinkVolume() const;
    long SourceVolume(const std::string& source = kSource) const;

protected:
    CSoundServerForTesting() = default;

    // More for Diagnosis, from the server itself ("" by default).
    virtual std::string ServerState() const { return ""; }
    // The process Freeze stops, 0 when it is not running.
    virtual pid_t ServerPid() const = 0;

    // The text as one word of the shell, whatever quotes it holds.
    static std::string Quoted(const std::string& text);
    // Runs a shell command, its stderr with its stdout into *output; true
    // when it exits with 0.
    bool Run(const std::string& command, std::string* output) const;
    // Makes m_dir, a new private directory named from `prefix`, once.
    bool MakeDirectory(const char* prefix, std::string& error);

    // Starts `program` (found on PATH) as a child with the process's
    // environment, its output logged in m_dir; kept in m_children.
    bool Spawn(const char* program, std::string& error);
    // Kills the child started last with SIGKILL and reaps it.
    bool KillLastChild();
    // Ends the children with SIGTERM, the last started first, and reaps them.
    void StopChildren();
    // Kills a process that is no child of ours and waits until it is gone
    // (or a zombie nobody reaps).
    static bool KillStranger(pid_t pid);

    std::string m_dir;
    std::vector<pid_t> m_children;
};

// Stops a server (Freeze) and lets it go on, at the latest when it ends, so
// a test that fails while its server is stopped does not leave it stopped.
class CServerStop {
public:
    explicit CServerStop(CSoundServerForTesting& server) : m_server(server) {}
    CServerStop(const CServerStop&) = delete;
    CServerStop& operator=(const CServerStop&) = delete;
    ~CServerStop() { m_server.Freeze(false); }

    bool Stop() { return m_server.Freeze(true); }
    bool GoOn() { return m_server.Freeze(false); }

private:
    CSoundServerForTesting& m_server;
};

} // namespace plat
