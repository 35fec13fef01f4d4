// Per-instruction-set versions of the oscillator bank and the bin
// amplitudes. The vector versions work across consecutive samples; a pass
// over the frame may carry several oscillators, but each sample still
// receives the oscillators one after another in ascending order, each as one
// fused multiply-add, exactly as the scalar loop does.
#include "SignalKernels.h"

// GCC 12 reports its own AVX-512 intrinsics' placeholder operands as maybe
// uninitialised once they are inlined; the operands are never read.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "Waveforms.h"

#define TRELLISOR_FMA __attribute__((target("fma")))
#define TRELLISOR_AVX2 __attribute__((target("avx2,fma")))
#define TRELLISOR_AVX512 __attribute__((target("avx512f,avx512bw,avx512dq,avx512vl,avx2,fma")))

namespace trellisor {

namespace {

enum Wave { kSine = 0, kTriangle = 1, kSaw = 2, kSquare = 3, kMixed = 4 };

template <int W>
inline float waveAt(uint32_t p, const float* table) {
    if constexpr (W == kSine) return table[p];
    if constexpr (W == kTriangle) return triangleAt(p);
    if constexpr (W == kSaw) return sawAt(p);
    if constexpr (W == kSquare) return squareAt(p);
    if constexpr (W == kMixed) return (p & 32768u) ? -1.0f : table[p];
}

// Splits the oscillators into the sounding ones (listed in ascending order)
// and the silent ones, whose phases run on by a whole frame at once.
int soundingOscillators(const float* mags, uint16_t* phases, const uint16_t* incs, int count,
                        float threshold, int n, uint16_t* list) {
    int m = 0;
    for (int i = 0; i < count; ++i) {
        if (mags[i] > threshold) {
            list[m++] = static_cast<uint16_t>(i);
        } else {
            phases[i] = static_cast<uint16_t>(phases[i] + static_cast<uint32_t>(incs[i]) * static_cast<uint32_t>(n));
        }
    }
    return m;
}

// Whether the K oscillators list[0 .. K-1] can read a table-read wave from
// the table of every 64th entry: when phase and increment are multiples of
// 64, so is every phase they reach, and entry p >> 6 of that table is entry
// p of the full one. That is the case throughout the fixed-bin mode without
// a frequency shift (increments j * 65536 / N, phases starting at 0), whose
// 1024 distinct entries then stay in the first-level cache instead of
// occupying one cache line each.
template <int W>
inline bool usesSparse(const float* sparse, const uint16_t* phases, const uint16_t* incs, const uint16_t* list,
                       int k) {
    if constexpr (W != kSine && W != kMixed) {
        return false;
    } else {
        if (sparse == nullptr) return false;
        unsigned bits = 0;
        for (int j = 0; j < k; ++j) bits |= static_cast<unsigned>(phases[list[j]] | incs[list[j]]);
        return (bits & 63u) == 0;
    }
}

// ---- Baseline: scalar, fused multiply-add from exact double arithmetic.

template <int W>
void bankBaseline(const float* table, const float* /*sparse*/, const float* mags, uint16_t* phases, const uint16_t* incs,
                  const uint16_t* list, int m, float* out, int n) {
    for (int q = 0; q < m; ++q) {
        const int i = list[q];
        const float a = mags[i];
        const uint32_t inc = incs[i];
        uint32_t p = phases[i];
        for (int s = 0; s < n; ++s) {
            p = (p + inc) & 65535u;
            out[s] = fusedMultiplyAdd(a, waveAt<W>(p, table), out[s]);
        }
        phases[i] = static_cast<uint16_t>(p);
    }
}

void amplitudesBaseline(const float* re, const float* im, float invN, float* mags, int bins) {
    for (int j = 0; j < bins; ++j) {
        const float sumSq = fusedMultiplyAdd(re[j], re[j], im[j] * im[j]);
        const float root = static_cast<float>(std::sqrt(static_cast<double>(sumSq)));
        mags[j] = j == 0 ? root * invN : (2.0f * root) * invN;
    }
}

// ---- Scalar with the hardware fused multiply-add.

template <int W>
TRELLISOR_FMA void bankFma(const float* table, const float* /*sparse*/, const float* mags, uint16_t* phases, const uint16_t* incs,
                           const uint16_t* list, int m, float* out, int n) {
    for (int q = 0; q < m; ++q) {
        const int i = list[q];
        const float a = mags[i];
        const uint32_t inc = incs[i];
        uint32_t p = phases[i];
        for (int s = 0; s < n; ++s) {
            p = (p + inc) & 65535u;
            out[s] = __builtin_fmaf(a, waveAt<W>(p, table), out[s]);
        }
        phases[i] = static_cast<uint16_t>(p);
    }
}

TRELLISOR_FMA void amplitudesFma(const float* re, const float* im, float invN, float* mags, int bins) {
    for (int j = 0; j < bins; ++j) {
        const float sumSq = __builtin_fmaf(re[j], re[j], im[j] * im[j]);
        const float root = static_cast<float>(std::sqrt(static_cast<double>(sumSq)));
        mags[j] = j == 0 ? root * invN : (2.0f * root) * invN;
    }
}

// ---- AVX2: 8 samples per step.

// idx: phases reduced to the table's length (65536, or 1024 for the table
// of every 64th entry when Sparse).
template <int W, bool Sparse>
TRELLISOR_AVX2 inline __m256 wave8(__m256i idx, const float* table) {
    if constexpr (W == kSine || (W == kMixed && Sparse)) {
        // A zeroed source keeps the gather from waiting on the register's
        // previous contents.
        __m256 zero;
        asm volatile("vpxor %0, %0, %0" : "=x"(zero));
        return _mm256_mask_i32gather_ps(zero, table, idx, _mm256_castsi256_ps(_mm256_set1_epi32(-1)), 4);
    } else if constexpr (W == kTriangle) {
        const __m256i m = _mm256_and_si256(idx, _mm256_set1_epi32(32767));
        const __m256i u = _mm256_min_epu32(m, _mm256_sub_epi32(_mm256_set1_epi32(32768), m));
        const __m256 v = _mm256_mul_ps(_mm256_cvtepi32_ps(u), _mm256_set1_ps(6.103515625e-05f));
        const __m256i sign = _mm256_slli_epi32(_mm256_and_si256(idx, _mm256_set1_epi32(32768)), 16);
        return _mm256_castsi256_ps(_mm256_xor_si256(_mm256_castps_si256(v), sign));
    } else if constexpr (W == kSaw) {
        const __m256i u = _mm256_sub_epi32(_mm256_set1_epi32(32768), idx);
        return _mm256_mul_ps(_mm256_cvtepi32_ps(u), _mm256_set1_ps(3.0517578125e-05f));
    } else if constexpr (W == kSquare) {
        const __m256i sign = _mm256_slli_epi32(_mm256_and_si256(idx, _mm256_set1_epi32(32768)), 16);
        return _mm256_castsi256_ps(_mm256_or_si256(_mm256_set1_epi32(0x3F800000), sign));
    } else {
        // Lanes with the top phase bit clear read the sine; the others keep -1.0.
        const __m256i low = _mm256_cmpgt_epi32(_mm256_set1_epi32(32768), idx);
        return _mm256_mask_i32gather_ps(_mm256_set1_ps(-1.0f), table, idx, _mm256_castsi256_ps(low), 4);
    }
}

TRELLISOR_AVX2 inline __m256i firstPhases8(uint32_t phase, uint32_t inc) {
    const __m256i lanes = _mm256_setr_epi32(1, 2, 3, 4, 5, 6, 7, 8);
    return _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(phase)),
                            _mm256_mullo_epi32(_mm256_set1_epi32(static_cast<int>(inc)), lanes));
}

