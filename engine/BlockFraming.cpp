// The audio entries: FIFO framing of host blocks into analysis frames with
// a constant 1024-sample delay, and the accumulating noise entry.
//
// Real-time rules: both entries run on the audio thread, allocate nothing,
// take no lock and do no I/O.
#include <algorithm>
#include <cstring>

#include "Trellisor.h"

// Blocks of any length: an over-long block is worked through in parts of at
// most kMaxBlockPart samples, which always fit the FIFOs. inputs[1] is never
// read; both outputs receive the same samples. In-place buffers are safe:
// a part's input is copied before its output is written.
void Trellisor::processReplacing(float** inputs, float** outputs, int32_t sampleFrames) {
    if (firstBlock) {
        outFill = kLatency;
        firstBlock = 0;
    }
    if (sampleFrames <= 0 || outputs == nullptr) return;
    const float* in = inputs != nullptr ? inputs[0] : nullptr;
    float* out0 = outputs[0];
    float* out1 = outputs[1];

    blockLength = sampleFrames;
    blockHop = frameSize[sizeIndexFor(fFftSize.load(std::memory_order_relaxed))];
    blockFrameCount = 0;
    int32_t done = 0;
    while (done < sampleFrames) {
        const int32_t n = std::min<int32_t>(sampleFrames - done, kMaxBlockPart);
        processPart(in != nullptr ? in + done : nullptr, out0 != nullptr ? out0 + done : nullptr,
                    out1 != nullptr ? out1 + done : nullptr, n);
        done += n;
    }
}

// Each frame's size is decided at its boundary, before it consumes input,
// and the frame runs only once that many samples wait. So every frame
// consumes and produces exactly the N it analyses, and between parts
// outFill == kLatency - inFill with inFill < 1024.
void Trellisor::processPart(const float* in, float* out0, float* out1, int32_t n) {
    if (in != nullptr) {
        std::memcpy(inBuffer + inFill, in, sizeof(float) * static_cast<size_t>(n));
    } else {
        std::memset(inBuffer + inFill, 0, sizeof(float) * static_cast<size_t>(n));
    }
    available = inFill + n;
    readPos = 0;

    for (;;) {
        const int k = sizeIndexFor(fFftSize.load(std::memory_order_relaxed));
        const int hop = frameSize[k];
        if (available < hop) break;
        float* frameOut = outBuffer + outFill;
        std::fill(frameOut, frameOut + hop, 0.0f);
        runFrame(inBuffer + readPos, frameOut, k);
        outFill += hop;
        available -= hop;
        readPos += hop;
        ++blockFrameCount;
    }
    if (readPos > 0 && available > 0) {
        std::memmove(inBuffer, inBuffer + readPos, sizeof(float) * static_cast<size_t>(available));
    }
    inFill = available;

    const size_t bytes = sizeof(float) * static_cast<size_t>(n);
    if (out0 != nullptr) std::memcpy(out0, outBuffer, bytes);
    if (out1 != nullptr && out1 != out0) std::memcpy(out1, outBuffer, bytes);
    outFill -= n;
    if (outFill > 0) {
        std::memmove(outBuffer, outBuffer + n, sizeof(float) * static_cast<size_t>(outFill));
    }
}

float Trellisor::nextNoise() {
    int32_t r = 0;
    random_r(&randState, &r);
    return static_cast<float>(2.0 * (static_cast<double>(r) * 4.656612875245797e-10) - 1.0);
}

// Adds independent noise in -1..1 to both outputs, sample by sample, the
// first channel's value drawn first. Reads no input.
void Trellisor::process(float** /*inputs*/, float** outputs, int32_t sampleFrames) {
    if (outputs == nullptr) return;
    float* out0 = outputs[0];
    float* out1 = outputs[1];
    for (int32_t i = 0; i < sampleFrames; ++i) {
        const float a = nextNoise();
        const float b = nextNoise();
        if (out0 != nullptr) out0[i] += a;
        if (out1 != nullptr) out1[i] += b;
    }
}
