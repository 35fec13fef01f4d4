// In-place radix-2 complex FFT on interleaved values, length from the size
// index in force. Twiddles come from one cosine and sine per stage and a
// single-precision recurrence.
#include <cmath>

#include "Trellisor.h"

// X[k] = sum over n of x[n] * e^(sign * 2*pi*i * k*n / N), unscaled.
// buffer holds N = frameSize[sizeIndex] complex values as 2N floats.
void Trellisor::smsFft(float* buffer, int32_t sign) {
    const int k = sizeIndex;
    const int n2 = complexLength[k];
    const int stages = log2FrameSize[k];

    // Bit-reversal reordering of the complex values.
    for (int i = 2; i < n2 - 2; i += 2) {
        int j = 0;
        for (int bit = 2; bit < n2; bit <<= 1) {
            if (i & bit) j += 1;
            j <<= 1;
        }
        if (i < j) {
            float t = buffer[i];
            buffer[i] = buffer[j];
            buffer[j] = t;
            t = buffer[i + 1];
            buffer[i + 1] = buffer[j + 1];
            buffer[j + 1] = t;
        }
    }

    const float fsign = static_cast<float>(sign);
    int le = 2;
    for (int s = 0; s < stages; ++s) {
        le *= 2;
        const int le2 = le / 2;
        float ur = 1.0f;
        float ui = 0.0f;
        // cos and sin of 3.1415927f / (le / 4), evaluated at construction.
        const float wr = stageCos[s];
        const float ws = stageSin[s];
        const float wi = fsign * ws;
        for (int j = 0; j < le2; j += 2) {
            for (int i = j; i < n2; i += le) {
                float* p1 = buffer + i;
                float* p2 = buffer + i + le2;
                const float tr = p2[0] * ur - p2[1] * ui;
                const float ti = p2[0] * ui + p2[1] * ur;
                p2[0] = p1[0] - tr;
                p2[1] = p1[1] - ti;
                p1[0] = p1[0] + tr;
                p1[1] = p1[1] + ti;
            }
            const float tr = ur * wr - ui * wi;
            ui = ur * wi + ui * wr;
            ur = tr;
        }
    }
}
