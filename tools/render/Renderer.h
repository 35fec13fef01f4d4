// Runs audio through a prepared and resumed plug-in, block by block, and
// writes what comes out. With latency compensation the first initialDelay
// output frames are dropped and the input is followed by as much silence,
// so that the output has the input's length (plus any tail) and lines up
// with it sample for sample.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "AudioData.h"

class AudioFileWriter;
class ProgressMeter;
class VstHost;

struct RenderSettings {
    int32_t blockSize = 512;
    bool compensateLatency = true;
    double tailSeconds = 0.0;
    bool keepMix = false;  // keep the channel average of the output (for pictures)
};

struct RenderResult {
    size_t frames = 0;        // frames written
    int32_t channels = 0;
    int32_t latency = 0;      // initialDelay as read before processing
    double peak = 0.0;        // largest absolute output sample
    std::vector<float> mix;   // channel average, when asked for
};

class Renderer {
public:
    // Frames the output will have for `inputFrames` frames of input.
    static size_t outputFrames(size_t inputFrames, double sampleRate, const RenderSettings& settings);

    // Mono input feeds every plug-in input; stereo feeds inputs 0 and 1 (and
    // alternates beyond). Throws RenderError when the plug-in cannot process.
    static RenderResult run(VstHost& host, const AudioData& input, const RenderSettings& settings,
                            AudioFileWriter& writer, ProgressMeter& progress);
};
