#include "DawRenders.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>
#include <sstream>
#include <stdexcept>

namespace daw {

namespace fs = std::filesystem;

const std::vector<Config>& configs() {
    static const std::vector<Config> all = {
        {"defaults", {}, ""},
        {"tracking", {"1=1", "3=1", "4=1"}, ""},
        {"window", {"6=1"}, ""},
        // Regen holds 0.0 up to the step and rises to 1.0 within a millisecond.
        {"automation", {}, "1:0=0," + std::to_string(kRegenStepSeconds) + "=0," +
                               std::to_string(kRegenStepSeconds + 0.001) + "=1"},
    };
    return all;
}

const Config& config(const std::string& name) {
    for (const Config& c : configs())
        if (c.name == name) return c;
    throw std::invalid_argument("no DAW render configuration " + name);
}

namespace {

bool executable(const std::string& path) { return access(path.c_str(), X_OK) == 0; }

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && executable(dir + "/" + program)) return true;
    return false;
}

std::vector<float> makeInput() {
    std::vector<float> in(kInputLength, 0.0f);
    for (size_t n = kToneStart; n < in.size(); ++n) {
        const double t = static_cast<double>(n - kToneStart);
        in[n] = static_cast<float>(kToneAmplitude * std::cos(2.0 * std::numbers::pi * kToneHz * t / kRate));
    }
    return in;
}

void writeMono(const std::string& path, const std::vector<float>& samples) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) throw std::runtime_error("cannot write " + path + ": " + sf_strerror(nullptr));
    const sf_count_t wrote = sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(file);
    if (wrote != static_cast<sf_count_t>(samples.size())) throw std::runtime_error("short write to " + path);
}

// A stereo file; an empty result (rate 0) when it cannot be read or is not stereo.
Stereo readStereo(const std::string& path) {
    Stereo out;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return out;
    if (info.channels == 2) {
        std::vector<float> interleaved(static_cast<size_t>(info.frames) * 2);
        const sf_count_t got = sf_readf_float(file, interleaved.data(), info.frames);
        out.rate = info.samplerate;
        out.left.resize(static_cast<size_t>(got));
        out.right.resize(static_cast<size_t>(got));
        for (size_t i = 0; i < static_cast<size_t>(got); ++i) {
            out.left[i] = interleaved[2 * i];
            out.right[i] = interleaved[2 * i + 1];
        }
    }
    sf_close(file);
    return out;
}

// Runs a program with stdout and stderr going to `log`; the exit status, or -1.
int run(const std::vector<std::string>& args, const std::string& log) {
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
            close(fd);
        }
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string tail(const std::string& path, size_t lines = 25) {
    std::ifstream file(path);
    std::vector<std::string> all;
    for (std::string line; std::getline(file, line);) all.push_back(line);
    std::string text;
    for (size_t i = all.size() > lines ? all.size() - lines : 0; i < all.size(); ++i) text += all[i] + "\n";
    return text;
}

std::string fileStamp(const std::string& path) {
    struct stat st{};
    if (stat(path.c_str(), &st) != 0) return path + ":absent";
    return path + ":" + std::to_string(st.st_size) + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
           std::to_string(st.st_mtim.tv_nsec);
}

uint64_t hashSamples(const std::vector<float>& samples) {
    uint64_t h = 1469598103934665603ull;
    for (float s : samples) {
        uint32_t bits;
        static_assert(sizeof bits == sizeof s);
        std::memcpy(&bits, &s, sizeof bits);
        for (int b = 0; b < 4; ++b) h = (h ^ ((bits >> (8 * b)) & 0xffu)) * 1099511628211ull;
    }
    return h;
}

