// trellisor-render with the Trellisor plug-in built in this tree.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "RenderTestSupport.h"

namespace {

#ifdef TRELLISOR_PLUGIN
const char* const kTrellisor = TRELLISOR_PLUGIN;
#else
const char* const kTrellisor = nullptr;
#endif

class TrellisorRender : public RenderTest {
protected:
    void SetUp() override {
        if (kTrellisor == nullptr) GTEST_SKIP() << "the Trellisor plug-in target is not part of this build";
        ASSERT_TRUE(std::filesystem::exists(kTrellisor)) << "plug-in missing: " << kTrellisor;
        RenderTest::SetUp();
    }
};

// Index of the first sample louder than `level`, or the length.
size_t onset(const std::vector<float>& samples, float level) {
    for (size_t i = 0; i < samples.size(); ++i)
        if (std::fabs(samples[i]) > level) return i;
    return samples.size();
}

TEST_F(TrellisorRender, ToneBurstLinesUpWithTheInput) {
    // A 1 kHz burst starting at sample k of three seconds of silence. The
    // plug-in works in frames of 256 samples and answers 1024 samples late;
    // compensated, the burst starts within a frame of k.
    const size_t k = 30011, length = 8820;
    std::vector<float> in(3 * 44100, 0.0f);
    std::vector<float> burst = sine(length, 1000.0, 44100.0, 0.5f);
    std::copy(burst.begin(), burst.end(), in.begin() + static_cast<long>(k));
    writeAudio(path("in.wav"), 44100, 1, in);

    RenderRun run = render(withPlugin(kTrellisor, {"in.wav", "out.wav"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Audio out = readAudio(path("out.wav"));
    ASSERT_EQ(out.channels, 2);
    ASSERT_EQ(out.frames(), in.size());
    const size_t start = onset(out.channel(0), 1e-3f);
    EXPECT_GE(start + 256, k);
    EXPECT_LE(start, k + 256);
    EXPECT_EQ(out.channel(0), out.channel(1));
    // The sound is where the burst was, and silence well after it.
    EXPECT_GT(rms(out.channel(0), k + 512, k + length - 512), 0.05);
    EXPECT_LT(rms(out.channel(0), k + length + 1024, in.size()), 1e-4);

    run = render(withPlugin(kTrellisor, {"--no-latency-compensation", "in.wav", "raw.wav"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Audio raw = readAudio(path("raw.wav"));
    ASSERT_EQ(raw.frames(), in.size());
    const size_t rawStart = onset(raw.channel(0), 1e-3f);
    EXPECT_GE(rawStart + 256, k + 1024);
    EXPECT_LE(rawStart, k + 1024 + 256);
}

class TrellisorBlockInvariance : public TrellisorRender,
                                 public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(TrellisorBlockInvariance, BlockSizeDoesNotChangeASingleSample) {
    std::vector<std::vector<float>> outputs;
    for (const char* block : {"64", "512", "4096"}) {
        std::vector<std::string> args = {"--quiet", "--block", block};
        for (const std::string& set : GetParam()) args.insert(args.end(), {"--set", set});
        std::string name = std::string("out-") + block + ".wav";
        args.push_back(name);  // the built-in demo as input
        RenderRun run = render(withPlugin(kTrellisor, args));
        ASSERT_EQ(run.exitCode, 0) << run.err;
        Audio out = readAudio(path(name));
        ASSERT_EQ(out.frames(), 8u * 44100u);
        outputs.push_back(out.samples);
    }
    EXPECT_GT(rms(outputs[0]), 1e-3) << "the plug-in produced silence";
    EXPECT_TRUE(outputs[0] == outputs[1]) << "--block 64 and --block 512 differ";
    EXPECT_TRUE(outputs[1] == outputs[2]) << "--block 512 and --block 4096 differ";
}

INSTANTIATE_TEST_SUITE_P(Settings, TrellisorBlockInvariance,
                         ::testing::Values(std::vector<std::string>{},
                                           std::vector<std::string>{"regen=0.6", "type=0.5"},
                                           std::vector<std::string>{"fft size=1", "keepfreqs=1", "win type=1"},
                                           std::vector<std::string>{"FFT Size=0.5", "thresh=1", "freqnudge=0.8"}));

TEST_F(TrellisorRender, ListParamsShowsTheEffectsTexts) {
    RenderRun run = render(withPlugin(kTrellisor, {"--list-params", "--set", "  Regen  =0.5"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* row : {
             "    0  \"FreqNudge\"               \"   dB   \"    0.500000  \"0.500000\"",
             "    1  \"  Regen  \"               \" percent\"    0.500000  \"0.500000\"",
             "    2  \"  Type   \"               \"  TYPE  \"    0.000000  \"Sine\"",
             "    3  \"keepfreqs\"               \"  on/off\"    0.000000  \"0.000000\"",
             "    4  \"FFT Size \"               \" POINTS \"    0.000000  \"0.000000\"",
             "    5  \" Thresh  \"               \" Thresh \"    0.850000  \"0.850000\"",
             "    7  \"  Regen  \"               \"\"            0.000000  \"\"",
         }) {
        EXPECT_NE(run.out.find(row), std::string::npos) << row << "\n" << run.out;
    }
    EXPECT_EQ(lines(run.out), 10u) << run.out;  // heading and nine parameters
}

TEST_F(TrellisorRender, DefaultPluginIsTheOneBuiltBesideTheProgram) {
    RenderRun run = render({"--info"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* expected : {"Trellisor.so\n", "vendor:         Kestova Software, Halvoren",
                                 "product:        Trellisor VST", "vendor version: 104",
                                 "unique id:      'KSV0' (1263752752, 0x4B535630)", "inputs:         2",
                                 "outputs:        2", "latency:        1024 samples"}) {
        EXPECT_NE(run.out.find(expected), std::string::npos) << expected << "\n" << run.out;
    }
}

}  // namespace
