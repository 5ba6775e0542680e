#include "platform/pulse/PulseStream.h"

#include "platform/pulse/PulseConnection.h"

#include "platform/pulse/PulseApi.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>

namespace plat {

namespace {

// The target length of the playback buffer, and what the server asks for at
// a time: each request wakes the server's loop and the feeding thread, so
// they are as long as a stop that flushes and a latency the wizard reads
// (Delay) allow.
constexpr unsigned kPlaybackMs = 200;
constexpr unsigned kRequestMs = 50;
// The capture fragments: the recorder's buffers hold about 140 ms, and every
// fragment wakes the server's loop and the reading thread.
constexpr unsigned kFragmentMs = 50;
constexpr int kOpenWaitMs = 5000;

// A pair for each error either side knows; the first match wins both ways.
struct ErrorPair {
    int pulse;
    int error;
};
constexpr ErrorPair kErrors[] = {
    {PA_ERR_ACCESS, EACCES},
    {PA_ERR_CONNECTIONREFUSED, ECONNREFUSED},
    {PA_ERR_NOENTITY, ENOENT},
    {PA_ERR_INVALID, EINVAL},
    {PA_ERR_NOTSUPPORTED, EOPNOTSUPP},
    {PA_ERR_TIMEOUT, ETIMEDOUT},
    {PA_ERR_BUSY, EBUSY},
    {PA_ERR_KILLED, ECONNABORTED},
    {PA_ERR_CONNECTIONTERMINATED, ECONNRESET},
    {PA_ERR_BADSTATE, EBADFD},
    {PA_ERR_NODATA, ENODATA},
    {PA_ERR_IO, EIO},
};

pa_sample_format_t SampleFormatOf(WORD bits) {
    switch (bits) {
    case 8:
        return PA_SAMPLE_U8;
    case 16:
        return PA_SAMPLE_S16LE;
    case 24:
        return PA_SAMPLE_S24LE;
    case 32:
        return PA_SAMPLE_S32LE;
    default:
        return PA_SAMPLE_INVALID;
    }
}

bool SampleFormatFor(const WAVEFORMATEX& f, pa_sample_spec& sampleFormat) {
    sampleFormat.format = SampleFormatOf(f.wBitsPerSample);
    sampleFormat.rate = f.nSamplesPerSec;
    sampleFormat.channels = static_cast<uint8_t>(std::min<WORD>(f.nChannels, PA_CHANNELS_MAX));
    return f.nChannels <= PA_CHANNELS_MAX && Pa().pa_sample_spec_valid(&sampleFormat) != 0;
}

uint32_t BytesOf(const pa_sample_spec& sampleFormat, unsigned ms) {
    return static_cast<uint32_t>(
        Pa().pa_usec_to_bytes(static_cast<pa_usec_t>(ms) * 1000, &sampleFormat));
}

class CPulseStream : public CPcmChannel {
public:
    CPulseStream(std::shared_ptr<CPulseConnection> connection, bool capture,
                 const pa_sample_spec& sampleFormat)
        : m_connection(std::move(connection)), m_loop(m_connection->Loop()),
          m_context(m_connection->Context()), m_capture(capture), m_sampleFormat(sampleFormat),
          m_frameBytes(Pa().pa_frame_size(&sampleFormat)),
          m_period(std::max<std::size_t>(1, sampleFormat.rate * kRequestMs / 1000)) {}

    ~CPulseStream() override {
        Pa().pa_threaded_mainloop_lock(m_loop);
        if (m_stream) {
            Pa().pa_stream_set_state_callback(m_stream, nullptr, nullptr);
            Pa().pa_stream_set_write_callback(m_stream, nullptr, nullptr);
            Pa().pa_stream_set_read_callback(m_stream, nullptr, nullptr);
            Pa().pa_stream_set_underflow_callback(m_stream, nullptr, nullptr);
            if (PA_STREAM_IS_GOOD(Pa().pa_stream_get_state(m_stream)))
                Pa().pa_stream_disconnect(m_stream);
            Pa().pa_stream_unref(m_stream);
        }
        Pa().pa_threaded_mainloop_unlock(m_loop);
    }

