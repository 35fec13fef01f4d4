// The spectrogram picture's analysis and axes, checked on its pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "Fft.h"
#include "SpectrumPicture.h"

namespace {

constexpr double kPi = 3.141592653589793;

TEST(Fft, MatchesTheDirectTransform) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    for (size_t size : {2u, 4u, 16u, 128u, 1024u}) {
        std::vector<std::complex<double>> data(size);
        for (auto& v : data) v = {value(random), value(random)};
        std::vector<std::complex<double>> direct(size);
        for (size_t k = 0; k < size; ++k)
            for (size_t n = 0; n < size; ++n)
                direct[k] += data[n] * std::polar(1.0, -2.0 * kPi * static_cast<double>(k * n % size) / static_cast<double>(size));
        Fft(size).forward(data);
        for (size_t k = 0; k < size; ++k)
            ASSERT_LT(std::abs(data[k] - direct[k]), 1e-9 * static_cast<double>(size)) << "size " << size << " bin " << k;
    }
}

// Brightness of a pixel, to find the loudest row.
int brightness(Rgb c) { return c.r + c.g + c.b; }

TEST(Spectrogram, ToneAppearsAtItsFrequencyRowAndOnlyWhileItSounds) {
    // One second at 44100 Hz: silence, then a 1 kHz tone at -6 dBFS from
    // 0.5 s on. The output panel is silent throughout.
    const double rate = 44100.0;
    std::vector<float> input(44100, 0.0f), silent(44100, 0.0f);
    for (size_t i = 22050; i < input.size(); ++i)
        input[i] = 0.5f * static_cast<float>(std::sin(2.0 * kPi * 1000.0 * static_cast<double>(i) / rate));
    Image picture = Spectrogram::draw({{"in", &input}, {"out", &silent}}, rate);

    const int left = Spectrogram::plotLeft();
    const int top = Spectrogram::plotTop(0);
    const int toneColumn = left + Spectrogram::columnOf(0.75, 1.0);
    int loudest = 0;
    for (int y = 1; y < Spectrogram::kPlotHeight; ++y)
        if (brightness(picture.get(toneColumn, top + y)) > brightness(picture.get(toneColumn, top + loudest))) loudest = y;
    EXPECT_NEAR(loudest, Spectrogram::rowOf(1000.0, rate), 2);
    // A full-scale sine is 0 dB, so this one is about -6 dB.
    Rgb expected = Spectrogram::colour(-6.0), got = picture.get(toneColumn, top + loudest);
    EXPECT_NEAR(brightness(got), brightness(expected), 30);

    // Before the tone (well outside the analysis window) the plot is at the floor.
    const int quietColumn = left + Spectrogram::columnOf(0.2, 1.0);
    const Rgb floor = Spectrogram::colour(Spectrogram::kFloorDb);
    for (int y = 0; y < Spectrogram::kPlotHeight; ++y) {
        Rgb c = picture.get(quietColumn, top + y);
        ASSERT_EQ(brightness(c), brightness(floor)) << "row " << y;
    }
    // The silent panel is at the floor where the input's tone sounds.
    const int outTop = Spectrogram::plotTop(1);
    EXPECT_EQ(brightness(picture.get(toneColumn, outTop + Spectrogram::rowOf(1000.0, rate))), brightness(floor));
}

TEST(Spectrogram, ColourMapRisesWithLevel) {
    int previous = -1;
    for (double db = Spectrogram::kFloorDb; db <= 0.0; db += 5.0) {
        int b = brightness(Spectrogram::colour(db));
        EXPECT_GT(b, previous) << db << " dB";
        previous = b;
    }
    EXPECT_EQ(brightness(Spectrogram::colour(20.0)), brightness(Spectrogram::colour(0.0)));
}

}  // namespace
