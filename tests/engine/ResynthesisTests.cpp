// Parameter mapping and the oscillator bank, one frame at a time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "EngineProbe.h"

namespace {

std::vector<float> cosine(int length, double amplitude, double bins, int frame) {
    std::vector<float> x(length);
    for (int i = 0; i < length; ++i) x[i] = static_cast<float>(amplitude * std::cos(2.0 * M_PI * bins * i / frame));
    return x;
}

double peak(const std::vector<float>& v) {
    double m = 0.0;
    for (float x : v) m = std::max(m, static_cast<double>(std::fabs(x)));
    return m;
}

struct ThresholdCase {
    float thresh;
    float threshold;
    double tolerance;  // half a unit of the last digit given; 0: exact
};

class ThresholdMapping : public ::testing::TestWithParam<ThresholdCase> {};

TEST_P(ThresholdMapping, FusedMultiplyAddOfTheExponential) {
    auto fx = makeProbe();
    fx->setParameter(kThresh, GetParam().thresh);
    fx->paramUpdate();
    if (GetParam().tolerance == 0.0) {
        EXPECT_EQ(fx->threshold, GetParam().threshold);
    } else {
        EXPECT_NEAR(fx->threshold, GetParam().threshold, GetParam().tolerance);
    }
}

INSTANTIATE_TEST_SUITE_P(Values, ThresholdMapping,
                         ::testing::Values(ThresholdCase{0.0f, 0.31609678f, 0.0},
                                           ThresholdCase{0.5f, 0.19679487f, 0.0},
                                           ThresholdCase{0.85f, 0.06973142f, 0.0},
                                           ThresholdCase{1.0f, 0.0000992414f, 5e-11}));

TEST(ParamUpdate, StartingValuesEqualTheFirstUpdateFromDefaults) {
    auto fx = makeProbe();
    const float threshold = fx->threshold;
    const int wave = fx->waveType.load();
    const int count = fx->numOscillators;
    fx->paramUpdate();
    EXPECT_EQ(fx->threshold, threshold);
    EXPECT_EQ(fx->waveType.load(), wave);
    EXPECT_EQ(fx->numOscillators, count);
    EXPECT_EQ(count, 32);
    EXPECT_EQ(fx->sizeIndex, 0);
}

struct MappingCase {
    int param;
    float value;
    int sizeIndex;
    int waveType;
    int numOscillators;
};

class IndexMapping : public ::testing::TestWithParam<MappingCase> {};

// Truncation toward zero, and clamping of values outside 0..1.
TEST_P(IndexMapping, TruncatedAndClamped) {
    auto fx = makeProbe();
    const MappingCase& c = GetParam();
    fx->setParameter(c.param, c.value);
    fx->paramUpdate();
    EXPECT_EQ(fx->sizeIndex, c.sizeIndex);
    EXPECT_EQ(fx->waveType.load(), c.waveType);
    EXPECT_EQ(fx->numOscillators, c.numOscillators);
}

INSTANTIATE_TEST_SUITE_P(
    Table, IndexMapping,
    ::testing::Values(MappingCase{kFftSize, 0.49f, 0, 0, 32}, MappingCase{kFftSize, 0.5f, 1, 0, 64},
                      MappingCase{kFftSize, 0.99f, 1, 0, 64}, MappingCase{kFftSize, 1.0f, 2, 0, 128},
                      MappingCase{kFftSize, 2.0f, 2, 0, 128}, MappingCase{kFftSize, -1.0f, 0, 0, 32},
                      MappingCase{kFftSize, NAN, 0, 0, 32}, MappingCase{kFftSize, 1e30f, 2, 0, 128},
                      MappingCase{kType, 0.25f, 0, 1, 32}, MappingCase{kType, 0.5f, 0, 2, 32},
                      MappingCase{kType, 0.75f, 0, 3, 32}, MappingCase{kType, 1.0f, 0, 4, 32},
                      MappingCase{kType, 0.2499f, 0, 0, 32}, MappingCase{kType, 2.0f, 0, 4, 32},
                      MappingCase{kType, -INFINITY, 0, 0, 32}, MappingCase{kType, NAN, 0, 0, 32},
                      MappingCase{kRegen, 1.0f, 0, 0, 128}, MappingCase{kRegen, 0.0f, 0, 0, 0},
                      MappingCase{kRegen, 0.999f, 0, 0, 127}, MappingCase{kRegen, 2.0f, 0, 0, 128},
                      MappingCase{kRegen, -0.5f, 0, 0, 0}, MappingCase{kRegen, INFINITY, 0, 0, 128},
                      MappingCase{kRegen, NAN, 0, 0, 0}));

struct IncrementCase {
    float nudge;
    int sizeIndex;
    int bin;
    int increment;
};

class FixedIncrements : public ::testing::TestWithParam<IncrementCase> {};

TEST_P(FixedIncrements, RoundedShiftedBinCentres) {
    auto fx = makeProbe();
    const IncrementCase& c = GetParam();
    fx->setParameter(kFreqNudge, c.nudge);
    fx->setParameter(kFftSize, c.sizeIndex * 0.5f);
    fx->paramUpdate();
    EXPECT_EQ(fx->oscIncrement[c.sizeIndex][c.bin], c.increment);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FixedIncrements,
    ::testing::Values(IncrementCase{0.5f, 0, 10, 2560}, IncrementCase{0.5f, 0, 127, 127 * 256},
                      IncrementCase{0.5f, 1, 10, 1280}, IncrementCase{0.5f, 2, 511, 511 * 64},
                      IncrementCase{0.0f, 0, 0, 65281}, IncrementCase{0.0f, 0, 1, 1},
                      IncrementCase{1.0f, 0, 0, 255}, IncrementCase{1.0f, 0, 1, 511},
                      IncrementCase{NAN, 0, 5, 0}, IncrementCase{INFINITY, 0, 5, 0},
                      IncrementCase{-INFINITY, 2, 5, 0},
                      // 1e30 shifts by ~3.4e32 Hz: an integer far beyond 32 bits whose
                      // low 16 bits are zero once reduced.
                      IncrementCase{1e30f, 0, 0, 0}));

TEST(ParamUpdate, FixedIncrementsAreRecomputedOnlyOnAChange) {
    auto fx = makeProbe();
    fx->oscIncrement[0][3] = 12345;  // marker: survives while nothing changes
    fx->paramUpdate();
    EXPECT_EQ(fx->oscIncrement[0][3], 12345);
    fx->setParameter(kFreqNudge, 0.6f);
    fx->paramUpdate();
    EXPECT_NE(fx->oscIncrement[0][3], 12345);
    fx->setParameter(kFreqNudge, 0.5f);
    fx->paramUpdate();
    EXPECT_EQ(fx->oscIncrement[0][3], 768);
    // A mode change recomputes even with an unchanged shift.
    fx->oscIncrement[0][3] = 12345;
    fx->setParameter(kKeepFreqs, 1.0f);
    fx->paramUpdate();
    fx->setParameter(kKeepFreqs, 0.0f);
    fx->paramUpdate();
    EXPECT_EQ(fx->oscIncrement[0][3], 768);
}

TEST(InnerProcess, DefaultsResynthesiseOneCosineAsASine) {
    auto fx = makeProbe();
    const std::vector<float> in = cosine(256, 0.5, 10.0, 256);
    std::vector<float> out(256, 99.0f);
    fx->innerProcess(in.data(), out.data());
    const float a = fx->magnitudes[10];
    EXPECT_NEAR(a, 0.5, 1e-6);
    for (int i = 0; i < 32; ++i) {
        if (i != 10) {
            EXPECT_LE(fx->magnitudes[i], fx->threshold) << "bin " << i << " would sound";
        }
    }
    for (int n = 0; n < 256; ++n) {
        const uint16_t phase = static_cast<uint16_t>(2560 * (n + 1));
        ASSERT_EQ(out[n], a * fx->waveTables[0][phase]) << n;
    }
    EXPECT_EQ(fx->oscPhase[0][10], static_cast<uint16_t>(2560 * 256));
}

struct GateCase {
    double amplitude;
    double bins;
    float thresh;
    float regen;
    bool sounds;
};

class OscillatorGate : public ::testing::TestWithParam<GateCase> {};

TEST_P(OscillatorGate, ThresholdAndRange) {
    auto fx = makeProbe();
    const GateCase& c = GetParam();
    fx->setParameter(kThresh, c.thresh);
    fx->setParameter(kRegen, c.regen);
    const std::vector<float> in = cosine(256, c.amplitude, c.bins, 256);
    std::vector<float> out(256);
    fx->innerProcess(in.data(), out.data());
    if (c.sounds) {
        EXPECT_NEAR(peak(out), c.amplitude, 1e-3);
    } else {
        EXPECT_EQ(peak(out), 0.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, OscillatorGate,
                         ::testing::Values(GateCase{0.2, 10, 0.0f, 0.25f, false}, GateCase{0.2, 10, 0.5f, 0.25f, true},
                                           GateCase{0.5, 40, 0.85f, 0.25f, false},
                                           GateCase{0.5, 40, 0.85f, 1.0f, true},
                                           GateCase{0.5, 31, 0.85f, 0.25f, true},
                                           GateCase{0.5, 32, 0.85f, 0.25f, false},
                                           GateCase{0.9, 10, 0.85f, 0.0f, false}));

TEST(InnerProcess, WaveTypeSelectsTheTablePlayed) {
    for (int w = 0; w < 5; ++w) {
        auto fx = makeProbe();
        fx->setParameter(kType, w * 0.25f);
        const std::vector<float> in = cosine(256, 0.5, 10.0, 256);
        std::vector<float> out(256);
        fx->innerProcess(in.data(), out.data());
        const float a = fx->magnitudes[10];
        for (int n = 0; n < 256; ++n) {
            ASSERT_EQ(out[n], a * fx->waveTables[w][static_cast<uint16_t>(2560 * (n + 1))]) << w << " " << n;
        }
    }
}

TEST(InnerProcess, WindowScalesTheEdgesAndLeavesTheMiddle) {
    auto plain = makeProbe();
    auto windowed = makeProbe();
    windowed->setParameter(kWinType, 1.0f);
    plain->setParameter(kFreqNudge, 0.37f);  // non-trivial phases at sample N/2
    windowed->setParameter(kFreqNudge, 0.37f);
    const std::vector<float> in = cosine(256, 0.5, 10.0, 256);
    std::vector<float> a(256), b(256);
    plain->innerProcess(in.data(), a.data());
    windowed->innerProcess(in.data(), b.data());
    ASSERT_NE(a[128], 0.0f);
    EXPECT_EQ(b[128], a[128]);
    EXPECT_EQ(b[0], a[0] * windowed->outWindow[0][0]);
    for (int n = 0; n < 256; ++n) ASSERT_EQ(b[n], a[n] * windowed->outWindow[0][n]) << n;
}

TEST(InnerProcess, SilentOscillatorKeepsItsPhaseRunning) {
    auto gapped = makeProbe();
    auto steady = makeProbe();
    for (auto* fx : {gapped.get(), steady.get()}) fx->setParameter(kFreqNudge, 0.37f);
    const std::vector<float> tone = cosine(256, 0.5, 10.0, 256);
    const std::vector<float> silence(256, 0.0f);
    std::vector<float> a(256), b(256);
    gapped->innerProcess(silence.data(), a.data());
    steady->innerProcess(tone.data(), b.data());
    EXPECT_EQ(gapped->oscPhase[0][10], steady->oscPhase[0][10]);
    EXPECT_NE(gapped->oscPhase[0][10], 0);
    gapped->innerProcess(tone.data(), a.data());
    steady->innerProcess(tone.data(), b.data());
    EXPECT_EQ(a, b);
}

TEST(InnerProcess, TrackingModeMovesTheOscillatorToTheMeasuredFrequency) {
    auto fx = makeProbe();
    fx->setParameter(kKeepFreqs, 1.0f);
    const int n = 256;
    std::vector<float> x(4 * n);
    for (int i = 0; i < 4 * n; ++i) x[i] = static_cast<float>(0.5 * std::sin(2.0 * M_PI * 10.3 * i / n));
    std::vector<float> out(n);
    int increments[4];
    for (int f = 0; f < 4; ++f) {
        fx->innerProcess(x.data() + f * n, out.data());
        increments[f] = fx->oscIncrement[0][10];
    }
    EXPECT_EQ(increments[0], 2560) << "first frame: the increments left from before";
    // 10.3 bins of 172.265625 Hz at 65536/44100 phase units per Hz: 2636.8.
    EXPECT_EQ(increments[2], 2637);
    EXPECT_EQ(increments[3], 2637);
    EXPECT_NEAR(fx->trackIncScale, 1.4860771f, 1e-7);
}

TEST(InnerProcess, NaNMagnitudeIsSilentButKeepsThePhase) {
    auto fx = makeProbe();
    fx->setParameter(kFreqNudge, 0.37f);
    std::vector<float> in(256, std::nanf(""));
    std::vector<float> out(256, 1.0f);
    fx->paramUpdate();
    const uint16_t before = fx->oscPhase[0][10];
    const uint16_t inc = fx->oscIncrement[0][10];
    fx->innerProcess(in.data(), out.data());
    EXPECT_EQ(peak(out), 0.0);
    EXPECT_EQ(fx->oscPhase[0][10], static_cast<uint16_t>(before + inc * 256u));
}

// Each size has its own oscillators: frames at one size leave the phases
// and increments of the others alone, and the fixed-bin recomputation looks
// at the size in force only.
TEST(InnerProcess, SizesKeepSeparateOscillatorRows) {
    auto fx = makeProbe();
    fx->setParameter(kKeepFreqs, 1.0f);
    fx->setParameter(kFreqNudge, 0.37f);
    std::vector<float> x(3 * 256);
    for (size_t i = 0; i < x.size(); ++i) x[i] = static_cast<float>(0.5 * std::sin(2.0 * M_PI * 10.3 * i / 256.0));
    std::vector<float> out(512);
    for (int f = 0; f < 3; ++f) fx->innerProcess(x.data() + f * 256, out.data());
    std::vector<uint16_t> phases0(fx->oscPhase[0], fx->oscPhase[0] + 128);
    std::vector<uint16_t> incs0(fx->oscIncrement[0], fx->oscIncrement[0] + 128);
    const long centre = std::lrint((fx->binFreqs[0][10] + fx->nudgeHz[0]) * fx->fixedIncScale);
    ASSERT_GT(incs0[10], centre + 50) << "tracking has moved bin 10 off its centre";

    // Fixed-bin frames at 512: a mode change there recomputes row 1 only.
    fx->setParameter(kKeepFreqs, 0.0f);
    fx->setParameter(kFftSize, 0.5f);
    const std::vector<float> tone = cosine(512, 0.5, 20.0, 512);
    fx->innerProcess(tone.data(), out.data());
    fx->innerProcess(tone.data(), out.data());
    EXPECT_TRUE(std::equal(phases0.begin(), phases0.end(), fx->oscPhase[0]));
    EXPECT_TRUE(std::equal(incs0.begin(), incs0.end(), fx->oscIncrement[0]));

    // Back at 256 in fixed-bin mode with the same shift: no recomputation,
    // row 0 keeps the increments the tracking mode left.
    fx->setParameter(kFftSize, 0.0f);
    fx->innerProcess(x.data(), out.data());
    EXPECT_TRUE(std::equal(incs0.begin(), incs0.end(), fx->oscIncrement[0]));
}

}  // namespace
