#include "audio/Resampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kZeroCrossings = 16;
constexpr double kCutOff = 0.95;

std::int16_t ToSample(double value) {
    return static_cast<std::int16_t>(std::lround(std::clamp(value, -32768.0, 32767.0)));
}

} // namespace

std::vector<std::int16_t> ResampleMono(const std::vector<double>& samples, unsigned fromRate,
                                       unsigned toRate) {
    std::vector<std::int16_t> out;
    if (fromRate == 0 || toRate == 0)
        return out;
    if (fromRate == toRate) {
        out.reserve(samples.size());
        for (const double s : samples)
            out.push_back(ToSample(s));
        return out;
    }
    // In input samples: the kernel's cut-off (1 = the input's Nyquist
    // frequency) and half-width.
    const double cutOff = kCutOff * std::min(1.0, static_cast<double>(toRate) / fromRate);
    const double halfWidth = kZeroCrossings / cutOff;
    const auto count =
        static_cast<std::size_t>(static_cast<double>(samples.size()) * toRate / fromRate);
    const auto last = static_cast<long long>(samples.size()) - 1;
    out.reserve(count);
    for (std::size_t n = 0; n < count; ++n) {
        const double t = static_cast<double>(n) * fromRate / toRate;
        const long long first = std::max(0LL, static_cast<long long>(std::ceil(t - halfWidth)));
        const long long end = std::min(last, static_cast<long long>(std::floor(t + halfWidth)));
        double sum = 0;
        for (long long k = first; k <= end; ++k) {
            const double x = t - static_cast<double>(k);
            const double u = x / halfWidth;
            const double window = 0.42 + 0.5 * std::cos(std::numbers::pi * u) +
                                  0.08 * std::cos(2 * std::numbers::pi * u);
            const double arg = std::numbers::pi * cutOff * x;
            const double sinc = arg == 0 ? 1.0 : std::sin(arg) / arg;
            sum += samples[static_cast<std::size_t>(k)] * cutOff * sinc * window;
        }
        out.push_back(ToSample(sum));
    }
    return out;
}
