// The effect's output must equal the literal reference engine's bit for bit:
// in every mode, frame size, waveform and window setting, and over long
// random sequences of parameter changes, sample-rate changes and block
// lengths.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ReferenceEngine.h"
#include "SignalKernels.h"
#include "Trellisor.h"

namespace {

intptr_t quietHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

using trellisor::Isa;

// The effect with its inner loops in a chosen instruction set.
class ForcedIsaEffect : public Trellisor {
public:
    explicit ForcedIsaEffect(Isa which) : Trellisor(&quietHost) { isa = which; }
};

// The effect and the reference, fed the same input, parameters and blocks.
struct Pair {
    explicit Pair(Isa isa) : effect(std::make_unique<ForcedIsaEffect>(isa)) {}
    std::unique_ptr<Trellisor> effect;
    std::unique_ptr<ReferenceEngine> reference = std::make_unique<ReferenceEngine>();
    std::vector<float> e0, e1, r0, r1;
    int64_t position = 0;

    void set(int index, float value) {
        effect->setParameter(index, value);
        reference->setParameter(index, value);
    }
    void setRate(float rate) {
        effect->setSampleRate(rate);
        reference->setSampleRate(rate);
    }
    // Runs one block and returns the first position where the two differ
    // (bitwise, in either channel), or -1.
    int64_t block(const float* in, int32_t n) {
        e0.assign(n, 1.0f);
        e1.assign(n, 2.0f);
        r0.assign(n, 3.0f);
        r1.assign(n, 4.0f);
        std::vector<float> second(n, 0.25f);
        float* ins[2] = {const_cast<float*>(in), second.data()};
        float* outs[2] = {e0.data(), e1.data()};
        effect->processReplacing(ins, outs, n);
        reference->processReplacing(in, r0.data(), r1.data(), n);
        int64_t bad = -1;
        for (int32_t i = 0; i < n && bad < 0; ++i) {
            if (!sameBits(e0[i], r0[i]) || !sameBits(e1[i], r1[i])) bad = position + i;
        }
        position += n;
        return bad;
    }
    static bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }
};

// Test input of a few kinds, from a fixed seed.
class Signal {
public:
    explicit Signal(uint32_t seed) : rng_(seed) {}

    // n samples of the given kind: 0 partials, 1 noise, 2 silence,
    // 3 values around 1e-39 (below the normal range), 4 a decay into the
    // subnormal range, 5 sparse impulses.
    std::vector<float> make(int kind, int n) {
        std::vector<float> x(n, 0.0f);
        std::uniform_real_distribution<float> u(-1.0f, 1.0f);
        switch (kind) {
            case 0: {
                double f[4], a[4], p[4];
                for (int i = 0; i < 4; ++i) {
                    f[i] = std::uniform_real_distribution<double>(20.0, 20000.0)(rng_) / 44100.0;
                    a[i] = std::uniform_real_distribution<double>(0.01, 0.4)(rng_);
                    p[i] = std::uniform_real_distribution<double>(0.0, 6.28)(rng_);
                }
                for (int s = 0; s < n; ++s) {
                    double v = 0.0;
                    for (int i = 0; i < 4; ++i) v += a[i] * std::sin(6.283185307179586 * f[i] * (clock_ + s) + p[i]);
                    x[s] = static_cast<float>(v);
                }
                break;
            }
            case 1: {
                const float g = std::uniform_real_distribution<float>(0.001f, 1.0f)(rng_);
                for (float& v : x) v = g * u(rng_);
                break;
            }
            case 3:
                for (float& v : x) v = 1e-39f * u(rng_);
                break;
            case 4: {
                float g = 0.9f;
                for (float& v : x) {
                    v = g * u(rng_);
                    g *= 0.9f;
                }
                break;
            }
            case 5:
                for (int s = 0; s < n; s += 97) x[s] = u(rng_);
                break;
            default:
                break;
        }
        clock_ += n;
        return x;
    }

private:
    std::mt19937 rng_;
    int64_t clock_ = 0;
};

std::string describe(float size, float type, float keep, float win) {
    char text[96];
    std::snprintf(text, sizeof text, "FFT Size %g, Type %g, keepfreqs %g, Win Type %g", size, type, keep, win);
    return text;
}

const char* isaName(Isa isa) {
    switch (isa) {
        case Isa::Baseline: return "Sse2";
        case Isa::Fma: return "Fma";
        case Isa::Avx2: return "Avx2";
        case Isa::Avx512: return "Avx512";
    }
    return "Unknown";
}

