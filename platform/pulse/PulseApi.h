// libpulse, loaded when the sound server is first tried rather than linked:
// linked, it and the codec libraries it needs would be loaded at every start
// of the program, also where no server runs. Each function is called through
// the table under its own name: Pa().pa_stream_write(...).
#pragma once

#include <pulse/pulseaudio.h>
#include <pulse/rtclock.h>

#include <string>

namespace plat {

// Every libpulse function the backend calls.
#define PELMORA_PULSE_FUNCTIONS(X)                                                                 \
    X(pa_channel_map_init_extend)                                                                  \
    X(pa_context_connect)                                                                          \
    X(pa_context_disconnect)                                                                       \
    X(pa_context_errno)                                                                            \
    X(pa_context_get_card_info_by_index)                                                           \
    X(pa_context_get_card_info_list)                                                               \
    X(pa_context_get_server_info)                                                                  \
    X(pa_context_get_sink_info_by_index)                                                           \
    X(pa_context_get_sink_info_list)                                                               \
    X(pa_context_get_source_info_by_index)                                                         \
    X(pa_context_get_source_info_list)                                                             \
    X(pa_context_get_state)                                                                        \
    X(pa_context_new_with_proplist)                                                                \
    X(pa_context_rttime_new)                                                                       \
    X(pa_context_set_default_sink)                                                                 \
    X(pa_context_set_default_source)                                                               \
    X(pa_context_set_sink_mute_by_name)                                                            \
    X(pa_context_set_sink_port_by_name)                                                            \
    X(pa_context_set_sink_volume_by_name)                                                          \
    X(pa_context_set_source_mute_by_name)                                                          \
    X(pa_context_set_source_port_by_name)                                                          \
    X(pa_context_set_source_volume_by_name)                                                        \
    X(pa_context_set_state_callback)                                                               \
    X(pa_context_set_subscribe_callback)                                                           \
    X(pa_context_subscribe)                                                                        \
    X(pa_context_unref)                                                                            \
    X(pa_cvolume_max)                                                                              \
    X(pa_cvolume_set)                                                                              \
    X(pa_frame_size)                                                                               \
    X(pa_operation_cancel)                                                                         \
    X(pa_operation_get_state)                                                                      \
    X(pa_operation_unref)                                                                          \
    X(pa_proplist_free)                                                                            \
    X(pa_proplist_gets)                                                                            \
    X(pa_proplist_new)                                                                             \
    X(pa_proplist_sets)                                                                            \
    X(pa_rtclock_now)                                                                              \
    X(pa_sample_spec_valid)                                                                        \
    X(pa_stream_connect_playback)                                                                  \
    X(pa_stream_connect_record)                                                                    \
    X(pa_stream_cork)                                                                              \
    X(pa_stream_disconnect)                                                                        \
    X(pa_stream_drop)                                                                              \
    X(pa_stream_flush)                                                                             \
    X(pa_stream_get_latency)                                                                       \
    X(pa_stream_get_state)                                                                         \
    X(pa_stream_new_with_proplist)                                                                 \
    X(pa_stream_peek)                                                                              \
    X(pa_stream_readable_size)                                                                     \
    X(pa_stream_set_read_callback)                                                                 \
    X(pa_stream_set_state_callback)                                                                \
    X(pa_stream_set_underflow_callback)                                                            \
    X(pa_stream_set_write_callback)                                                                \
    X(pa_stream_trigger)                                                                           \
    X(pa_stream_unref)                                                                             \
    X(pa_stream_writable_size)                                                                     \
    X(pa_stream_write)                                                                             \
    X(pa_strerror)                                                                                 \
    X(pa_threaded_mainloop_free)                                                                   \
    X(pa_threaded_mainloop_get_api)                                                                \
    X(pa_threaded_mainloop_lock)                                                                   \
    X(pa_threaded_mainloop_new)                                                                    \
    X(pa_threaded_mainloop_signal)                                                                 \
    X(pa_threaded_mainloop_start)                                                                  \
    X(pa_threaded_mainloop_stop)                                                                   \
    X(pa_threaded_mainloop_unlock)                                                                 \
    X(pa_threaded_mainloop_wait)                                                                   \
    X(pa_usec_to_bytes)

struct PulseApi {
#define PELMORA_PULSE_POINTER(name) decltype(&::name) name = nullptr;
    PELMORA_PULSE_FUNCTIONS(PELMORA_PULSE_POINTER)
#undef PELMORA_PULSE_POINTER
};

// Loads libpulse once; false with `error` set when it or one of its
// functions is missing. Pa() may be used only after it succeeded.
bool LoadPulseApi(std::string& error);
const PulseApi& Pa();

} // namespace plat
