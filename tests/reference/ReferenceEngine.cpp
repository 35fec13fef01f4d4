#include "ReferenceEngine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The lowest `bits` bits of v in reverse order: take the lowest bit, append
// it to the result, halve v; `bits` times.
int reverseBits(int v, int bits) {
    int r = 0;
    for (int b = 0; b < bits; ++b) {
        r = r * 2 + (v & 1);
        v = v / 2;
    }
    return r;
}

// Truncation toward zero, clamped to lo..hi; NaN gives lo.
int truncClamp(float v, int lo, int hi) {
    if (!(v >= static_cast<float>(lo))) return lo;
    if (v >= static_cast<float>(hi)) return hi;
    return static_cast<int>(v);
}

// Low 16 bits of round-to-nearest(x); non-finite values give 0.
uint16_t low16(float x) {
    if (!std::isfinite(x)) return 0;
    double r = static_cast<double>(std::nearbyint(x));
    if (std::fabs(r) >= 4611686018427387904.0) r = std::fmod(r, 65536.0);  // 2^62
    return static_cast<uint16_t>(static_cast<int64_t>(r));
}

}  // namespace

ReferenceEngine::ReferenceEngine() {
    const float r = sampleRate;
    fixedIncScale = (1.0f / r) * 65536.0f;
    const float halfSampleRate = r * 0.5f;

    // Wave tables.
    float* sine = waveTables[0];
    float* triangle = waveTables[1];
    float* saw = waveTables[2];
    float* square = waveTables[3];
    float* mixed = waveTables[4];
    for (int n = 0; n < 65536; ++n) {
        const float x = static_cast<float>(n) * 9.58738e-05f;
        sine[n] = static_cast<float>(std::sin(static_cast<double>(x)));
    }
    triangle[0] = 0.0f;
    for (int n = 1; n <= 16384; ++n) triangle[n] = triangle[n - 1] + 6.103515625e-05f;
    for (int n = 16385; n <= 32768; ++n) triangle[n] = triangle[n - 1] - 6.103515625e-05f;
    for (int n = 0; n <= 32767; ++n) triangle[32768 + n] = -triangle[n];
    saw[0] = 1.0f;
    for (int n = 1; n <= 65535; ++n) saw[n] = saw[n - 1] - 3.0517578125e-05f;
    for (int n = 0; n <= 65535; ++n) square[n] = n <= 32767 ? 1.0f : -1.0f;
    for (int n = 0; n <= 65535; ++n) mixed[n] = n <= 32767 ? sine[n] : square[n];

    // Output windows.
    std::memset(outWindow, 0, sizeof outWindow);
    for (int k = 0; k < 3; ++k) {
        const int h = static_cast<int>(std::nearbyint(static_cast<float>(frameSize[k]) * 0.5f));
        const float a = (1.0f / static_cast<float>(h + 1)) * 3.1415927f;
        for (int n = -h; n <= h - 1; ++n) {
            const float c = static_cast<float>(std::cos(static_cast<double>(static_cast<float>(n) * a)));
            outWindow[k][n + h] = c * 0.5f + 0.5f;
        }
    }

    std::memset(magnitudes, 0, sizeof magnitudes);
    trackIncScale = 65536.0f / r;
    for (int k = 0; k < 3; ++k) {
        binWidth[k] = halfSampleRate * (1.0f / static_cast<float>(binCount[k]));
        for (int j = 0; j < kMaxBins; ++j) {
            float f = 0.0f;
            uint16_t inc = 0;
            if (j < binCount[k]) {
                f = (halfSampleRate * static_cast<float>(j)) * (1.0f / static_cast<float>(binCount[k]));
                inc = low16(trackIncScale * f);
            }
            measuredFreqs[k][j] = binFreqs[k][j] = f;
            oscIncrement[k][j] = inc;
            oscPhase[k][j] = 0;
        }
    }
    threshold = std::fmaf(static_cast<float>(std::exp(static_cast<double>(0.85f))), -0.18390322f, 0.5f);

    std::memset(fftReal, 0, sizeof fftReal);
    std::memset(fftImag, 0, sizeof fftImag);
    std::memset(fftBuffer, 0, sizeof fftBuffer);
    std::memset(lastPhase, 0, sizeof lastPhase);
    std::memset(inBuffer, 0, sizeof inBuffer);
    std::memset(outBuffer, 0, sizeof outBuffer);
}

void ReferenceEngine::setParameter(int index, float value) {
    float* slots[7] = {&fFreqNudge, &fRegen, &fType, &fKeepFreqs, &fFftSize, &fThresh, &fWinType};
    if (index >= 0 && index < 7) *slots[index] = value;
}

