// Block framing, latency and the accumulating entry, and the invariants of
// the audio path: block-size invariance, hostile parameters and input.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "EngineProbe.h"

namespace {

constexpr int kRate = 44100;

// A test signal with content that moves: two gliding tones, a step and noise.
std::vector<float> testSignal(size_t length, unsigned seed = 1) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> noise(-0.05f, 0.05f);
    std::vector<float> x(length);
    double p1 = 0.0, p2 = 0.0;
    for (size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / kRate;
        p1 += 2.0 * M_PI * (300.0 + 400.0 * t) / kRate;
        p2 += 2.0 * M_PI * (2500.0 - 300.0 * t) / kRate;
        x[i] = static_cast<float>(0.4 * std::sin(p1) + 0.3 * std::sin(p2) + (i % 20000 < 100 ? 0.5 : 0.0)) + noise(gen);
    }
    return x;
}

std::vector<float> cosine(size_t length, double amplitude, double cyclesPer256) {
    std::vector<float> x(length);
    for (size_t i = 0; i < length; ++i) x[i] = static_cast<float>(amplitude * std::cos(2.0 * M_PI * cyclesPer256 * static_cast<double>(i) / 256.0));
    return x;
}

bool bitIdentical(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

size_t firstDifference(const std::vector<float>& a, const std::vector<float>& b) {
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) return i;
    }
    return std::min(a.size(), b.size());
}

void processOnce(Trellisor& fx, float* in0, float* in1, float* out0, float* out1, int32_t n) {
    float* ins[2] = {in0, in1};
    float* outs[2] = {out0, out1};
    fx.processReplacing(ins, outs, n);
}

TEST(Framing, FirstBlockOf512AtTheSmallestSize) {
    auto fx = makeProbe();
    std::vector<float> in = cosine(512, 0.5, 10), o0(512, 3.0f), o1(512, 3.0f), silent(512, 0.0f);
    processOnce(*fx, in.data(), silent.data(), o0.data(), o1.data(), 512);
    EXPECT_EQ(fx->blockFrameCount, 2);
    EXPECT_EQ(fx->inFill, 0);
    EXPECT_EQ(fx->outFill, 1024);
    for (int i = 0; i < 512; ++i) {
        ASSERT_EQ(o0[i], 0.0f) << i;
        ASSERT_EQ(o1[i], 0.0f) << i;
    }
}

TEST(Framing, BlocksOf100) {
    auto fx = makeProbe();
    std::vector<float> in = cosine(1200, 0.5, 10), o0(1200), o1(1200), silent(100, 0.0f);
    const int frames[] = {0, 0, 1};
    const int fills[] = {100, 200, 44};
    for (int b = 0; b < 12; ++b) {
        processOnce(*fx, in.data() + 100 * b, silent.data(), o0.data() + 100 * b, o1.data() + 100 * b, 100);
        if (b < 3) {
            EXPECT_EQ(fx->blockFrameCount, frames[b]) << "block " << b;
            EXPECT_EQ(fx->inFill, fills[b]) << "block " << b;
        }
        EXPECT_EQ(fx->outFill, 1024 - fx->inFill) << "block " << b;
    }
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(o0[i], 0.0f) << i;
    EXPECT_NE(o0[1024], 0.0f) << "the resynthesis starts at sample 1024";
}

TEST(Framing, FullInputBufferRunsFiveLargeFrames) {
    auto fx = makeProbe();
    fx->setParameter(kFftSize, 1.0f);
    std::vector<float> in = cosine(5120, 0.5, 10), o0(5120), o1(5120), silent(5120, 0.0f);
    processOnce(*fx, in.data(), silent.data(), o0.data(), o1.data(), 1023);
    EXPECT_EQ(fx->blockFrameCount, 0);
    EXPECT_EQ(fx->inFill, 1023);
    processOnce(*fx, in.data() + 1023, silent.data(), o0.data() + 1023, o1.data() + 1023, 4097);
    EXPECT_EQ(fx->blockFrameCount, 5);
    EXPECT_EQ(fx->inFill, 0);
    EXPECT_EQ(fx->outFill, 1024);
}

