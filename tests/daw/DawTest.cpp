// Trellisor inside a real DAW: headless Ardour 7 runs the built plug-in on a
// stereo track, exports the result, and the export is held against
// trellisor-render on the same input and settings. Ardour runs the plug-in
// while its transport is stopped, so its frames fall elsewhere than the
// renderer's: the checks compare what the renders sound like (frequency,
// level, timing within a frame, envelope), not samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>

#include "DawRenders.h"
#include "SignalFeatures.h"

namespace {

using features::Tone;

class DawTest : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef DAW_SANITIZED
        GTEST_SKIP() << "Ardour's scanner cannot load a sanitizer-instrumented Trellisor.so";
#endif
        const std::string missing = daw::missingTools();
        if (!missing.empty()) GTEST_SKIP() << "DAW test skipped, missing: " << missing;
    }
    // The caller asserts `ok` and shows `problem` when a render failed.
    static const daw::Render& renders(const std::string& name) { return daw::render(daw::config(name)); }
};

// The steady part of the input, away from the tone's start and the file's end.
constexpr size_t kSteadyFrom = daw::kToneStart + 4096;
constexpr size_t kSteadyLength = 65536;
static_assert(kSteadyFrom + kSteadyLength + 4096 <= daw::kInputLength);

// ---------------------------------------------------------------------------
// Every configuration renders in Ardour (and with the renderer), at full
// length, with both channels identical. In CTest these tests make the renders
// that the others read.

class DawRenders : public DawTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(DawRenders, ExportHasTheInputsLengthAndTwoEqualChannels) {
    const daw::Render& r = renders(GetParam());
    ASSERT_TRUE(r.ok) << r.problem;
    const bool withRenderer = daw::config(GetParam()).automation.empty();
    for (const daw::Stereo* out : {&r.ardour, &r.renderer}) {
        if (out == &r.renderer && !withRenderer) continue;  // the renderer has no automation
        const char* who = out == &r.ardour ? "Ardour" : "trellisor-render";
        EXPECT_EQ(out->rate, daw::kRate) << who;
        ASSERT_EQ(out->frames(), daw::kInputLength) << who;
        size_t differ = 0;
        for (size_t i = 0; i < out->frames(); ++i) differ += out->left[i] != out->right[i];
        EXPECT_EQ(differ, 0u) << who << ": samples where the channels differ";
        // Something was resynthesised at all.
        EXPECT_GT(features::rms(out->left, kSteadyFrom, kSteadyFrom + kSteadyLength), 0.05) << who;
    }
}

INSTANTIATE_TEST_SUITE_P(Configurations, DawRenders,
                         ::testing::Values("defaults", "tracking", "window", "automation"),
                         [](const auto& info) { return info.param; });

// ---------------------------------------------------------------------------
// A steady on-bin tone: the same resynthesised frequency and level in Ardour
// as in the renderer, and the values the effect is built to give.

TEST_F(DawTest, DefaultsResynthesiseTheToneAtItsFrequencyAndLevel) {
    const daw::Render& r = renders("defaults");
    ASSERT_TRUE(r.ok) << r.problem;
    const Tone ardour = features::strongestTone(r.ardour.left, kSteadyFrom, kSteadyLength, 100.0, 10000.0);
    const Tone renderer = features::strongestTone(r.renderer.left, kSteadyFrom, kSteadyLength, 100.0, 10000.0);
    const double level = features::rms(r.ardour.left, kSteadyFrom, kSteadyFrom + kSteadyLength);
    std::printf("defaults: Ardour %.4f Hz amplitude %.5f rms %.5f; renderer %.4f Hz amplitude %.5f\n", ardour.hz,
                ardour.amplitude, level, renderer.hz, renderer.amplitude);

    // Only oscillator 10 sounds, a sine at the bin centre and at the input's amplitude.
    EXPECT_NEAR(ardour.hz, daw::kToneHz, 0.05);
    EXPECT_NEAR(ardour.hz, renderer.hz, 0.05);
    EXPECT_NEAR(ardour.amplitude, daw::kToneAmplitude, 0.005);
    EXPECT_NEAR(ardour.amplitude, renderer.amplitude, 0.005);
    // Nothing else sounds: the tone holds (nearly) all the power.
    EXPECT_GT(ardour.amplitude * ardour.amplitude / 2.0 / (level * level), 0.99);
}

