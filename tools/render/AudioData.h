// Audio held in memory: one vector per channel, all of the same length.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct AudioData {
    double sampleRate = 44100.0;
    std::vector<std::vector<float>> channels;
    std::string description;  // what the audio is, for titles and summaries

    size_t frames() const { return channels.empty() ? 0 : channels.front().size(); }
};