TRELLISOR_AVX2 inline __m256i phaseStep8(uint32_t inc) { return _mm256_set1_epi32(static_cast<int>(inc * 8u)); }

// As passAvx512, 8 samples at a time. Unmasked phases stay below 2^31:
// start + inc * n < 2^16 + 2^16 * 2^10.
template <int W, int K, bool Sparse>
TRELLISOR_AVX2 inline void passAvx2(const float* table, const float* mags, uint16_t* phases,
                                    const uint16_t* incs, const uint16_t* list, float* out, int n) {
    constexpr int kShift = Sparse ? 6 : 0;
    const __m256i mask = _mm256_set1_epi32(65535 >> kShift);
    __m256 a[K];
    __m256i d[K];
    __m256i p[K];
#pragma GCC unroll 8
    for (int j = 0; j < K; ++j) {
        a[j] = _mm256_set1_ps(mags[list[j]]);
        d[j] = phaseStep8(incs[list[j]] >> kShift);
        p[j] = firstPhases8(phases[list[j]] >> kShift, incs[list[j]] >> kShift);
    }
    for (int s = 0; s < n; s += 8) {
        __m256 o = _mm256_loadu_ps(out + s);
#pragma GCC unroll 8
        for (int j = 0; j < K; ++j) {
            o = _mm256_fmadd_ps(a[j], wave8<W, Sparse>(_mm256_and_si256(p[j], mask), table), o);
            p[j] = _mm256_add_epi32(p[j], d[j]);
        }
        _mm256_storeu_ps(out + s, o);
    }
#pragma GCC unroll 8
    for (int j = 0; j < K; ++j) {
        const int i = list[j];
        phases[i] = static_cast<uint16_t>(phases[i] + incs[i] * static_cast<uint32_t>(n));
    }
}