TEST_F(DawTest, TrackingAtTheLargestFrameResynthesisesTheToneAtItsFrequencyAndLevel) {
    const daw::Render& r = renders("tracking");
    ASSERT_TRUE(r.ok) << r.problem;
    // At 1024 samples the tone is bin 40; the tracking analysis windows the
    // frame, which halves the peak and gives the two neighbour bins a quarter
    // each; all three play at their measured (here: centre) frequencies.
    const double bin = daw::kRate / 1024.0;
    struct Component {
        const char* name;
        double hz;
        double amplitude;
    };
    const Component expected[] = {
        {"bin 39", daw::kToneHz - bin, 0.125},
        {"bin 40", daw::kToneHz, 0.25},
        {"bin 41", daw::kToneHz + bin, 0.125},
    };
    for (const Component& c : expected) {
        const Tone ardour =
            features::strongestTone(r.ardour.left, kSteadyFrom, kSteadyLength, c.hz - bin / 3, c.hz + bin / 3);
        const Tone renderer =
            features::strongestTone(r.renderer.left, kSteadyFrom, kSteadyLength, c.hz - bin / 3, c.hz + bin / 3);
        std::printf("tracking %s: Ardour %.4f Hz amplitude %.5f; renderer %.4f Hz amplitude %.5f\n", c.name,
                    ardour.hz, ardour.amplitude, renderer.hz, renderer.amplitude);
        EXPECT_NEAR(ardour.hz, c.hz, 0.05) << c.name;
        EXPECT_NEAR(ardour.hz, renderer.hz, 0.05) << c.name;
        EXPECT_NEAR(ardour.amplitude, c.amplitude, 0.005) << c.name;
        EXPECT_NEAR(ardour.amplitude, renderer.amplitude, 0.005) << c.name;
    }
    // Nothing else of note: the three components hold the power.
    const double level = features::rms(r.ardour.left, kSteadyFrom, kSteadyFrom + kSteadyLength);
    const double three = (0.25 * 0.25 + 2 * 0.125 * 0.125) / 2.0;
    EXPECT_NEAR(level * level, three, 0.02 * three);
}

// ---------------------------------------------------------------------------
// Alignment: Ardour compensates the 1024 samples of latency that the plug-in
// reports, so the tone starts in the export where it starts in the input,
// within one frame of the size in force (a frame that holds the tone's start
// sounds over its whole length), and is silent before.

struct AlignmentCase {
    const char* config;
    size_t frame;
};

void PrintTo(const AlignmentCase& c, std::ostream* os) { *os << c.config << ", frames of " << c.frame; }

class DawAlignment : public DawTest, public ::testing::WithParamInterface<AlignmentCase> {};

TEST_P(DawAlignment, ToneStartsWhereItStartsInTheInput) {
    const daw::Render& r = renders(GetParam().config);
    ASSERT_TRUE(r.ok) << r.problem;
    const size_t frame = GetParam().frame;
    const size_t input = features::onset(r.input, 0.05f);
    ASSERT_EQ(input, daw::kToneStart);
    const size_t ardour = features::onset(r.ardour.left, 0.05f);
    const size_t renderer = features::onset(r.renderer.left, 0.05f);
    std::printf("%s: tone starts at %zu in the input, %zu in Ardour's export, %zu from the renderer\n",
                GetParam().config, input, ardour, renderer);
    EXPECT_LE(ardour, input + frame) << "Ardour's export starts late";
    EXPECT_GE(ardour + frame, input) << "Ardour's export starts early";
    EXPECT_LE(renderer, input + frame);
    EXPECT_GE(renderer + frame, input);
    EXPECT_LT(features::rms(r.ardour.left, 0, input - frame), 1e-6) << "sound before the tone";
}

INSTANTIATE_TEST_SUITE_P(Frames, DawAlignment,
                         ::testing::Values(AlignmentCase{"defaults", 256}, AlignmentCase{"tracking", 1024}),
                         [](const auto& info) { return std::string(info.param.config); });

