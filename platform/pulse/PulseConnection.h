// The connection to the sound server, kept for the life of the backend: a
// libpulse context on its threaded main loop, the server's lists read once
// and kept up to date from the server's events, and each control write sent
// as one request.
//
// Volume and mute writes are not waited on: the request goes out on the main
// loop's thread and its answer is counted there; while one is out for a
// device, a newer value for the same volume or mute waits in its place (only
// the latest is kept) and goes when the answer comes. The lists answer the
// value written until then. Port and default writes wait for their answer,
// at most 2 s; once a request went that long without one, the server counts
// as not answering and every write fails at once (ETIMEDOUT) until the
// server answers again (a volume or mute so refused is still sent, latest
// value first, when it does). The wave streams (PulseStream.h) run on the same context
// and main loop. This header and PulseStream.h are the only files besides
// PulseConnection.cpp and PulseStream.cpp that know libpulse exists.
#pragma once

#include "platform/pulse/PulseElementAccess.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_time_event;

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
    // False from the time a request went 2 s without an answer until the
    // server answers again.
    bool Answering();
    // The words of the last volume or mute write that failed after it was
    // sent ("the sound server refused the volume of pelmora_sink: Access
    // denied") or went unanswered; "" when none did, or a later write was
    // answered.
    std::string LastWriteFailure();

    // For the streams: the context and the main loop it runs on. Every use
    // holds the loop's lock (pa_threaded_mainloop_lock).
    pa_threaded_mainloop* Loop() const { return m_loop; }
    pa_context* Context() const { return m_context; }

    // Called on the main loop's thread by libpulse.
    struct Callbacks;

private:
    // The volume or the mute of one device: the value out on its way to the
    // server and the one waiting for its answer.
    struct Write {
        CPulseConnection* connection = nullptr;
        bool source = false;
        std::string device;
        int what = 0;
        unsigned channels = 1;
        bool sent = false; // a request is out, `value` in it
        long value = 0;
        bool waiting = false; // `next` goes once the request is answered
        long next = 0;
        pa_time_event* late = nullptr; // marks the server as not answering
    };

    CPulseConnection() = default;
    bool Start(std::string& error);
    // A port or default write, waited for.
    int Request(bool source, const std::string& device, int what, const std::string& text);
    // A volume or mute write, sent without waiting.
    int Post(bool source, const std::string& device, int what, long value);
    // With the loop locked: sends the write's `value`.
    void Send(Write& write);
    // With the loop locked: a request went unanswered; the server is asked
    // for a sign of life, whose answer ends the state.
    void NotAnswering();
    void Answered(); // with the loop locked

    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;

    void Changed();

    std::mutex m_mutex; // guards the members below, written on the loop's thread
    PulseLists m_lists;
    std::string m_serverName;

    // Guarded by the loop's lock.
    bool m_answering = true;
    bool m_probing = false;
    std::map<std::pair<bool, std::string>, std::unique_ptr<Write>> m_writes[2]; // volume, mute
    std::string m_writeFailure; // guarded by m_mutex

    std::mutex m_changedMutex; // guards m_changed, held while it runs
    std::function<void()> m_changed;
};

} // namespace plat
