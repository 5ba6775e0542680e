#include "platform/pulse/PulseLevel.h"

#include "platform/pulse/PulseApi.h"
#include "platform/pulse/PulseConnection.h"
#include "platform/system/message_loop.h"

#include <algorithm>
#include <cmath>

namespace plat {

namespace {

constexpr uint32_t kPeaksPerSecond = 25;
constexpr pa_usec_t kPostEveryUs = 1000000 / kPeaksPerSecond - 5000; // leaves room for jitter

class CPulseLevelWatch final : public InputLevelWatch {
public:
    CPulseLevelWatch(std::shared_ptr<CPulseConnection> connection, InputLevelListener listener)
        : m_connection(std::move(connection)),
          m_listener(std::make_shared<InputLevelListener>(std::move(listener))),
          m_heard(m_listener) {}

    ~CPulseLevelWatch() override {
        m_listener.reset(); // readings posted meanwhile find no one
        Pa().pa_threaded_mainloop_lock(m_connection->Loop());
        if (m_stream) {
            Pa().pa_stream_set_read_callback(m_stream, nullptr, nullptr);
            if (Pa().pa_stream_get_state(m_stream) == PA_STREAM_CREATING) {
                // Disconnected now, libpulse forgets a stream the server is
                // still making, and the server records on until the
                // connection ends: it is ended once made, and our
                // reference dropped then (EndWhenMade).
                Pa().pa_stream_set_state_callback(m_stream, &EndWhenMade, nullptr);
            } else {
                Pa().pa_stream_set_state_callback(m_stream, nullptr, nullptr);
                if (PA_STREAM_IS_GOOD(Pa().pa_stream_get_state(m_stream)))
                    Pa().pa_stream_disconnect(m_stream);
                Pa().pa_stream_unref(m_stream);
            }
        }
        Pa().pa_threaded_mainloop_unlock(m_connection->Loop());
    }

    void Connect(const std::string& source) {
        pa_context* context = m_connection->Context();
        Pa().pa_threaded_mainloop_lock(m_connection->Loop());
        const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, kPeaksPerSecond, 1};
        pa_proplist* props = Pa().pa_proplist_new();
        Pa().pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "production");
        m_stream = Pa().pa_stream_new_with_proplist(context, "Level", &format, nullptr, props);
        Pa().pa_proplist_free(props);
        bool failed = m_stream == nullptr;
        if (!failed) {
            Pa().pa_stream_set_state_callback(m_stream, &State, this);
            Pa().pa_stream_set_read_callback(m_stream, &Read, this);
            pa_buffer_attr attr;
            attr.maxlength = static_cast<uint32_t>(-1);
            attr.tlength = static_cast<uint32_t>(-1);
            attr.prebuf = static_cast<uint32_t>(-1);
            attr.minreq = static_cast<uint32_t>(-1);
            attr.fragsize = sizeof(float); // one peak at a time
            const auto flags = static_cast<pa_stream_flags_t>(
                PA_STREAM_PEAK_DETECT | PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE);
            failed = Pa().pa_stream_connect_record(m_stream, source.c_str(), &attr, flags) < 0;
        }
        if (failed)
            EndLocked();
        Pa().pa_threaded_mainloop_unlock(m_connection->Loop());
    }

private:
    // The callbacks, on the loop's thread with the loop locked.
    // A stream whose watch ended while the server made it: disconnected
    // once made, released once ended.
    static void EndWhenMade(pa_stream* stream, void*) {
        const pa_stream_state_t state = Pa().pa_stream_get_state(stream);
        if (state == PA_STREAM_READY) {
            Pa().pa_stream_disconnect(stream);
        } else if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) {
            Pa().pa_stream_set_state_callback(stream, nullptr, nullptr);
            Pa().pa_stream_unref(stream);
        }
    }
    static void State(pa_stream* stream, void* self) {
        const pa_stream_state_t state = Pa().pa_stream_get_state(stream);
        if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED)
            static_cast<CPulseLevelWatch*>(self)->EndLocked();
    }
    static void Read(pa_stream* stream, std::size_t, void* userdata) {
        auto* self = static_cast<CPulseLevelWatch*>(userdata);
        double peak = -1;
        while (Pa().pa_stream_readable_size(stream) > 0) {
            const void* data = nullptr;
            std::size_t size = 0;
            if (Pa().pa_stream_peek(stream, &data, &size) < 0)
                break;
            if (size == 0)
                break;
            if (data != nullptr) { // else a hole in the record
                const auto* samples = static_cast<const float*>(data);
                for (std::size_t i = 0; i < size / sizeof(float); ++i)
                    if (std::isfinite(samples[i]))
                        peak = std::max(peak, static_cast<double>(std::fabs(samples[i])));
            }
            Pa().pa_stream_drop(stream);
        }
        if (peak < 0)
            return;
        // Some servers send more often than asked: the main thread hears
        // the loudest of each 40 ms.
        self->m_pending = std::max(self->m_pending, std::min(1.0, peak));
        const pa_usec_t now = Pa().pa_rtclock_now();
        if (now - self->m_posted < kPostEveryUs)
            return;
        self->m_posted = now;
        self->Post({self->m_pending, false, {}});
        self->m_pending = 0;
    }

    // With the loop locked: the stream failed or ended; said once.
    void EndLocked() {
        if (m_ended)
            return;
        m_ended = true;
        int error = Pa().pa_context_errno(m_connection->Context());
        if (error == PA_OK)
            error = PA_ERR_CONNECTIONTERMINATED;
        Post({0, true, Pa().pa_strerror(error)});
    }

    void Post(InputLevel level) {
        PostToMainThread([heard = m_heard, level = std::move(level)] {
            if (std::shared_ptr<InputLevelListener> listener = heard.lock())
                (*listener)(level);
        });
    }

    const std::shared_ptr<CPulseConnection> m_connection; // kept while the stream lives
    std::shared_ptr<InputLevelListener> m_listener;       // the main thread's; reset first
    const std::weak_ptr<InputLevelListener> m_heard;
    pa_stream* m_stream = nullptr;
    // Under the loop's lock.
    bool m_ended = false;
    double m_pending = 0;   // the loudest peak not yet posted
    pa_usec_t m_posted = 0; // when the last one was
};

} // namespace

std::unique_ptr<InputLevelWatch> WatchPulseLevel(std::shared_ptr<CPulseConnection> connection,
                                                 const std::string& source,
                                                 InputLevelListener listener) {
    auto watch = std::make_unique<CPulseLevelWatch>(std::move(connection), std::move(listener));
    watch->Connect(source);
    return watch;
}

} // namespace plat
