// Shared pieces of the renderer's end-to-end tests: audio files written and
// read through libsndfile, deterministic test signals, and a fixture with a
// fresh temporary folder in which the program runs.
#pragma once

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdint>
#include <string>
#include <vector>

#include "RenderRun.h"

struct Audio {
    int rate = 0;
    int channels = 0;
    int format = 0;
    std::vector<float> samples;  // interleaved
    size_t frames() const { return channels > 0 ? samples.size() / static_cast<size_t>(channels) : 0; }
    float at(size_t frame, int channel) const {
        return samples[frame * static_cast<size_t>(channels) + static_cast<size_t>(channel)];
    }
    // One channel as its own vector.
    std::vector<float> channel(int c) const;
};

// Writes interleaved samples; fails the calling test when it cannot.
void writeAudio(const std::string& path, int rate, int channels, const std::vector<float>& interleaved,
                int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT);
// An empty Audio (no channels) when the file cannot be read.
Audio readAudio(const std::string& path);
// Uniform noise from a fixed seed.
std::vector<float> noise(size_t count, uint32_t seed, float amplitude = 0.5f);
std::vector<float> sine(size_t count, double hz, double rate, float amplitude);
double rms(const std::vector<float>& samples, size_t from = 0, size_t to = SIZE_MAX);
std::string slurp(const std::string& path);
size_t lines(const std::string& text);
// A fixture plug-in built beside the tests; a missing one fails the test.
std::string fixture(const std::string& kind);
std::vector<std::string> withPlugin(const std::string& plugin, std::vector<std::string> args);

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string path(const std::string& name) const { return folder_ + "/" + name; }
    std::vector<std::string> entries() const;
    RenderRun render(const std::vector<std::string>& args, long fileSizeLimit = 0) const {
        return RenderRun::run(args, folder_, fileSizeLimit);
    }
    std::string folder_;
};
