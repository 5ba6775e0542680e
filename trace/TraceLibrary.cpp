// The four entry points the program binds by name.
#include "TraceLog.h"
#include "TraceWindow.h"

#include <cstdio>

#if defined(_WIN32)
#define TRACE_EXPORT extern "C" __declspec(dllexport)
#else
#define TRACE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

TRACE_EXPORT void TraceInit(int /*reserved*/) {
    tracelib::OpenLog();
}

TRACE_EXPORT void TraceMessage(int severity, const char* module, int line, const char* text) {
    tracelib::AppendLine(severity, module, line, text);
}

TRACE_EXPORT void TraceClose() {
    tracelib::DestroyTraceWindow();
    tracelib::CloseLog();
}

TRACE_EXPORT void TraceShowTraceList() {
    if (tracelib::ShowTraceWindow())
        return;
    for (const std::string& line : tracelib::Lines())
        std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}
