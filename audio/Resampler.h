// Changing a mono signal's sample rate, for the speech recogniser that wants
// 16 kHz: each output sample is the input under a Blackman-windowed sinc
// kernel 16 zero crossings wide on each side, its cut-off 95% of the lower
// rate's Nyquist frequency, so going down nothing above the new Nyquist
// frequency folds back and going up no image of the old band is made.
#pragma once

#include <cstdint>
#include <vector>

// The samples (any scale) at toRate, rounded and clamped to 16 bits. Equal
// rates copy; a rate of 0 gives nothing.
std::vector<std::int16_t> ResampleMono(const std::vector<double>& samples, unsigned fromRate,
                                       unsigned toRate);
