#include "platform/pulse/PulseConnection.h"

#include "platform/pulse/PulseApi.h"

#include <algorithm>
#include <cerrno>

namespace plat {

namespace {

// What a write sets; volumes and mutes are the kept writes' index.
enum WriteKind { kVolume, kMute, kPort, kDefault };

struct Done {
    pa_threaded_mainloop* loop;
    int success = 0;
};

void SuccessReply(pa_context*, int success, void* userdata) {
    auto* done = static_cast<Done*>(userdata);
    done->success = success;
    Pa().pa_threaded_mainloop_signal(done->loop, 0);
}

std::string Text(const char* text) {
    return text ? text : "";
}

template <class Info> std::vector<PulsePort> Ports(const Info* info) {
    std::vector<PulsePort> ports;
    for (uint32_t i = 0; i < info->n_ports; ++i)
        ports.push_back({Text(info->ports[i]->name), Text(info->ports[i]->description),
                         info->ports[i]->available != PA_PORT_AVAILABLE_NO});
    return ports;
}

template <class Info> PulseDevice DeviceOf(const Info* info) {
    PulseDevice d;
    d.index = info->index;
    d.name = Text(info->name);
    d.description = Text(info->description);
    d.channels = info->volume.channels;
    d.ports = Ports(info);
    d.activePort = info->active_port ? Text(info->active_port->name) : "";
    d.volume = static_cast<long>(Pa().pa_cvolume_max(&info->volume));
    d.mute = info->mute != 0;
    d.formFactor = Text(Pa().pa_proplist_gets(info->proplist, PA_PROP_DEVICE_FORM_FACTOR));
    d.bus = Text(Pa().pa_proplist_gets(info->proplist, PA_PROP_DEVICE_BUS));
    d.rate = info->sample_spec.rate;
    // PulseAudio's Bluetooth module and PipeWire's each name the profile under
    // a key of their own.
    for (const char* key : {"bluetooth.protocol", "api.bluez5.profile"})
        if (d.bluetoothProfile.empty())
            d.bluetoothProfile = Text(Pa().pa_proplist_gets(info->proplist, key));
    // The card by index here; Lists() names it.
    if (info->card != PA_INVALID_INDEX)
        d.card = "#" + std::to_string(info->card);
    return d;
}

template <class T> void Upsert(std::vector<T>& list, T item) {
    auto it =
        std::find_if(list.begin(), list.end(), [&](const T& x) { return x.index == item.index; });
    if (it == list.end())
        list.push_back(std::move(item));
    else
        *it = std::move(item);
}

template <class T> void Erase(std::vector<T>& list, uint32_t index) {
    list.erase(
        std::remove_if(list.begin(), list.end(), [&](const T& x) { return x.index == index; }),
        list.end());
}

} // namespace

// The replies of the server, on the main loop's thread with the loop locked.
struct CPulseConnection::Callbacks {
    static void State(pa_context* c, void* userdata) {
        auto* self = static_cast<CPulseConnection*>(userdata);
        Pa().pa_threaded_mainloop_signal(self->m_loop, 0);
        if (!self->m_started || self->m_closing)
            return; // the first connection is waited for by Start
        const pa_context_state_t state = Pa().pa_context_get_state(c);
        if (c == self->m_attempt) {
            if (state == PA_CONTEXT_READY)
                self->Adopt();
            else if (!PA_CONTEXT_IS_GOOD(state))
                self->TryAgainLater();
        } else if (c == self->m_context && !PA_CONTEXT_IS_GOOD(state)) {
            self->Lost();
        }
    }

    // The time to try a new connection to a server that went away.
    static void Retry(pa_mainloop_api* api, pa_time_event* e, const struct timeval*,
                      void* userdata) {
        auto* self = static_cast<CPulseConnection*>(userdata);
        api->time_free(e);
        self->m_retry = nullptr;
        self->Reconnect();
    }

