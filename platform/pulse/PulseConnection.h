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
// at most half a second (they are made on the GUI's thread); once a request
// went that long without one (or a volume or mute 2 s), the server counts
// as not answering and every write fails at once (ETIMEDOUT) until the
// server answers again (a volume or mute so refused is still sent, latest
// value first, when it does). A server that goes away is connected to again
// on the main loop's thread: meanwhile the lists are empty and every write
// fails at once (ECONNRESET); the streams on the old connection fail. The wave streams
// (PulseStream.h) run on the same context and main loop. This header and PulseStream.h are the only
// files besides PulseConnection.cpp and PulseStream.cpp that know libpulse exists.
#pragma once

#include "platform/pulse/PulseElementAccess.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_time_event;

namespace plat {

class CPulseConnection : public CPulseServerControls {
public:
    ~CPulseConnection() override;

    // Connects to the server of this session (PULSE_SERVER, the runtime
    // directory); null with `error` set when none answers. `unanswered`, when
    // given, tells a server that is there but does not answer in time (it
    // took the connection and said nothing) from one that is not there.
    static std::unique_ptr<CPulseConnection> Connect(std::string& error,
                                                     bool* unanswered = nullptr);

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
    // False from the time the server went away until a new connection to
    // it is ready: while it is gone the lists are empty (an event tells so),
    // a connection is tried every second on the main loop's thread, and once
    // one is ready the lists are read again (each reply an event).
    bool Connected();
    // False from the time a request went unanswered too long (a port or
    // default half a second, a volume or mute 2 s) until the server answers
    // again.
    bool Answering();
    // The words of the last volume or mute write that failed after it was
    // sent ("the sound server refused the volume of pelmora_sink: Access
    // denied") or went unanswered; "" when none did, or a later write was
    // answered.
    std::string LastWriteFailure();

    // For the streams: the context and the main loop it runs on. Every use
    // holds the loop's lock (pa_threaded_mainloop_lock).
    // A stream keeps the context it was made on: one the server went away
    // from stays (failed) until the connection ends.
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
    // The context for this session's server, its callbacks set; null when
    // it cannot be made.
    pa_context* NewContext();
    // With the loop locked: asks for events and every list on the context.
    // With `wait`, waits for each answer (the first connection). False when
    // one was not answered.
    bool Subscribe(pa_context* context, bool wait);
    // With the loop locked, on the loop's thread: the server went away (the
    // lists are emptied, the writes forgotten), a new connection is tried
    // later, and one that is ready takes the place of the old.
    void Lost();
    void TryAgainLater();
    void Reconnect();
    void Adopt();
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
    // Replaced on the loop's thread with the loop locked; read by the
    // streams when they are made.
    std::atomic<pa_context*> m_context = nullptr;
    // Guarded by the loop's lock.
    bool m_started = false;           // the first connection was made
    bool m_unanswered = false;        // the first connection got no answer in time
    bool m_closing = false;           // the destructor runs: no new connection
    pa_context* m_attempt = nullptr;  // a new connection not yet ready
    pa_time_event* m_retry = nullptr; // when the next one is tried
    // The server's defaults read again after its change event (RereadLater).
    pa_time_event* m_reread = nullptr;
    int m_rereads = 0;                   // done since the last event
    std::vector<pa_context*> m_replaced; // once ready, kept for their streams

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
