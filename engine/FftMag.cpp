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

#ifdef __SSE2__
// t = x2 * (c - i s); x2 = x1 - t; x1 = x1 + t, four butterflies per call,
// with the same operations per lane as the scalar code.
inline void butterfly4(__m128& re1, __m128& im1, __m128& re2, __m128& im2, __m128 c, __m128 s) {
    const __m128 tRe = _mm_add_ps(_mm_mul_ps(re2, c), _mm_mul_ps(im2, s));
    const __m128 tIm = _mm_sub_ps(_mm_mul_ps(im2, c), _mm_mul_ps(re2, s));
    re2 = _mm_sub_ps(re1, tRe);
    im2 = _mm_sub_ps(im1, tIm);
    re1 = _mm_add_ps(re1, tRe);
    im1 = _mm_add_ps(im1, tIm);
}

// The stage of span 2 over n entries: entries (g, g+1) against (g+2, g+3),
// butterfly t's twiddle in cs[t], sn[t].
inline void stageSpan2(float* re, float* im, int n, const float* cs, const float* sn) {
    for (int g = 0, t = 0; g < n; g += 8, t += 4) {
        const __m128 ra = _mm_loadu_ps(re + g), rb = _mm_loadu_ps(re + g + 4);
        const __m128 ia = _mm_loadu_ps(im + g), ib = _mm_loadu_ps(im + g + 4);
        __m128 re1 = _mm_movelh_ps(ra, rb), re2 = _mm_movehl_ps(rb, ra);
        __m128 im1 = _mm_movelh_ps(ia, ib), im2 = _mm_movehl_ps(ib, ia);
        butterfly4(re1, im1, re2, im2, _mm_loadu_ps(cs + t), _mm_loadu_ps(sn + t));
        _mm_storeu_ps(re + g, _mm_movelh_ps(re1, re2));
        _mm_storeu_ps(re + g + 4, _mm_movehl_ps(re2, re1));
        _mm_storeu_ps(im + g, _mm_movelh_ps(im1, im2));
        _mm_storeu_ps(im + g + 4, _mm_movehl_ps(im2, im1));
    }
}

// The last stage (span 1): entry g against g + 1, for even g.
inline void stageSpan1(float* re, float* im, int n, const float* cs, const float* sn) {
    for (int g = 0, t = 0; g < n; g += 8, t += 4) {
        const __m128 ra = _mm_loadu_ps(re + g), rb = _mm_loadu_ps(re + g + 4);
        const __m128 ia = _mm_loadu_ps(im + g), ib = _mm_loadu_ps(im + g + 4);
        __m128 re1 = _mm_shuffle_ps(ra, rb, _MM_SHUFFLE(2, 0, 2, 0)), re2 = _mm_shuffle_ps(ra, rb, _MM_SHUFFLE(3, 1, 3, 1));
        __m128 im1 = _mm_shuffle_ps(ia, ib, _MM_SHUFFLE(2, 0, 2, 0)), im2 = _mm_shuffle_ps(ia, ib, _MM_SHUFFLE(3, 1, 3, 1));
        butterfly4(re1, im1, re2, im2, _mm_loadu_ps(cs + t), _mm_loadu_ps(sn + t));
        _mm_storeu_ps(re + g, _mm_unpacklo_ps(re1, re2));
        _mm_storeu_ps(re + g + 4, _mm_unpackhi_ps(re1, re2));
        _mm_storeu_ps(im + g, _mm_unpacklo_ps(im1, im2));
        _mm_storeu_ps(im + g + 4, _mm_unpackhi_ps(im1, im2));
    }
}
#endif

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
#ifdef __SSE2__
        // The last two stages pair neighbouring entries; they run four
        // butterflies at a time with one twiddle per butterfly.
        if (span == 2) {
            stageSpan2(fftReal, fftImag, n, fftMagSpan2[0][k], fftMagSpan2[1][k]);
        } else if (span == 1) {
            stageSpan1(fftReal, fftImag, n, fftMagSpan1[0][k], fftMagSpan1[1][k]);
        } else
#endif
        {
            for (int g = 0; g < n; g += 2 * span) {
                const int p = reversed[g >> shift];
                butterflies(fftReal + g, fftImag + g, span, cosines[p], sines[p]);
            }
        }
        --shift;
        span /= 2;
    }

    // Reorder: exchange each entry with its bit reversal (the pairs i < r).
    const uint16_t* swaps = reverseSwaps[k];
    for (int q = 0; q < reverseSwapCount[k]; ++q) {
        const int i = swaps[2 * q];
        const int r = swaps[2 * q + 1];
        float t = fftReal[i];
        fftReal[i] = fftReal[r];
        fftReal[r] = t;
        t = fftImag[i];
        fftImag[i] = fftImag[r];
        fftImag[r] = t;
    }

    trellisor::binAmplitudes(isa, fftReal, fftImag, invN, mags, n / 2);
}
