#include "DemoSignal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr double kTwoPi = 6.283185307179586;

// xorshift32: a fixed, platform-independent noise sequence.
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed) {}
    double next() {  // uniform in [-1, 1)
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<double>(state_) / 2147483648.0 - 1.0;
    }

private:
    uint32_t state_;
};

// Raised-cosine fade in over `in` seconds and out over `out` seconds within [0, length].
double fade(double t, double length, double in, double out) {
    if (t < 0.0 || t > length) return 0.0;
    double g = 1.0;
    if (t < in) g *= 0.5 - 0.5 * std::cos(kTwoPi * 0.5 * t / in);
    if (t > length - out) g *= 0.5 - 0.5 * std::cos(kTwoPi * 0.5 * (length - t) / out);
    return g;
}

void addGlide(std::vector<double>& out, double start, double length) {
    const double rate = DemoSignal::kSampleRate;
    double phase = 0.0;
    size_t first = static_cast<size_t>(start * rate);
    size_t count = static_cast<size_t>(length * rate);
    for (size_t i = 0; i < count && first + i < out.size(); ++i) {
        double t = static_cast<double>(i) / rate;
        // Up two octaves over the first 60 %, back down over the rest.
        double shape = t < 0.6 * length ? t / (0.6 * length) : (length - t) / (0.4 * length);
        double f0 = 110.0 * std::pow(4.0, shape);
        phase += kTwoPi * f0 / rate;
        double sum = 0.0;
        for (int k = 1; k <= 10; ++k) {
            if (f0 * k > 0.45 * rate) break;
            sum += std::sin(phase * k) / k;
        }
        out[first + i] += 0.35 * fade(t, length, 0.05, 0.15) * sum;
    }
}

void addChord(std::vector<double>& out, double start, double length) {
    const double rate = DemoSignal::kSampleRate;
    const double notes[] = {220.0, 261.6255653, 329.6275569, 391.9954360};  // A3 C4 E4 G4
    size_t first = static_cast<size_t>(start * rate);
    size_t count = static_cast<size_t>(length * rate);
    double phases[4] = {0.0, 0.7, 1.9, 3.1};
    for (size_t i = 0; i < count && first + i < out.size(); ++i) {
        double t = static_cast<double>(i) / rate;
        double vibrato = 1.0 + 0.006 * std::sin(kTwoPi * 5.5 * t) * std::min(1.0, t / 0.8);
        double sum = 0.0;
        for (int n = 0; n < 4; ++n) {
            phases[n] += kTwoPi * notes[n] * vibrato / rate;
            for (int k = 1; k <= 4; ++k) sum += std::sin(phases[n] * k) / (k * k);
        }
        out[first + i] += 0.16 * fade(t, length, 0.25, 0.4) * sum;
    }
}

void addNoiseBurst(std::vector<double>& out, double start, double length, Noise& noise) {
    const double rate = DemoSignal::kSampleRate;
    size_t first = static_cast<size_t>(start * rate);
    size_t count = static_cast<size_t>(length * rate);
    // Two-pole resonator sweeping its centre from 600 Hz to 5 kHz.
    double y1 = 0.0, y2 = 0.0;
    for (size_t i = 0; i < count && first + i < out.size(); ++i) {
        double t = static_cast<double>(i) / rate;
        double centre = 600.0 * std::pow(5000.0 / 600.0, t / length);
        double r = 0.985;
        double a1 = 2.0 * r * std::cos(kTwoPi * centre / rate);
        double a2 = -r * r;
        double y = noise.next() * (1.0 - r) * 2.0 + a1 * y1 + a2 * y2;
        y2 = y1;
        y1 = y;
        out[first + i] += 1.6 * fade(t, length, 0.5, 0.6) * y;
    }
}

void addKick(std::vector<double>& out, double start, Noise& noise) {
    const double rate = DemoSignal::kSampleRate;
    size_t first = static_cast<size_t>(start * rate);
    double phase = 0.0;
    for (size_t i = 0; i < static_cast<size_t>(0.4 * rate) && first + i < out.size(); ++i) {
        double t = static_cast<double>(i) / rate;
        double f = 45.0 + 110.0 * std::exp(-t / 0.03);
        phase += kTwoPi * f / rate;
        double body = std::sin(phase) * std::exp(-t / 0.12);
        double click = t < 0.004 ? noise.next() * (1.0 - t / 0.004) : 0.0;
        out[first + i] += 0.8 * body + 0.3 * click;
    }
}

void addSnare(std::vector<double>& out, double start, Noise& noise) {
    const double rate = DemoSignal::kSampleRate;
    size_t first = static_cast<size_t>(start * rate);
    double phase = 0.0;
    for (size_t i = 0; i < static_cast<size_t>(0.3 * rate) && first + i < out.size(); ++i) {
        double t = static_cast<double>(i) / rate;
        phase += kTwoPi * 190.0 / rate;
        double tone = std::sin(phase) * std::exp(-t / 0.04);
        double rattle = noise.next() * std::exp(-t / 0.07);
        out[first + i] += 0.35 * tone + 0.4 * rattle;
    }
}

}  // namespace

AudioData DemoSignal::make() {
    std::vector<double> mix(static_cast<size_t>(kSeconds * kSampleRate), 0.0);
    Noise noise(0x5EED1234u);
    addGlide(mix, 0.0, 2.4);
    addChord(mix, 2.4, 2.6);
    addNoiseBurst(mix, 5.0, 1.4, noise);
    for (double hit : {6.45, 6.95, 7.2}) addKick(mix, hit, noise);
    addSnare(mix, 7.45, noise);
    addKick(mix, 7.7, noise);

    // Peak at -3 dBFS.
    double peak = 0.0;
    for (double v : mix) peak = std::max(peak, std::fabs(v));
    double gain = peak > 0.0 ? 0.7079457843841379 / peak : 1.0;
    AudioData audio;
    audio.sampleRate = kSampleRate;
    audio.description = "built-in demo signal";
    audio.channels.assign(1, std::vector<float>(mix.size()));
    for (size_t i = 0; i < mix.size(); ++i) audio.channels[0][i] = static_cast<float>(mix[i] * gain);
    return audio;
}
