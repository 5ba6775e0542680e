// The three trace channels: constructed during static initialisation, each
// binds the trace library before start-up runs.
#include "platform/system/trace.h"

namespace {
const plat::CTraceChannel g_traceChannelSheet;
const plat::CTraceChannel g_traceChannelMixer;
const plat::CTraceChannel g_traceChannelAudio;
} // namespace
