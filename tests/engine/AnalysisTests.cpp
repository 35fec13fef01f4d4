// The frequency-tracking analysis.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "EngineProbe.h"

namespace {

constexpr double kBinWidth256 = 44100.0 / 256.0;  // 172.265625 Hz

std::vector<float> tone(int length, double amplitude, double binsPerFrame, int frame, bool cosine = false) {
    std::vector<float> x(length);
    for (int i = 0; i < length; ++i) {
        const double a = 2.0 * M_PI * binsPerFrame * i / frame;
        x[i] = static_cast<float>(amplitude * (cosine ? std::cos(a) : std::sin(a)));
    }
    return x;
}

TEST(PitchScale, SteadyToneBetweenBinsIsMeasuredFromTheSecondFrame) {
    auto fx = makeProbe();
    const int n = 256;
    const std::vector<float> x = tone(6 * n, 0.5, 10.3, n);
    float mags[512], freqs[512];
    for (int f = 0; f < 6; ++f) {
        fx->smsPitchScale(x.data() + f * n, mags, freqs);
        EXPECT_NEAR(mags[10], 0.236, 0.002) << "frame " << f;
        EXPECT_NEAR(mags[11], 0.180, 0.002) << "frame " << f;
        if (f == 0) continue;
        EXPECT_NEAR(freqs[10], 10.3 * kBinWidth256, 0.01) << "frame " << f;  // 1774.34 Hz
        EXPECT_NEAR(freqs[9], 1602.07, 0.5) << "frame " << f;
        EXPECT_NEAR(freqs[11], 1946.6, 0.5) << "frame " << f;
    }
}

TEST(PitchScale, WindowHalvesAndSpreadsThePeak) {
    auto fx = makeProbe();
    float mags[512], freqs[512];
    for (int k = 0; k < 3; ++k) {
        fx->sizeIndex = k;
        const int n = fx->frameSize[k];
        const std::vector<float> x = tone(n, 0.5, 10.0, n, true);
        fx->smsPitchScale(x.data(), mags, freqs);
        EXPECT_NEAR(mags[10], 0.25, 1e-5) << n;
        EXPECT_NEAR(mags[9], 0.125, 1e-5) << n;
        EXPECT_NEAR(mags[11], 0.125, 1e-5) << n;
        EXPECT_NEAR(mags[20], 0.0, 1e-5) << n;

        const std::vector<float> c(n, 0.25f);
        fx->smsPitchScale(c.data(), mags, freqs);
        EXPECT_NEAR(mags[0], 0.25, 1e-6) << n;
        EXPECT_NEAR(mags[1], 0.125, 1e-6) << n;
        EXPECT_NEAR(mags[2], 0.0, 1e-6) << n;
    }
}

TEST(PitchScale, SilenceOnTheFirstFrameGivesBinCentres) {
    auto fx = makeProbe();
    const std::vector<float> zeros(256, 0.0f);
    float mags[512], freqs[512];
    fx->smsPitchScale(zeros.data(), mags, freqs);
    EXPECT_EQ(fx->pitchReady, 1);
    for (int j = 0; j < 128; ++j) {
        ASSERT_EQ(mags[j], 0.0f) << j;
        ASSERT_EQ(freqs[j], static_cast<float>(j * kBinWidth256)) << j;
        ASSERT_EQ(fx->lastPhase[j], 0.0f) << j;
    }
}

TEST(PitchScale, SilenceAfterAToneReflectsOnlyTheStoredPhases) {
    auto fx = makeProbe();
    const std::vector<float> x = tone(256, 0.5, 10.3, 256);
    const std::vector<float> zeros(256, 0.0f);
    float mags[512], freqs[512];
    fx->smsPitchScale(x.data(), mags, freqs);
    std::vector<float> stored(fx->lastPhase, fx->lastPhase + 128);
    fx->smsPitchScale(zeros.data(), mags, freqs);
    for (int j = 0; j < 128; ++j) {
        // Phase 0 now against the stored phase: the deviation is -stored,
        // wrapped into (-pi, pi].
        double dev = -static_cast<double>(stored[j]);
        if (dev <= -M_PI) dev += 2.0 * M_PI;
        const double expected = j * kBinWidth256 + (dev / (2.0 * M_PI)) * kBinWidth256;
        ASSERT_NEAR(freqs[j], expected, 1e-3) << j;
        ASSERT_EQ(fx->lastPhase[j], 0.0f) << j;
    }
}

TEST(PitchScale, WritesExactlyHalfTheFrameOfEveryOutput) {
    auto fx = makeProbe();
    fx->sizeIndex = 2;
    const std::vector<float> x = tone(1024, 0.7, 37.2, 1024);
    std::vector<float> mags(1024, -9.0f), freqs(1024, -9.0f);
    fx->smsPitchScale(x.data(), mags.data(), freqs.data());
    for (int j = 0; j < 1024; ++j) {
        if (j < 512) {
            ASSERT_NE(mags[j], -9.0f) << j;
            ASSERT_NE(freqs[j], -9.0f) << j;
        } else {
            ASSERT_EQ(mags[j], -9.0f) << "magnitude " << j << " written";
            ASSERT_EQ(freqs[j], -9.0f) << "frequency " << j << " written";
        }
    }
}

TEST(PitchScale, BinWidthFollowsTheCurrentSampleRate) {
    auto fx = makeProbe();
    fx->setRate(48000.0f);
    const std::vector<float> x = tone(3 * 256, 0.5, 10.3, 256);
    float mags[512], freqs[512];
    for (int f = 0; f < 3; ++f) fx->smsPitchScale(x.data() + f * 256, mags, freqs);
    EXPECT_NEAR(freqs[10], 10.3 * 48000.0 / 256.0, 0.01);
}

TEST(PitchScale, NonFiniteInputLeavesNoPoisonedHistory) {
    auto fx = makeProbe();
    const std::vector<float> x = tone(4 * 256, 0.5, 10.3, 256);
    std::vector<float> bad(256, std::nanf(""));
    bad[3] = INFINITY;
    float mags[512], freqs[512];
    fx->smsPitchScale(x.data(), mags, freqs);
    fx->smsPitchScale(bad.data(), mags, freqs);
    for (int j = 0; j < 128; ++j) {
        ASSERT_TRUE(std::isfinite(fx->lastPhase[j])) << j;
        ASSERT_TRUE(std::isfinite(freqs[j])) << j;
    }
    fx->smsPitchScale(x.data() + 2 * 256, mags, freqs);
    fx->smsPitchScale(x.data() + 3 * 256, mags, freqs);
    EXPECT_NEAR(freqs[10], 10.3 * kBinWidth256, 0.01);
    EXPECT_NEAR(mags[10], 0.236, 0.002);
}

}  // namespace