    static void Server(pa_context*, const pa_server_info* info, void* userdata) {
        auto* self = static_cast<CPulseConnection*>(userdata);
        if (info) {
            std::lock_guard<std::mutex> lock(self->m_mutex);
            self->m_lists.defaultSink = Text(info->default_sink_name);
            self->m_lists.defaultSource = Text(info->default_source_name);
            // PipeWire says "PulseAudio (on PipeWire 0.3.65)" and the
            // protocol's version; its own version is in the name.
            const std::string name = Text(info->server_name);
            const std::size_t on = name.find("PipeWire ");
            self->m_serverName = on == std::string::npos
                                     ? "PulseAudio " + Text(info->server_version)
                                     : name.substr(on, name.find(')', on) == std::string::npos
                                                           ? std::string::npos
                                                           : name.find(')', on) - on);
        }
        Pa().pa_threaded_mainloop_signal(self->m_loop, 0);
        if (info)
            self->Changed();
    }

    static void Card(pa_context*, const pa_card_info* info, int eol, void* userdata) {
        auto* self = static_cast<CPulseConnection*>(userdata);
        if (!eol && info) {
            PulseCard card;
            card.index = info->index;
            card.name = Text(info->name);
            card.description =
                Text(Pa().pa_proplist_gets(info->proplist, PA_PROP_DEVICE_DESCRIPTION));
            card.bus = Text(Pa().pa_proplist_gets(info->proplist, PA_PROP_DEVICE_BUS));
            for (uint32_t i = 0; i < info->n_profiles; ++i)
                card.profiles.push_back(Text(info->profiles2[i]->name));
            card.activeProfile = info->active_profile2 ? Text(info->active_profile2->name) : "";
            std::lock_guard<std::mutex> lock(self->m_mutex);
            Upsert(self->m_lists.cards, std::move(card));
        }
        Pa().pa_threaded_mainloop_signal(self->m_loop, 0);
        if (!eol && info)
            self->Changed();
    }

    static void Sink(pa_context*, const pa_sink_info* info, int eol, void* userdata) {
        auto* self = static_cast<CPulseConnection*>(userdata);
        if (!eol && info) {
            PulseDevice d = DeviceOf(info);
            std::lock_guard<std::mutex> lock(self->m_mutex);
            Upsert(self->m_lists.sinks, std::move(d));
        }
        Pa().pa_threaded_mainloop_signal(self->m_loop, 0);
        if (!eol && info)
            self->Changed();
    }

    static void Source(pa_context*, const pa_source_info* info, int eol, void* userdata) {
        auto* self = static_cast<CPulseConnection*>(userdata);
        if (!eol && info) {
            PulseDevice d = DeviceOf(info);
            d.monitor = info->monitor_of_sink != PA_INVALID_INDEX;
            std::lock_guard<std::mutex> lock(self->m_mutex);
            Upsert(self->m_lists.sources, std::move(d));
        }
        Pa().pa_threaded_mainloop_signal(self->m_loop, 0);
        if (!eol && info)
            self->Changed();
    }

    // The answer to a volume or mute write: the value is kept (or the
    // failure's words), and the value that waited for it goes.
    static void Written(pa_context* c, int success, void* userdata) {
        auto& write = *static_cast<Write*>(userdata);
        CPulseConnection* self = write.connection;
        if (write.late) {
            Pa().pa_threaded_mainloop_get_api(self->m_loop)->time_free(write.late);
            write.late = nullptr;
        }
        if (success || Pa().pa_context_errno(c) != PA_ERR_TIMEOUT)
            self->Answered();
        const char* what = write.what == kVolume ? "volume" : "mute";
        {
            std::lock_guard<std::mutex> lock(self->m_mutex);
            if (success) {
                self->m_writeFailure.clear();
                for (PulseDevice& d : write.source ? self->m_lists.sources : self->m_lists.sinks)
                    if (d.name == write.device) {
                        if (write.what == kVolume)
                            d.volume = write.value;
                        else
                            d.mute = write.value != 0;
                    }
            } else {
                self->m_writeFailure = std::string("the sound server refused the ") + what +
                                       " of " + write.device + ": " +
                                       Pa().pa_strerror(Pa().pa_context_errno(c));
            }
            write.sent = write.waiting;
            if (write.waiting) {
                write.value = write.next;
                write.waiting = false;
            }
        }
        if (write.sent)
            self->Send(write);
    }