template <int W, int K>
TRELLISOR_AVX2 inline void chooseAvx2(const float* table, const float* sparse, const float* mags, uint16_t* phases,
                                      const uint16_t* incs, const uint16_t* list, float* out, int n) {
    if (usesSparse<W>(sparse, phases, incs, list, K)) {
        passAvx2<W, K, true>(sparse, mags, phases, incs, list, out, n);
    } else {
        passAvx2<W, K, false>(table, mags, phases, incs, list, out, n);
    }
}

template <int W>
TRELLISOR_AVX2 void bankAvx2(const float* table, const float* sparse, const float* mags, uint16_t* phases,
                             const uint16_t* incs, const uint16_t* list, int m, float* out, int n) {
    int q = 0;
    for (; q + 4 <= m; q += 4) chooseAvx2<W, 4>(table, sparse, mags, phases, incs, list + q, out, n);
    for (; q < m; ++q) chooseAvx2<W, 1>(table, sparse, mags, phases, incs, list + q, out, n);
}

TRELLISOR_AVX2 void amplitudesAvx2(const float* re, const float* im, float invN, float* mags, int bins) {
    const __m256 scale = _mm256_set1_ps(invN);
    __m256 twice = _mm256_setr_ps(1.0f, 2.0f, 2.0f, 2.0f, 2.0f, 2.0f, 2.0f, 2.0f);  // bin 0 is not doubled
    for (int j = 0; j < bins; j += 8) {
        const __m256 r = _mm256_loadu_ps(re + j);
        const __m256 i = _mm256_loadu_ps(im + j);
        // The single-precision root equals the double root rounded to single.
        const __m256 root = _mm256_sqrt_ps(_mm256_fmadd_ps(r, r, _mm256_mul_ps(i, i)));
        _mm256_storeu_ps(mags + j, _mm256_mul_ps(_mm256_mul_ps(twice, root), scale));
        twice = _mm256_set1_ps(2.0f);
    }
}

// ---- AVX-512: 16 samples per step.

