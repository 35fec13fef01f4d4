// trellisor-render: runs audio files (or a built-in demo signal) through a
// VST 2 plug-in offline and writes the result, optionally with a picture of
// the input's and output's spectrograms.
#include <unistd.h>
#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "AudioData.h"
#include "AudioFileReader.h"
#include "AudioFileWriter.h"
#include "DemoSignal.h"
#include "ParameterAssignment.h"
#include "ProgressMeter.h"
#include "RenderError.h"
#include "Renderer.h"
#include "SpectrumPicture.h"
#include "VstHost.h"

#ifndef TRELLISOR_DEFAULT_PLUGIN
#define TRELLISOR_DEFAULT_PLUGIN ""
#endif

namespace {

constexpr const char* kTool = "trellisor-render";
constexpr const char* kPluginFile = "Trellisor.so";

bool isFile(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::string executableFolder() {
    char buffer[4096];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return {};
    std::string path(buffer, static_cast<size_t>(length));
    return path.substr(0, path.rfind('/') + 1);
}

// Folders where Linux hosts look for VST 2 plug-ins.
std::vector<std::string> vstFolders() {
    std::vector<std::string> folders;
    for (const char* variable : {"LXVST_PATH", "VST_PATH"}) {
        const char* value = std::getenv(variable);
        if (value == nullptr) continue;
        std::string list = value;
        size_t start = 0;
        while (start <= list.size()) {
            size_t end = list.find(':', start);
            if (end == std::string::npos) end = list.size();
            if (end > start) folders.push_back(list.substr(start, end - start) + "/");
            start = end + 1;
        }
    }
    if (const char* home = std::getenv("HOME")) folders.push_back(std::string(home) + "/.vst/");
    folders.push_back("/usr/local/lib/vst/");
    folders.push_back("/usr/lib/vst/");
    return folders;
}

// The plug-in to load: --plugin as given (or, for a bare name that is no
// file here, NAME or NAME.so in the VST folders); by default the Trellisor.so
// beside this program, then the one of the build tree, then the VST folders.
std::string findPlugin(const std::string& requested) {
    if (!requested.empty()) {
        if (isFile(requested) || requested.find('/') != std::string::npos) return requested;
        for (const std::string& folder : vstFolders()) {
            for (const std::string& name : {requested, requested + ".so"})
                if (isFile(folder + name)) return folder + name;
        }
        return requested;  // dlopen reports why it is not there
    }
    std::vector<std::string> candidates = {executableFolder() + kPluginFile, TRELLISOR_DEFAULT_PLUGIN};
    for (const std::string& folder : vstFolders()) candidates.push_back(folder + kPluginFile);
    std::string looked;
    for (const std::string& candidate : candidates) {
        if (candidate.empty()) continue;
        if (isFile(candidate)) return candidate;
        looked += (looked.empty() ? "" : ", ") + candidate;
    }
    throw RenderError(kExitPlugin, std::string("no plug-in found (looked for ") + looked + "); use --plugin PATH");
}

// Texts from the plug-in, printable: control characters become '?'.
std::string printable(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 32 || c == 127) c = '?';
    return out;
}

std::string fourCharacters(int32_t id) {
    std::string out;
    for (int shift = 24; shift >= 0; shift -= 8) {
        unsigned char c = static_cast<unsigned char>((static_cast<uint32_t>(id) >> shift) & 0xFF);
        if (c >= 32 && c < 127) {
            out += static_cast<char>(c);
        } else {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
            out += buffer;
        }
    }
    return out;
}

std::string decodeFlags(int32_t flags) {
    static const std::pair<int32_t, const char*> kNames[] = {
        {effFlagsHasEditor, "HasEditor"}, {effFlagsHasClip, "HasClip"}, {effFlagsHasVu, "HasVu"},
        {effFlagsCanMono, "CanMono"}, {effFlagsCanReplacing, "CanReplacing"},
        {effFlagsProgramChunks, "ProgramChunks"}, {effFlagsIsSynth, "IsSynth"},
        {effFlagsNoSoundInStop, "NoSoundInStop"}, {effFlagsExtIsAsync, "ExtIsAsync"},
        {effFlagsExtHasBuffer, "ExtHasBuffer"},
    };
    std::string out;
    int32_t known = 0;
    for (const auto& [bit, name] : kNames) {
        known |= bit;
        if ((flags & bit) != 0) out += (out.empty() ? "" : ", ") + std::string(name);
    }
    if ((flags & ~known) != 0) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "0x%X", static_cast<unsigned>(flags & ~known));
        out += (out.empty() ? "other " : ", other ") + std::string(buffer);
    }
    return out.empty() ? "none" : out;
}

