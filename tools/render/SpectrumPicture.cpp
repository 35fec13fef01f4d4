#include "SpectrumPicture.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>

#include "BitmapFont.h"
#include "Fft.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr int kLeft = 64;
constexpr int kTitleHeight = 30;
constexpr int kAxisHeight = 26;
constexpr int kLegendGap = 16;
constexpr int kLegendWidth = 14;
constexpr int kRight = 60;
constexpr int kTop = 6;
constexpr Rgb kBackground{24, 24, 28};
constexpr Rgb kInk{230, 230, 230};
constexpr Rgb kDim{150, 150, 150};

std::string formatNumber(double value) {
    char buffer[32];
    if (std::fabs(value - std::round(value)) < 1e-9) {
        std::snprintf(buffer, sizeof buffer, "%.0f", value);
    } else {
        std::snprintf(buffer, sizeof buffer, "%.1f", value);
    }
    return buffer;
}

std::string hzLabel(double hz) {
    if (hz >= 1000.0) return formatNumber(hz / 1000.0) + "k";
    return formatNumber(hz);
}

// The level in dB of each FFT bin for a Hann window centred on `centre`.
void analyse(const std::vector<float>& samples, long centre, const Fft& fft,
             const std::vector<double>& window, double windowSum, std::vector<double>& levels) {
    const long size = static_cast<long>(fft.size());
    std::vector<std::complex<double>> data(fft.size());
    for (long i = 0; i < size; ++i) {
        long at = centre - size / 2 + i;
        double v = at >= 0 && at < static_cast<long>(samples.size()) ? samples[static_cast<size_t>(at)] : 0.0;
        data[static_cast<size_t>(i)] = {v * window[static_cast<size_t>(i)], 0.0};
    }
    fft.forward(data);
    for (size_t k = 0; k <= fft.size() / 2; ++k) {
        double magnitude = std::abs(data[k]) * 2.0 / windowSum;
        levels[k] = 20.0 * std::log10(std::max(magnitude, 1e-12));
    }
}

}  // namespace