std::string slurp(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

Render make(const Config& c) {
    Render r;
    r.input = makeInput();
    const std::string dir = std::string(DAW_RENDER_DIR) + "/" + c.name;
    fs::create_directories(dir);
    const std::string in = dir + "/in.wav", ardourOut = dir + "/ardour.wav", rendererOut = dir + "/renderer.wav";
    const std::string stampPath = dir + "/stamp";

    std::vector<std::string> ardourArgs = {DAW_ARDOUR_RENDER, DAW_PLUGIN, in, ardourOut};
    std::string setList;
    for (const std::string& s : c.set) setList += (setList.empty() ? "" : ",") + s;
    if (!setList.empty()) ardourArgs.insert(ardourArgs.end(), {"--set", setList});
    if (!c.automation.empty()) ardourArgs.insert(ardourArgs.end(), {"--auto", c.automation});
    ardourArgs.insert(ardourArgs.end(), {"--keep", dir + "/session"});
    std::vector<std::string> rendererArgs = {DAW_RENDERER, "--quiet", "--plugin", DAW_PLUGIN};
    for (const std::string& s : c.set) rendererArgs.insert(rendererArgs.end(), {"--set", s});
    rendererArgs.insert(rendererArgs.end(), {in, rendererOut});
    const bool withRenderer = c.automation.empty();

    std::string stamp = fileStamp(DAW_PLUGIN) + "\n" + fileStamp(DAW_ARDOUR_RENDER) + "\n" +
                        fileStamp(DAW_RENDERER) + "\ninput " + std::to_string(hashSamples(r.input)) + "\n";
    for (const std::string& a : ardourArgs) stamp += a + " ";
    stamp += "\n";
    if (withRenderer)
        for (const std::string& a : rendererArgs) stamp += a + " ";
    stamp += "\n";

    const bool cached = fs::exists(stampPath) && slurp(stampPath) == stamp && fs::exists(ardourOut) &&
                        (!withRenderer || fs::exists(rendererOut));
    if (!cached) {
        fs::remove(stampPath);
        fs::remove(ardourOut);
        fs::remove(rendererOut);
        writeMono(in, r.input);
        const int ardourStatus = run(ardourArgs, dir + "/ardour-render.log");
        if (ardourStatus != 0) {
            r.problem = "ardour-render exited with " + std::to_string(ardourStatus) + ":\n" +
                        tail(dir + "/ardour-render.log") + "--- session log:\n" + tail(dir + "/session/log.txt");
            return r;
        }
        if (withRenderer) {
            const int rendererStatus = run(rendererArgs, dir + "/renderer.log");
            if (rendererStatus != 0) {
                r.problem = "trellisor-render exited with " + std::to_string(rendererStatus) + ":\n" +
                            tail(dir + "/renderer.log");
                return r;
            }
        }
        std::ofstream(stampPath) << stamp;
    }
    r.ardour = readStereo(ardourOut);
    if (r.ardour.rate == 0) {
        r.problem = "Ardour's export " + ardourOut + " is not a readable stereo file";
        return r;
    }
    if (withRenderer) {
        r.renderer = readStereo(rendererOut);
        if (r.renderer.rate == 0) {
            r.problem = "trellisor-render's output " + rendererOut + " is not a readable stereo file";
            return r;
        }
    }
    r.ok = true;
    return r;
}

}  // namespace

std::string missingTools() {
    std::string missing;
    auto need = [&](bool present, const std::string& what) {
        if (!present) missing += (missing.empty() ? "" : ", ") + what;
    };
    need(executable(DAW_ARDOUR_RENDER), std::string("the ardour-render tool (") + DAW_ARDOUR_RENDER + ")");
    need(onPath("ardour7-lua") && onPath("ardour7-export"), "Ardour 7 (ardour7-lua, ardour7-export)");
    need(executable("/usr/lib/ardour7/ardour-vst-scanner"), "Ardour's VST scanner");
    need(onPath("sox") && onPath("soxi"), "sox");
    return missing;
}

const Render& render(const Config& c) {
    static std::map<std::string, Render> done;
    auto found = done.find(c.name);
    if (found == done.end()) found = done.emplace(c.name, make(c)).first;
    return found->second;
}

}  // namespace daw
