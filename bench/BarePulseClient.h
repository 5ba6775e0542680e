// The anchor of bench_server_volume: a bare libpulse client, a threaded main
// loop and a context subscribed to the same events as the wizard's
// connection, that writes a sink's volume and waits for the server's answer
// or sends it and counts the answer, doing nothing with the events that
// follow.
#pragma once

#include <string>

struct pa_context;
struct pa_threaded_mainloop;

namespace bench {

class CBarePulseClient {
public:
    CBarePulseClient() = default;
    CBarePulseClient(const CBarePulseClient&) = delete;
    CBarePulseClient& operator=(const CBarePulseClient&) = delete;
    ~CBarePulseClient();

    // Connects to the server of PULSE_SERVER (or the default one) and
    // subscribes; false with `error` set when it cannot.
    bool Connect(std::string& error);
    // Sets both channels of `sink` to `volume` (0..65536) and waits for the
    // answer; false when the server refused it.
    bool SetSinkVolume(const std::string& sink, long volume);
    // The same write, sent without waiting; its answer is counted.
    void SendSinkVolume(const std::string& sink, long volume);
    // Waits until every write sent has its answer; false when one failed.
    bool WaitForAnswers();

private:
    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    int m_sent = 0;     // writes sent without waiting
    int m_answered = 0; // and answered, under the loop's lock
    bool m_failed = false;
};

} // namespace bench
