// The engine's inner loops against the tables and operations they replace:
// every computed waveform in every instruction set against its table for
// all 65536 phases, the table-read waveforms likewise, and the fused
// multiply-add of processors without one against the hardware instruction.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ReferenceEngine.h"
#include "SignalKernels.h"
#include "Waveforms.h"

namespace {

using trellisor::Isa;

const ReferenceEngine& tables() {
    static const std::unique_ptr<ReferenceEngine> engine = std::make_unique<ReferenceEngine>();
    return *engine;
}

uint32_t bitsOf(float v) { return std::bit_cast<uint32_t>(v); }

const char* waveName(int wave) {
    static const char* names[] = {"sine", "triangle", "saw", "square", "mixed"};
    return names[wave];
}

// The scalar forms, bit for bit, at every phase.
TEST(Waveforms, ArithmeticFormsEqualTheTablesAtEveryPhase) {
    struct Case {
        int wave;
        float (*at)(uint32_t);
    };
    const Case cases[] = {{1, &trellisor::triangleAt}, {2, &trellisor::sawAt}, {3, &trellisor::squareAt}};
    for (const Case& c : cases) {
        const float* table = tables().waveTables[c.wave];
        int wrong = 0;
        for (uint32_t p = 0; p < 65536; ++p) {
            if (bitsOf(c.at(p)) != bitsOf(table[p])) {
                if (++wrong <= 3) ADD_FAILURE() << waveName(c.wave) << " at phase " << p << ": " << c.at(p) << " vs " << table[p];
            }
        }
        EXPECT_EQ(wrong, 0) << waveName(c.wave);
    }
}

class KernelIsa : public ::testing::TestWithParam<Isa> {
protected:
    void SetUp() override {
        if (!trellisor::isaSupported(GetParam())) {
            GTEST_SKIP() << "this processor does not run instruction set " << static_cast<int>(GetParam());
        }
    }
};

// One oscillator of amplitude 1.0 stepping through every phase once, added
// to -0.0 (which leaves every value, either zero included, as it is): the
// output must be the table itself, in every wave and instruction set.
TEST_P(KernelIsa, OscillatorPlaysEveryPhaseAsTheTableHoldsIt) {
    for (int wave = 0; wave < 5; ++wave) {
        const float* table = tables().waveTables[wave];
        const float mag = 1.0f;
        uint16_t phase = 65535;  // the phase advances before the first read: phase 0 first
        const uint16_t inc = 1;
        std::vector<float> out(1024);
        int wrong = 0;
        for (int frame = 0; frame < 64; ++frame) {
            std::fill(out.begin(), out.end(), -0.0f);
            trellisor::runBank(GetParam(), wave, table, nullptr, &mag, &phase, &inc, 1, 0.5f, out.data(), 1024);
            for (int s = 0; s < 1024; ++s) {
                const int p = frame * 1024 + s;
                if (bitsOf(out[s]) != bitsOf(table[p]) && ++wrong <= 3) {
                    ADD_FAILURE() << waveName(wave) << " at phase " << p << ": " << out[s] << " vs " << table[p];
                }
            }
        }
        EXPECT_EQ(wrong, 0) << waveName(wave);
        EXPECT_EQ(phase, 65535) << waveName(wave) << ": 65536 steps of 1 end where they began";
    }
}

// A bank of oscillators with mixed increments, magnitudes on both sides of
// the threshold (a NaN among them), against the plain loop; once with
// arbitrary phases and increments, once with all of them multiples of 64 and
// the compact table of every 64th entry on offer.
TEST_P(KernelIsa, BankMatchesThePlainLoopInOrderAndPhase) {
    for (bool grid : {false, true}) {
        std::mt19937 rng(99);
        const int count = 300;
        std::vector<float> mags(count);
        std::vector<uint16_t> incs(count), phases(count);
        for (int i = 0; i < count; ++i) {
            mags[i] = std::uniform_real_distribution<float>(0.0f, 0.3f)(rng);
            incs[i] = static_cast<uint16_t>(rng() & (grid ? ~63u : ~0u));
            phases[i] = static_cast<uint16_t>(rng() & (grid ? ~63u : ~0u));
        }
        if (grid) incs[40] = 65; // one oscillator off the grid
        mags[7] = std::numeric_limits<float>::quiet_NaN();
        const float threshold = 0.1f;
        for (int wave = 0; wave < 5; ++wave) {
            const float* table = tables().waveTables[wave];
            std::vector<float> sparse(1024);
            for (int m = 0; m < 1024; ++m) sparse[m] = table[64 * m];
            std::vector<uint16_t> expectPhases = phases, gotPhases = phases;
            std::vector<float> expect(512, 0.0f), got(512, 0.0f);
            for (int i = 0; i < count; ++i) {
                uint16_t p = expectPhases[i];
                for (int s = 0; s < 512; ++s) {
                    p = static_cast<uint16_t>(p + incs[i]);
                    if (mags[i] > threshold) expect[s] = std::fmaf(mags[i], table[p], expect[s]);
                }
                expectPhases[i] = p;
            }
            trellisor::runBank(GetParam(), wave, table, grid ? sparse.data() : nullptr, mags.data(), gotPhases.data(),
                               incs.data(), count, threshold, got.data(), 512);
            const std::string what = std::string(waveName(wave)) + (grid ? " on the grid" : "");
            EXPECT_EQ(gotPhases, expectPhases) << what;
            EXPECT_EQ(0, std::memcmp(got.data(), expect.data(), sizeof(float) * 512)) << what;
        }
    }
}

// Bin amplitudes: fused sum of squares, root, doubling except at bin 0.
TEST_P(KernelIsa, BinAmplitudesMatchThePlainFormula) {
    std::mt19937 rng(5);
    std::vector<float> re(512), im(512), got(512);
    for (int j = 0; j < 512; ++j) {
        re[j] = std::uniform_real_distribution<float>(-300.0f, 300.0f)(rng);
        im[j] = std::uniform_real_distribution<float>(-300.0f, 300.0f)(rng);
    }
    re[3] = 1e-30f;  // squares below the normal range
    im[3] = -2e-25f;
    const float invN = 1.0f / 1024.0f;
    trellisor::binAmplitudes(GetParam(), re.data(), im.data(), invN, got.data(), 512);
    for (int j = 0; j < 512; ++j) {
        const float root = static_cast<float>(std::sqrt(static_cast<double>(std::fmaf(re[j], re[j], im[j] * im[j]))));
        const float expect = j == 0 ? root * invN : (2.0f * root) * invN;
        ASSERT_EQ(bitsOf(got[j]), bitsOf(expect)) << "bin " << j;
    }
}

std::string isaName(const ::testing::TestParamInfo<Isa>& info) {
    switch (info.param) {
        case Isa::Baseline: return "Sse2";
        case Isa::Fma: return "Fma";
        case Isa::Avx2: return "Avx2";
        case Isa::Avx512: return "Avx512";
    }
    return "Unknown";
}

INSTANTIATE_TEST_SUITE_P(InstructionSets, KernelIsa,
                         ::testing::Values(Isa::Baseline, Isa::Fma, Isa::Avx2, Isa::Avx512), isaName);

__attribute__((target("fma"))) float hardwareFma(float a, float b, float c) { return __builtin_fmaf(a, b, c); }

// The emulated fused multiply-add against the instruction, over operands
// chosen to hit the hard cases: exact cancellation, sums on a rounding
// midpoint, results in and below the normal range, signed zeros.
TEST(FusedMultiplyAdd, EmulationMatchesTheInstruction) {
    if (!trellisor::isaSupported(Isa::Fma)) GTEST_SKIP() << "no fused multiply-add instruction to compare with";
    std::mt19937 rng(2024);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_int_distribution<int> expo(-140, 60);
    auto any = [&] { return std::ldexp(unit(rng), expo(rng)); };
    int wrong = 0;
    for (int t = 0; t < 2000000; ++t) {
        const float a = any();
        const float b = t % 3 == 0 ? unit(rng) : any();
        float c;
        switch (t % 4) {
            case 0: c = -(a * b); break;                                  // near cancellation
            case 1: c = -(a * b) * (1.0f + std::ldexp(1.0f, -23)); break;  // leaves a few bits
            case 2: c = unit(rng); break;
            default: c = any(); break;
        }
        const float expect = hardwareFma(a, b, c);
        const float got = trellisor::fusedMultiplyAdd(a, b, c);
        if (bitsOf(expect) != bitsOf(got) && ++wrong <= 5) {
            ADD_FAILURE() << std::hexfloat << a << " * " << b << " + " << c << ": " << got << " vs " << expect;
        }
    }
    EXPECT_EQ(wrong, 0);
    // Products exactly on a single-precision rounding midpoint, nudged by an
    // addend far below the double precision of the sum: rounding the sum to
    // double first would land on the midpoint and round to even.
    for (int e = -20; e <= 20; e += 5) {
        for (float sa : {1.0f, -1.0f}) {
            for (float sc : {1.0f, -1.0f}) {
                const float a = std::ldexp(sa * (1.0f + std::ldexp(1.0f, -12)), e);
                const float b = 1.0f + std::ldexp(1.0f, -12);
                const float c = std::ldexp(sc, e - 90);
                const float expect = hardwareFma(a, b, c);
                EXPECT_EQ(bitsOf(trellisor::fusedMultiplyAdd(a, b, c)), bitsOf(expect))
                    << std::hexfloat << a << " * " << b << " + " << c;
                if (sa == sc) {  // the addend pushes past the midpoint, away from the even neighbour
                    EXPECT_NE(bitsOf(expect), bitsOf(static_cast<float>(static_cast<double>(a) * b + c)))
                        << "the case does not exercise double rounding";
                }
            }
        }
    }
    const float zeros[][3] = {{0.0f, 1.0f, -0.0f}, {-0.0f, 1.0f, -0.0f}, {1.0f, -0.0f, 0.0f}, {-1.0f, 0.0f, -0.0f}};
    for (const auto& z : zeros) {
        EXPECT_EQ(bitsOf(trellisor::fusedMultiplyAdd(z[0], z[1], z[2])), bitsOf(hardwareFma(z[0], z[1], z[2])));
    }
}

}  // namespace
