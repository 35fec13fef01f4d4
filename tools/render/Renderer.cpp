#include "Renderer.h"

#include <algorithm>
#include <cmath>

#include "AudioFileWriter.h"
#include "ProgressMeter.h"
#include "RenderError.h"
#include "VstHost.h"

size_t Renderer::outputFrames(size_t inputFrames, double sampleRate, const RenderSettings& settings) {
    return inputFrames + static_cast<size_t>(std::llround(settings.tailSeconds * sampleRate));
}

RenderResult Renderer::run(VstHost& host, const AudioData& input, const RenderSettings& settings,
                           AudioFileWriter& writer, ProgressMeter& progress) {
    AEffect* effect = host.effect();
    if (!host.canProcess()) throw RenderError(kExitPlugin, "plug-in " + host.path() + " has no process function");
    RenderResult result;
    result.channels = effect->numOutputs;
    result.latency = std::max<int32_t>(0, effect->initialDelay);
    const size_t skip = settings.compensateLatency ? static_cast<size_t>(result.latency) : 0;
    const size_t wanted = outputFrames(input.frames(), input.sampleRate, settings);
    const size_t total = wanted + skip;
    const size_t block = static_cast<size_t>(settings.blockSize);
    const size_t inChannels = static_cast<size_t>(std::max<int32_t>(effect->numInputs, 0));
    const size_t outChannels = static_cast<size_t>(result.channels);

    // Every plug-in pin gets its own buffer; a plug-in without inputs still
    // receives a valid pointer array.
    std::vector<std::vector<float>> inBuffers(std::max<size_t>(inChannels, 1), std::vector<float>(block));
    std::vector<std::vector<float>> outBuffers(std::max<size_t>(outChannels, 1), std::vector<float>(block));
    std::vector<float*> inPointers, outPointers;
    for (auto& b : inBuffers) inPointers.push_back(b.data());
    for (auto& b : outBuffers) outPointers.push_back(b.data());
    std::vector<float> interleaved(block * outChannels);
    if (settings.keepMix) result.mix.reserve(wanted);

    const size_t inputFrames = input.frames();
    const size_t fileChannels = input.channels.size();
    for (size_t position = 0; position < total; position += block) {
        const size_t count = std::min(block, total - position);
        for (size_t c = 0; c < inBuffers.size(); ++c) {
            const std::vector<float>& source = input.channels[c % fileChannels];
            float* target = inBuffers[c].data();
            for (size_t i = 0; i < count; ++i) {
                size_t at = position + i;
                target[i] = at < inputFrames ? source[at] : 0.0f;
            }
        }
        host.process(inPointers.data(), outPointers.data(), static_cast<int32_t>(count));

        const size_t first = position >= skip ? 0 : std::min(count, skip - position);
        const size_t kept = count - first;
        for (size_t i = 0; i < kept; ++i) {
            double sum = 0.0;
            for (size_t c = 0; c < outChannels; ++c) {
                float v = outBuffers[c][first + i];
                interleaved[i * outChannels + c] = v;
                if (std::fabs(v) > result.peak) result.peak = std::fabs(v);
                sum += v;
            }
            if (settings.keepMix) result.mix.push_back(static_cast<float>(sum / static_cast<double>(outChannels)));
        }
        writer.write(interleaved.data(), static_cast<long>(kept));
        result.frames += kept;
        progress.update(position + count);
    }
    return result;
}
