// Reads a whole audio file of any format libsndfile knows into memory.
#pragma once

#include <string>

#include "AudioData.h"

class AudioFileReader {
public:
    // Throws RenderError (kExitInput) when the file is missing, unreadable,
    // empty of channels, or has more than two channels.
    static AudioData read(const std::string& path);
};