void printInfo(VstHost& host) {
    AEffect* e = host.effect();
    std::printf("plug-in:        %s\n", host.path().c_str());
    std::printf("entry point:    %s\n", host.entryName().c_str());
    std::printf("vendor:         %s\n", printable(host.vendor()).c_str());
    std::printf("product:        %s\n", printable(host.product()).c_str());
    std::printf("effect name:    %s\n", printable(host.effectName()).c_str());
    std::printf("vendor version: %ld\n", static_cast<long>(host.vendorVersion()));
    std::printf("unique id:      '%s' (%ld, 0x%08X)\n", fourCharacters(e->uniqueID).c_str(),
                static_cast<long>(e->uniqueID), static_cast<unsigned>(e->uniqueID));
    std::printf("version:        %d\n", e->version);
    std::printf("VST version:    %ld\n", static_cast<long>(host.vstVersion()));
    std::printf("inputs:         %d\n", e->numInputs);
    std::printf("outputs:        %d\n", e->numOutputs);
    std::printf("parameters:     %d\n", e->numParams);
    std::printf("programs:       %d\n", e->numPrograms);
    std::printf("latency:        %d samples\n", e->initialDelay);
    std::printf("flags:          0x%X (%s)\n", static_cast<unsigned>(e->flags), decodeFlags(e->flags).c_str());
}

void printParams(VstHost& host) {
    std::printf("%5s  %-24s  %-12s  %-8s  %s\n", "index", "name", "label", "value", "display");
    for (int32_t i = 0; i < host.numParams(); ++i) {
        std::string name = "\"" + printable(host.paramName(i)) + "\"";
        std::string label = "\"" + printable(host.paramLabel(i)) + "\"";
        std::string display = "\"" + printable(host.paramDisplay(i)) + "\"";
        std::printf("%5d  %-24s  %-12s  %-8.6f  %s\n", i, name.c_str(), label.c_str(),
                    static_cast<double>(host.getParameter(i)), display.c_str());
    }
}