// p: phases not yet reduced modulo 65536 (each form uses only the bits it
// needs).
template <int W, bool Sparse>
TRELLISOR_AVX512 inline __m512 wave16(__m512i p, const float* table) {
    if constexpr (W == kSine || (W == kMixed && Sparse)) {
        // The gather merges into its destination register; starting from a
        // register zeroed here keeps it from waiting on that register's last
        // use (the compiler would otherwise reuse the previous result).
        __m512 zero;
        asm volatile("vpxord %0, %0, %0" : "=v"(zero));
        return _mm512_mask_i32gather_ps(zero, 0xFFFF, _mm512_and_si512(p, _mm512_set1_epi32(Sparse ? 1023 : 65535)),
                                        table, 4);
    } else if constexpr (W == kTriangle) {
        const __m512i m = _mm512_and_si512(p, _mm512_set1_epi32(32767));
        const __m512i u = _mm512_min_epu32(m, _mm512_sub_epi32(_mm512_set1_epi32(32768), m));
        const __m512 v = _mm512_mul_ps(_mm512_cvtepi32_ps(u), _mm512_set1_ps(6.103515625e-05f));
        // v ^ (phase bit 15 moved to the sign bit): 0x78 selects A ^ (B & C).
        return _mm512_castsi512_ps(_mm512_ternarylogic_epi32(_mm512_castps_si512(v), _mm512_slli_epi32(p, 16),
                                                             _mm512_set1_epi32(INT32_MIN), 0x78));
    } else if constexpr (W == kSaw) {
        const __m512i u = _mm512_sub_epi32(_mm512_set1_epi32(32768), _mm512_and_si512(p, _mm512_set1_epi32(65535)));
        return _mm512_mul_ps(_mm512_cvtepi32_ps(u), _mm512_set1_ps(3.0517578125e-05f));
    } else if constexpr (W == kSquare) {
        // 1.0 with phase bit 15 as the sign: 0xF8 selects A | (B & C).
        return _mm512_castsi512_ps(_mm512_ternarylogic_epi32(_mm512_set1_epi32(0x3F800000), _mm512_slli_epi32(p, 16),
                                                             _mm512_set1_epi32(INT32_MIN), 0xF8));
    } else {
        const __m512i idx = _mm512_and_si512(p, _mm512_set1_epi32(65535));
        const __mmask16 low = _mm512_cmplt_epu32_mask(idx, _mm512_set1_epi32(32768));
        return _mm512_mask_i32gather_ps(_mm512_set1_ps(-1.0f), low, idx, table, 4);
    }
}

