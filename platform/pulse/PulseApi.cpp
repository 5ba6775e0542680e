#include "platform/pulse/PulseApi.h"

#include "platform/system/library_functions.h"

#include <mutex>

namespace plat {

namespace {

PulseApi g_api;
bool g_loaded = false;
std::string g_error;

} // namespace

bool LoadPulseApi(std::string& error) {
    static std::once_flag once;
    std::call_once(once, [] {
        HMODULE library = LoadSystemLibrary("libpulse.so.0", g_error);
        if (library == nullptr)
            return;
        bool ok = true;
#define PELMORA_PULSE_BIND(name) ok = ok && BindFunction(library, #name, g_api.name, g_error);
        PELMORA_PULSE_FUNCTIONS(PELMORA_PULSE_BIND)
#undef PELMORA_PULSE_BIND
        g_loaded = ok;
    });
    if (!g_loaded)
        error = "libpulse cannot be used: " + g_error;
    return g_loaded;
}

const PulseApi& Pa() {
    return g_api;
}

} // namespace plat