// Each test runs once per instruction set; sets this processor lacks are
// skipped with a message.
class BitIdentity : public ::testing::TestWithParam<Isa> {
protected:
    void SetUp() override {
        if (!trellisor::isaSupported(GetParam())) {
            GTEST_SKIP() << "this processor does not run the " << isaName(GetParam()) << " code";
        }
    }
};

// Every combination of frame size, waveform, mode and window, with every
// oscillator in range and the lowest threshold, so that nearly all of them
// sound.
TEST_P(BitIdentity, EveryModeSizeWaveformAndWindow) {
    const float sizes[] = {0.0f, 0.5f, 1.0f};
    const float types[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f};
    const float keeps[] = {0.0f, 1.0f};
    const float wins[] = {0.0f, 1.0f};
    for (float size : sizes) {
        for (float type : types) {
            for (float keep : keeps) {
                for (float win : wins) {
                    const std::string what = describe(size, type, keep, win);
                    Pair pair(GetParam());
                    pair.set(kFftSize, size);
                    pair.set(kType, type);
                    pair.set(kKeepFreqs, keep);
                    pair.set(kWinType, win);
                    pair.set(kRegen, 1.0f);
                    pair.set(kThresh, 1.0f);
                    pair.set(kFreqNudge, 0.37f);
                    Signal signal(static_cast<uint32_t>(size * 8 + type * 4 + keep * 2 + win) + 11u);
                    int64_t nonzero = 0;
                    for (int b = 0; b < 8; ++b) {
                        const std::vector<float> in = signal.make(b % 2 == 0 ? 0 : 1, 1000);
                        const int64_t bad = pair.block(in.data(), 1000);
                        ASSERT_EQ(bad, -1) << what << ": first differing sample " << bad;
                        for (float v : pair.e0) nonzero += v != 0.0f;
                    }
                    EXPECT_GT(nonzero, 4000) << what << ": the comparison saw mostly silence";
                }
            }
        }
    }
}

// Long random runs: parameters (in range, with the boundary values often),
// sample rate, block lengths from 1 to beyond the largest part, and input of
// every kind, changed at random between blocks.
TEST_P(BitIdentity, RandomParameterBlockAndInputSequences) {
    const float landmarks[] = {0.0f, 1.0f, 0.5f, 0.25f, 0.75f, 0.99f, 0.49f, 0.85f, 0.2f};
    const float rates[] = {44100.0f, 48000.0f, 96000.0f, 22050.0f};
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        std::mt19937 rng(seed * 7919u);
        Pair pair(GetParam());
        pair.set(kThresh, 1.0f);
        pair.set(kRegen, 0.6f);
        Signal signal(seed);
        auto chance = [&](double p) { return std::uniform_real_distribution<double>(0.0, 1.0)(rng) < p; };
        auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
        int kind = 0;
        int64_t nonzero = 0;
        int64_t total = 0;
        while (total < 1000000) {
            if (chance(0.4)) {
                const int changes = 1 + pick(3);
                for (int c = 0; c < changes; ++c) {
                    const int index = pick(7);
                    float v = chance(0.5) ? landmarks[pick(9)]
                                          : std::uniform_real_distribution<float>(0.0f, 1.0f)(rng);
                    // Thresh mostly high and Regen mostly above zero, so
                    // that most frames have oscillators sounding.
                    if (index == kThresh && chance(0.8)) v = 0.75f + 0.25f * v;
                    if (index == kRegen && v == 0.0f && chance(0.8)) v = 0.5f;
                    pair.set(index, v);
                }
            }
            if (chance(0.02)) pair.setRate(rates[pick(4)]);
            if (chance(0.15)) kind = pick(6);
            int32_t n;
            switch (pick(4)) {
                case 0: n = 1 + pick(64); break;
                case 1: n = 1 + pick(2048); break;
                case 2: n = chance(0.5) ? 4097 : 256 << pick(3); break;
                default: n = 4098 + pick(6000); break;
            }
            const std::vector<float> in = signal.make(kind, n);
            const int64_t bad = pair.block(in.data(), n);
            ASSERT_EQ(bad, -1) << "seed " << seed << ": first differing sample " << bad;
            for (float v : pair.e0) nonzero += v != 0.0f;
            total += n;
        }
        EXPECT_GT(nonzero, total / 8) << "seed " << seed << ": the comparison saw mostly silence";
    }
}

INSTANTIATE_TEST_SUITE_P(InstructionSets, BitIdentity,
                         ::testing::Values(Isa::Baseline, Isa::Fma, Isa::Avx2, Isa::Avx512),
                         [](const ::testing::TestParamInfo<Isa>& info) { return std::string(isaName(info.param)); });

}  // namespace
