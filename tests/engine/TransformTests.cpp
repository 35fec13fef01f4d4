// The complex FFT and the fixed-bin magnitude analysis against a plain
// double-precision DFT, and their edge cases.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "EngineProbe.h"

namespace {

using cd = std::complex<double>;

std::vector<cd> dft(const std::vector<cd>& x, int sign) {
    const size_t n = x.size();
    std::vector<cd> X(n);
    for (size_t k = 0; k < n; ++k) {
        cd sum = 0.0;
        for (size_t t = 0; t < n; ++t) {
            const double a = sign * 2.0 * M_PI * static_cast<double>((k * t) % n) / static_cast<double>(n);
            sum += x[t] * cd(std::cos(a), std::sin(a));
        }
        X[k] = sum;
    }
    return X;
}

std::vector<float> randomSignal(size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    std::vector<float> x(n);
    for (float& v : x) v = d(gen);
    return x;
}

struct SizeCase {
    int sizeIndex;
    int n;
};

class SmsFftBySize : public ::testing::TestWithParam<SizeCase> {
protected:
    void SetUp() override {
        fx = makeProbe();
        fx->sizeIndex = GetParam().sizeIndex;
    }
    std::unique_ptr<EngineProbe> fx;
};

TEST_P(SmsFftBySize, MatchesDftInBothDirections) {
    const int n = GetParam().n;
    const std::vector<float> re = randomSignal(n, 11), im = randomSignal(n, 12);
    std::vector<cd> x(n);
    for (int i = 0; i < n; ++i) x[i] = cd(re[i], im[i]);
    for (int sign : {-1, 1}) {
        float* b = fx->fftBuffer;
        for (int i = 0; i < n; ++i) {
            b[2 * i] = re[i];
            b[2 * i + 1] = im[i];
        }
        fx->smsFft(b, sign);
        const std::vector<cd> X = dft(x, sign);
        // Single-precision rounding grows with sqrt(N) * log2(N); values are ~sqrt(N).
        const double tol = 2e-4 * std::sqrt(static_cast<double>(n)) * std::log2(n);
        for (int k = 0; k < n; ++k) {
            ASSERT_NEAR(b[2 * k], X[k].real(), tol) << "sign " << sign << " bin " << k;
            ASSERT_NEAR(b[2 * k + 1], X[k].imag(), tol) << "sign " << sign << " bin " << k;
        }
    }
}

TEST_P(SmsFftBySize, ImpulseConstantToneAndRoundTrip) {
    const int n = GetParam().n;
    float* b = fx->fftBuffer;
    for (int sign : {-1, 1}) {
        for (int i = 0; i < 2 * n; ++i) b[i] = 0.0f;
        b[0] = 1.0f;
        fx->smsFft(b, sign);
        for (int k = 0; k < n; ++k) {
            ASSERT_EQ(b[2 * k], 1.0f) << k;
            ASSERT_EQ(b[2 * k + 1], 0.0f) << k;
        }
    }

    for (int i = 0; i < n; ++i) {
        b[2 * i] = 1.0f;
        b[2 * i + 1] = 0.0f;
    }
    fx->smsFft(b, -1);
    EXPECT_EQ(b[0], static_cast<float>(n));
    EXPECT_EQ(b[1], 0.0f);
    for (int k = 1; k < n; ++k) {
        ASSERT_NEAR(b[2 * k], 0.0, 1e-3) << k;
        ASSERT_NEAR(b[2 * k + 1], 0.0, 1e-3) << k;
    }

    for (int sign : {-1, 1}) {
        for (int i = 0; i < n; ++i) {
            const double a = 2.0 * M_PI * 3.0 * i / n;
            b[2 * i] = static_cast<float>(std::cos(a));
            b[2 * i + 1] = static_cast<float>(std::sin(a));
        }
        fx->smsFft(b, sign);
        const int peak = sign < 0 ? 3 : n - 3;
        for (int k = 0; k < n; ++k) {
            const double mag = std::hypot(b[2 * k], b[2 * k + 1]);
            ASSERT_NEAR(mag, k == peak ? n : 0.0, 5e-3 * std::log2(n)) << "sign " << sign << " bin " << k;
        }
    }

    const std::vector<float> x = randomSignal(2 * n, 5);
    for (int i = 0; i < 2 * n; ++i) b[i] = x[i];
    fx->smsFft(b, -1);
    fx->smsFft(b, 1);
    for (int i = 0; i < 2 * n; ++i) ASSERT_NEAR(b[i], n * x[i], 2e-4 * n) << i;
}

TEST_P(SmsFftBySize, LengthFollowsTheSizeInForce) {
    const int n = GetParam().n;
    float* b = fx->fftBuffer;
    for (int i = 0; i < 2048; ++i) b[i] = 7.0f;
    fx->smsFft(b, -1);
    EXPECT_EQ(b[0], 7.0f * n);
    for (int i = 2 * n; i < 2048; ++i) ASSERT_EQ(b[i], 7.0f) << "float " << i << " beyond the frame";
}

class FftMagBySize : public SmsFftBySize {};

TEST_P(FftMagBySize, SpectrumAndMagnitudesMatchDft) {
    const int n = GetParam().n;
    const std::vector<float> in = randomSignal(n, 21);
    std::vector<cd> x(in.begin(), in.end());
    const std::vector<cd> X = dft(x, -1);
    float mags[512];
    for (float& m : mags) m = -5.0f;
    fx->fftMag(in.data(), mags);
    const double tol = 2e-4 * std::sqrt(static_cast<double>(n)) * std::log2(n);
    for (int k = 0; k < n; ++k) {
        ASSERT_NEAR(fx->fftReal[k], X[k].real(), tol) << k;
        ASSERT_NEAR(fx->fftImag[k], X[k].imag(), tol) << k;
    }
    EXPECT_NEAR(mags[0], std::abs(X[0]) / n, 1e-5);
    for (int k = 1; k < n / 2; ++k) ASSERT_NEAR(mags[k], 2.0 * std::abs(X[k]) / n, 1e-5) << k;
    for (int k = n / 2; k < 512; ++k) ASSERT_EQ(mags[k], -5.0f) << "entry " << k << " written";
}

TEST_P(FftMagBySize, EdgeCases) {
    const int n = GetParam().n;
    std::vector<float> in(n);
    float mags[512];

    fx->fftMag(in.data(), mags);
    for (int k = 0; k < n / 2; ++k) ASSERT_EQ(mags[k], 0.0f) << "zeros, bin " << k;

    std::fill(in.begin(), in.end(), 0.25f);
    fx->fftMag(in.data(), mags);
    EXPECT_EQ(mags[0], 0.25f);
    for (int k = 1; k < n / 2; ++k) ASSERT_NEAR(mags[k], 0.0, 1e-6) << "constant, bin " << k;

    for (int i = 0; i < n; ++i) in[i] = static_cast<float>(0.5 * std::cos(2.0 * M_PI * 10.0 * i / n));
    fx->fftMag(in.data(), mags);
    EXPECT_NEAR(mags[10], 0.5, 1e-6);
    for (int k = 0; k < n / 2; ++k) {
        if (k != 10) {
            ASSERT_NEAR(mags[k], 0.0, 1e-6) << "cosine, bin " << k;
        }
    }

    for (int i = 0; i < n; ++i) in[i] = static_cast<float>(std::sin(2.0 * M_PI * 10.5 * i / n));
    fx->fftMag(in.data(), mags);
    EXPECT_NEAR(mags[10], 0.65, 0.01);
    EXPECT_NEAR(mags[11], 0.62, 0.01);
    EXPECT_NEAR(mags[9], 0.23, 0.01);
    EXPECT_NEAR(mags[12], 0.20, 0.01);

    for (int i = 0; i < n; ++i) in[i] = (i % 2 == 0) ? 0.8f : -0.8f;
    fx->fftMag(in.data(), mags);
    for (int k = 0; k < n / 2; ++k) ASSERT_NEAR(mags[k], 0.0, 1e-6) << "Nyquist, bin " << k;
}

const auto kSizes = ::testing::Values(SizeCase{0, 256}, SizeCase{1, 512}, SizeCase{2, 1024});
INSTANTIATE_TEST_SUITE_P(Sizes, SmsFftBySize, kSizes);
INSTANTIATE_TEST_SUITE_P(Sizes, FftMagBySize, kSizes);

}  // namespace
