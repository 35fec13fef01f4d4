// Wave tables and output windows.
#include <gtest/gtest.h>

#include <cmath>

#include "EngineProbe.h"

namespace {

enum Wave { kSine, kTri, kSaw, kSquare, kMixed };

struct Entry {
    int wave;
    int index;
    float value;
};

class WaveTableEntry : public ::testing::TestWithParam<Entry> {
protected:
    static void SetUpTestSuite() { fx = new EngineProbe(); }
    static void TearDownTestSuite() {
        delete fx;
        fx = nullptr;
    }
    static EngineProbe* fx;
};
EngineProbe* WaveTableEntry::fx = nullptr;

TEST_P(WaveTableEntry, ExactValue) {
    const Entry& e = GetParam();
    const float got = fx->waveTables[e.wave][e.index];
    EXPECT_EQ(got, e.value) << "wave " << e.wave << " index " << e.index;
    EXPECT_EQ(std::signbit(got), std::signbit(e.value)) << "sign of wave " << e.wave << " index " << e.index;
}

INSTANTIATE_TEST_SUITE_P(
    Table, WaveTableEntry,
    ::testing::Values(Entry{kSine, 0, 0.0f}, Entry{kSine, 16384, 1.0f}, Entry{kSine, 49152, -1.0f},
                      Entry{kTri, 0, 0.0f}, Entry{kTri, 8192, 0.5f}, Entry{kTri, 16384, 1.0f},
                      Entry{kTri, 32768, -0.0f}, Entry{kTri, 49152, -1.0f}, Entry{kTri, 24576, 0.5f},
                      Entry{kSaw, 0, 1.0f}, Entry{kSaw, 32768, 0.0f},
                      Entry{kSaw, 65535, -0.999969482421875f}, Entry{kSquare, 0, 1.0f},
                      Entry{kSquare, 32767, 1.0f}, Entry{kSquare, 32768, -1.0f},
                      Entry{kSquare, 65535, -1.0f}, Entry{kMixed, 0, 0.0f}, Entry{kMixed, 16384, 1.0f},
                      Entry{kMixed, 32768, -1.0f}, Entry{kMixed, 65535, -1.0f}));

TEST(WaveTables, ShapesOverTheWholePeriod) {
    auto fx = makeProbe();
    const float* sine = fx->waveTables[kSine];
    const float* tri = fx->waveTables[kTri];
    const float* saw = fx->waveTables[kSaw];
    const float* mixed = fx->waveTables[kMixed];
    for (int n = 0; n < 65536; ++n) {
        ASSERT_NEAR(sine[n], std::sin(2.0 * M_PI * n / 65536.0), 1e-6) << n;
        const double t = n <= 16384 ? n / 16384.0 : n <= 32768 ? (32768 - n) / 16384.0 : -(n <= 49152 ? (n - 32768) / 16384.0 : (65536 - n) / 16384.0);
        ASSERT_EQ(tri[n], static_cast<float>(t)) << n;
        ASSERT_EQ(saw[n], static_cast<float>(1.0 - n / 32768.0)) << n;
        ASSERT_EQ(mixed[n], n < 32768 ? sine[n] : -1.0f) << n;
    }
    // The single-precision angle leaves sine[32768] a tiny negative value.
    EXPECT_LT(sine[32768], 0.0f);
    EXPECT_NEAR(sine[32768], -8.7e-8, 0.05e-8);
}

TEST(OutputWindows, EntriesOfTheSmallestWindow) {
    auto fx = makeProbe();
    const float* w = fx->outWindow[0];
    EXPECT_EQ(w[128], 1.0f);
    EXPECT_NEAR(w[0], 0.00014827, 5e-9);
    EXPECT_NEAR(w[1], 0.00059298, 5e-9);
    EXPECT_EQ(w[1], w[255]);
    EXPECT_NEAR(w[127], 0.99985170, 5e-9);
    EXPECT_EQ(w[127], w[129]);
    for (int m = 1; m < 256; ++m) EXPECT_GT(w[m], w[0]) << m;
}

TEST(OutputWindows, EveryRowIsARaisedCosineSymmetricAboutItsMiddle) {
    auto fx = makeProbe();
    for (int k = 0; k < 3; ++k) {
        const int n = fx->frameSize[k];
        const int h = n / 2;
        const float* w = fx->outWindow[k];
        EXPECT_EQ(w[h], 1.0f) << k;
        for (int m = 1; m < n; ++m) {
            ASSERT_EQ(w[m], w[n - m]) << "row " << k << " entry " << m;
            ASSERT_NEAR(w[m], 0.5 + 0.5 * std::cos(M_PI * (m - h) / (h + 1.0)), 2e-7) << k << " " << m;
            ASSERT_GT(w[m], 0.0f);
        }
        EXPECT_GT(w[0], 0.0f) << "the window never reaches zero";
    }
    EXPECT_EQ(fx->outWindow[2][1], fx->outWindow[2][1023]);
}

}  // namespace
