// Hooks that let tests simulate conditions of the running program.
#pragma once

namespace plat {

// Makes GetProductVersion() return `version` ("" simulates a program without
// version information); nullptr goes back to the version of the build.
void SetProductVersionForTesting(const char* version);

} // namespace plat
