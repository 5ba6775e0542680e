// What both systems' file writers share beside file_writer.h: the failure of
// an in-place rewrite a test asks for (FailInPlaceRewritesForTesting).
#pragma once

namespace plat {

// How many bytes the next in-place rewrite may write before it fails; -1: no
// limit. Each call uses up one of the failures asked for.
long long InPlaceLimit();

} // namespace plat
