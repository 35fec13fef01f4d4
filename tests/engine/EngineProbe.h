// Test access to the effect's engine state, and a host callback that
// records what the effect asks.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "Trellisor.h"

struct HostCall {
    int32_t opcode;
    int32_t index;
    intptr_t value;
};

// A fake host: answers the version query with 2400 and 0 to everything
// else, and records every call.
class FakeHost {
public:
    static intptr_t callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                             void* ptr, float opt);
    static std::vector<HostCall>& calls();
};

// Exposes the engine's members to the tests.
class EngineProbe : public Trellisor {
public:
    explicit EngineProbe(audioMasterCallback cb = &FakeHost::callback) : Trellisor(cb) {}

    using Trellisor::binCount;
    using Trellisor::blockFrameCount;
    using Trellisor::binFreqs;
    using Trellisor::binWidth;
    using Trellisor::fftBuffer;
    using Trellisor::fftImag;
    using Trellisor::fftReal;
    using Trellisor::fixedIncScale;
    using Trellisor::frameSize;
    using Trellisor::halfSampleRate;
    using Trellisor::inFill;
    using Trellisor::lastPhase;
    using Trellisor::magnitudes;
    using Trellisor::measuredFreqs;
    using Trellisor::numOscillators;
    using Trellisor::nudgeHz;
    using Trellisor::oscIncrement;
    using Trellisor::oscPhase;
    using Trellisor::outFill;
    using Trellisor::outWindow;
    using Trellisor::pitchReady;
    using Trellisor::sizeIndex;
    using Trellisor::threshold;
    using Trellisor::trackIncScale;
    using Trellisor::waveTables;
    using Trellisor::waveType;

    AEffect* record() { return getAeffect(); }
    void setRate(float r) { sampleRate = r; }
};

inline std::unique_ptr<EngineProbe> makeProbe() { return std::make_unique<EngineProbe>(); }

// Runs `samples` of `input` through processReplacing in blocks of the given
// lengths (cycled), returning the first output channel; checks nothing.
std::vector<float> runBlocks(Trellisor& effect, const std::vector<float>& input,
                             const std::vector<int32_t>& lengths, std::vector<float>* second = nullptr);
