// Hooks that let tests simulate conditions of the running program.
#pragma once

#include <cstddef>

namespace plat {

// Makes GetProductVersion() return `version` ("" simulates a program without
// version information); nullptr goes back to the version of the build.
void SetProductVersionForTesting(const char* version);

// Makes the next `count` in-place rewrites that CFileWriter does on a file
// with several hard links (putting its old content back counts as one) fail
// with EIO once `afterBytes` bytes are written, as a disk failing mid-way
// would. A count of 0 turns it off.
void FailInPlaceRewritesForTesting(int count, std::size_t afterBytes);

} // namespace plat
