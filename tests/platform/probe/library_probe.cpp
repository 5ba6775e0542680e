// A library that tells which of its builds was loaded (PROBE_PLACE).
extern "C" __attribute__((visibility("default"))) const char* ProbePlace() {
    return PROBE_PLACE;
}
