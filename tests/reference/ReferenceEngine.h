// The literal reference engine: the effect's signal path written the plain
// way, with no precomputation beyond the two tables the effect builds at
// construction. Every butterfly of the fixed-bin transform evaluates its own
// cosine and sine, the tracking window is evaluated afresh every frame, the
// complex transform derives its twiddles per stage by a recurrence, and every
// waveform is read from its table.
//
// It serves as the oracle for the optimised engine, whose output must match
// it bit for bit, and as the baseline of the benchmarks. It keeps its state
// in fixed members like the effect (construct it on the heap: it is large)
// and follows the effect's framing: over-long blocks in parts of at most
// 4097 samples, the frame size decided at each frame boundary, derived
// indices and counts clamped to their tables.
#pragma once

#include <cstdint>

class ReferenceEngine {
public:
    ReferenceEngine();

    // Indices 0..6 in the effect's order: FreqNudge, Regen, Type, keepfreqs,
    // FFT Size, Thresh, Win Type. Others are ignored.
    void setParameter(int index, float value);
    void setSampleRate(float rate) { sampleRate = rate; }

    // Replaces out0/out1 with n samples; in may be null (silence).
    void processReplacing(const float* in, float* out0, float* out1, int32_t n);

    // The stages, one frame at a time.
    void paramUpdate(int k);
    void fftMag(const float* in, float* mags);
    void smsFft(float* buffer, int32_t sign);
    void smsPitchScale(const float* in, float* mags, float* freqs);
    void oscillatorBank(float* out, int k);
    void runFrame(const float* in, float* out, int k);

    static constexpr int kWaveLength = 65536;
    static constexpr int kMaxFrame = 1024;
    static constexpr int kMaxBins = 512;

    float waveTables[5][kWaveLength];
    float outWindow[3][kMaxFrame];
    float magnitudes[kMaxBins];
    float measuredFreqs[3][kMaxBins];
    uint16_t oscPhase[3][kMaxBins];
    uint16_t oscIncrement[3][kMaxBins];
    int sizeIndex = 0;

private:
    void processPart(const float* in, float* out0, float* out1, int32_t n);
    static int sizeIndexFor(float fftSize);

    float fFreqNudge = 0.5f, fRegen = 0.25f, fType = 0.0f, fKeepFreqs = 0.0f, fFftSize = 0.0f,
          fThresh = 0.85f, fWinType = 0.0f;
    float sampleRate = 44100.0f;
    float lastKeepFreqs = 0.0f;
    float frameKeepFreqs = 0.0f;
    float binFreqs[3][kMaxBins];
    float fftReal[kMaxFrame];
    float fftImag[kMaxFrame];
    float fftBuffer[2 * kMaxFrame];
    float lastPhase[kMaxBins];
    float inBuffer[5120];
    float outBuffer[10240];
    float trackIncScale;
    float fixedIncScale;
    float binWidth[3];
    float nudgeHz[3] = {0, 0, 0};
    float lastNudgeHz[3] = {0, 0, 0};
    int frameSize[3] = {256, 512, 1024};
    int binCount[3] = {128, 256, 512};
    int log2FrameSize[3] = {8, 9, 10};
    int complexLength[3] = {512, 1024, 2048};
    float threshold;
    int waveType = 0;
    int numOscillators = 32;
    bool firstBlock = true;
    int inFill = 0;
    int outFill = 0;
    bool pitchReady = false;
};