    // 0 once the stream is ready, else a negative errno.
    int Connect() {
        Pa().pa_threaded_mainloop_lock(m_loop);
        pa_proplist* props = Pa().pa_proplist_new();
        Pa().pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, m_capture ? "production" : "music");
        pa_channel_map map;
        const bool mapped = Pa().pa_channel_map_init_extend(&map, m_sampleFormat.channels,
                                                            PA_CHANNEL_MAP_WAVEEX) != nullptr;
        m_stream =
            Pa().pa_stream_new_with_proplist(m_context, m_capture ? "Recording" : "Playback",
                                             &m_sampleFormat, mapped ? &map : nullptr, props);
        Pa().pa_proplist_free(props);
        int result = 0;
        if (!m_stream) {
            result = LockedFailure();
        } else {
            Pa().pa_stream_set_state_callback(m_stream, &Notify, this);
            Pa().pa_stream_set_write_callback(m_stream, &Requested, this);
            Pa().pa_stream_set_read_callback(m_stream, &Requested, this);
            Pa().pa_stream_set_underflow_callback(m_stream, &Underflow, this);
            pa_buffer_attr attr;
            attr.maxlength = static_cast<uint32_t>(-1);
            attr.tlength = static_cast<uint32_t>(-1);
            attr.prebuf = static_cast<uint32_t>(-1);
            attr.minreq = static_cast<uint32_t>(-1);
            attr.fragsize = static_cast<uint32_t>(-1);
            // The server may not move the stream when its device goes: the
            // wizard's sound ends with the device, and the page says so.
            const auto flags = static_cast<pa_stream_flags_t>(
                PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING |
                PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_DONT_MOVE |
                (m_capture ? PA_STREAM_START_CORKED : 0));
            int connected = 0;
            if (m_capture) {
                attr.fragsize = BytesOf(m_sampleFormat, kFragmentMs);
                connected = Pa().pa_stream_connect_record(m_stream, nullptr, &attr, flags);
                m_corked = true;
            } else {
                attr.tlength = BytesOf(m_sampleFormat, kPlaybackMs);
                attr.minreq = BytesOf(m_sampleFormat, kRequestMs);
                connected = Pa().pa_stream_connect_playback(m_stream, nullptr, &attr, flags,
                                                            nullptr, nullptr);
            }
            if (connected < 0)
                result = LockedFailure();
        }
        Pa().pa_threaded_mainloop_unlock(m_loop);
        if (result == 0 &&
            !Await([this] { return Pa().pa_stream_get_state(m_stream) != PA_STREAM_CREATING; },
                   kOpenWaitMs))
            result = -ETIMEDOUT;
        if (result == 0) {
            Pa().pa_threaded_mainloop_lock(m_loop);
            if (Pa().pa_stream_get_state(m_stream) != PA_STREAM_READY)
                result = LockedFailure();
            Pa().pa_threaded_mainloop_unlock(m_loop);
        }
        return result;
    }

    std::size_t PeriodFrames() const override { return m_period; }

    long Write(const char* data, std::size_t frames, int waitMs) override {
        Await([this] { return Broken() || Pa().pa_stream_writable_size(m_stream) >= m_frameBytes; },
              waitMs);
        Pa().pa_threaded_mainloop_lock(m_loop);
        long result = 0;
        const std::size_t room = Broken() ? 0 : Pa().pa_stream_writable_size(m_stream);
        if (Broken() || room == static_cast<std::size_t>(-1)) {
            result = LockedFailure();
        } else if (const std::size_t n = std::min(frames, room / m_frameBytes); n > 0) {
            if (Pa().pa_stream_write(m_stream, data, n * m_frameBytes, nullptr, 0,
                                     PA_SEEK_RELATIVE) < 0) {
                result = LockedFailure();
            } else {
                m_written += n;
                m_drained = false;
                result = static_cast<long>(n);
            }
        }
        Pa().pa_threaded_mainloop_unlock(m_loop);
        return result;
    }

