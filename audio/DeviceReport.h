// The wave-device inventory as plain text, for `pelmora --report`.
#pragma once

#include <ostream>

// Writes every wave-in and wave-out device with its driver version, channels
// and the survey formats it accepts and refuses. False (with the reason
// written) when the inventory could not be built.
bool ReportDevices(std::ostream& out);
