// Construction, parameters and the texts shown to the host.
#include "Trellisor.h"

#include <cmath>
#include <cstring>

#include "EngineMath.h"

namespace {

constexpr int32_t kUniqueId = ('K' << 24) | ('S' << 16) | ('V' << 8) | '0';
constexpr int32_t kNumPrograms = 1;
constexpr int kProgramNameMax = 23;  // the interface's program-name buffer holds 24 bytes

// Texts per parameter index 0..6; each name is nine characters, each label eight.
constexpr const char* kParamNames[kNumRealParams] = {
    "FreqNudge", "  Regen  ", "  Type   ", "keepfreqs", "FFT Size ", " Thresh  ", "Win Type ",
};
constexpr const char* kParamLabels[kNumRealParams] = {
    "   dB   ", " percent", "  TYPE  ", "  on/off", " POINTS ", " Thresh ", "Win Type",
};
constexpr const char* kWaveNames[Trellisor::kNumWaves] = {"Sine", "Tri", "Saw", "Square", "Mixed"};
constexpr const char* kInertName = "  Regen  ";

constexpr float kDefaultFreqNudge = 0.5f;
constexpr float kDefaultRegen = 0.25f;
constexpr float kDefaultType = 0.0f;
constexpr float kDefaultKeepFreqs = 0.0f;
constexpr float kDefaultFftSize = 0.0f;
constexpr float kDefaultThresh = 0.85f;
constexpr float kDefaultWinType = 0.0f;  // output window off

}  // namespace

Trellisor::Trellisor(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, kNumPrograms, kNumParams) {
    fFreqNudge.store(kDefaultFreqNudge, std::memory_order_relaxed);
    fRegen.store(kDefaultRegen, std::memory_order_relaxed);
    fType.store(kDefaultType, std::memory_order_relaxed);
    fKeepFreqs.store(kDefaultKeepFreqs, std::memory_order_relaxed);
    fFftSize.store(kDefaultFftSize, std::memory_order_relaxed);
    fThresh.store(kDefaultThresh, std::memory_order_relaxed);
    fWinType.store(kDefaultWinType, std::memory_order_relaxed);
    lastKeepFreqs = 0.0f;

    setNumOutputs(2);
    setUniqueID(kUniqueId);
    setNumInputs(2);
    canProcessReplacing(true);

    std::strcpy(programName, "Default");
    for (int k = 0; k < 3; ++k) {
        frameSize[k] = 256 << k;
        binCount[k] = frameSize[k] / 2;
        log2FrameSize[k] = 8 + k;
        complexLength[k] = 2 * frameSize[k];
    }

    const float r = sampleRate;
    fixedIncScale = (1.0f / r) * 65536.0f;
    halfSampleRate = r * 0.5f;

    setInitialDelay(kLatency);

    initWaveTables();
    initWindowTables();
    initTransformTables();
    isa = trellisor::detectIsa();

    for (float& m : magnitudes) m = 0.0f;
    trackIncScale = 65536.0f / r;

    for (int k = 0; k < 3; ++k) {
        lastNudgeHz[k] = 0.0f;
        nudgeHz[k] = 0.0f;
        const float invBins = 1.0f / static_cast<float>(binCount[k]);
        binWidth[k] = halfSampleRate * invBins;
        for (int j = 0; j < kMaxBins; ++j) {
            if (j < binCount[k]) {
                const float f = (halfSampleRate * static_cast<float>(j)) * invBins;
                measuredFreqs[k][j] = binFreqs[k][j] = f;
                oscIncrement[k][j] = trellisor::phaseIncrementFor(trackIncScale * f);
            } else {
                measuredFreqs[k][j] = binFreqs[k][j] = 0.0f;
                oscIncrement[k][j] = 0;
            }
            oscPhase[k][j] = 0;
        }
    }

    pitchReady = 0;
    firstBlock = 1;
    sizeIndex = 0;
    blockHop = blockLength = blockFrameCount = 0;
    readPos = available = 0;
    inFill = 0;
    outFill = 0;

    // What the first parameter update gives from the defaults.
    threshold = std::fmaf(static_cast<float>(std::exp(static_cast<double>(kDefaultThresh))),
                          -0.18390322f, 0.5f);
    waveType.store(trellisor::truncClamp(kDefaultType * 4.0f, 0, kNumWaves - 1),
                   std::memory_order_relaxed);
    numOscillators = trellisor::truncClamp(kDefaultRegen * static_cast<float>(binCount[0]), 0,
                                           binCount[0]);
    frameKeepFreqs = kDefaultKeepFreqs;

    // Work buffers start cleared so that nothing reads indeterminate values.
    std::memset(fftReal, 0, sizeof fftReal);
    std::memset(fftImag, 0, sizeof fftImag);
    std::memset(fftBuffer, 0, sizeof fftBuffer);
    std::memset(lastPhase, 0, sizeof lastPhase);
    std::memset(inBuffer, 0, sizeof inBuffer);
    std::memset(outBuffer, 0, sizeof outBuffer);

    std::memset(randStateBuf, 0, sizeof randStateBuf);
    std::memset(&randState, 0, sizeof randState);
    initstate_r(1, randStateBuf, sizeof randStateBuf, &randState);
}

