// The spectral resynthesis effect: parameters, texts and the whole engine
// state. All storage is fixed-size members allocated once with the object;
// the audio path allocates nothing, locks nothing and does no I/O.
//
// Threads: parameters are written by the host's UI or automation thread and
// sampled by the audio thread once per frame. Each is one aligned 32-bit
// float read and written whole (relaxed atomics compile to plain moves).
// Everything else below is touched only by the audio thread, except
// waveType, which the parameter display reads.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>

#include "AudioEffectX.h"
#include "SignalKernels.h"

enum TrellisorParam : int32_t {
    kFreqNudge = 0,
    kRegen,
    kType,
    kKeepFreqs,
    kFftSize,
    kThresh,
    kWinType,
    kNumRealParams,
    kNumParams = 9,
};

class Trellisor : public AudioEffectX {
public:
    explicit Trellisor(audioMasterCallback audioMaster);
    ~Trellisor() override;

    void setParameter(int32_t index, float value) override;
    float getParameter(int32_t index) override;
    void process(float** inputs, float** outputs, int32_t sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(int32_t index, char* label) override;
    void getParameterDisplay(int32_t index, char* text) override;
    void getParameterName(int32_t index, char* text) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    int32_t getVendorVersion() override;

    // Engine operations (one frame at a time, audio thread only; none of
    // them allocates). N = frameSize[sizeIndex] unless stated.
    //
    // Fill waveTables / outWindow; called once by the constructor.
    void initWaveTables();
    void initWindowTables();
    // In-place unscaled complex FFT of N interleaved values (2N floats);
    // sign -1 forward, +1 inverse.
    void smsFft(float* buffer, int32_t sign);
    // Unwindowed analysis of N samples: peak amplitudes of bins 0..N/2-1.
    void fftMag(const float* in, float* mags);
    // Hann-windowed analysis of N samples: amplitudes and measured
    // frequencies (Hz) of bins 0..N/2-1, against the phases of the previous
    // call, which it then replaces.
    void smsPitchScale(const float* in, float* mags, float* freqs);
    // Samples the parameters once and brings size index, threshold, wave
    // type, oscillator count and phase increments up to date.
    void paramUpdate();
    // One frame: paramUpdate, analysis of N samples of in, N samples of
    // oscillator output written to out.
    void innerProcess(const float* in, float* out);

    static constexpr int kNumWaves = 5;
    static constexpr int kWaveLength = 65536;
    static constexpr int kMaxFrame = 1024;
    static constexpr int kMaxBins = 512;
    static constexpr int kLatency = 1024;
    static constexpr int kInBufferSize = 5120;
    static constexpr int kOutBufferSize = 10240;
    static constexpr int kMaxBlockPart = 4097;  // largest block part that always fits

protected:
    // Size index for an FFT Size value: truncate(v + v), clamped to 0..2.
    static int sizeIndexFor(float fftSize);
    // One frame at size index k: parameter update, analysis, oscillator bank.
    // k is decided by the caller before the frame consumes its input.
    void runFrame(const float* in, float* out, int k);
    // paramUpdate with the size index already decided.
    void paramUpdate(int k);
    // At most kMaxBlockPart samples through the FIFOs; in may be null (silence).
    void processPart(const float* in, float* out0, float* out1, int32_t n);
    // Next value of the noise generator, in -1..1.
    float nextNoise();
    // The transforms' twiddles and the tracking window, with exactly the
    // values that evaluating them per frame gives; called by the constructor.
    void initTransformTables();
    // The oscillator bank for one frame at size index k, added to out.
    void oscillatorBank(float* out, int k);

    // Parameters 0..6, stored exactly as the host sent them.
    std::atomic<float> fFreqNudge;
    std::atomic<float> fRegen;
    std::atomic<float> fType;
    std::atomic<float> fKeepFreqs;
    std::atomic<float> fFftSize;
    std::atomic<float> fThresh;
    std::atomic<float> fWinType;
    float lastKeepFreqs;

    float magnitudes[kMaxBins];
    float measuredFreqs[3][kMaxBins];
    float binFreqs[3][kMaxBins];
    float fftReal[kMaxFrame];
    float fftImag[kMaxFrame];
    float fftBuffer[2 * kMaxFrame];
    float lastPhase[kMaxBins];
    float inBuffer[kInBufferSize];
    float outBuffer[kOutBufferSize];
    float waveTables[kNumWaves][kWaveLength];
    uint16_t oscPhase[3][kMaxBins];
    uint16_t oscIncrement[3][kMaxBins];
    float outWindow[3][kMaxFrame];
    float trackIncScale;
    float halfSampleRate;
    float binWidth[3];
    float nudgeHz[3];
    float lastNudgeHz[3];
    float fixedIncScale;
    char programName[32];
    int complexLength[3];
    int frameSize[3];
    int binCount[3];
    int log2FrameSize[3];
    float threshold;
    std::atomic<int> waveType;
    int numOscillators;
    int sizeIndex;
    int firstBlock;
    int blockHop;
    int blockLength;
    int blockFrameCount;
    int readPos;
    int available;
    int inFill;
    int outFill;
    int pitchReady;
    float frameKeepFreqs;  // keepfreqs as sampled by this frame's parameter update

    // Built once by the constructor, only read afterwards.
    float fftMagCos[3][kMaxBins];  // twiddle of fftMag for bit-reversed group index p
    float fftMagSin[3][kMaxBins];
    float fftMagSpan2[2][3][kMaxBins];  // cos, sin of butterfly t in fftMag's stage of span 2
    float fftMagSpan1[2][3][kMaxBins];  // and in its last stage (span 1)
    uint16_t bitReverse[3][kMaxFrame];  // the log2FrameSize[k]-bit reversal of each index
    uint16_t reverseSwaps[3][kMaxFrame];  // index pairs i < reversal(i), two entries per pair
    int reverseSwapCount[3];              // number of pairs
    float hannWindow[3][kMaxFrame];     // the analysis window of smsPitchScale
    float waveEvery64[2][kWaveLength / 64];  // sine and mixed tables, every 64th entry
    float stageCos[10];                 // smsFft's per-stage rotation, stage s: le = 4 << s
    float stageSin[10];
    trellisor::Isa isa;  // instruction set of the inner loops, chosen at construction

    // State of the noise generator of the accumulating entry: the platform's
    // generator with its default seed, kept per object so that drawing a
    // value takes no lock.
    char randStateBuf[128];
    random_data randState;
};
