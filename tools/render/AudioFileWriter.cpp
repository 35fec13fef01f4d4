#include "AudioFileWriter.h"

#include <algorithm>
#include <cctype>

#include "RenderError.h"

int AudioFileWriter::formatFor(const std::string& path) {
    std::string::size_type dot = path.rfind('.');
    std::string::size_type slash = path.rfind('/');
    std::string extension;
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        extension = path.substr(dot + 1);
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    }
    if (extension == "wav") return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    if (extension == "flac") return SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
    if (extension == "aiff" || extension == "aif") return SF_FORMAT_AIFF | SF_FORMAT_FLOAT;
    if (extension == "ogg") return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    throw RenderError(kExitUsage, "unsupported output extension " +
                                      (extension.empty() ? std::string("(none)") : "." + extension) +
                                      " for " + path + "; use .wav, .flac, .aiff or .ogg");
}

AudioFileWriter::AudioFileWriter(const std::string& path, int channels, double sampleRate) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = static_cast<int>(sampleRate);
    info.format = formatFor(path);
    if (sf_format_check(&info) == 0) {
        throw RenderError(kExitUsage, "cannot write " + std::to_string(channels) + " channels at " +
                                          std::to_string(info.samplerate) + " Hz to " + path);
    }
    file_ = std::make_unique<AtomicFile>(path);
    sndfile_ = sf_open(file_->tempPath().c_str(), SFM_WRITE, &info);
    if (sndfile_ == nullptr) {
        throw RenderError(kExitOutput, "cannot write output " + path + ": " + sf_strerror(nullptr));
    }
    // Integer formats clip instead of wrapping round; no PEAK chunk, whose
    // time stamp would make equal renders differ.
    sf_command(sndfile_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    sf_command(sndfile_, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
}

AudioFileWriter::~AudioFileWriter() {
    if (sndfile_ != nullptr) sf_close(sndfile_);
}

void AudioFileWriter::write(const float* interleaved, long frames) {
    if (frames <= 0) return;
    sf_count_t written = sf_writef_float(sndfile_, interleaved, frames);
    if (written != frames) {
        throw RenderError(kExitOutput, "cannot write output " + file_->target() + ": " +
                                           sf_strerror(sndfile_));
    }
}

void AudioFileWriter::commit() {
    sf_write_sync(sndfile_);
    int error = sf_error(sndfile_);
    std::string why = error != 0 ? sf_strerror(sndfile_) : "";
    int closed = sf_close(sndfile_);
    sndfile_ = nullptr;
    if (error != 0 || closed != 0) {
        throw RenderError(kExitOutput, "cannot write output " + file_->target() + ": " +
                                           (why.empty() ? sf_error_number(closed) : why));
    }
    file_->commit();
}
