// Binding to the optional trace library ("Trace.dll", libTrace.so here),
// loaded at run time. Without it the program runs the same and traces nothing.
//
// Severities: 0 information, 1 warning, 2 error.
#pragma once

#include <functional>

namespace plat {

// Binds the library, once: all four entry points must be present, then
// TraceInit(0) is called; a library missing one of them is freed again.
void LoadTraceLibrary();
// TraceClose(), then frees the library.
void UnloadTraceLibrary();
// TraceMessage is bound, or an in-process listener is installed.
bool TraceBound();
// Shows the library's list of lines; nothing when unbound.
void TraceShowTraceList();
// Formats one line and hands it to TraceMessage and to the listener.
void TraceWrite(int severity, const char* module, int line, const char* fmt, ...)
    __attribute__((format(printf, 4, 5)));

// In-process listener: gets every formatted line too; while one is installed
// TraceBound() is true.
using TraceListener =
    std::function<void(int severity, const char* module, int line, const char* text)>;
void SetTraceListener(TraceListener listener); // an empty function removes it

// Windows name of the library to bind (default "Trace.dll").
void SetTraceLibraryName(const char* windowsName);

// Binds the trace library when constructed; static instances bind it during
// static initialisation.
class CTraceChannel {
public:
    CTraceChannel();
};

} // namespace plat

// Formats nothing (does not even evaluate the arguments) when nothing is bound.
#define TRACE_LOG(severity, module, line, ...)                                                     \
    do {                                                                                           \
        if (::plat::TraceBound())                                                                  \
            ::plat::TraceWrite((severity), (module), (line), __VA_ARGS__);                         \
    } while (0)