    // A write went unanswered too long. It stays out: its value still goes
    // when the server answers again.
    static void Late(pa_mainloop_api* api, pa_time_event* e, const struct timeval*,
                     void* userdata) {
        auto& write = *static_cast<Write*>(userdata);
        api->time_free(e);
        write.late = nullptr;
        {
            std::lock_guard<std::mutex> lock(write.connection->m_mutex);
            write.connection->m_writeFailure =
                std::string("the sound server has not answered the ") +
                (write.what == kVolume ? "volume" : "mute") + " of " + write.device + " for 2 s";
        }
        write.connection->NotAnswering();
    }

    // The server's sign of life, asked for once it stopped answering.
    static void Alive(pa_context*, const pa_server_info* info, void* userdata) {
        auto* self = static_cast<CPulseConnection*>(userdata);
        self->m_probing = false;
        if (info) // none when the library gave up waiting
            self->Answered();
    }

    // An event: the one object that changed is read again, or forgotten.
    static void Event(pa_context* c, pa_subscription_event_type_t type, uint32_t index,
                      void* userdata) {
        auto* self = static_cast<CPulseConnection*>(userdata);
        self->Answered();
        const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        const bool removed =
            (type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE;
        pa_operation* op = nullptr;
        if (removed) {
            {
                std::lock_guard<std::mutex> lock(self->m_mutex);
                if (facility == PA_SUBSCRIPTION_EVENT_SINK)
                    Erase(self->m_lists.sinks, index);
                else if (facility == PA_SUBSCRIPTION_EVENT_SOURCE)
                    Erase(self->m_lists.sources, index);
                else if (facility == PA_SUBSCRIPTION_EVENT_CARD)
                    Erase(self->m_lists.cards, index);
            }
            self->Changed();
            return;
        }
        if (facility == PA_SUBSCRIPTION_EVENT_SINK)
            op = Pa().pa_context_get_sink_info_by_index(c, index, &Sink, self);
        else if (facility == PA_SUBSCRIPTION_EVENT_SOURCE)
            op = Pa().pa_context_get_source_info_by_index(c, index, &Source, self);
        else if (facility == PA_SUBSCRIPTION_EVENT_CARD)
            op = Pa().pa_context_get_card_info_by_index(c, index, &Card, self);
        else if (facility == PA_SUBSCRIPTION_EVENT_SERVER) {
            op = Pa().pa_context_get_server_info(c, &Server, self);
            self->m_rereads = 0;
            RereadLater(self, c);
        }
        if (op)
            Pa().pa_operation_unref(op);
    }

    // PipeWire's server announces a new default when it is asked for, and
    // its session manager applies it a moment later, sometimes with no
    // event of its own: the defaults are read again 0.25, 1 and 3 s after
    // the server's last change event. With the loop locked.
    static void RereadLater(CPulseConnection* self, pa_context* c) {
        static constexpr pa_usec_t kDelays[] = {PA_USEC_PER_SEC / 4, PA_USEC_PER_SEC,
                                                3 * PA_USEC_PER_SEC};
        if (self->m_reread) {
            Pa().pa_threaded_mainloop_get_api(self->m_loop)->time_free(self->m_reread);
            self->m_reread = nullptr;
        }
        if (self->m_rereads < static_cast<int>(std::size(kDelays)))
            self->m_reread = Pa().pa_context_rttime_new(
                c, Pa().pa_rtclock_now() + kDelays[self->m_rereads], &Reread, self);
    }
    static void Reread(pa_mainloop_api* api, pa_time_event* e, const struct timeval*,
                       void* userdata) {
        auto* self = static_cast<CPulseConnection*>(userdata);
        api->time_free(e);
        self->m_reread = nullptr;
        pa_context* c = self->m_context;
        if (!c || Pa().pa_context_get_state(c) != PA_CONTEXT_READY)
            return;
        if (pa_operation* op = Pa().pa_context_get_server_info(c, &Server, self))
            Pa().pa_operation_unref(op);
        ++self->m_rereads;
        RereadLater(self, c);
    }
};

namespace {

// A server that stops answering (stopped, hung, swapped out) must not freeze
// the wizard: no wait on it lasts longer than these.
constexpr pa_usec_t kConnectTimeout = 5 * PA_USEC_PER_SEC;
constexpr pa_usec_t kReplyTimeout = 2 * PA_USEC_PER_SEC;
// A port or default write is waited for on the caller's thread, the GUI's:
// a live server answers it within milliseconds.
constexpr pa_usec_t kRequestTimeout = PA_USEC_PER_SEC / 2;
// How often a server that went away is tried again.
constexpr pa_usec_t kRetryInterval = PA_USEC_PER_SEC;

struct Deadline {
    pa_threaded_mainloop* loop;
    bool passed = false;
};

void DeadlinePassed(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
    auto* deadline = static_cast<Deadline*>(userdata);
    deadline->passed = true;
    Pa().pa_threaded_mainloop_signal(deadline->loop, 0);
}

// Waits, with the loop locked, until `ready()` holds, the context fails or
// `timeout` has passed; true when ready.
template <class Ready>
bool WaitUntil(pa_threaded_mainloop* loop, pa_context* context, pa_usec_t timeout, Ready ready) {
    Deadline deadline{loop};
    pa_time_event* timer = Pa().pa_context_rttime_new(context, Pa().pa_rtclock_now() + timeout,
                                                      &DeadlinePassed, &deadline);
    while (!ready() && PA_CONTEXT_IS_GOOD(Pa().pa_context_get_state(context)) && !deadline.passed)
        Pa().pa_threaded_mainloop_wait(loop);
    if (timer)
        Pa().pa_threaded_mainloop_get_api(loop)->time_free(timer);
    return ready();
}

// Waits, with the loop locked, until the operation is done. One that gets no
// answer in time is cancelled, so its reply can never reach the caller's
// stack after this returns.
bool Wait(pa_threaded_mainloop* loop, pa_context* context, pa_operation* op,
          pa_usec_t timeout = kReplyTimeout) {
    if (!op)
        return false;
    const bool done =
        WaitUntil(loop, context, timeout,
                  [op] { return Pa().pa_operation_get_state(op) != PA_OPERATION_RUNNING; }) &&
        Pa().pa_operation_get_state(op) == PA_OPERATION_DONE;
    if (Pa().pa_operation_get_state(op) == PA_OPERATION_RUNNING)
        Pa().pa_operation_cancel(op);
    Pa().pa_operation_unref(op);
    return done;
}

// Why a connection failed, in the library's words when it has any (its
// code is 0, "OK", when the server closed the connection without one).
std::string NoServerAnswers(pa_context* context) {
    const int code = Pa().pa_context_errno(context);
    return code == PA_OK ? std::string("no sound server answers")
                         : std::string("no sound server answers (") + Pa().pa_strerror(code) + ")";
}

} // namespace

std::unique_ptr<CPulseConnection> CPulseConnection::Connect(std::string& error, bool* unanswered) {
    std::unique_ptr<CPulseConnection> c(new CPulseConnection);
    const bool started = c->Start(error);
    if (unanswered != nullptr)
        *unanswered = !started && c->m_unanswered;
    if (!started)
        return nullptr;
    return c;
}

pa_context* CPulseConnection::NewContext() {
    pa_proplist* props = Pa().pa_proplist_new();
    Pa().pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Pelmora");
    Pa().pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, "pelmora");
    pa_context* context = Pa().pa_context_new_with_proplist(
        Pa().pa_threaded_mainloop_get_api(m_loop), "Pelmora", props);
    Pa().pa_proplist_free(props);
    if (context)
        Pa().pa_context_set_state_callback(context, &Callbacks::State, this);
    return context;
}

bool CPulseConnection::Subscribe(pa_context* context, bool wait) {
    Pa().pa_context_set_subscribe_callback(context, &Callbacks::Event, this);
    Done subscribed{m_loop};
    auto answered = [&](pa_operation* op) {
        if (wait)
            return Wait(m_loop, context, op);
        if (op)
            Pa().pa_operation_unref(op);
        return op != nullptr;
    };
    const auto mask = static_cast<pa_subscription_mask_t>(
        PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_CARD |
        PA_SUBSCRIPTION_MASK_SERVER);
    return answered(Pa().pa_context_subscribe(context, mask, wait ? &SuccessReply : nullptr,
                                              wait ? &subscribed : nullptr)) &&
           answered(Pa().pa_context_get_server_info(context, &Callbacks::Server, this)) &&
           answered(Pa().pa_context_get_card_info_list(context, &Callbacks::Card, this)) &&
           answered(Pa().pa_context_get_sink_info_list(context, &Callbacks::Sink, this)) &&
           answered(Pa().pa_context_get_source_info_list(context, &Callbacks::Source, this));
}

bool CPulseConnection::Start(std::string& error) {
    if (!LoadPulseApi(error))
        return false;
    m_loop = Pa().pa_threaded_mainloop_new();
    if (!m_loop) {
        error = "the sound server's main loop cannot be made";
        return false;
    }
    m_context = NewContext();
    if (!m_context) {
        error = "the sound server's context cannot be made";
        return false;
    }
    if (Pa().pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        Pa().pa_threaded_mainloop_start(m_loop) < 0) {
        error = NoServerAnswers(m_context);
        return false;
    }
    Pa().pa_threaded_mainloop_lock(m_loop);
    bool ok = WaitUntil(m_loop, m_context, kConnectTimeout, [this] {
        return Pa().pa_context_get_state(m_context) == PA_CONTEXT_READY;
    });
    ok = ok && Subscribe(m_context, true);
    if (!ok) {
        // A context still good is a server there that says nothing: it was
        // stopped, or is too busy to answer.
        m_unanswered = PA_CONTEXT_IS_GOOD(Pa().pa_context_get_state(m_context));
        error = m_unanswered ? std::string("the sound server does not answer in time")
                             : NoServerAnswers(m_context);
    }
    // From now on a server that goes away is connected to again.
    m_started = ok;
    if (ok && !PA_CONTEXT_IS_GOOD(Pa().pa_context_get_state(m_context)))
        Lost();
    Pa().pa_threaded_mainloop_unlock(m_loop);
    return ok;
}

CPulseConnection::~CPulseConnection() {
    if (m_loop) {
        Pa().pa_threaded_mainloop_lock(m_loop);
        m_closing = true;
        Pa().pa_threaded_mainloop_unlock(m_loop);
        Pa().pa_threaded_mainloop_stop(m_loop);
        if (m_retry)
            Pa().pa_threaded_mainloop_get_api(m_loop)->time_free(m_retry);
        if (m_reread)
            Pa().pa_threaded_mainloop_get_api(m_loop)->time_free(m_reread);
    }
    m_replaced.push_back(m_attempt);
    m_replaced.push_back(m_context);
    for (pa_context* context : m_replaced) {
        if (!context)
            continue;
        Pa().pa_context_set_state_callback(context, nullptr, nullptr);
        Pa().pa_context_disconnect(context);
        Pa().pa_context_unref(context);
    }
    if (m_loop)
        Pa().pa_threaded_mainloop_free(m_loop);
}

void CPulseConnection::Lost() {
    if (m_reread) {
        Pa().pa_threaded_mainloop_get_api(m_loop)->time_free(m_reread);
        m_reread = nullptr;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lists = PulseLists{};
        // Their requests went with the connection, unanswered.
        for (auto& writes : m_writes)
            for (auto& [key, write] : writes) {
                if (write->late)
                    Pa().pa_threaded_mainloop_get_api(m_loop)->time_free(write->late);
                write->late = nullptr;
                write->sent = write->waiting = false;
            }
    }
    m_answering = true;
    m_probing = false;
    TryAgainLater();
    Changed(); // the devices are gone with their server
}

void CPulseConnection::TryAgainLater() {
    if (m_retry || m_closing)
        return;
    m_retry = Pa().pa_context_rttime_new(m_context, Pa().pa_rtclock_now() + kRetryInterval,
                                         &Callbacks::Retry, this);
}

void CPulseConnection::Reconnect() {
    if (m_closing)
        return;
    if (m_attempt) { // failed: nothing was made on it
        Pa().pa_context_set_state_callback(m_attempt, nullptr, nullptr);
        Pa().pa_context_disconnect(m_attempt);
        Pa().pa_context_unref(m_attempt);
    }
    m_attempt = NewContext();
    if (!m_attempt ||
        Pa().pa_context_connect(m_attempt, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        TryAgainLater();
}

void CPulseConnection::Adopt() {
    pa_context* old = m_context;
    Pa().pa_context_set_state_callback(old, nullptr, nullptr);
    Pa().pa_context_set_subscribe_callback(old, nullptr, nullptr);
    m_replaced.push_back(old); // a stream made on it may still ask it
    m_context = m_attempt;
    m_attempt = nullptr;
    m_answering = true;
    // The lists come back reply by reply, each one an event.
    if (!Subscribe(m_context, false))
        Pa().pa_context_disconnect(m_context); // tried again from its state
}

PulseLists CPulseConnection::Lists() {
    std::lock_guard<std::mutex> lock(m_mutex);
    PulseLists lists = m_lists;
    // A device names its card by index until the card list says its name.
    for (auto* devices : {&lists.sinks, &lists.sources})
        for (PulseDevice& d : *devices)
            if (!d.card.empty() && d.card[0] == '#')
                for (const PulseCard& card : lists.cards)
                    if ("#" + std::to_string(card.index) == d.card)
                        d.card = card.name;
    // A value on its way to the server is the one it will hold.
    for (int kind : {kVolume, kMute})
        for (const auto& [key, write] : m_writes[kind]) {
            if (!write->sent)
                continue;
            const long value = write->waiting ? write->next : write->value;
            for (PulseDevice& d : write->source ? lists.sources : lists.sinks)
                if (d.name == write->device) {
                    if (kind == kVolume)
                        d.volume = value;
                    else
                        d.mute = value != 0;
                }
        }
    return lists;
}

void CPulseConnection::OnChange(std::function<void()> changed) {
    std::lock_guard<std::mutex> lock(m_changedMutex);
    m_changed = std::move(changed);
}

void CPulseConnection::Changed() {
    std::lock_guard<std::mutex> lock(m_changedMutex);
    if (m_changed)
        m_changed();
}

std::string CPulseConnection::ServerName() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_serverName;
}

bool CPulseConnection::Connected() {
    Pa().pa_threaded_mainloop_lock(m_loop);
    const bool good = Pa().pa_context_get_state(m_context) == PA_CONTEXT_READY;
    Pa().pa_threaded_mainloop_unlock(m_loop);
    return good;
}

bool CPulseConnection::Answering() {
    Pa().pa_threaded_mainloop_lock(m_loop);
    const bool answering = m_answering;
    Pa().pa_threaded_mainloop_unlock(m_loop);
    return answering;
}

std::string CPulseConnection::LastWriteFailure() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_writeFailure;
}

void CPulseConnection::NotAnswering() {
    m_answering = false;
    if (m_probing || Pa().pa_context_get_state(m_context) != PA_CONTEXT_READY)
        return;
    if (pa_operation* op = Pa().pa_context_get_server_info(m_context, &Callbacks::Alive, this)) {
        m_probing = true;
        Pa().pa_operation_unref(op);
    }
}

void CPulseConnection::Answered() {
    m_answering = true;
}

void CPulseConnection::Send(Write& write) {
    pa_operation* op = nullptr;
    const char* name = write.device.c_str();
    if (write.what == kVolume) {
        pa_cvolume volume;
        Pa().pa_cvolume_set(&volume, write.channels, static_cast<pa_volume_t>(write.value));
        op = write.source ? Pa().pa_context_set_source_volume_by_name(m_context, name, &volume,
                                                                      &Callbacks::Written, &write)
                          : Pa().pa_context_set_sink_volume_by_name(m_context, name, &volume,
                                                                    &Callbacks::Written, &write);
    } else {
        op = write.source ? Pa().pa_context_set_source_mute_by_name(
                                m_context, name, write.value != 0, &Callbacks::Written, &write)
                          : Pa().pa_context_set_sink_mute_by_name(m_context, name, write.value != 0,
                                                                  &Callbacks::Written, &write);
    }
    if (!op) {
        std::lock_guard<std::mutex> lock(m_mutex);
        write.sent = write.waiting = false;
        m_writeFailure = std::string("the sound server was not asked to set the ") +
                         (write.what == kVolume ? "volume" : "mute") + " of " + write.device +
                         ": " + Pa().pa_strerror(Pa().pa_context_errno(m_context));
        return;
    }
    Pa().pa_operation_unref(op);
    if (!write.late)
        write.late = Pa().pa_context_rttime_new(m_context, Pa().pa_rtclock_now() + kReplyTimeout,
                                                &Callbacks::Late, &write);
}

int CPulseConnection::Post(bool source, const std::string& device, int what, long value) {
    if (!Connected())
        return -ECONNRESET; // the server went away, with its devices
    unsigned channels = 2;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const PulseDevice* d = source ? m_lists.FindSource(device) : m_lists.FindSink(device);
        if (!d)
            return -ENODEV;
        channels = std::max(1u, d->channels);
    }
    Pa().pa_threaded_mainloop_lock(m_loop);
    if (Pa().pa_context_get_state(m_context) != PA_CONTEXT_READY) {
        Pa().pa_threaded_mainloop_unlock(m_loop);
        return -ECONNRESET;
    }
    Write* write = nullptr;
    bool send = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::unique_ptr<Write>& kept = m_writes[what][{source, device}];
        if (!kept) {
            kept = std::make_unique<Write>();
            kept->connection = this;
            kept->source = source;
            kept->device = device;
            kept->what = what;
        }
        write = kept.get();
        write->channels = channels;
        if (write->sent) {
            write->waiting = true; // replaces a value that waited
            write->next = value;
        } else {
            write->sent = send = true;
            write->value = value;
        }
    }
    if (send)
        Send(*write);
    const bool answering = m_answering;
    if (!answering)
        NotAnswering(); // asks for a sign of life, once
    Pa().pa_threaded_mainloop_unlock(m_loop);
    return answering ? 0 : -ETIMEDOUT;
}

