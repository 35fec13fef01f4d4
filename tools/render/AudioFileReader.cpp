#include "AudioFileReader.h"

#include <sndfile.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "RenderError.h"

AudioData AudioFileReader::read(const std::string& path) {
    struct stat status;
    if (stat(path.c_str(), &status) != 0) {
        throw RenderError(kExitInput, "cannot read input " + path + ": " + std::strerror(errno));
    }
    if (S_ISDIR(status.st_mode)) throw RenderError(kExitInput, "input " + path + " is a folder");
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        throw RenderError(kExitInput, "cannot read input " + path + ": " + sf_strerror(nullptr));
    }
    if (info.channels < 1 || info.channels > 2) {
        sf_close(file);
        throw RenderError(kExitInput, "input " + path + " has " + std::to_string(info.channels) +
                                          " channels; only mono and stereo are supported");
    }
    if (info.samplerate <= 0) {
        sf_close(file);
        throw RenderError(kExitInput, "input " + path + " has no valid sample rate");
    }
    AudioData audio;
    audio.sampleRate = info.samplerate;
    audio.description = path;
    audio.channels.assign(static_cast<size_t>(info.channels), {});
    if (info.frames > 0 && info.frames < (sf_count_t{1} << 34)) {
        for (auto& channel : audio.channels) channel.reserve(static_cast<size_t>(info.frames));
    }
    std::vector<float> chunk(static_cast<size_t>(4096 * info.channels));
    for (;;) {
        sf_count_t got = sf_readf_float(file, chunk.data(), 4096);
        if (got <= 0) break;
        for (sf_count_t i = 0; i < got; ++i) {
            for (int c = 0; c < info.channels; ++c)
                audio.channels[static_cast<size_t>(c)].push_back(chunk[static_cast<size_t>(i * info.channels + c)]);
        }
    }
    int error = sf_error(file);
    std::string why = error != 0 ? sf_strerror(file) : "";
    sf_close(file);
    if (error != 0) throw RenderError(kExitInput, "cannot read input " + path + ": " + why);
    return audio;
}