Trellisor::~Trellisor() = default;

void Trellisor::setParameter(int32_t index, float value) {
    switch (index) {
        case kFreqNudge: fFreqNudge.store(value, std::memory_order_relaxed); break;
        case kRegen: fRegen.store(value, std::memory_order_relaxed); break;
        case kType: fType.store(value, std::memory_order_relaxed); break;
        case kKeepFreqs: fKeepFreqs.store(value, std::memory_order_relaxed); break;
        case kFftSize: fFftSize.store(value, std::memory_order_relaxed); break;
        case kThresh: fThresh.store(value, std::memory_order_relaxed); break;
        case kWinType: fWinType.store(value, std::memory_order_relaxed); break;
        default: break;
    }
}

float Trellisor::getParameter(int32_t index) {
    switch (index) {
        case kFreqNudge: return fFreqNudge.load(std::memory_order_relaxed);
        case kRegen: return fRegen.load(std::memory_order_relaxed);
        case kType: return fType.load(std::memory_order_relaxed);
        case kKeepFreqs: return fKeepFreqs.load(std::memory_order_relaxed);
        case kFftSize: return fFftSize.load(std::memory_order_relaxed);
        case kThresh: return fThresh.load(std::memory_order_relaxed);
        case kWinType: return fWinType.load(std::memory_order_relaxed);
        default: return 0.0f;
    }
}

// Stores at most 23 characters so that getProgramName never writes more
// than 24 bytes into the host's buffer.
void Trellisor::setProgramName(char* name) {
    if (name == nullptr) return;
    int n = 0;
    while (n < kProgramNameMax && name[n] != '\0') {
        programName[n] = name[n];
        ++n;
    }
    programName[n] = '\0';
}

void Trellisor::getProgramName(char* name) {
    if (name == nullptr) return;
    std::strcpy(name, programName);
}

void Trellisor::getParameterLabel(int32_t index, char* label) {
    if (label == nullptr || index < 0 || index >= kNumRealParams) return;
    std::strcpy(label, kParamLabels[index]);
}

// Index 2 names the wave type in force (set by the last frame), not the
// stored Type value. Index 6 and the inert indices write nothing.
void Trellisor::getParameterDisplay(int32_t index, char* text) {
    if (text == nullptr) return;
    switch (index) {
        case kFreqNudge:
        case kRegen:
        case kKeepFreqs:
        case kFftSize:
        case kThresh:
            float2string(getParameter(index), text);
            break;
        case kType: {
            const int w = waveType.load(std::memory_order_relaxed);
            if (w >= 0 && w < kNumWaves) std::strcpy(text, kWaveNames[w]);
            break;
        }
        default:
            break;
    }
}

void Trellisor::getParameterName(int32_t index, char* text) {
    if (text == nullptr) return;
    if (index >= 0 && index < kNumRealParams) {
        std::strcpy(text, kParamNames[index]);
    } else {
        std::strcpy(text, kInertName);
    }
}

bool Trellisor::getVendorString(char* text) {
    if (text == nullptr) return false;
    std::strcpy(text, "Kestova Software, Halvoren");
    return true;
}

bool Trellisor::getProductString(char* text) {
    if (text == nullptr) return false;
    std::strcpy(text, "Trellisor VST");
    return true;
}

int32_t Trellisor::getVendorVersion() { return 104; }

int Trellisor::sizeIndexFor(float fftSize) {
    return trellisor::truncClamp(fftSize + fftSize, 0, 2);
}