int CPulseConnection::Request(bool source, const std::string& device, int what,
                              const std::string& text) {
    if (!Connected())
        return -ECONNRESET;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!(source ? m_lists.FindSource(device) : m_lists.FindSink(device)))
            return -ENODEV;
    }
    Done done{m_loop};
    Pa().pa_threaded_mainloop_lock(m_loop);
    if (Pa().pa_context_get_state(m_context) != PA_CONTEXT_READY) {
        Pa().pa_threaded_mainloop_unlock(m_loop);
        return -ECONNRESET;
    }
    if (!m_answering) {
        NotAnswering();
        Pa().pa_threaded_mainloop_unlock(m_loop);
        return -ETIMEDOUT;
    }
    const char* name = device.c_str();
    pa_operation* op =
        what == kPort
            ? (source ? Pa().pa_context_set_source_port_by_name(m_context, name, text.c_str(),
                                                                &SuccessReply, &done)
                      : Pa().pa_context_set_sink_port_by_name(m_context, name, text.c_str(),
                                                              &SuccessReply, &done))
            : (source ? Pa().pa_context_set_default_source(m_context, name, &SuccessReply, &done)
                      : Pa().pa_context_set_default_sink(m_context, name, &SuccessReply, &done));
    const bool replied = Wait(m_loop, m_context, op, kRequestTimeout);
    const bool unanswered = !replied && Pa().pa_context_get_state(m_context) == PA_CONTEXT_READY;
    if (unanswered)
        NotAnswering();
    else if (replied)
        Answered();
    Pa().pa_threaded_mainloop_unlock(m_loop);
    if (!replied)
        return unanswered ? -ETIMEDOUT : -EIO;
    if (!done.success)
        return -EINVAL;
    // What the server accepted is read back at once, before its event.
    std::lock_guard<std::mutex> lock(m_mutex);
    PulseDevice* d = nullptr;
    for (PulseDevice& x : source ? m_lists.sources : m_lists.sinks)
        if (x.name == device)
            d = &x;
    if (what == kDefault)
        (source ? m_lists.defaultSource : m_lists.defaultSink) = device;
    else if (d)
        d->activePort = text;
    return 0;
}

int CPulseConnection::SetVolume(bool source, const std::string& device, long volume) {
    return Post(source, device, kVolume, volume);
}
int CPulseConnection::SetMute(bool source, const std::string& device, bool mute) {
    return Post(source, device, kMute, mute ? 1 : 0);
}
int CPulseConnection::SetPort(bool source, const std::string& device, const std::string& port) {
    return Request(source, device, kPort, port);
}
int CPulseConnection::SetDefault(bool source, const std::string& device) {
    return Request(source, device, kDefault, "");
}

} // namespace plat