std::string baseName(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

struct Options {
    std::vector<std::string> files;
    std::string plugin;
    std::vector<std::string> sets;
    bool listParams = false;
    bool info = false;
    int32_t block = 512;
    bool noLatencyCompensation = false;
    double tail = 0.0;
    std::string spectrogram;
    std::string saveInput;
    bool quiet = false;
    bool verbose = false;
};

int run(const Options& options) {
    const bool inspectOnly = options.info || options.listParams;
    std::string inputPath, outputPath;
    if (options.files.size() > 2) {
        throw RenderError(kExitUsage, "too many files (" + options.files.back() +
                                          "); usage: trellisor-render [INPUT] OUTPUT");
    }
    if (options.files.size() == 2) {
        inputPath = options.files[0];
        outputPath = options.files[1];
    } else if (options.files.size() == 1) {
        outputPath = options.files[0];
    }
    if (outputPath.empty() && !inspectOnly) {
        throw RenderError(kExitUsage, "no output file given; usage: trellisor-render [INPUT] OUTPUT (see --help)");
    }
    std::vector<ParameterAssignment> assignments;
    for (const std::string& request : options.sets) assignments.push_back(ParameterAssignment::parse(request));
    if (!inspectOnly) AudioFileWriter::formatFor(outputPath);
    if (!options.saveInput.empty()) AudioFileWriter::formatFor(options.saveInput);
    if (!options.spectrogram.empty()) {
        std::string name = baseName(options.spectrogram);
        if (name.size() < 5 || name.substr(name.size() - 4) != ".png") {
            throw RenderError(kExitUsage, "--spectrogram " + options.spectrogram + ": the picture must be a .png file");
        }
    }

    AudioData input;
    if (!inspectOnly) input = inputPath.empty() ? DemoSignal::make() : AudioFileReader::read(inputPath);

    VstHost host(findPlugin(options.plugin));
    std::vector<std::string> names;
    for (int32_t i = 0; i < host.numParams(); ++i) names.push_back(host.paramName(i));
    std::vector<std::pair<int32_t, float>> resolved;
    for (const ParameterAssignment& a : assignments) resolved.emplace_back(a.resolve(names), a.value());

    host.prepare(inspectOnly ? 44100.0 : input.sampleRate, options.block);
    for (const auto& [index, value] : resolved) host.setParameter(index, value);

    if (inspectOnly) {
        if (options.info) printInfo(host);
        if (options.info && options.listParams) std::printf("\n");
        if (options.listParams) printParams(host);
        return kExitOk;
    }
    if (host.effect()->numOutputs < 1) {
        throw RenderError(kExitPlugin, "plug-in " + host.path() + " has no audio outputs");
    }
    if (!host.canProcess()) throw RenderError(kExitPlugin, "plug-in " + host.path() + " has no process function");

    RenderSettings settings;
    settings.blockSize = options.block;
    settings.compensateLatency = !options.noLatencyCompensation;
    settings.tailSeconds = options.tail;
    settings.keepMix = !options.spectrogram.empty();

    if (!options.saveInput.empty()) {
        AudioFileWriter saved(options.saveInput, static_cast<int>(input.channels.size()), input.sampleRate);
        std::vector<float> interleaved;
        interleaved.reserve(input.frames() * input.channels.size());
        for (size_t i = 0; i < input.frames(); ++i)
            for (const auto& channel : input.channels) interleaved.push_back(channel[i]);
        saved.write(interleaved.data(), static_cast<long>(input.frames()));
        saved.commit();
    }

    AudioFileWriter writer(outputPath, host.effect()->numOutputs, input.sampleRate);
    host.resume();
    const size_t expected = Renderer::outputFrames(input.frames(), input.sampleRate, settings) +
                            (settings.compensateLatency ? static_cast<size_t>(std::max(0, host.effect()->initialDelay)) : 0);
    ProgressMeter progress(expected, input.sampleRate, !options.quiet && isatty(STDERR_FILENO));
    RenderResult result = Renderer::run(host, input, settings, writer, progress);
    progress.finish();
    host.suspend();

    if (!options.spectrogram.empty()) {
        std::vector<float> inputMix(input.frames());
        for (size_t i = 0; i < input.frames(); ++i) {
            double sum = 0.0;
            for (const auto& channel : input.channels) sum += channel[i];
            inputMix[i] = static_cast<float>(sum / static_cast<double>(input.channels.size()));
        }
        std::string settingsText;
        for (const ParameterAssignment& a : assignments) {
            char value[32];
            std::snprintf(value, sizeof value, "%g", static_cast<double>(a.value()));
            settingsText += (settingsText.empty() ? "" : ", ") + a.name() + "=" + value;
        }
        std::string product = host.product();
        if (product.empty()) product = baseName(host.path());
        std::string inputTitle = "input: " + (inputPath.empty() ? input.description : baseName(inputPath));
        std::string outputTitle = "output: " + baseName(outputPath) + " - " + product + " (" +
                                  (settingsText.empty() ? std::string("default settings") : settingsText) + ")";
        Image picture = Spectrogram::draw({{inputTitle, &inputMix}, {outputTitle, &result.mix}}, input.sampleRate);
        picture.writePng(options.spectrogram);
    }
    writer.commit();

    if (options.verbose) {
        std::fprintf(stderr, "%s: plug-in %s, entry point %s, block %d, sample rate %g\n", kTool,
                     host.path().c_str(), host.entryName().c_str(), options.block, input.sampleRate);
        const auto& messages = host.messages();
        std::fprintf(stderr, "%s: %zu host callback message(s)\n", kTool, messages.size());
        size_t shown = 0;
        for (const VstHost::Message& m : messages) {
            if (++shown > 200) {
                std::fprintf(stderr, "%s: ... %zu more\n", kTool, messages.size() - 200);
                break;
            }
            std::fprintf(stderr, "%s: %s index %d value %ld opt %g%s%s\n", kTool, VstHost::opcodeName(m.opcode).c_str(),
                         m.index, static_cast<long>(m.value), static_cast<double>(m.opt),
                         m.text.empty() ? "" : " ", m.text.c_str());
        }
    }
    if (!options.quiet) {
        double seconds = progress.elapsed();
        double audioSeconds = static_cast<double>(result.frames) / input.sampleRate;
        double peakDb = result.peak > 0.0 ? 20.0 * std::log10(result.peak) : -INFINITY;
        std::fprintf(stderr, "%s: rendered %.2f s (%zu frames, %d channels, latency %d%s) in %.2f s, %.1fx real time, output peak %.1f dBFS -> %s\n",
                     kTool, audioSeconds, result.frames, result.channels, result.latency,
                     settings.compensateLatency ? " compensated" : " kept", seconds,
                     seconds > 0.0 ? audioSeconds / seconds : 0.0, peakDb, outputPath.c_str());
    }
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    CLI::App app{"Runs audio through a VST 2 plug-in offline (by default the Trellisor plug-in built "
                 "beside this program) and writes the result. Without INPUT a built-in 8-second demo "
                 "signal is rendered.",
                 kTool};
    app.add_option("files", options.files, "[INPUT] OUTPUT: input audio (any format libsndfile reads) and "
                                           "output file (.wav 32-bit float, .flac, .aiff, .ogg)")
        ->expected(0, -1)
        ->type_name("[INPUT] OUTPUT");
    app.add_option("--plugin", options.plugin, "VST 2 plug-in .so to load (a bare name is also looked up in the VST folders)")
        ->type_name("PATH");
    app.add_option("--set", options.sets, "set a parameter before processing: NAME=VALUE or INDEX=VALUE, "
                                          "VALUE normalised 0-1, NAME case-insensitive; repeatable")
        ->allow_extra_args(false)
        ->type_name("NAME=VALUE");
    app.add_flag("--list-params", options.listParams, "print index, name, label, value and display text of every parameter, then exit");
    app.add_flag("--info", options.info, "print the plug-in's identity, channels, latency and flags, then exit");
    app.add_option("--block", options.block, "host block size in samples (default 512)")
        ->type_name("N")
        ->check(CLI::Range(1, 1 << 20));
    app.add_flag("--no-latency-compensation", options.noLatencyCompensation,
                 "keep the plug-in's raw output stream instead of removing its initial delay");
    app.add_option("--tail", options.tail, "render this many seconds past the end of the input")
        ->type_name("SECONDS")
        ->check(CLI::Range(0.0, 3600.0));
    app.add_option("--spectrogram", options.spectrogram, "write a PNG with the input's and the output's spectrograms")
        ->type_name("FILE.png");
    app.add_option("--save-input", options.saveInput, "also write the input as rendered (e.g. the demo signal) to this audio file")
        ->type_name("FILE");
    app.add_flag("-q,--quiet", options.quiet, "no progress bar and no summary");
    app.add_flag("-v,--verbose", options.verbose, "show the messages the plug-in sent to the host");
    app.footer("Examples:\n"
               "  trellisor-render demo-out.wav\n"
               "  trellisor-render --set regen=0.5 --set type=0.75 --spectrogram voice.png voice.wav voice-out.flac\n"
               "  trellisor-render --plugin /usr/lib/vst/ZamDelay-vst.so --list-params\n"
               "Exit codes: 0 ok, 1 internal, 2 command line, 3 input, 4 plug-in, 5 output.");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "%s: %s (see --help)\n", kTool, e.what());
        return kExitUsage;
    }
    try {
        return run(options);
    } catch (const RenderError& e) {
        std::fprintf(stderr, "%s: %s\n", kTool, e.what());
        return e.code();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: internal error: %s\n", kTool, e.what());
        return kExitInternal;
    }
}
