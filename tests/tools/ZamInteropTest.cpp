// trellisor-render with VST 2 plug-ins written by others: Debian's
// zam-plugins, where installed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "RenderTestSupport.h"

namespace {

const std::string kZamFolder = "/usr/lib/vst/";

class ZamInterop : public RenderTest {
protected:
    std::string plugin(const std::string& name) {
        std::string path = kZamFolder + name + "-vst.so";
        if (!std::filesystem::exists(path)) {
            skipped_ = true;
            return {};
        }
        return path;
    }
    bool skipped_ = false;
};

#define REQUIRE_ZAM(variable, name)                                                        \
    const std::string variable = plugin(name);                                             \
    if (skipped_) GTEST_SKIP() << kZamFolder << name << "-vst.so absent: zam-plugins not " \
                                                        "installed (apt-get install zam-plugins)"

TEST_F(ZamInterop, InfoAndParametersOfZamEq2) {
    REQUIRE_ZAM(eq, "ZamEQ2");
    RenderRun run = render(withPlugin(eq, {"--info"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("product:        ZamEQ2"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("inputs:         1"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("outputs:        1"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("CanReplacing"), std::string::npos) << run.out;

    run = render(withPlugin(eq, {"--list-params", "--set", "master gain=0.75"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("\"Master Gain\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("0.750000  \"6.0"), std::string::npos) << run.out;
}

TEST_F(ZamInterop, MasterGainOfZamEq2ScalesTheOutput) {
    REQUIRE_ZAM(eq, "ZamEQ2");
    std::vector<float> in = sine(44100, 1000.0, 44100.0, 0.25f);
    writeAudio(path("in.wav"), 44100, 1, in);
    const double inputLevel = rms(in, 4410);

    // 0.5 is 0 dB (the filters are flat by default), 0.75 is +6 dB.
    struct Case {
        const char* value;
        double gain;
    };
    for (const Case& c : {Case{"0.5", 1.0}, Case{"0.75", std::pow(10.0, 6.0 / 20.0)}}) {
        RenderRun run = render(withPlugin(eq, {"--set", std::string("Master Gain=") + c.value, "in.wav", "out.wav"}));
        ASSERT_EQ(run.exitCode, 0) << run.err;
        Audio out = readAudio(path("out.wav"));
        ASSERT_EQ(out.channels, 1);
        ASSERT_EQ(out.frames(), in.size());
        EXPECT_NEAR(rms(out.samples, 4410) / inputLevel, c.gain, 0.02 * c.gain) << "master gain " << c.value;
    }
}

TEST_F(ZamInterop, StereoInputThroughZamCompWithOneOutput) {
    REQUIRE_ZAM(comp, "ZamComp");
    std::vector<float> left = sine(22050, 440.0, 44100.0, 0.1f), interleaved;
    for (float v : left) interleaved.insert(interleaved.end(), {v, 0.0f});
    writeAudio(path("in.wav"), 44100, 2, interleaved);
    RenderRun run = render(withPlugin(comp, {"--info"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("inputs:         2"), std::string::npos) << run.out;

    // Threshold 1.0 is 0 dB: a quiet tone passes uncompressed.
    run = render(withPlugin(comp, {"--set", "threshold=1", "in.wav", "out.wav"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Audio out = readAudio(path("out.wav"));
    ASSERT_EQ(out.channels, 1);
    ASSERT_EQ(out.frames(), left.size());
    EXPECT_NEAR(rms(out.samples, 4410) / rms(left, 4410), 1.0, 0.05);
}

}  // namespace
