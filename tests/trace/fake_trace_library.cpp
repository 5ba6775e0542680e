// A stand-in trace library that reports what the program does with it to the
// test program (TestTraceEvent, exported by the test program). Built twice:
// with all four entry points, and without TraceShowTraceList.
#include "tests/trace/TestTraceEvent.h"

#define EXPORT PELMORA_TEST_EXPORT

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {
// On Windows a DLL cannot leave a symbol to the program that loads it: the
// program's own export is looked up instead.
void Report(const char* event, int number, const char* module, int line, const char* text) {
#if defined(_WIN32)
    using Event = void (*)(const char*, int, const char*, int, const char*);
    static const auto report = reinterpret_cast<Event>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(nullptr), "TestTraceEvent")));
    if (report != nullptr)
        report(event, number, module, line, text);
#else
    TestTraceEvent(event, number, module, line, text);
#endif
}
} // namespace

__attribute__((constructor)) static void OnLoad() {
    Report("load", 0, "", 0, "");
}
__attribute__((destructor)) static void OnUnload() {
    Report("unload", 0, "", 0, "");
}

EXPORT void TraceInit(int reserved) {
    Report("init", reserved, "", 0, "");
}

EXPORT void TraceMessage(int severity, const char* module, int line, const char* text) {
    Report("message", severity, module, line, text);
}

EXPORT void TraceClose() {
    Report("close", 0, "", 0, "");
}

#ifndef WITHOUT_SHOW_LIST
EXPORT void TraceShowTraceList() {
    Report("show", 0, "", 0, "");
}
#endif
