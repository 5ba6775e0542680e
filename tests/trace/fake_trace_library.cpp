// A stand-in trace library that reports what the program does with it to the
// test program (TestTraceEvent, exported by the test program). Built twice:
// with all four entry points, and without TraceShowTraceList.
#define EXPORT extern "C" __attribute__((visibility("default")))

extern "C" void TestTraceEvent(const char* event, int number, const char* module, int line,
                               const char* text);

__attribute__((constructor)) static void OnLoad() {
    TestTraceEvent("load", 0, "", 0, "");
}
__attribute__((destructor)) static void OnUnload() {
    TestTraceEvent("unload", 0, "", 0, "");
}

EXPORT void TraceInit(int reserved) {
    TestTraceEvent("init", reserved, "", 0, "");
}

EXPORT void TraceMessage(int severity, const char* module, int line, const char* text) {
    TestTraceEvent("message", severity, module, line, text);
}

EXPORT void TraceClose() {
    TestTraceEvent("close", 0, "", 0, "");
}

#ifndef WITHOUT_SHOW_LIST
EXPORT void TraceShowTraceList() {
    TestTraceEvent("show", 0, "", 0, "");
}
#endif
