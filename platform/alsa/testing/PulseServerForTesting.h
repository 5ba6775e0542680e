// A PulseAudio daemon of a test's own, so the ALSA backend can be tested
// against a real sound server without sound hardware: a null sink and a null
// source, its own runtime directory, and ALSA's `default` PCM and control
// device pointed at it (the `pulse` plugins). Must be started before the
// first ALSA call of the process, since ALSA reads its configuration once.
#pragma once

#include <string>

namespace plat {

class CPulseServerForTesting {
public:
    static constexpr const char* kSink = "pelmora_sink";
    static constexpr const char* kSource = "pelmora_source";
    // What the server and the wizard call them.
    static constexpr const char* kSinkDescription = "Pelmora Test Speakers";
    static constexpr const char* kSourceDescription = "Pelmora Test Microphone";

    CPulseServerForTesting() = default;
    ~CPulseServerForTesting(); // stops the daemon and removes its directory
    CPulseServerForTesting(const CPulseServerForTesting&) = delete;
    CPulseServerForTesting& operator=(const CPulseServerForTesting&) = delete;

    // False with `error` set when the daemon cannot start here.
    bool Start(std::string& error);
    void Stop();
    // Ends the daemon at once (SIGKILL), as a crash would; false when it
    // was not running or did not go.
    bool Kill();
    // Stops the daemon (SIGSTOP) so it answers nothing, or lets it go on.
    bool Freeze(bool frozen);
    bool Running() const { return m_running; }

    // Runs a pactl command on this server ("get-sink-volume pelmora_sink");
    // false when it fails. `output` receives what it printed.
    bool Pactl(const std::string& arguments, std::string& output) const;

    // Loads another null sink or source named `name`, shown as
    // `description`; answers the module's index ("" when it failed), for
    // `pactl unload-module`.
    std::string LoadNullDevice(bool source, const std::string& name,
                               const std::string& description) const;

    // The first channel's raw volume of a sink or source, -1 if unknown.
    long SinkVolume() const;
    long SourceVolume(const std::string& source = kSource) const;

private:
    long DaemonPid() const; // 0 when not running
    bool Run(const std::string& command, std::string* output) const;

    std::string m_dir;
    bool m_running = false;
};

} // namespace plat
