// Conversions from floats to the engine's indices, counts and phase
// increments. Every function is defined for every input, NaN and
// infinities included, and none of them allocates or touches shared state.
#pragma once

#include <cmath>
#include <cstdint>

namespace trellisor {

// Truncation toward zero, clamped to lo..hi. NaN gives lo.
inline int truncClamp(float v, int lo, int hi) {
    if (!(v >= static_cast<float>(lo))) return lo;  // also NaN
    if (v >= static_cast<float>(hi)) return hi;
    return static_cast<int>(v);
}

// The low 16 bits of round-to-nearest(x) under the current rounding mode
// (half to even by default). Non-finite values give 0; huge values are
// reduced modulo 65536 before the conversion, which keeps the low 16 bits.
inline uint16_t phaseIncrementFor(float x) {
    if (!std::isfinite(x)) return 0;
    const float r = std::nearbyint(x);
    if (std::fabs(r) < 2147483648.0f) {
        return static_cast<uint16_t>(static_cast<uint32_t>(static_cast<int32_t>(r)));
    }
    // |r| >= 2^31: an integer; fmod is exact and keeps the sign.
    const double m = std::fmod(static_cast<double>(r), 65536.0);
    return static_cast<uint16_t>(static_cast<uint32_t>(static_cast<int32_t>(m)));
}

}  // namespace trellisor