TEST(Framing, EmptyBlocksChangeNothing) {
    auto fx = makeProbe();
    float* ins[2] = {nullptr, nullptr};
    float* outs[2] = {nullptr, nullptr};
    fx->processReplacing(ins, outs, 0);
    EXPECT_EQ(fx->outFill, 1024) << "the first call still sets up the delay";
    std::vector<float> in = cosine(300, 0.5, 10), o0(300), o1(300);
    processOnce(*fx, in.data(), in.data(), o0.data(), o1.data(), 300);
    const int inFill = fx->inFill, outFill = fx->outFill;
    fx->processReplacing(ins, outs, 0);
    fx->processReplacing(ins, outs, -5);
    EXPECT_EQ(fx->inFill, inFill);
    EXPECT_EQ(fx->outFill, outFill);
}

// A host that hands no input channel gets the response to silence; a
// missing output channel is skipped and the other still receives the stream.
TEST(Framing, MissingChannelPointers) {
    auto withZeros = makeProbe();
    auto withNull = makeProbe();
    const std::vector<float> zeros(3000, 0.0f);
    const std::vector<float> expected = runBlocks(*withZeros, zeros, {1000});
    std::vector<float> out(3000, 7.0f);
    for (int b = 0; b < 3; ++b) {
        float* ins[2] = {nullptr, nullptr};
        float* outs[2] = {nullptr, out.data() + 1000 * b};
        withNull->processReplacing(ins, outs, 1000);
    }
    EXPECT_TRUE(bitIdentical(out, expected));
    EXPECT_EQ(withNull->inFill, withZeros->inFill);
    withNull->processReplacing(nullptr, nullptr, 500);
    withNull->process(nullptr, nullptr, 500);
}

struct SizeCase {
    float fftSize;
    int n;
};

class LatencyBySize : public ::testing::TestWithParam<SizeCase> {};