    long Read(char* data, std::size_t frames, int waitMs) override {
        Start();
        Await(
            [this] {
                return Broken() || m_peekSize > 0 || Pa().pa_stream_readable_size(m_stream) > 0;
            },
            waitMs);
        Pa().pa_threaded_mainloop_lock(m_loop);
        long result = 0;
        if (Broken()) {
            result = LockedFailure();
        } else if (m_peekSize == 0 && Pa().pa_stream_readable_size(m_stream) > 0) {
            const void* peeked = nullptr;
            std::size_t size = 0;
            if (Pa().pa_stream_peek(m_stream, &peeked, &size) < 0) {
                result = LockedFailure();
            } else if (size > 0 && !peeked) {
                Pa().pa_stream_drop(m_stream); // a hole in the record: nothing to read
            } else {
                m_peek = static_cast<const char*>(peeked);
                m_peekSize = size;
                m_peekOffset = 0;
            }
        }
        if (result == 0 && m_peekSize > 0) {
            std::size_t bytes = std::min(frames * m_frameBytes, m_peekSize - m_peekOffset);
            bytes -= bytes % m_frameBytes;
            std::memcpy(data, m_peek + m_peekOffset, bytes);
            m_peekOffset += bytes;
            if (m_peekSize - m_peekOffset < m_frameBytes)
                DropPeeked();
            result = static_cast<long>(bytes / m_frameBytes);
        }
        Pa().pa_threaded_mainloop_unlock(m_loop);
        return result;
    }

    int Delay(std::uint64_t& frames) override {
        Pa().pa_threaded_mainloop_lock(m_loop);
        int result = 0;
        frames = m_written;
        pa_usec_t latency = 0;
        int negative = 0;
        const int known =
            Broken() ? -PA_ERR_BADSTATE : Pa().pa_stream_get_latency(m_stream, &latency, &negative);
        if (m_drained) // some servers keep their own latency in the figure after an underrun
            frames = 0;
        else if (known == 0)
            frames =
                negative ? 0 : static_cast<std::uint64_t>(latency) * m_sampleFormat.rate / 1000000;
        else if (known != -PA_ERR_NODATA) // no timing yet: nothing written was heard
            result = LockedFailure();
        Pa().pa_threaded_mainloop_unlock(m_loop);
        return result;
    }

    void Start() override {
        Pa().pa_threaded_mainloop_lock(m_loop);
        if (!Broken()) {
            if (m_capture && m_corked) {
                Forget(Pa().pa_stream_cork(m_stream, 0, nullptr, nullptr));
                m_corked = false;
            } else if (!m_capture && !m_triggered && m_written > 0) {
                // The server waits for a full buffer before it plays.
                Forget(Pa().pa_stream_trigger(m_stream, nullptr, nullptr));
                m_triggered = true;
            }
        }
        Pa().pa_threaded_mainloop_unlock(m_loop);
    }

    bool Pause() override {
        Pa().pa_threaded_mainloop_lock(m_loop);
        const bool paused = !Broken();
        if (paused) {
            Forget(Pa().pa_stream_cork(m_stream, 1, nullptr, nullptr));
            m_corked = true;
        }
        Pa().pa_threaded_mainloop_unlock(m_loop);
        return paused;
    }

    void Resume() override {
        Pa().pa_threaded_mainloop_lock(m_loop);
        if (!Broken() && m_corked) {
            Forget(Pa().pa_stream_cork(m_stream, 0, nullptr, nullptr));
            m_corked = false;
        }
        Pa().pa_threaded_mainloop_unlock(m_loop);
    }

    void Drop() override {
        Pa().pa_threaded_mainloop_lock(m_loop);
        if (!Broken()) {
            if (m_capture) {
                // Capture stops until the next read.
                if (!m_corked)
                    Forget(Pa().pa_stream_cork(m_stream, 1, nullptr, nullptr));
                m_corked = true;
                DropPeeked();
            } else if (m_corked) {
                Forget(Pa().pa_stream_cork(m_stream, 0, nullptr, nullptr));
                m_corked = false;
            }
            Forget(Pa().pa_stream_flush(m_stream, nullptr, nullptr));
        }
        m_written = 0;
        m_triggered = false;
        m_drained = false;
        Pa().pa_threaded_mainloop_unlock(m_loop);
    }