int ReferenceEngine::sizeIndexFor(float fftSize) { return truncClamp(fftSize + fftSize, 0, 2); }

void ReferenceEngine::processReplacing(const float* in, float* out0, float* out1, int32_t n) {
    if (firstBlock) {
        outFill = 1024;
        firstBlock = false;
    }
    for (int32_t done = 0; done < n;) {
        const int32_t part = std::min<int32_t>(n - done, 4097);
        processPart(in != nullptr ? in + done : nullptr, out0 + done, out1 + done, part);
        done += part;
    }
}

void ReferenceEngine::processPart(const float* in, float* out0, float* out1, int32_t n) {
    for (int32_t i = 0; i < n; ++i) inBuffer[inFill + i] = in != nullptr ? in[i] : 0.0f;
    int available = inFill + n;
    int readPos = 0;
    for (;;) {
        const int k = sizeIndexFor(fFftSize);
        const int hop = frameSize[k];
        if (available < hop) break;
        for (int i = 0; i < hop; ++i) outBuffer[outFill + i] = 0.0f;
        runFrame(inBuffer + readPos, outBuffer + outFill, k);
        outFill += hop;
        available -= hop;
        readPos += hop;
    }
    if (readPos > 0 && available > 0) std::memmove(inBuffer, inBuffer + readPos, sizeof(float) * available);
    inFill = available;
    for (int32_t i = 0; i < n; ++i) out0[i] = out1[i] = outBuffer[i];
    outFill -= n;
    if (outFill > 0) std::memmove(outBuffer, outBuffer + n, sizeof(float) * outFill);
}

void ReferenceEngine::paramUpdate(int k) {
    const float e = static_cast<float>(std::exp(static_cast<double>(fThresh)));
    sizeIndex = k;
    threshold = std::fmaf(e, -0.18390322f, 0.5f);
    waveType = truncClamp(fType * 4.0f, 0, 4);
    numOscillators = truncClamp(fRegen * static_cast<float>(binCount[k]), 0, binCount[k]);
    nudgeHz[k] = ((fFreqNudge + fFreqNudge) - 1.0f) * (binWidth[k] - 1.0f);
    const float keep = fKeepFreqs;
    if (keep != 0.0f) {
        trackIncScale = (1.0f / sampleRate) * 65536.0f;
        for (int j = 0; j < binCount[k]; ++j) {
            oscIncrement[k][j] = low16((measuredFreqs[k][j] + nudgeHz[k]) * trackIncScale);
        }
    } else if (nudgeHz[k] != lastNudgeHz[k] || lastKeepFreqs != keep) {
        for (int j = 0; j < binCount[k]; ++j) {
            oscIncrement[k][j] = low16((binFreqs[k][j] + nudgeHz[k]) * fixedIncScale);
        }
    }
    lastKeepFreqs = keep;
    lastNudgeHz[k] = nudgeHz[k];
    frameKeepFreqs = keep;
}

void ReferenceEngine::fftMag(const float* in, float* mags) {
    const int n = frameSize[sizeIndex];
    const int bits = log2FrameSize[sizeIndex];
    const float invN = 1.0f / static_cast<float>(n);
    for (int j = 0; j < n; ++j) {
        fftReal[j] = in[j];
        fftImag[j] = 0.0f;
    }
    int span = n / 2;
    int shift = bits - 1;
    for (int stage = 0; stage < bits; ++stage) {
        int j = 0;
        while (j < n) {
            for (int b = 0; b < span; ++b) {
                const int p = reverseBits(j >> shift, bits);
                const float angle = (static_cast<float>(p) * invN) * 6.2831855f;
                const float c = static_cast<float>(std::cos(static_cast<double>(angle)));
                const float s = static_cast<float>(std::sin(static_cast<double>(angle)));
                const float x1r = fftReal[j], x1i = fftImag[j];
                const float x2r = fftReal[j + span], x2i = fftImag[j + span];
                const float tr = x2r * c + x2i * s;
                const float ti = x2i * c - x2r * s;
                fftReal[j + span] = x1r - tr;
                fftImag[j + span] = x1i - ti;
                fftReal[j] = x1r + tr;
                fftImag[j] = x1i + ti;
                j = j + 1;
            }
            j = j + span;
        }
        shift = shift - 1;
        span = span / 2;
    }
    for (int i = 0; i < n; ++i) {
        const int r = reverseBits(i, bits);
        if (i < r) {
            std::swap(fftReal[i], fftReal[r]);
            std::swap(fftImag[i], fftImag[r]);
        }
    }
    for (int j = 0; j < n / 2; ++j) {
        const float sumSq = std::fmaf(fftReal[j], fftReal[j], fftImag[j] * fftImag[j]);
        const float root = static_cast<float>(std::sqrt(static_cast<double>(sumSq)));
        mags[j] = j == 0 ? root * invN : (2.0f * root) * invN;
    }
}

