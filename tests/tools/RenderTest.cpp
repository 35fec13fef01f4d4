// trellisor-render end to end: the built program on small generated files.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "RenderRun.h"
#include "RenderTestSupport.h"

namespace {

constexpr size_t kFixtureDelay = 1000;

// ---------------------------------------------------------------------------
// Length, alignment and latency compensation, against a plug-in that delays
// by exactly 1000 samples.

class RenderBlockSizes : public RenderTest, public ::testing::WithParamInterface<int> {};

TEST_P(RenderBlockSizes, CompensatedOutputEqualsStereoInputSampleForSample) {
    const size_t frames = 10007;
    std::vector<float> left = noise(frames, 1), right = noise(frames, 2), interleaved;
    for (size_t i = 0; i < frames; ++i) interleaved.insert(interleaved.end(), {left[i], right[i]});
    writeAudio(path("in.wav"), 48000, 2, interleaved);

    RenderRun run = render(withPlugin(fixture("delay"), {"--block", std::to_string(GetParam()), "in.wav", "out.wav"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Audio out = readAudio(path("out.wav"));
    ASSERT_EQ(out.channels, 2);
    EXPECT_EQ(out.rate, 48000);
    ASSERT_EQ(out.frames(), frames);
    for (size_t i = 0; i < frames; ++i) {
        ASSERT_EQ(out.at(i, 0), left[i]) << "frame " << i;
        ASSERT_EQ(out.at(i, 1), right[i]) << "frame " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Blocks, RenderBlockSizes, ::testing::Values(1, 64, 999, 1000, 4096, 20000));

TEST_F(RenderTest, RawStreamKeepsThePluginDelay) {
    const size_t frames = 5000;
    std::vector<float> in = noise(frames, 3);
    writeAudio(path("in.wav"), 44100, 1, in);
    RenderRun run = render(withPlugin(fixture("delay"), {"--no-latency-compensation", "in.wav", "out.wav"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Audio out = readAudio(path("out.wav"));
    ASSERT_EQ(out.frames(), frames);
    for (size_t i = 0; i < frames; ++i) {
        float expected = i < kFixtureDelay ? 0.0f : in[i - kFixtureDelay];
        ASSERT_EQ(out.at(i, 0), expected) << "frame " << i;
        ASSERT_EQ(out.at(i, 1), expected) << "frame " << i;  // mono feeds both inputs
    }
}

TEST_F(RenderTest, TailRendersPastTheEndOfTheInput) {
    const size_t frames = 3000;
    std::vector<float> in = noise(frames, 4);
    writeAudio(path("in.wav"), 8000, 1, in);
    // 0.25 s at 8000 Hz: 2000 more frames. Without compensation they carry
    // the last 1000 input samples and then silence.
    RenderRun run = render(withPlugin(fixture("delay"), {"--no-latency-compensation", "--tail", "0.25", "in.wav", "out.wav"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Audio raw = readAudio(path("out.wav"));
    ASSERT_EQ(raw.frames(), frames + 2000);
    for (size_t i = kFixtureDelay; i < frames + kFixtureDelay; ++i) ASSERT_EQ(raw.at(i, 0), in[i - kFixtureDelay]);
    for (size_t i = frames + kFixtureDelay; i < raw.frames(); ++i) ASSERT_EQ(raw.at(i, 0), 0.0f);

    run = render(withPlugin(fixture("delay"), {"--tail", "0.25", "in.wav", "out.wav"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Audio compensated = readAudio(path("out.wav"));
    ASSERT_EQ(compensated.frames(), frames + 2000);
    for (size_t i = 0; i < frames; ++i) ASSERT_EQ(compensated.at(i, 1), in[i]);
    for (size_t i = frames; i < compensated.frames(); ++i) ASSERT_EQ(compensated.at(i, 1), 0.0f);
}

TEST_F(RenderTest, EntryPointFallsBackToMainMacho) {
    std::vector<float> in = noise(2500, 5);
    writeAudio(path("in.wav"), 44100, 1, in);
    RenderRun run = render(withPlugin(fixture("macho"), {"--info"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("entry point:    main_macho\n"), std::string::npos) << run.out;
    run = render(withPlugin(fixture("macho"), {"in.wav", "out.wav"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Audio out = readAudio(path("out.wav"));
    ASSERT_EQ(out.frames(), in.size());
    for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(out.at(i, 0), in[i]);
}

// ---------------------------------------------------------------------------
// Parameters.

class RenderParameterNames : public RenderTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(RenderParameterNames, SetReachesThePluginBeforeProcessing) {
    std::vector<float> in = noise(3000, 6);
    writeAudio(path("in.wav"), 44100, 1, in);
    // Gain 0.25 halves the signal, which is exact in floating point.
    RenderRun run = render(withPlugin(fixture("delay"), {"--set", GetParam(), "in.wav", "out.wav"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Audio out = readAudio(path("out.wav"));
    ASSERT_EQ(out.frames(), in.size());
    for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(out.at(i, 0), in[i] * 0.5f) << "frame " << i;
}

INSTANTIATE_TEST_SUITE_P(Forms, RenderParameterNames,
                         ::testing::Values("gain=0.25", "  GAIN  =0.25", "Gain = 0.25", "0=0.25", "gain=2.5e-1"));

TEST_F(RenderTest, ListParamsShowsThePluginsOwnTexts) {
    RenderRun run = render(withPlugin(fixture("delay"), {"--list-params", "--block", "64", "--set", "gain=0.25"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("\"  Gain  \""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\" x2 \""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("0.250000  \"0.500\""), std::string::npos) << run.out;  // value set, display after it
    EXPECT_NE(run.out.find("\"Echo\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"0%\""), std::string::npos) << run.out;
    // The plug-in asks the host for rate and block size while writing this text.
    EXPECT_NE(run.out.find("\"44100/64\""), std::string::npos) << run.out;
    EXPECT_EQ(lines(run.out), 4u) << run.out;  // heading and three parameters
}

TEST_F(RenderTest, InfoDecodesTheRecord) {
    RenderRun run = render(withPlugin(fixture("delay"), {"--info"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* expected : {"entry point:    VSTPluginMain\n", "vendor:         Fixture Works", "product:        Delay Fixture",
                                 "vendor version: 7", "unique id:      'RfDl' (1382433900, 0x5266446C)",
                                 "inputs:         2", "outputs:        2", "latency:        1000 samples",
                                 "flags:          0x10 (CanReplacing)"}) {
        EXPECT_NE(run.out.find(expected), std::string::npos) << expected << "\n" << run.out;
    }
}

TEST_F(RenderTest, VerboseShowsAutomationSentByThePlugin) {
    writeAudio(path("in.wav"), 44100, 1, noise(100, 7));
    RenderRun run = render(withPlugin(fixture("delay"), {"--verbose", "--set", "echo=0.5", "in.wav", "out.wav"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("audioMasterAutomate index 1 value 0 opt 0.5"), std::string::npos) << run.err;
    run = render(withPlugin(fixture("delay"), {"--set", "echo=0.5", "in.wav", "out.wav"}));
    EXPECT_EQ(run.err.find("audioMasterAutomate"), std::string::npos) << run.err;
}

// ---------------------------------------------------------------------------
// Errors: one line on stderr naming the problem, a non-zero exit, no output.

struct ErrorCase {
    const char* name;
    std::vector<std::string> args;
    int exitCode;
    const char* message;
};

class RenderErrors : public RenderTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(RenderErrors, FailsWithOneLineAndNoOutput) {
    std::vector<float> three(300, 0.1f);
    writeAudio(path("in.wav"), 44100, 1, noise(100, 8));
    writeAudio(path("three.wav"), 44100, 3, three);
    std::ofstream(path("text.wav")) << "this is not audio\n";
    std::ofstream(path("notelf.so")) << "this is not a shared object\n";
    std::vector<std::string> args;
    for (const std::string& arg : GetParam().args) {
        if (arg.rfind("@", 0) == 0) args.push_back(fixture(arg.substr(1)));
        else args.push_back(arg);
    }
    const std::vector<std::string> before = entries();
    RenderRun run = render(args);
    EXPECT_EQ(run.exitCode, GetParam().exitCode) << run.err;
    EXPECT_EQ(lines(run.err), 1u) << run.err;
    EXPECT_EQ(run.err.rfind("trellisor-render: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(GetParam().message), std::string::npos) << run.err;
    EXPECT_EQ(entries(), before) << "files appeared or vanished";
}

const ErrorCase kErrorCases[] = {
    {"MissingInput", {"--plugin", "@delay", "missing.wav", "out.wav"}, 3, "cannot read input missing.wav: No such file"},
    {"UnreadableInput", {"--plugin", "@delay", "text.wav", "out.wav"}, 3, "cannot read input text.wav"},
    {"ThreeChannels", {"--plugin", "@delay", "three.wav", "out.wav"}, 3, "has 3 channels"},
    {"OutputExtension", {"--plugin", "@delay", "in.wav", "out.mp3"}, 2, "unsupported output extension .mp3"},
    {"NoOutputExtension", {"--plugin", "@delay", "in.wav", "out"}, 2, "unsupported output extension (none)"},
    {"PluginMissing", {"--plugin", "./nothing.so", "in.wav", "out.wav"}, 4, "cannot load plug-in ./nothing.so: ./nothing.so: cannot open shared object file"},
    {"PluginNotElf", {"--plugin", "notelf.so", "in.wav", "out.wav"}, 4, "cannot load plug-in notelf.so: ./notelf.so: "},
    {"NoEntryPoint", {"--plugin", "@no_entry", "in.wav", "out.wav"}, 4, "has no entry point (VSTPluginMain, main_macho or main)"},
    {"NullEntry", {"--plugin", "@null_entry", "in.wav", "out.wav"}, 4, "entry point returned no effect"},
    {"BadMagic", {"--plugin", "@bad_magic", "in.wav", "out.wav"}, 4, "wrong magic 0x12345678"},
    {"UnknownParameter", {"--plugin", "@delay", "--set", "nope=0.5", "in.wav", "out.wav"}, 2, "unknown parameter 'nope'; valid names: Gain, Echo, HostRate"},
    {"IndexOutOfRange", {"--plugin", "@delay", "--set", "3=0.5", "in.wav", "out.wav"}, 2, "parameter index out of range 0 to 2"},
    {"ValueAboveOne", {"--plugin", "@delay", "--set", "gain=1.5", "in.wav", "out.wav"}, 2, "outside 0 to 1"},
    {"ValueBelowZero", {"--plugin", "@delay", "--set", "gain=-0.1", "in.wav", "out.wav"}, 2, "outside 0 to 1"},
    {"ValueNotNumber", {"--plugin", "@delay", "--set", "gain=loud", "in.wav", "out.wav"}, 2, "value 'loud' is not a number"},
    {"ValueNaN", {"--plugin", "@delay", "--set", "gain=nan", "in.wav", "out.wav"}, 2, "is not a number"},
    {"SetWithoutValue", {"--plugin", "@delay", "--set", "gain", "in.wav", "out.wav"}, 2, "expected NAME=VALUE"},
    {"UnknownOption", {"--frobnicate", "in.wav", "out.wav"}, 2, "--frobnicate"},
    {"BlockZero", {"--plugin", "@delay", "--block", "0", "in.wav", "out.wav"}, 2, "--block"},
    {"NoOutputFile", {"--plugin", "@delay"}, 2, "no output file given"},
    {"TooManyFiles", {"--plugin", "@delay", "in.wav", "out.wav", "more.wav"}, 2, "more.wav"},
    {"SpectrogramNotPng", {"--plugin", "@delay", "--spectrogram", "s.jpg", "in.wav", "out.wav"}, 2, "must be a .png file"},
    {"SpectrogramFolderMissing", {"--plugin", "@delay", "--spectrogram", "no/such/s.png", "in.wav", "out.wav"}, 5, "cannot create a file in no/such/"},
};

INSTANTIATE_TEST_SUITE_P(Cases, RenderErrors, ::testing::ValuesIn(kErrorCases),
                         [](const ::testing::TestParamInfo<ErrorCase>& info) { return info.param.name; });

// An existing output is replaced only by a complete file.
struct KeepCase {
    const char* name;
    std::vector<std::string> extra;
    long fileSizeLimit;
    int exitCode;
    const char* message;
};

class RenderKeepsOutput : public RenderTest, public ::testing::WithParamInterface<KeepCase> {};

TEST_P(RenderKeepsOutput, ExistingOutputIsUntouchedOnError) {
    // Ten seconds of stereo float: about 3.5 MB of output.
    writeAudio(path("in.wav"), 44100, 2, noise(2 * 441000, 9));
    const std::string precious = "an earlier render that must survive\n";
    std::ofstream(path("out.wav")) << precious;
    std::vector<std::string> args = withPlugin(fixture("delay"), GetParam().extra);
    args.insert(args.end(), {"in.wav", "out.wav"});
    RenderRun run = render(args, GetParam().fileSizeLimit);
    EXPECT_EQ(run.exitCode, GetParam().exitCode) << run.err;
    EXPECT_NE(run.err.find(GetParam().message), std::string::npos) << run.err;
    EXPECT_EQ(slurp(path("out.wav")), precious);
    EXPECT_EQ(entries(), (std::vector<std::string>{"in.wav", "out.wav"})) << "temporary file left behind";
}

const KeepCase kKeepCases[] = {
    {"UnknownParameter", {"--set", "nope=1"}, 0, 2, "unknown parameter"},
    {"WriteFailsHalfway", {}, 1 << 20, 5, "cannot write output out.wav"},
};

INSTANTIATE_TEST_SUITE_P(Cases, RenderKeepsOutput, ::testing::ValuesIn(kKeepCases),
                         [](const ::testing::TestParamInfo<KeepCase>& info) { return info.param.name; });

TEST_F(RenderTest, PluginCrashLeavesNoTemporaryFilesBehind) {
    writeAudio(path("in.wav"), 44100, 1, noise(44100, 15));
    const std::string precious = "an earlier render\n";
    std::ofstream(path("out.wav")) << precious;
    RenderRun run = render(withPlugin(fixture("crash"), {"--spectrogram", "s.png", "in.wav", "out.wav"}));
    EXPECT_EQ(run.exitCode, 128 + SIGSEGV) << run.err;
    EXPECT_EQ(slurp(path("out.wav")), precious);
    EXPECT_EQ(entries(), (std::vector<std::string>{"in.wav", "out.wav"})) << "temporary file left behind";
}

TEST_F(RenderTest, SuccessfulRenderReplacesTheOutputKeepingItsMode) {
    writeAudio(path("in.wav"), 44100, 1, noise(1000, 10));
    std::ofstream(path("out.wav")) << "old";
    chmod(path("out.wav").c_str(), 0640);
    RenderRun run = render(withPlugin(fixture("delay"), {"in.wav", "out.wav"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(readAudio(path("out.wav")).frames(), 1000u);
    struct stat status;
    ASSERT_EQ(stat(path("out.wav").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    EXPECT_EQ(entries(), (std::vector<std::string>{"in.wav", "out.wav"}));
}

// ---------------------------------------------------------------------------
// Output formats follow the extension.

struct FormatCase {
    const char* extension;
    int format;
    double tolerance;  // largest sample error; negative: lossy, length only
};

class RenderFormats : public RenderTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(RenderFormats, ExtensionChoosesTheFormat) {
    std::vector<float> in = noise(4000, 11);
    writeAudio(path("in.flac"), 22050, 1, in, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    Audio source = readAudio(path("in.flac"));
    ASSERT_EQ(source.frames(), in.size());
    std::string name = std::string("out.") + GetParam().extension;
    RenderRun run = render(withPlugin(fixture("delay"), {"in.flac", name}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Audio out = readAudio(path(name));
    ASSERT_EQ(out.channels, 2);
    EXPECT_EQ(out.rate, 22050);
    EXPECT_EQ(out.format, GetParam().format);
    ASSERT_EQ(out.frames(), in.size());
    if (GetParam().tolerance < 0.0) return;
    for (size_t i = 0; i < in.size(); ++i) ASSERT_NEAR(out.at(i, 0), source.at(i, 0), GetParam().tolerance);
}

INSTANTIATE_TEST_SUITE_P(Extensions, RenderFormats,
                         ::testing::Values(FormatCase{"wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0.0},
                                           FormatCase{"WAV", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0.0},
                                           FormatCase{"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 1.5e-7},
                                           FormatCase{"aiff", SF_FORMAT_AIFF | SF_FORMAT_FLOAT, 0.0},
                                           FormatCase{"ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, -1.0}),
                         [](const ::testing::TestParamInfo<FormatCase>& info) {
                             return std::string(info.param.extension) + (info.index == 1 ? "Upper" : "");
                         });

// ---------------------------------------------------------------------------
// The built-in demo, the picture and the progress report.

TEST_F(RenderTest, DemoSignalIsRenderedWithoutInputAndIsDeterministic) {
    RenderRun run = render(withPlugin(fixture("delay"), {"--save-input", "demo-in.wav", "demo-out.wav"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Audio in = readAudio(path("demo-in.wav"));
    ASSERT_EQ(in.channels, 1);
    EXPECT_EQ(in.rate, 44100);
    ASSERT_EQ(in.frames(), 8u * 44100u);
    float peak = 0.0f;
    for (float v : in.samples) peak = std::max(peak, std::fabs(v));
    EXPECT_NEAR(20.0 * std::log10(peak), -3.0, 0.01);
    // Every second of the demo has sound in it.
    for (size_t second = 0; second < 8; ++second) {
        double energy = 0.0;
        for (size_t i = second * 44100; i < (second + 1) * 44100; ++i) energy += in.samples[i] * in.samples[i];
        EXPECT_GT(energy / 44100.0, 1e-5) << "second " << second;
    }
    Audio out = readAudio(path("demo-out.wav"));
    ASSERT_EQ(out.frames(), in.frames());
    for (size_t i = 0; i < in.frames(); ++i) ASSERT_EQ(out.at(i, 1), in.samples[i]);

    const std::string first = slurp(path("demo-in.wav"));
    run = render(withPlugin(fixture("delay"), {"--save-input", "demo-in.wav", "demo-out.wav"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(slurp(path("demo-in.wav")) == first) << "the demo differs between runs";
}

TEST_F(RenderTest, SpectrogramIsAPngWithTwoPanels) {
    writeAudio(path("in.wav"), 44100, 1, noise(44100, 12));
    RenderRun run = render(withPlugin(fixture("delay"), {"--spectrogram", "s.png", "--set", "gain=0", "in.wav", "out.wav"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string png = slurp(path("s.png"));
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    auto word = [&](size_t at) {
        return (static_cast<uint32_t>(static_cast<unsigned char>(png[at])) << 24) |
               (static_cast<uint32_t>(static_cast<unsigned char>(png[at + 1])) << 16) |
               (static_cast<uint32_t>(static_cast<unsigned char>(png[at + 2])) << 8) |
               static_cast<uint32_t>(static_cast<unsigned char>(png[at + 3]));
    };
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_GT(word(16), 900u);       // the plot is 900 pixels wide, plus axes and legend
    EXPECT_GT(word(20), 2u * 260u);  // two plots of 260 pixels, one above the other
    EXPECT_EQ(entries(), (std::vector<std::string>{"in.wav", "out.wav", "s.png"}));
}

TEST_F(RenderTest, SummaryWithoutTerminalAndQuiet) {
    writeAudio(path("in.wav"), 44100, 1, noise(22050, 13));
    RenderRun run = render(withPlugin(fixture("delay"), {"in.wav", "out.wav"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(lines(run.err), 1u) << run.err;
    EXPECT_NE(run.err.find("rendered 0.50 s"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("x real time"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("dBFS"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('%'), std::string::npos) << "progress bar without a terminal: " << run.err;

    run = render(withPlugin(fixture("delay"), {"--quiet", "in.wav", "out.wav"}));
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
}

TEST_F(RenderTest, ProgressBarOnATerminal) {
    writeAudio(path("in.wav"), 44100, 1, noise(44100, 14));
    RenderRun run = RenderRun::runOnTerminal(withPlugin(fixture("delay"), {"in.wav", "out.wav"}), folder_);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("100.0%"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("elapsed"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("remaining"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("rendered 1.00 s"), std::string::npos) << run.err;

    run = RenderRun::runOnTerminal(withPlugin(fixture("delay"), {"--quiet", "in.wav", "out.wav"}), folder_);
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
}

TEST_F(RenderTest, HelpShowsEveryOptionAndAnExample) {
    RenderRun run = render({"--help"});
    ASSERT_EQ(run.exitCode, 0);
    for (const char* option : {"--plugin", "--set", "--list-params", "--info", "--block", "--no-latency-compensation",
                               "--tail", "--spectrogram", "--save-input", "--quiet", "--verbose",
                               "trellisor-render demo-out.wav"}) {
        EXPECT_NE(run.out.find(option), std::string::npos) << option;
    }
}

}  // namespace
