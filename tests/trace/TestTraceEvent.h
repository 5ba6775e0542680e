// What a stand-in trace library reports to the test program that loaded it:
// the test program defines and exports TestTraceEvent, the library calls it.
#pragma once

#if defined(_WIN32)
#define PELMORA_TEST_EXPORT extern "C" __declspec(dllexport)
#else
#define PELMORA_TEST_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// event: "load", "unload", "init", "message", "close" or "show".
extern "C" void TestTraceEvent(const char* event, int number, const char* module, int line,
                               const char* text);
