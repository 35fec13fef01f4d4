// Writes an audio file through libsndfile into an AtomicFile, so that the
// named output appears only when the whole file has been written.
// The format follows the extension: .wav 32-bit float, .flac 24-bit,
// .aiff/.aif 32-bit float, .ogg Vorbis.
#pragma once

#include <sndfile.h>

#include <memory>
#include <string>

#include "AtomicFile.h"

class AudioFileWriter {
public:
    // The libsndfile format for the path's extension; throws RenderError
    // (kExitUsage) for an extension it does not write.
    static int formatFor(const std::string& path);

    AudioFileWriter(const std::string& path, int channels, double sampleRate);
    ~AudioFileWriter();
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    // Appends interleaved frames; throws RenderError (kExitOutput) on a short write.
    void write(const float* interleaved, long frames);
    // Closes the file and renames it into place.
    void commit();

private:
    std::unique_ptr<AtomicFile> file_;
    SNDFILE* sndfile_ = nullptr;
};