// ---------------------------------------------------------------------------
// Automation: Ardour automates Regen from 0.0 to 1.0 at a known time while
// the tone plays: silence before, the tone after, switching within a frame.
// Ardour hands a plug-in the automation value of the transport position it
// is playing, while the audio it feeds the plug-in at that moment lies the
// plug-in's latency ahead (that is how the audio comes out aligned), so the
// effect hears the change, and the export switches, 1024 samples after the
// automated time: the plug-in's part is to switch within a frame of that.
// (A plug-in without latency, zam-plugins' ZamDelay, switches in the same
// session within a millisecond of the automated time.)

TEST_F(DawTest, RegenAutomationSilencesBeforeTheStepAndSoundsAfter) {
    const daw::Render& r = renders("automation");
    ASSERT_TRUE(r.ok) << r.problem;
    const size_t frame = 256, latency = 1024;
    const size_t step = static_cast<size_t>(std::lround(daw::kRegenStepSeconds * daw::kRate));
    const size_t heard = step + latency;
    const std::vector<float>& out = r.ardour.left;
    const size_t sounds = features::onset(out, 0.05f);
    std::printf("automation: Regen steps at %zu, reaching the plug-in with the audio of %zu; the output sounds from %zu\n",
                step, heard, sounds);
    EXPECT_LE(sounds, heard + frame) << "the tone comes late";
    EXPECT_GE(sounds + frame, heard) << "the tone comes before Regen rises";
    EXPECT_LT(features::rms(out, daw::kToneStart, heard - frame), 1e-6) << "Regen 0.0 lets sound through";
    const size_t after = heard + 2 * frame;
    const Tone tone = features::strongestTone(out, after, out.size() - after, 100.0, 10000.0);
    EXPECT_NEAR(tone.hz, daw::kToneHz, 0.05);
    EXPECT_NEAR(tone.amplitude, daw::kToneAmplitude, 0.005);
}

// ---------------------------------------------------------------------------
// Win Type on: every output frame is shaped by a raised cosine, so the tone's
// envelope dips nearly to zero once per frame (every 256 samples), in Ardour
// as in the renderer; without the window the envelope is flat.

TEST_F(DawTest, WinTypeModulatesTheToneAtTheFrameRate) {
    const daw::Render& window = renders("window");
    ASSERT_TRUE(window.ok) << window.problem;
    const daw::Render& plain = renders("defaults");
    ASSERT_TRUE(plain.ok) << plain.problem;
    // 64 samples hold exactly five periods of twice the tone frequency.
    const size_t span = 64;
    const size_t from = kSteadyFrom, to = kSteadyFrom + kSteadyLength;
    const double level = 0.3 * daw::kToneAmplitude;

    double depth[2] = {0.0, 0.0};
    for (const daw::Stereo* out : {&window.ardour, &window.renderer}) {
        const bool isArdour = out == &window.ardour;
        const char* who = isArdour ? "Ardour" : "trellisor-render";
        const std::vector<double> envelope = features::toneEnvelope(out->left, daw::kToneHz, span);
        const std::vector<size_t> minima = features::dips(envelope, level, from, to);
        ASSERT_GE(minima.size(), kSteadyLength / 256 - 2) << who;
        size_t worst = 0;
        for (size_t i = 1; i < minima.size(); ++i) {
            const size_t gap = minima[i] - minima[i - 1];
            worst = std::max(worst, gap > 256 ? gap - 256 : 256 - gap);
        }
        double deepest = 1.0, highest = 0.0;
        for (size_t i = from; i < to; ++i) {
            deepest = std::min(deepest, envelope[i]);
            highest = std::max(highest, envelope[i]);
        }
        std::printf("window, %s: %zu envelope minima, spacing 256 +- %zu; envelope %.4f to %.4f\n", who,
                    minima.size(), worst, deepest, highest);
        EXPECT_LE(worst, 2u) << who << ": minima not one frame apart";
        EXPECT_LT(deepest, 0.1 * daw::kToneAmplitude) << who;
        EXPECT_GT(highest, 0.8 * daw::kToneAmplitude) << who;
        depth[isArdour ? 0 : 1] = deepest / highest;
    }
    // The same window shape in both: the same depth of the dips.
    EXPECT_NEAR(depth[0], depth[1], 0.01);
    const std::vector<double> flat = features::toneEnvelope(plain.ardour.left, daw::kToneHz, span);
    EXPECT_TRUE(features::dips(flat, 0.9 * daw::kToneAmplitude, from, to).empty())
        << "the envelope dips without Win Type";
}

}  // namespace
