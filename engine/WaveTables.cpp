// The wave tables and output windows, built once by the constructor and
// only read afterwards.
#include <cmath>

#include "Trellisor.h"

namespace {

// The single-precision 2*pi scaled by 2^-16.
constexpr float kPhaseToRadians = 6.2831855f / 65536.0f;
static_assert(kPhaseToRadians == 9.58738e-05f);
constexpr float kPi = 3.1415927f;

constexpr float kTriangleStep = 6.103515625e-05f;  // 2^-14
constexpr float kSawStep = 3.0517578125e-05f;      // 2^-15

}  // namespace

void Trellisor::initWaveTables() {
    float* sine = waveTables[0];
    float* triangle = waveTables[1];
    float* saw = waveTables[2];
    float* square = waveTables[3];
    float* mixed = waveTables[4];
    constexpr int kHalf = kWaveLength / 2;
    constexpr int kQuarter = kWaveLength / 4;

    for (int n = 0; n < kWaveLength; ++n) {
        const float x = static_cast<float>(n) * kPhaseToRadians;
        sine[n] = static_cast<float>(std::sin(static_cast<double>(x)));
    }

    // Running sums, exact in single precision.
    triangle[0] = 0.0f;
    for (int n = 1; n <= kQuarter; ++n) triangle[n] = triangle[n - 1] + kTriangleStep;
    for (int n = kQuarter + 1; n <= kHalf; ++n) triangle[n] = triangle[n - 1] - kTriangleStep;
    for (int n = 0; n < kHalf; ++n) triangle[kHalf + n] = -triangle[n];

    saw[0] = 1.0f;
    for (int n = 1; n < kWaveLength; ++n) saw[n] = saw[n - 1] - kSawStep;

    for (int n = 0; n < kWaveLength; ++n) square[n] = n < kHalf ? 1.0f : -1.0f;

    for (int n = 0; n < kWaveLength; ++n) mixed[n] = n < kHalf ? sine[n] : square[n];
}

// Row k holds a raised cosine over frameSize[k] entries, peaking at 1.0 in
// the middle; frameSize must already be filled.
void Trellisor::initWindowTables() {
    for (int k = 0; k < 3; ++k) {
        const int h = static_cast<int>(std::nearbyint(static_cast<float>(frameSize[k]) * 0.5f));
        const float a = (1.0f / static_cast<float>(h + 1)) * kPi;
        for (int n = -h; n < h; ++n) {
            const float c = static_cast<float>(std::cos(static_cast<double>(static_cast<float>(n) * a)));
            outWindow[k][n + h] = c * 0.5f + 0.5f;
        }
        for (int m = 2 * h; m < kMaxFrame; ++m) outWindow[k][m] = 0.0f;
    }
}
