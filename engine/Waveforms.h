// Exact arithmetic forms of the wave tables that have one, and a fused
// multiply-add for processors without one in hardware. Each wave function
// returns, for every 16-bit phase, the very bits of the table entry that
// initWaveTables stores (the tests compare all 65536 phases).
#pragma once

#include <bit>
#include <cstdint>

namespace trellisor {

// Triangle: p / 2^14 rising to 1.0 at 16384, falling back to 0.0 at 32768,
// and the negated first half after that (-0.0 at 32768).
inline float triangleAt(uint32_t p) {
    const uint32_t m = p & 32767u;
    const uint32_t u = m <= 16384u ? m : 32768u - m;
    const float v = static_cast<float>(static_cast<int32_t>(u)) * 6.103515625e-05f;
    return std::bit_cast<float>(std::bit_cast<uint32_t>(v) ^ ((p & 32768u) << 16));
}

// Falling ramp: 1 - p / 2^15 (+0.0 at 32768).
inline float sawAt(uint32_t p) {
    return static_cast<float>(32768 - static_cast<int32_t>(p & 65535u)) * 3.0517578125e-05f;
}

// +1.0 on the first half, -1.0 on the second.
inline float squareAt(uint32_t p) { return std::bit_cast<float>(0x3F800000u | ((p & 32768u) << 16)); }

// a * b + c rounded once, computed without a fused instruction: the product
// is exact in double; the sum is rounded to double with the sticky
// information kept by rounding to odd (from the exact error of the sum),
// and the final rounding to single is then the correctly rounded result.
inline float fusedMultiplyAdd(float a, float b, float c) {
    const double p = static_cast<double>(a) * static_cast<double>(b);
    const double cd = static_cast<double>(c);
    const double s = p + cd;
    const double bv = s - p;
    const double err = (p - (s - bv)) + (cd - bv);
    // Round to odd: when the sum was inexact and its last bit is even, move
    // one step toward the exact sum (away from zero when err has the sign of
    // s). Written without branches: the conditions depend on the data and
    // would mispredict. Infinities and NaN pass unchanged.
    const uint64_t bits = std::bit_cast<uint64_t>(s);
    const uint64_t finite = static_cast<uint64_t>((bits & 0x7FF0000000000000u) != 0x7FF0000000000000u);
    const uint64_t inexact = static_cast<uint64_t>(err != 0.0) & finite;
    const uint64_t even = ~bits & 1u;
    const uint64_t away = static_cast<uint64_t>((err > 0.0) == (s > 0.0));
    const uint64_t adjusted = bits + (inexact & even) * (away + away - 1u);
    return static_cast<float>(std::bit_cast<double>(adjusted));
}

}  // namespace trellisor
