// Fixed-bin analysis: an unwindowed FFT of one frame on separate real and
// imaginary arrays, and the peak amplitude of each bin below Nyquist.
#include <cmath>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "Trellisor.h"

namespace {

// span butterflies x1 = (re[b], im[b]), x2 = (re[b + span], im[b + span]):
// t = x2 * (c - i s); x2 = x1 - t; x1 = x1 + t. Four lanes at a time give
// the same bits as one at a time.
inline void butterflies(float* re, float* im, int span, float c, float s) {
    int b = 0;
#ifdef __SSE2__
    if (span >= 4) {
        const __m128 cv = _mm_set1_ps(c);
        const __m128 sv = _mm_set1_ps(s);
        for (; b < span; b += 4) {
            const __m128 re1 = _mm_loadu_ps(re + b);
            const __m128 im1 = _mm_loadu_ps(im + b);
            const __m128 re2 = _mm_loadu_ps(re + b + span);
            const __m128 im2 = _mm_loadu_ps(im + b + span);
            const __m128 tRe = _mm_add_ps(_mm_mul_ps(re2, cv), _mm_mul_ps(im2, sv));
            const __m128 tIm = _mm_sub_ps(_mm_mul_ps(im2, cv), _mm_mul_ps(re2, sv));
            _mm_storeu_ps(re + b + span, _mm_sub_ps(re1, tRe));
            _mm_storeu_ps(im + b + span, _mm_sub_ps(im1, tIm));
            _mm_storeu_ps(re + b, _mm_add_ps(re1, tRe));
            _mm_storeu_ps(im + b, _mm_add_ps(im1, tIm));
        }
    }
#endif
    for (; b < span; ++b) {
        const float re1 = re[b];
        const float im1 = im[b];
        const float re2 = re[b + span];
        const float im2 = im[b + span];
        const float tRe = re2 * c + im2 * s;
        const float tIm = im2 * c - re2 * s;
        re[b + span] = re1 - tRe;
        im[b + span] = im1 - tIm;
        re[b] = re1 + tRe;
        im[b] = im1 + tIm;
    }
}

}  // namespace

// Reads N = frameSize[sizeIndex] samples of in; writes mags[0 .. N/2 - 1]
// and leaves the spectrum in natural order in fftReal/fftImag.
void Trellisor::fftMag(const float* in, float* mags) {
    const int k = sizeIndex;
    const int n = frameSize[k];
    const int bits = log2FrameSize[k];
    const float invN = 1.0f / static_cast<float>(n);

    for (int j = 0; j < n; ++j) {
        fftReal[j] = in[j];
        fftImag[j] = 0.0f;
    }

    // Decimation in time: natural-order input, bit-reversed output. All
    // butterflies of a group share the twiddle of the group's bit-reversed
    // index, read from the table built at construction.
    const float* cosines = fftMagCos[k];
    const float* sines = fftMagSin[k];
    const uint16_t* reversed = bitReverse[k];
    int span = n / 2;
    int shift = bits - 1;
    for (int s = 0; s < bits; ++s) {
        for (int g = 0; g < n; g += 2 * span) {
            const int p = reversed[g >> shift];
            butterflies(fftReal + g, fftImag + g, span, cosines[p], sines[p]);
        }
        --shift;
        span /= 2;
    }

    for (int i = 0; i < n; ++i) {
        const int r = reversed[i];
        if (i < r) {
            float t = fftReal[i];
            fftReal[i] = fftReal[r];
            fftReal[r] = t;
            t = fftImag[i];
            fftImag[i] = fftImag[r];
            fftImag[r] = t;
        }
    }

    trellisor::binAmplitudes(isa, fftReal, fftImag, invN, mags, n / 2);
}
