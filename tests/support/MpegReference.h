// How near decoded MPEG audio comes to the reference decode in
// tests/data/mpeg (tone128.pcm, made by mpg123). On Linux libmpg123 decodes,
// as the reference's tool does; on Windows the system's layer-3 codec rounds
// its own way, a step or two further off.
#pragma once

#ifdef _WIN32
inline constexpr int kMpegCodecExtraSteps = 2;
#else
inline constexpr int kMpegCodecExtraSteps = 0;
#endif