Rgb Spectrogram::colour(double db) {
    struct Stop {
        double at;
        double r, g, b;
    };
    static const Stop kStops[] = {
        {0.00, 0, 0, 4}, {0.25, 60, 15, 110}, {0.50, 180, 40, 90},
        {0.75, 250, 140, 20}, {1.00, 252, 252, 190},
    };
    double t = std::clamp((db - kFloorDb) / -kFloorDb, 0.0, 1.0);
    size_t i = 0;
    while (i + 2 < std::size(kStops) && t > kStops[i + 1].at) ++i;
    const Stop& a = kStops[i];
    const Stop& b = kStops[i + 1];
    double u = (t - a.at) / (b.at - a.at);
    auto mix = [u](double x, double y) { return static_cast<uint8_t>(std::lround(x + (y - x) * u)); };
    return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

int Spectrogram::plotLeft() { return kLeft; }

int Spectrogram::plotTop(size_t panel) {
    return kTop + static_cast<int>(panel) * (kTitleHeight + kPlotHeight + kAxisHeight) + kTitleHeight;
}

double Spectrogram::lowHz(double sampleRate) { return std::min(kLowHz, sampleRate / 20.0); }

int Spectrogram::rowOf(double hz, double sampleRate) {
    const double low = lowHz(sampleRate), high = sampleRate / 2.0;
    return static_cast<int>(std::lround(kPlotHeight * (1.0 - std::log(hz / low) / std::log(high / low))));
}

int Spectrogram::columnOf(double seconds, double duration) {
    return static_cast<int>(std::lround(seconds / duration * kPlotWidth));
}

Image Spectrogram::draw(const std::vector<Panel>& panels, double sampleRate) {
    const int panelHeight = kTitleHeight + kPlotHeight + kAxisHeight;
    const int width = kLeft + kPlotWidth + kLegendGap + kLegendWidth + kRight;
    const int height = kTop + panelHeight * static_cast<int>(panels.size()) + 4;
    Image image(width, height, kBackground);

    size_t longest = 1;
    for (const Panel& panel : panels) longest = std::max(longest, panel.samples->size());
    const double duration = static_cast<double>(longest) / sampleRate;
    const double highHz = sampleRate / 2.0;
    const double low = lowHz(sampleRate);
    const double binHz = sampleRate / kFftSize;

    Fft fft(kFftSize);
    std::vector<double> window(kFftSize);
    double windowSum = 0.0;
    for (int i = 0; i < kFftSize; ++i) {
        window[static_cast<size_t>(i)] = 0.5 - 0.5 * std::cos(2.0 * kPi * i / kFftSize);
        windowSum += window[static_cast<size_t>(i)];
    }
    // Frequency at the edge between rows (row y spans edges y and y + 1).
    auto rowFrequency = [&](double y) {
        return low * std::pow(highHz / low, (kPlotHeight - y) / kPlotHeight);
    };
    std::vector<double> levels(kFftSize / 2 + 1);

    // Time axis step: the smallest of 0.1, 0.2, 0.5, 1, 2, 5 ... s giving at most 12 ticks.
    double step = 0.1;
    for (int i = 0; duration / step > 12.0; ++i) step *= (i % 3 == 1) ? 2.5 : 2.0;

    for (size_t p = 0; p < panels.size(); ++p) {
        const Panel& panel = panels[p];
        const int plotTop = Spectrogram::plotTop(p);
        const int top = plotTop - kTitleHeight;
        int titleScale = BitmapFont::width(panel.title, 2) <= kPlotWidth + kRight ? 2 : 1;
        image.text(kLeft, top + 6, panel.title, kInk, titleScale);

        for (int x = 0; x < kPlotWidth; ++x) {
            long centre = std::lround((x + 0.5) / kPlotWidth * duration * sampleRate);
            analyse(*panel.samples, centre, fft, window, windowSum, levels);
            for (int y = 0; y < kPlotHeight; ++y) {
                double fTop = rowFrequency(y), fBottom = rowFrequency(y + 1);
                long k0 = static_cast<long>(std::ceil(fBottom / binHz));
                long k1 = static_cast<long>(std::floor(fTop / binHz));
                double db;
                if (k1 >= k0) {
                    db = kFloorDb * 2.0;
                    for (long k = k0; k <= std::min<long>(k1, kFftSize / 2); ++k)
                        db = std::max(db, levels[static_cast<size_t>(k)]);
                } else {
                    double position = rowFrequency(y + 0.5) / binHz;
                    long k = std::min<long>(static_cast<long>(position), kFftSize / 2 - 1);
                    double u = position - static_cast<double>(k);
                    db = levels[static_cast<size_t>(k)] * (1.0 - u) + levels[static_cast<size_t>(k + 1)] * u;
                }
                image.set(kLeft + x, plotTop + y, colour(db));
            }
        }

        // Frequency axis: ticks at 1, 2 and 5 times powers of ten.
        image.text(kLeft - 30, plotTop - 10, "Hz", kDim);
        for (double decade = 10.0; decade < highHz; decade *= 10.0) {
            for (double m : {1.0, 2.0, 5.0}) {
                double hz = decade * m;
                if (hz < low || hz > highHz) continue;
                int y = plotTop + rowOf(hz, sampleRate);
                image.fill(kLeft - 4, y, 4, 1, kInk);
                std::string label = hzLabel(hz);
                image.text(kLeft - 6 - BitmapFont::width(label), y - 3, label, kInk);
            }
        }
        // Time axis.
        const int axisY = plotTop + kPlotHeight;
        for (double t = 0.0; t <= duration + 1e-9; t += step) {
            int x = kLeft + columnOf(t, duration);
            image.fill(x, axisY, 1, 4, kInk);
            std::string label = formatNumber(t);
            image.text(x - BitmapFont::width(label) / 2, axisY + 6, label, kInk);
        }
        image.text(kLeft + kPlotWidth - BitmapFont::width("time (s)"), axisY + 16, "time (s)", kDim);

        // Colour legend beside the plot.
        const int legendX = kLeft + kPlotWidth + kLegendGap;
        for (int y = 0; y < kPlotHeight; ++y) {
            double db = kFloorDb * static_cast<double>(y) / (kPlotHeight - 1);
            image.fill(legendX, plotTop + y, kLegendWidth, 1, colour(db));
        }
        for (double db = 0.0; db >= kFloorDb; db -= 20.0) {
            int y = plotTop + static_cast<int>(std::lround(db / kFloorDb * (kPlotHeight - 1)));
            image.fill(legendX + kLegendWidth, y, 3, 1, kInk);
            image.text(legendX + kLegendWidth + 5, y - 3, formatNumber(db), kInk);
        }
        image.text(legendX, plotTop - 10, "dB", kDim);
    }
    return image;
}
