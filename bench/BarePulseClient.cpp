#include "bench/BarePulseClient.h"

#include <pulse/pulseaudio.h>

namespace bench {

namespace {

struct Answer {
    pa_threaded_mainloop* loop;
    bool done = false;
    bool success = false;
};

void OnSuccess(pa_context*, int success, void* data) {
    auto* answer = static_cast<Answer*>(data);
    answer->success = success != 0;
    answer->done = true;
    pa_threaded_mainloop_signal(answer->loop, 0);
}

void OnState(pa_context*, void* data) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(data), 0);
}

void OnEvent(pa_context*, pa_subscription_event_type_t, uint32_t, void*) {}

} // namespace

CBarePulseClient::~CBarePulseClient() {
    if (m_loop != nullptr)
        pa_threaded_mainloop_stop(m_loop);
    if (m_context != nullptr) {
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
    }
    if (m_loop != nullptr)
        pa_threaded_mainloop_free(m_loop);
}

bool CBarePulseClient::Connect(std::string& error) {
    m_loop = pa_threaded_mainloop_new();
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "bench bare client");
    pa_context_set_state_callback(m_context, &OnState, m_loop);
    pa_threaded_mainloop_lock(m_loop);
    bool ready = pa_threaded_mainloop_start(m_loop) == 0 &&
                 pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) == 0;
    for (pa_context_state_t s = pa_context_get_state(m_context); ready && s != PA_CONTEXT_READY;
         s = pa_context_get_state(m_context)) {
        if (!PA_CONTEXT_IS_GOOD(s))
            ready = false;
        else
            pa_threaded_mainloop_wait(m_loop);
    }
    if (ready) {
        pa_context_set_subscribe_callback(m_context, &OnEvent, nullptr);
        Answer answer{m_loop};
        pa_operation* op =
            pa_context_subscribe(m_context,
                                 static_cast<pa_subscription_mask_t>(
                                     PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE |
                                     PA_SUBSCRIPTION_MASK_CARD | PA_SUBSCRIPTION_MASK_SERVER),
                                 &OnSuccess, &answer);
        while (op != nullptr && !answer.done)
            pa_threaded_mainloop_wait(m_loop);
        if (op != nullptr)
            pa_operation_unref(op);
        ready = answer.success;
    }
    pa_threaded_mainloop_unlock(m_loop);
    if (!ready)
        error = std::string("the bare client cannot connect: ") +
                pa_strerror(pa_context_errno(m_context));
    return ready;
}

bool CBarePulseClient::SetSinkVolume(const std::string& sink, long volume) {
    pa_cvolume v;
    pa_cvolume_set(&v, 2, static_cast<pa_volume_t>(volume));
    Answer answer{m_loop};
    pa_threaded_mainloop_lock(m_loop);
    pa_operation* op =
        pa_context_set_sink_volume_by_name(m_context, sink.c_str(), &v, &OnSuccess, &answer);
    while (op != nullptr && !answer.done)
        pa_threaded_mainloop_wait(m_loop);
    if (op != nullptr)
        pa_operation_unref(op);
    pa_threaded_mainloop_unlock(m_loop);
    return answer.success;
}

void CBarePulseClient::SendSinkVolume(const std::string& sink, long volume) {
    pa_cvolume v;
    pa_cvolume_set(&v, 2, static_cast<pa_volume_t>(volume));
    pa_threaded_mainloop_lock(m_loop);
    auto counted = [](pa_context*, int success, void* data) {
        auto* self = static_cast<CBarePulseClient*>(data);
        ++self->m_answered;
        self->m_failed = self->m_failed || success == 0;
        pa_threaded_mainloop_signal(self->m_loop, 0);
    };
    if (pa_operation* op =
            pa_context_set_sink_volume_by_name(m_context, sink.c_str(), &v, counted, this)) {
        ++m_sent;
        pa_operation_unref(op);
    } else {
        m_failed = true;
    }
    pa_threaded_mainloop_unlock(m_loop);
}

bool CBarePulseClient::WaitForAnswers() {
    pa_threaded_mainloop_lock(m_loop);
    while (m_answered < m_sent && PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context)))
        pa_threaded_mainloop_wait(m_loop);
    const bool ok = m_answered == m_sent && !m_failed;
    pa_threaded_mainloop_unlock(m_loop);
    return ok;
}

} // namespace bench
