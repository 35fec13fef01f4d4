#include "SignalFeatures.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace features {

double toneAmplitude(const std::vector<float>& x, size_t from, size_t length, double hz) {
    length = std::min(length, x.size() > from ? x.size() - from : 0);
    if (length < 2) return 0.0;
    // The tone's phasor and the window's phasor advance by rotation; in double
    // precision the drift over a few hundred thousand samples is negligible.
    const double w = 2.0 * std::numbers::pi * hz / kRate;
    const double v = 2.0 * std::numbers::pi / static_cast<double>(length);
    const std::complex<double> toneStep(std::cos(w), -std::sin(w));
    const std::complex<double> windowStep(std::cos(v), std::sin(v));
    std::complex<double> tone(1.0, 0.0), window(1.0, 0.0), sum(0.0, 0.0);
    double windowSum = 0.0;
    for (size_t n = 0; n < length; ++n) {
        const double hann = 0.5 - 0.5 * window.real();
        sum += (hann * static_cast<double>(x[from + n])) * tone;
        windowSum += hann;
        tone *= toneStep;
        window *= windowStep;
    }
    return 2.0 * std::abs(sum) / windowSum;
}

namespace {

// Golden-section search for the maximum of toneAmplitude in [lo, hi].
Tone refine(const std::vector<float>& x, size_t from, size_t length, double lo, double hi) {
    const double g = (std::sqrt(5.0) - 1.0) / 2.0;
    double a = lo, b = hi;
    double c = b - g * (b - a), d = a + g * (b - a);
    double fc = toneAmplitude(x, from, length, c), fd = toneAmplitude(x, from, length, d);
    while (b - a > 1e-3) {
        if (fc > fd) {
            b = d, d = c, fd = fc;
            c = b - g * (b - a);
            fc = toneAmplitude(x, from, length, c);
        } else {
            a = c, c = d, fc = fd;
            d = a + g * (b - a);
            fd = toneAmplitude(x, from, length, d);
        }
    }
    const double hz = (a + b) / 2.0;
    return {hz, toneAmplitude(x, from, length, hz)};
}

}  // namespace

Tone strongestTone(const std::vector<float>& x, size_t from, size_t length, double loHz, double hiHz) {
    // Coarse: a 4096-sample stretch has a main lobe of about +-21 Hz, so a
    // 4 Hz grid cannot step over a peak.
    const size_t shortLength = std::min<size_t>(length, 4096);
    const double lobe = 2.0 * kRate / static_cast<double>(shortLength);
    double bestHz = loHz, best = -1.0;
    for (double hz = loHz; hz <= hiHz; hz += 4.0) {
        const double a = toneAmplitude(x, from, shortLength, hz);
        if (a > best) best = a, bestHz = hz;
    }
    Tone coarse = refine(x, from, shortLength, std::max(loHz, bestHz - 4.0), std::min(hiHz, bestHz + 4.0));
    // Fine: the whole stretch, inside the coarse main lobe.
    const double fineLobe = std::min(lobe, 2.0 * kRate / static_cast<double>(length)) / 2.0;
    return refine(x, from, length, coarse.hz - fineLobe, coarse.hz + fineLobe);
}

double rms(const std::vector<float>& x, size_t from, size_t to) {
    to = std::min(to, x.size());
    if (to <= from) return 0.0;
    double sum = 0.0;
    for (size_t i = from; i < to; ++i) sum += static_cast<double>(x[i]) * x[i];
    return std::sqrt(sum / static_cast<double>(to - from));
}

size_t onset(const std::vector<float>& x, float level, size_t from) {
    for (size_t i = from; i < x.size(); ++i)
        if (std::fabs(x[i]) > level) return i;
    return x.size();
}

std::vector<double> toneEnvelope(const std::vector<float>& x, double hz, size_t span) {
    std::vector<double> envelope;
    if (x.size() < span || span == 0) return envelope;
    const double w = 2.0 * std::numbers::pi * hz / kRate;
    std::vector<std::complex<double>> shifted(x.size());
    for (size_t n = 0; n < x.size(); ++n)
        shifted[n] = static_cast<double>(x[n]) * std::polar(1.0, -w * static_cast<double>(n));
    std::complex<double> sum(0.0, 0.0);
    for (size_t n = 0; n < span; ++n) sum += shifted[n];
    envelope.reserve(x.size() - span + 1);
    for (size_t n = 0;; ++n) {
        envelope.push_back(2.0 * std::abs(sum) / static_cast<double>(span));
        if (n + span >= x.size()) break;
        sum += shifted[n + span] - shifted[n];
    }
    return envelope;
}

std::vector<size_t> dips(const std::vector<double>& envelope, double level, size_t from, size_t to) {
    std::vector<size_t> found;
    to = std::min(to, envelope.size());
    size_t i = from;
    // A dip already in progress at `from` is incomplete; skip it.
    while (i < to && envelope[i] < level) ++i;
    while (i < to) {
        if (envelope[i] >= level) {
            ++i;
            continue;
        }
        size_t deepest = i;
        while (i < to && envelope[i] < level) {
            if (envelope[i] < envelope[deepest]) deepest = i;
            ++i;
        }
        if (i < to) found.push_back(deepest);  // only dips that end inside the range
    }
    return found;
}

}  // namespace features