void ReferenceEngine::smsFft(float* buffer, int32_t sign) {
    const int n2 = complexLength[sizeIndex];
    const int stages = log2FrameSize[sizeIndex];
    for (int i = 2; i < n2 - 2; i += 2) {
        int j = 0;
        for (int bit = 2; bit < n2; bit *= 2) {
            if (i & bit) j += 1;
            j *= 2;
        }
        if (i < j) {
            std::swap(buffer[i], buffer[j]);
            std::swap(buffer[i + 1], buffer[j + 1]);
        }
    }
    int le = 2;
    for (int stage = 0; stage < stages; ++stage) {
        le = le * 2;
        const int le2 = le / 2;
        float ur = 1.0f, ui = 0.0f;
        const float arg = 3.1415927f / static_cast<float>(le / 4);
        const float wr = static_cast<float>(std::cos(static_cast<double>(arg)));
        const float ws = static_cast<float>(std::sin(static_cast<double>(arg)));
        const float wi = static_cast<float>(sign) * ws;
        for (int j = 0; j < le2; j += 2) {
            for (int i = j; i < n2; i += le) {
                const int p1 = i, p2 = i + le2;
                const float tr = buffer[p2] * ur - buffer[p2 + 1] * ui;
                const float ti = buffer[p2] * ui + buffer[p2 + 1] * ur;
                buffer[p2] = buffer[p1] - tr;
                buffer[p2 + 1] = buffer[p1 + 1] - ti;
                buffer[p1] = buffer[p1] + tr;
                buffer[p1 + 1] = buffer[p1 + 1] + ti;
            }
            const float tr = ur * wr - ui * wi;
            ui = ur * wi + ui * wr;
            ur = tr;
        }
    }
}

void ReferenceEngine::smsPitchScale(const float* in, float* mags, float* freqs) {
    const int n = frameSize[sizeIndex];
    const double bw = static_cast<double>(sampleRate) / n;
    const double expect = (n * 6.283185307179586) / n;
    if (!pitchReady) {
        std::memset(fftBuffer, 0, sizeof fftBuffer);
        std::memset(lastPhase, 0, sizeof lastPhase);
        pitchReady = true;
    }
    for (int i = 0; i < n; ++i) {
        const float w = static_cast<float>(std::cos((i * 6.283185307179586) * (1.0 / n)) * -0.5 + 0.5);
        fftBuffer[2 * i] = in[i] * w;
        fftBuffer[2 * i + 1] = 0.0f;
    }
    smsFft(fftBuffer, -1);
    for (int j = 0; j < n / 2; ++j) {
        const double re = fftBuffer[2 * j];
        const double im = fftBuffer[2 * j + 1];
        const double mag = std::sqrt(re * re + im * im);
        mags[j] = static_cast<float>((mag + mag) * (1.0 / n));
        const double phi = std::atan2(im, re);
        double d = phi - lastPhase[j];
        lastPhase[j] = static_cast<float>(phi);
        d = d - j * expect;
        long m = static_cast<long>(d * 0.3183098861837907);
        if (m >= 0) {
            m = m + (m & 1);
        } else {
            m = m - (m & 1);
        }
        d = d - m * 3.141592653589793;
        freqs[j] = static_cast<float>(j * bw + (d * 0.15915494309189535) * bw);
    }
}

void ReferenceEngine::oscillatorBank(float* out, int k) {
    const int n = frameSize[k];
    for (int i = 0; i < n; ++i) out[i] = 0.0f;
    const float* table = waveTables[waveType];
    for (int i = 0; i < numOscillators; ++i) {
        const float a = magnitudes[i];
        uint16_t phase = oscPhase[k][i];
        const uint16_t inc = oscIncrement[k][i];
        if (a > threshold) {
            for (int s = 0; s < n; ++s) {
                phase = static_cast<uint16_t>(phase + inc);
                out[s] = std::fmaf(a, table[phase], out[s]);
            }
        } else {
            phase = static_cast<uint16_t>(phase + inc * n);
        }
        oscPhase[k][i] = phase;
    }
}

void ReferenceEngine::runFrame(const float* in, float* out, int k) {
    paramUpdate(k);
    if (frameKeepFreqs == 0.0f) {
        fftMag(in, magnitudes);
    } else {
        smsPitchScale(in, magnitudes, measuredFreqs[k]);
    }
    oscillatorBank(out, k);
    if (fWinType != 0.0f) {
        for (int i = 0; i < frameSize[k]; ++i) out[i] = out[i] * outWindow[k][i];
    }
}