// The stream equals the frames' outputs delayed by exactly 1024 samples, on
// both channels, whatever the frame size.
TEST_P(LatencyBySize, OutputIsTheFramesDelayedBy1024) {
    const int n = GetParam().n;
    auto fx = makeProbe();
    auto frames = makeProbe();
    for (auto* e : {fx.get(), frames.get()}) {
        e->setParameter(kFftSize, GetParam().fftSize);
        e->setParameter(kRegen, 1.0f);
    }
    const size_t length = 16 * 1024;
    const std::vector<float> in = testSignal(length);
    std::vector<float> second;
    const std::vector<float> out = runBlocks(*fx, in, {333}, &second);
    EXPECT_TRUE(bitIdentical(out, second)) << "outputs differ";

    std::vector<float> expected(length, 0.0f);
    for (size_t s = 0; s + n + 1024 <= length; s += n) frames->innerProcess(in.data() + s, expected.data() + s + 1024);
    for (size_t t = 0; t < length - 1024; ++t) ASSERT_EQ(out[t], expected[t]) << "sample " << t;
    double energy = 0.0;
    for (size_t t = 1024; t < length; ++t) energy += out[t] * out[t];
    EXPECT_GT(energy, 1.0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, LatencyBySize,
                         ::testing::Values(SizeCase{0.0f, 256}, SizeCase{0.5f, 512}, SizeCase{1.0f, 1024}));

TEST(Framing, DefaultsTurnACosineIntoADelayedSine) {
    auto fx = makeProbe();
    const std::vector<float> in = cosine(8192, 0.5, 10);
    std::vector<float> second;
    const std::vector<float> out = runBlocks(*fx, in, {512}, &second);
    ASSERT_TRUE(bitIdentical(out, second));
    for (int t = 0; t < 1024; ++t) ASSERT_EQ(out[t], 0.0f) << t;
    // Sine of amplitude 0.5 advancing 2560 phase units per sample.
    for (int t = 1024; t < 8192; ++t) {
        const double phase = 2560.0 * (t - 1024 + 1) / 65536.0;
        ASSERT_NEAR(out[t], 0.5 * std::sin(2.0 * M_PI * phase), 1e-4) << t;
    }
}

TEST(Framing, SecondInputIsIgnored) {
    auto fx = makeProbe();
    const std::vector<float> loud = cosine(8192, 0.9, 10);
    std::vector<float> zeros(8192, 0.0f), o0(8192, 5.0f), o1(8192, 5.0f);
    for (int b = 0; b < 16; ++b) {
        processOnce(*fx, zeros.data() + 512 * b, const_cast<float*>(loud.data()) + 512 * b, o0.data() + 512 * b,
                    o1.data() + 512 * b, 512);
    }
    for (int t = 0; t < 8192; ++t) {
        ASSERT_EQ(o0[t], 0.0f) << t;
        ASSERT_EQ(o1[t], 0.0f) << t;
    }
}

TEST(Framing, InPlaceBuffersGiveTheSameStream) {
    auto separate = makeProbe();
    auto inPlace = makeProbe();
    const std::vector<float> in = testSignal(20000);
    const std::vector<float> expected = runBlocks(*separate, in, {700});
    std::vector<float> buf = in;
    std::vector<float> other(20000);
    for (size_t pos = 0; pos < buf.size(); pos += 700) {
        const int32_t n = static_cast<int32_t>(std::min<size_t>(700, buf.size() - pos));
        processOnce(*inPlace, buf.data() + pos, other.data() + pos, buf.data() + pos, buf.data() + pos, n);
    }
    EXPECT_TRUE(bitIdentical(buf, expected));
}

TEST(Framing, OverLongBlockIsWorkedThroughInParts) {
    auto whole = makeProbe();
    auto chunked = makeProbe();
    const std::vector<float> in = testSignal(1000000, 3);
    const std::vector<float> a = runBlocks(*whole, in, {1000000});
    const std::vector<float> b = runBlocks(*chunked, in, {512});
    EXPECT_TRUE(bitIdentical(a, b)) << "first difference at " << firstDifference(a, b);
    EXPECT_LT(whole->inFill, 256);
    EXPECT_EQ(whole->outFill, 1024 - whole->inFill);
}

// With the frame size changing at block boundaries, every frame still
// consumes and produces its own length: the FIFOs keep their balance and
// a steady tone leaves no gap in the output.
TEST(Framing, FrameSizeChangesBetweenBlocksLeaveNoGap) {
    auto fx = makeProbe();
    fx->setParameter(kRegen, 1.0f);
    const size_t length = 60000;
    const std::vector<float> in = cosine(length, 0.5, 10);  // bin 10, 20 or 40: a centre at every size
    std::vector<float> o0(length), o1(length);
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> len(1, 3000);
    const float sizes[] = {0.0f, 0.5f, 1.0f};
    size_t pos = 0;
    int b = 0;
    while (pos < length) {
        fx->setParameter(kFftSize, sizes[b++ % 3]);
        const int32_t n = static_cast<int32_t>(std::min<size_t>(len(gen), length - pos));
        processOnce(*fx, const_cast<float*>(in.data()) + pos, const_cast<float*>(in.data()) + pos, o0.data() + pos,
                    o1.data() + pos, n);
        ASSERT_GE(fx->inFill, 0);
        ASSERT_LT(fx->inFill, 1024);
        ASSERT_EQ(fx->outFill, 1024 - fx->inFill);
        pos += n;
    }
    EXPECT_TRUE(bitIdentical(o0, o1));
    for (size_t t = 1024; t + 64 <= length - 2048; t += 64) {
        float m = 0.0f;
        for (size_t i = t; i < t + 64; ++i) m = std::max(m, std::fabs(o0[i]));
        ASSERT_GT(m, 0.45f) << "gap near sample " << t;
        ASSERT_LT(m, 0.55f) << "overlap near sample " << t;
    }
}

struct InvarianceCase {
    float keepFreqs;
    float fftSize;
    float winType;
};

class BlockSizeInvariance : public ::testing::TestWithParam<InvarianceCase> {};

TEST_P(BlockSizeInvariance, OutputDependsOnTheInputStreamOnly) {
    const InvarianceCase& c = GetParam();
    const size_t length = 3 * kRate;
    const std::vector<float> in = testSignal(length, 9);
    auto configure = [&](Trellisor& fx) {
        fx.setParameter(kKeepFreqs, c.keepFreqs);
        fx.setParameter(kFftSize, c.fftSize);
        fx.setParameter(kWinType, c.winType);
        fx.setParameter(kRegen, 0.6f);
        fx.setParameter(kThresh, 0.9f);
        fx.setParameter(kFreqNudge, 0.55f);
    };
    std::vector<int32_t> mix;
    std::mt19937 gen(42);
    std::uniform_int_distribution<int32_t> len(0, 6000);
    for (int i = 0; i < 200; ++i) mix.push_back(len(gen));

    auto ref = makeProbe();
    configure(*ref);
    std::vector<float> refSecond;
    const std::vector<float> reference = runBlocks(*ref, in, {static_cast<int32_t>(length)}, &refSecond);
    ASSERT_TRUE(bitIdentical(reference, refSecond));
    double energy = 0.0;
    for (float v : reference) energy += v * v;
    ASSERT_GT(energy, 10.0) << "the signal must be resynthesised for the comparison to mean anything";

    const std::vector<std::vector<int32_t>> patterns = {{1}, {7}, {100}, {512}, {4097}, {10000}, mix};
    for (const auto& p : patterns) {
        auto fx = makeProbe();
        configure(*fx);
        std::vector<float> second;
        const std::vector<float> out = runBlocks(*fx, in, p, &second);
        EXPECT_TRUE(bitIdentical(out, reference)) << "blocks of " << p[0] << (p.size() > 1 ? " (mix)" : "")
                                                  << ": first difference at " << firstDifference(out, reference);
        EXPECT_TRUE(bitIdentical(out, second));
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, BlockSizeInvariance,
                         ::testing::Values(InvarianceCase{0.0f, 0.0f, 0.0f}, InvarianceCase{0.0f, 0.5f, 1.0f},
                                           InvarianceCase{0.0f, 1.0f, 0.0f}, InvarianceCase{1.0f, 0.0f, 1.0f},
                                           InvarianceCase{1.0f, 0.5f, 0.0f}, InvarianceCase{1.0f, 1.0f, 1.0f}));

struct HostileCase {
    int param;
    float value;
};

class HostileParameters : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileParameters, StayInsideTheTablesAndOutputStaysFinite) {
    const HostileCase& c = GetParam();
    for (float keep : {0.0f, 1.0f}) {
        auto fx = makeProbe();
        if (c.param != kKeepFreqs) fx->setParameter(kKeepFreqs, keep);
        fx->setParameter(c.param, c.value);
        const std::vector<float> in = testSignal(12000, 4);
        const std::vector<float> out = runBlocks(*fx, in, {1500});
        for (size_t t = 0; t < out.size(); ++t) ASSERT_TRUE(std::isfinite(out[t])) << "sample " << t;
        const float stored = fx->getParameter(c.param);
        if (std::isnan(c.value)) {
            EXPECT_TRUE(std::isnan(stored));
        } else {
            EXPECT_EQ(stored, c.value);
        }
        EXPECT_GE(fx->sizeIndex, 0);
        EXPECT_LE(fx->sizeIndex, 2);
        EXPECT_GE(fx->waveType.load(), 0);
        EXPECT_LE(fx->waveType.load(), 4);
        EXPECT_GE(fx->numOscillators, 0);
        EXPECT_LE(fx->numOscillators, fx->binCount[fx->sizeIndex]);
    }
}

std::vector<HostileCase> hostileCases() {
    std::vector<HostileCase> cases;
    const float values[] = {NAN, INFINITY, -INFINITY, 1e30f, -1e30f, -1.0f, 2.0f};
    for (int p = 0; p < kNumRealParams; ++p) {
        for (float v : values) cases.push_back({p, v});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Values, HostileParameters, ::testing::ValuesIn(hostileCases()));

struct RecoveryCase {
    float keepFreqs;
    float fftSize;
    int n;
};

class NonFiniteInput : public ::testing::TestWithParam<RecoveryCase> {};

TEST_P(NonFiniteInput, OutputIsFiniteAgainWithinTwoFrames) {
    const RecoveryCase& c = GetParam();
    auto fx = makeProbe();
    fx->setParameter(kKeepFreqs, c.keepFreqs);
    fx->setParameter(kFftSize, c.fftSize);
    fx->setParameter(kThresh, 1.0f);
    std::vector<float> in = testSignal(40000, 5);
    const size_t badFrom = 10000, badTo = 12001;
    for (size_t t = badFrom; t < badTo; ++t) in[t] = (t % 3 == 0) ? NAN : (t % 3 == 1 ? INFINITY : -INFINITY);
    const std::vector<float> out = runBlocks(*fx, in, {777});
    // The first frame that starts at or after the bad stretch, plus two frames.
    const size_t cleanFrame = (badTo + c.n - 1) / c.n * c.n;
    const size_t finiteFrom = cleanFrame + 2 * c.n + 1024;
    for (size_t t = finiteFrom; t < out.size(); ++t) {
        ASSERT_TRUE(std::isfinite(out[t])) << "sample " << t;
    }
    // A frame wholly inside the bad stretch has non-finite magnitudes, which
    // never sound.
    const size_t inside = (badFrom + c.n - 1) / c.n * c.n;
    ASSERT_LE(inside + c.n, badTo);
    for (size_t t = inside + 1024; t < inside + 1024 + c.n; ++t) ASSERT_EQ(out[t], 0.0f) << "sample " << t;
    double energy = 0.0;
    for (size_t t = finiteFrom; t < out.size(); ++t) energy += out[t] * out[t];
    EXPECT_GT(energy, 1.0) << "the resynthesis resumes";
    for (int j = 0; j < c.n / 2; ++j) {
        ASSERT_TRUE(std::isfinite(fx->lastPhase[j])) << j;
        ASSERT_TRUE(std::isfinite(fx->measuredFreqs[fx->sizeIndex][j])) << j;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, NonFiniteInput,
                         ::testing::Values(RecoveryCase{0.0f, 0.0f, 256}, RecoveryCase{0.0f, 1.0f, 1024},
                                           RecoveryCase{1.0f, 0.0f, 256}, RecoveryCase{1.0f, 1.0f, 1024}));

struct HugeInputCase {
    float keepFreqs;
    float fftSize;
    float winType;
    float type;
    float amplitude;
};

class HugeInput : public ::testing::TestWithParam<HugeInputCase> {};

// Finite input, however loud, with parameters in 0..1 gives finite output.
TEST_P(HugeInput, OutputStaysFinite) {
    const HugeInputCase& c = GetParam();
    auto fx = makeProbe();
    fx->setParameter(kKeepFreqs, c.keepFreqs);
    fx->setParameter(kFftSize, c.fftSize);
    fx->setParameter(kWinType, c.winType);
    fx->setParameter(kType, c.type);
    fx->setParameter(kRegen, 1.0f);
    fx->setParameter(kThresh, 1.0f);
    // A loud stretch, then input at a normal level again.
    std::vector<float> in = testSignal(24576, 9);
    for (size_t t = 0; t < 12288; ++t) in[t] *= c.amplitude;
    const std::vector<float> out = runBlocks(*fx, in, {1000});
    double energyAfter = 0.0;
    for (size_t t = 0; t < out.size(); ++t) {
        ASSERT_TRUE(std::isfinite(out[t])) << "sample " << t;
        if (t >= 12288 + 3 * 1024) energyAfter += double(out[t]) * out[t];
    }
    EXPECT_GT(energyAfter, 1.0) << "the resynthesis resumes at a normal level";
}

INSTANTIATE_TEST_SUITE_P(Levels, HugeInput,
                         ::testing::Values(HugeInputCase{0.0f, 0.0f, 0.0f, 0.0f, 1e18f},
                                           HugeInputCase{0.0f, 1.0f, 1.0f, 0.75f, 1e30f},
                                           HugeInputCase{1.0f, 0.0f, 0.0f, 0.5f, 1e35f},
                                           HugeInputCase{1.0f, 1.0f, 1.0f, 1.0f, 3e38f}));

TEST(AccumulatingEntry, AddsIndependentNoiseAndReadsNoInput) {
    auto fx = makeProbe();
    const int n = 4000;
    std::vector<float> o0(n, 0.0f), o1(n, 10.0f);
    float* outs[2] = {o0.data(), o1.data()};
    fx->process(nullptr, outs, n);

    // The platform generator with its default seed, drawn alternately.
    std::srand(1);
    double sum0 = 0.0, sum1 = 0.0, cross = 0.0;
    for (int i = 0; i < n; ++i) {
        const float a = static_cast<float>(2.0 * (std::rand() * 4.656612875245797e-10) - 1.0);
        const float b = static_cast<float>(2.0 * (std::rand() * 4.656612875245797e-10) - 1.0);
        ASSERT_EQ(o0[i], a) << i;
        ASSERT_EQ(o1[i], 10.0f + b) << i;
        ASSERT_GE(o0[i], -1.0f);
        ASSERT_LE(o0[i], 1.0f);
        sum0 += a;
        sum1 += b;
        cross += static_cast<double>(a) * b;
    }
    EXPECT_NEAR(sum0 / n, 0.0, 0.05);
    EXPECT_NEAR(sum1 / n, 0.0, 0.05);
    EXPECT_NEAR(cross / n, 0.0, 0.03) << "channels are correlated";

    // Inputs are never touched, whatever they hold.
    auto other = makeProbe();
    std::vector<float> garbage(n, NAN), p0(n, 0.0f), p1(n, 0.0f);
    float* ins[2] = {garbage.data(), garbage.data()};
    float* outs2[2] = {p0.data(), p1.data()};
    other->process(ins, outs2, n);
    for (int i = 0; i < n; ++i) ASSERT_EQ(p0[i], o0[i]) << i;
}

// Parameters written from another thread while the audio thread processes.
// Under ThreadSanitizer this must report no race.
TEST(Threads, ParameterWritesDuringProcessing) {
    auto fx = makeProbe();
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        std::mt19937 gen(3);
        std::uniform_real_distribution<float> v(0.0f, 1.0f);
        char text[64];
        unsigned i = 0;
        while (!stop.load(std::memory_order_relaxed)) {
            fx->setParameter(static_cast<int32_t>(i % kNumRealParams), v(gen));
            (void)fx->getParameter(static_cast<int32_t>((i + 3) % kNumRealParams));
            fx->getParameterDisplay(kType, text);
            ++i;
        }
        fx->setParameter(kRegen, 0.5f);
    });
    const std::vector<float> in = testSignal(3 * kRate, 6);
    const std::vector<float> out = runBlocks(*fx, in, {256, 100, 1024});
    stop.store(true);
    writer.join();
    for (size_t t = 0; t < out.size(); ++t) ASSERT_TRUE(std::isfinite(out[t])) << t;
    EXPECT_EQ(fx->getParameter(kRegen), 0.5f);
}

}  // namespace
