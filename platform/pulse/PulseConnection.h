// The connection to the sound server, kept for the life of the backend: a
// libpulse context on its threaded main loop, the server's lists read once
// and kept up to date from the server's events, and each control write sent
// as one request. The wave streams (PulseStream.h) run on the same context
// and main loop. This header and PulseStream.h are the only files besides
// PulseConnection.cpp and PulseStream.cpp that know libpulse exists.
#pragma once

#include "platform/pulse/PulseElementAccess.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>

struct pa_threaded_mainloop;
struct pa_context;

namespace plat {

class CPulseConnection : public CPulseServerControls {
public:
    ~CPulseConnection() override;

    // Connects to the server of this session (PULSE_SERVER, the runtime
    // directory); null with `error` set when none answers.
    static std::unique_ptr<CPulseConnection> Connect(std::string& error);

    PulseLists Lists() override;
    int SetVolume(bool source, const std::string& device, long volume) override;
    int SetMute(bool source, const std::string& device, bool mute) override;
    int SetPort(bool source, const std::string& device, const std::string& port) override;
    int SetDefault(bool source, const std::string& device) override;

    // `changed` is called on the main loop's thread each time the lists were
    // updated from the server's events; an empty one stops it. Once this
    // returns, the previous one is not running and is not called again.
    void OnChange(std::function<void()> changed);

    // "PulseAudio 16.1" or "PipeWire 0.3.65" (the server's name and version).
    std::string ServerName();
    // False once the server went away.
    bool Connected();

    // For the streams: the context and the main loop it runs on. Every use
    // holds the loop's lock (pa_threaded_mainloop_lock).
    pa_threaded_mainloop* Loop() const { return m_loop; }
    pa_context* Context() const { return m_context; }

    // Called on the main loop's thread by libpulse.
    struct Callbacks;

private:
    CPulseConnection() = default;
    bool Start(std::string& error);
    int Request(bool source, const std::string& device, int what, long value,
                const std::string& text);

    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;

    void Changed();

    std::mutex m_mutex; // guards the members below, written on the loop's thread
    PulseLists m_lists;
    std::string m_serverName;

    std::mutex m_changedMutex; // guards m_changed, held while it runs
    std::function<void()> m_changed;
};

} // namespace plat
