// Tables that replace per-frame trigonometry in the transforms and the
// tracking window, and compact copies of the table-read waves. Each entry is computed by the very expression the
// per-frame code would evaluate, so the tables hold the same bits.
#include <cmath>

#include "Trellisor.h"

namespace {

// The lowest `bits` bits of v in reverse order.
int reverseBits(int v, int bits) {
    int r = 0;
    for (int b = 0; b < bits; ++b) {
        r = (r << 1) | (v & 1);
        v >>= 1;
    }
    return r;
}

}  // namespace

// frameSize and log2FrameSize must already be filled, and the wave tables
// built.
void Trellisor::initTransformTables() {
    // The table-read waves at every 64th phase, for oscillators whose phases
    // stay on that grid.
    for (int m = 0; m < kWaveLength / 64; ++m) {
        waveEvery64[0][m] = waveTables[0][64 * m];
        waveEvery64[1][m] = waveTables[4][64 * m];
    }

    for (int k = 0; k < 3; ++k) {
        const int n = frameSize[k];
        const int bits = log2FrameSize[k];

        // fftMag: the twiddle of a group whose bit-reversed index is p; p is
        // always below N/2 (the reversal of an even group index).
        const float invN = 1.0f / static_cast<float>(n);
        for (int p = 0; p < kMaxBins; ++p) {
            if (p < n / 2) {
                const float angle = (static_cast<float>(p) * invN) * 6.2831855f;
                fftMagCos[k][p] = static_cast<float>(std::cos(static_cast<double>(angle)));
                fftMagSin[k][p] = static_cast<float>(std::sin(static_cast<double>(angle)));
            } else {
                fftMagCos[k][p] = fftMagSin[k][p] = 0.0f;
            }
        }
        for (int i = 0; i < kMaxFrame; ++i) {
            bitReverse[k][i] = static_cast<uint16_t>(i < n ? reverseBits(i, bits) : 0);
        }
        // The twiddles of the last two stages, one per butterfly in order:
        // span 2 pairs group g = 4 (t / 2) (reversal of g / 2), span 1 pairs
        // group g = 2 t (reversal of g).
        for (int t = 0; t < kMaxBins; ++t) {
            const int p2 = t < n / 2 ? bitReverse[k][(4 * (t / 2)) >> 1] : 0;
            const int p1 = t < n / 2 ? bitReverse[k][2 * t] : 0;
            fftMagSpan2[0][k][t] = fftMagCos[k][p2];
            fftMagSpan2[1][k][t] = fftMagSin[k][p2];
            fftMagSpan1[0][k][t] = fftMagCos[k][p1];
            fftMagSpan1[1][k][t] = fftMagSin[k][p1];
        }
        // The exchanges of the reordering, in ascending i, without a test per index.
        int pairs = 0;
        for (int i = 0; i < n; ++i) {
            const int r = reverseBits(i, bits);
            if (i < r) {
                reverseSwaps[k][2 * pairs] = static_cast<uint16_t>(i);
                reverseSwaps[k][2 * pairs + 1] = static_cast<uint16_t>(r);
                ++pairs;
            }
        }
        reverseSwapCount[k] = pairs;

        // smsPitchScale: the periodic Hann window.
        const double invNd = 1.0 / n;
        for (int i = 0; i < kMaxFrame; ++i) {
            hannWindow[k][i] =
                i < n ? static_cast<float>(std::cos((i * 6.283185307179586) * invNd) * -0.5 + 0.5) : 0.0f;
        }
    }

    // smsFft: one rotation per stage, le = 4, 8, ... 2048.
    for (int s = 0; s < 10; ++s) {
        const int le = 4 << s;
        const float arg = 3.1415927f / static_cast<float>(le / 4);
        stageCos[s] = static_cast<float>(std::cos(static_cast<double>(arg)));
        stageSin[s] = static_cast<float>(std::sin(static_cast<double>(arg)));
    }
}
