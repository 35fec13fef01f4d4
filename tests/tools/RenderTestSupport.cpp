#include "RenderTestSupport.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

std::vector<float> Audio::channel(int c) const {
    std::vector<float> out(frames());
    for (size_t i = 0; i < out.size(); ++i) out[i] = at(i, c);
    return out;
}

void writeAudio(const std::string& path, int rate, int channels, const std::vector<float>& interleaved, int format) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    const sf_count_t frames = static_cast<sf_count_t>(interleaved.size() / static_cast<size_t>(channels));
    EXPECT_EQ(sf_writef_float(file, interleaved.data(), frames), frames);
    sf_close(file);
}

Audio readAudio(const std::string& path) {
    Audio audio;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) return audio;
    audio.rate = info.samplerate;
    audio.channels = info.channels;
    audio.format = info.format;
    audio.samples.resize(static_cast<size_t>(info.frames * info.channels));
    sf_count_t got = sf_readf_float(file, audio.samples.data(), info.frames);
    audio.samples.resize(static_cast<size_t>(got * info.channels));
    sf_close(file);
    return audio;
}

std::vector<float> noise(size_t count, uint32_t seed, float amplitude) {
    std::vector<float> out(count);
    for (float& v : out) {
        seed = seed * 1664525u + 1013904223u;
        v = amplitude * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
    }
    return out;
}

std::vector<float> sine(size_t count, double hz, double rate, float amplitude) {
    std::vector<float> out(count);
    for (size_t i = 0; i < count; ++i)
        out[i] = amplitude * static_cast<float>(std::sin(2.0 * 3.141592653589793 * hz * static_cast<double>(i) / rate));
    return out;
}

double rms(const std::vector<float>& samples, size_t from, size_t to) {
    to = std::min(to, samples.size());
    if (to <= from) return 0.0;
    double sum = 0.0;
    for (size_t i = from; i < to; ++i) sum += static_cast<double>(samples[i]) * samples[i];
    return std::sqrt(sum / static_cast<double>(to - from));
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

size_t lines(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

std::string fixture(const std::string& kind) {
    std::string path = std::string(RENDER_FIXTURES) + "/render_fixture_" + kind + ".so";
    EXPECT_TRUE(fs::exists(path)) << "fixture plug-in missing: " << path;
    return path;
}

std::vector<std::string> withPlugin(const std::string& plugin, std::vector<std::string> args) {
    args.insert(args.begin(), {"--plugin", plugin});
    return args;
}

void RenderTest::SetUp() {
    char name[] = "/tmp/render-test-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    folder_ = name;
}

void RenderTest::TearDown() { fs::remove_all(folder_); }

std::vector<std::string> RenderTest::entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