// Phases of the first 16 samples of an oscillator (not reduced modulo
// 65536), and their advance per 16 samples.
TRELLISOR_AVX512 inline __m512i firstPhases16(uint32_t phase, uint32_t inc) {
    const __m512i lanes = _mm512_setr_epi32(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    return _mm512_add_epi32(_mm512_set1_epi32(static_cast<int>(phase)),
                            _mm512_mullo_epi32(_mm512_set1_epi32(static_cast<int>(inc)), lanes));
}

TRELLISOR_AVX512 inline __m512i phaseStep16(uint32_t inc) { return _mm512_set1_epi32(static_cast<int>(inc * 16u)); }

// K oscillators (list[0 .. K-1]) in one pass over the frame: every sample
// takes them one after another in list order, as it would one oscillator at
// a time, while the frame's samples are loaded and stored once per pass.
template <int W, int K, bool Sparse>
TRELLISOR_AVX512 inline void passAvx512(const float* table, const float* mags, uint16_t* phases,
                                        const uint16_t* incs, const uint16_t* list, float* out, int n) {
    constexpr int kShift = Sparse ? 6 : 0;
    __m512 a[K];
    __m512i d[K];
    __m512i p[K];
#pragma GCC unroll 8
    for (int j = 0; j < K; ++j) {
        a[j] = _mm512_set1_ps(mags[list[j]]);
        d[j] = phaseStep16(incs[list[j]] >> kShift);
        p[j] = firstPhases16(phases[list[j]] >> kShift, incs[list[j]] >> kShift);
    }
    for (int s = 0; s < n; s += 16) {
        __m512 o = _mm512_loadu_ps(out + s);
#pragma GCC unroll 8
        for (int j = 0; j < K; ++j) {
            o = _mm512_fmadd_ps(a[j], wave16<W, Sparse>(p[j], table), o);
            p[j] = _mm512_add_epi32(p[j], d[j]);
        }
        _mm512_storeu_ps(out + s, o);
    }
#pragma GCC unroll 8
    for (int j = 0; j < K; ++j) {
        const int i = list[j];
        phases[i] = static_cast<uint16_t>(phases[i] + incs[i] * static_cast<uint32_t>(n));
    }
}

template <int W, int K>
TRELLISOR_AVX512 inline void chooseAvx512(const float* table, const float* sparse, const float* mags,
                                          uint16_t* phases, const uint16_t* incs, const uint16_t* list, float* out,
                                          int n) {
    if (usesSparse<W>(sparse, phases, incs, list, K)) {
        passAvx512<W, K, true>(sparse, mags, phases, incs, list, out, n);
    } else {
        passAvx512<W, K, false>(table, mags, phases, incs, list, out, n);
    }
}

template <int W>
TRELLISOR_AVX512 void bankAvx512(const float* table, const float* sparse, const float* mags, uint16_t* phases,
                                 const uint16_t* incs, const uint16_t* list, int m, float* out, int n) {
    int q = 0;
    for (; q + 8 <= m; q += 8) chooseAvx512<W, 8>(table, sparse, mags, phases, incs, list + q, out, n);
    if (q + 4 <= m) {
        chooseAvx512<W, 4>(table, sparse, mags, phases, incs, list + q, out, n);
        q += 4;
    }
    if (q + 2 <= m) {
        chooseAvx512<W, 2>(table, sparse, mags, phases, incs, list + q, out, n);
        q += 2;
    }
    if (q < m) chooseAvx512<W, 1>(table, sparse, mags, phases, incs, list + q, out, n);
}

TRELLISOR_AVX512 void amplitudesAvx512(const float* re, const float* im, float invN, float* mags, int bins) {
    const __m512 scale = _mm512_set1_ps(invN);
    __m512 twice = _mm512_set1_ps(2.0f);
    twice = _mm512_mask_mov_ps(twice, 1, _mm512_set1_ps(1.0f));  // bin 0 is not doubled
    for (int j = 0; j < bins; j += 16) {
        const __m512 r = _mm512_loadu_ps(re + j);
        const __m512 i = _mm512_loadu_ps(im + j);
        const __m512 root = _mm512_sqrt_ps(_mm512_fmadd_ps(r, r, _mm512_mul_ps(i, i)));
        _mm512_storeu_ps(mags + j, _mm512_mul_ps(_mm512_mul_ps(twice, root), scale));
        twice = _mm512_set1_ps(2.0f);
    }
}

using BankFn = void (*)(const float*, const float*, const float*, uint16_t*, const uint16_t*, const uint16_t*, int,
                        float*, int);

#define TRELLISOR_BANKS(name) {&name<0>, &name<1>, &name<2>, &name<3>, &name<4>}
const BankFn kBanks[4][5] = {
    TRELLISOR_BANKS(bankBaseline),
    TRELLISOR_BANKS(bankFma),
    TRELLISOR_BANKS(bankAvx2),
    TRELLISOR_BANKS(bankAvx512),
};
#undef TRELLISOR_BANKS

}  // namespace

bool isaSupported(Isa isa) {
    __builtin_cpu_init();
    switch (isa) {
        case Isa::Baseline:
            return true;
        case Isa::Fma:
            return __builtin_cpu_supports("fma");
        case Isa::Avx2:
            return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
        case Isa::Avx512:
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                   __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl") &&
                   __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    }
    return false;
}

Isa detectIsa() {
    for (Isa isa : {Isa::Avx512, Isa::Avx2, Isa::Fma}) {
        if (isaSupported(isa)) return isa;
    }
    return Isa::Baseline;
}

void runBank(Isa isa, int wave, const float* table, const float* sparse, const float* mags, uint16_t* phases,
             const uint16_t* incs, int count, float threshold, float* out, int n) {
    uint16_t list[512];
    if (count > 512) count = 512;
    const int m = soundingOscillators(mags, phases, incs, count, threshold, n, list);
    if (m == 0) return;
    if (wave < 0 || wave > 4) wave = 0;
    kBanks[static_cast<int>(isa)][wave](table, sparse, mags, phases, incs, list, m, out, n);
}

void binAmplitudes(Isa isa, const float* re, const float* im, float invN, float* mags, int bins) {
    switch (isa) {
        case Isa::Avx512: amplitudesAvx512(re, im, invN, mags, bins); break;
        case Isa::Avx2: amplitudesAvx2(re, im, invN, mags, bins); break;
        case Isa::Fma: amplitudesFma(re, im, invN, mags, bins); break;
        default: amplitudesBaseline(re, im, invN, mags, bins); break;
    }
}

}  // namespace trellisor

#pragma GCC diagnostic pop