    std::string LastError() const override {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lastError;
    }

private:
    // The callbacks, on the loop's thread with the loop locked.
    static void Notify(pa_stream*, void* self) { static_cast<CPulseStream*>(self)->Wake(); }
    static void Requested(pa_stream*, std::size_t, void* self) {
        static_cast<CPulseStream*>(self)->Wake();
    }
    static void Underflow(pa_stream*, void* userdata) {
        auto* self = static_cast<CPulseStream*>(userdata);
        self->m_triggered = false; // it waits for a full buffer again
        self->m_drained = true;    // and everything written was played
        self->Wake();
    }

    void Wake() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_events;
        }
        m_event.notify_all();
    }

    // With the loop unlocked: waits until `ready` (asked with the loop
    // locked) holds, at most `ms`; whether it holds.
    template <class Ready> bool Await(Ready ready, int ms) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            std::uint64_t seen = 0;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                seen = m_events;
            }
            Pa().pa_threaded_mainloop_lock(m_loop);
            const bool now = ready();
            Pa().pa_threaded_mainloop_unlock(m_loop);
            if (now)
                return true;
            std::unique_lock<std::mutex> lock(m_mutex);
            if (!m_event.wait_until(lock, deadline, [&] { return m_events != seen; }))
                return false;
        }
    }

    // With the loop locked.
    bool Broken() const {
        return !m_stream || Pa().pa_stream_get_state(m_stream) != PA_STREAM_READY ||
               Pa().pa_context_get_state(m_context) != PA_CONTEXT_READY;
    }

    // With the loop locked: keeps the server's words for the failure.
    int LockedFailure() {
        int error = Pa().pa_context_errno(m_context);
        if (error == PA_OK)
            error = PA_ERR_CONNECTIONTERMINATED;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lastError = Pa().pa_strerror(error);
        return ErrnoOfPulseError(error);
    }

    void DropPeeked() {
        if (m_peekSize > 0)
            Pa().pa_stream_drop(m_stream);
        m_peek = nullptr;
        m_peekSize = m_peekOffset = 0;
    }

    static void Forget(pa_operation* op) {
        if (op)
            Pa().pa_operation_unref(op);
    }

    const std::shared_ptr<CPulseConnection> m_connection; // kept while the stream lives
    pa_threaded_mainloop* const m_loop;
    pa_context* const m_context;
    const bool m_capture;
    const pa_sample_spec m_sampleFormat;
    const std::size_t m_frameBytes;
    const std::size_t m_period;
    pa_stream* m_stream = nullptr;

    // Under the loop's lock.
    const char* m_peek = nullptr; // a fragment peeked and not yet dropped
    std::size_t m_peekSize = 0, m_peekOffset = 0;
    bool m_corked = false;
    bool m_triggered = false;
    bool m_drained = false;      // the server ran out of what was written
    std::uint64_t m_written = 0; // frames since the last drop

    mutable std::mutex m_mutex; // guards the members below
    std::condition_variable m_event;
    std::uint64_t m_events = 0; // counts the callbacks
    std::string m_lastError;
};

} // namespace

int OpenPulseStream(const std::shared_ptr<CPulseConnection>& connection, bool capture,
                    const WAVEFORMATEX& format, std::unique_ptr<CPcmChannel>& channel) {
    pa_sample_spec sampleFormat;
    if (!SampleFormatFor(format, sampleFormat))
        return 1;
    auto stream = std::make_unique<CPulseStream>(connection, capture, sampleFormat);
    if (const int err = stream->Connect())
        return err;
    channel = std::move(stream);
    return 0;
}

int QueryPulseFormat(CPulseConnection& connection, const WAVEFORMATEX& format) {
    pa_sample_spec sampleFormat;
    if (!SampleFormatFor(format, sampleFormat))
        return 1;
    return connection.Connected() ? 0 : -EIO;
}

int ErrnoOfPulseError(int pulseError) {
    for (const ErrorPair& e : kErrors)
        if (e.pulse == pulseError)
            return -e.error;
    return -EIO;
}

std::string PulseErrorWords(int error) {
    for (const ErrorPair& e : kErrors)
        if (e.error == -error)
            return Pa().pa_strerror(e.pulse);
    return std::strerror(-error);
}

} // namespace plat
