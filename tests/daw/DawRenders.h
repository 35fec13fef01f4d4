// Renders of generated signals through the built Trellisor.so, once inside a
// headless Ardour session (the ardour-render tool) and once with
// trellisor-render, for a few fixed configurations.
//
// An Ardour render takes tens of seconds, so each configuration is rendered
// once and kept in the build tree together with a stamp of everything that
// went into it (plug-in, tools, input samples, settings); later test
// processes reuse the files while the stamp still matches.
#pragma once

#include <string>
#include <vector>

namespace daw {

constexpr int kRate = 44100;

// The shared input: silence, then from kToneStart a steady cosine of
// amplitude 0.5 at 10 bins of 256 (1722.65625 Hz), up to 3 s.
constexpr size_t kInputLength = 3 * 44100;
constexpr size_t kToneStart = 30011;
constexpr double kToneHz = 10.0 * 44100.0 / 256.0;
constexpr float kToneAmplitude = 0.5f;

// Where the Regen automation of the "automation" configuration steps from
// 0.0 to 1.0.
constexpr double kRegenStepSeconds = 1.75;

struct Config {
    std::string name;
    std::vector<std::string> set;  // INDEX=VALUE, normalised, for both renders
    std::string automation;        // ardour-render --auto, empty for none
};

// The configurations: "defaults", "tracking" (FFT Size 1.0, Regen 1.0,
// keepfreqs on), "window" (Win Type on), "automation" (Regen 0.0 -> 1.0).
const std::vector<Config>& configs();
const Config& config(const std::string& name);

struct Stereo {
    int rate = 0;
    std::vector<float> left, right;
    size_t frames() const { return left.size(); }
};

struct Render {
    bool ok = false;
    std::string problem;  // why not ok: exit status and the end of the logs
    std::vector<float> input;
    Stereo ardour;
    Stereo renderer;  // empty for configurations with automation
};

// Empty when Ardour, sox and the render tool are all there; otherwise what
// is missing (the DAW tests skip, saying so).
std::string missingTools();

// The renders of a configuration, made now or taken from the build tree.
const Render& render(const Config& config);

}  // namespace daw
