// Fuzzes the audio path: blocks of 0 to 20000 samples, now and then one of
// 1,000,000, through the replacing and the accumulating entry, with
// parameter writes between blocks (NaN, infinities, huge and denormal
// values, -1, 2 and ordinary values) and input that may hold non-finite
// samples. Channel buffers are heap blocks of exactly the block's length,
// so the address sanitizer reports any access past them. As long as every
// parameter written so far was finite and in 0..1 and every input sample
// finite, however loud, every output sample must be finite.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

#include "AEffect.h"
#include "FuzzInput.h"
#include "HeadlessBackend.h"

extern "C" AEffect* VSTPluginMain(audioMasterCallback audioMaster);

namespace {

intptr_t host(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

[[noreturn]] void fault() { __builtin_trap(); }

constexpr int32_t kMaxBlock = 20000;
constexpr int32_t kHugeBlock = 1000000;
constexpr int64_t kSampleBudget = 80000;  // per input, the huge block aside

float takeParameter(fuzzinput::Reader& in) {
    const uint8_t sel = in.u8();
    switch (sel & 3u) {
        case 0: return fuzzinput::specialFloat(in.u8());
        case 1: return static_cast<float>(in.u16()) / 65535.0f;
        case 2: return in.f32();
        default: return static_cast<float>(in.u8()) / 255.0f;
    }
}

bool inRange(float x) { return std::isfinite(x); }

// Fills n input samples. Answers whether all of them are finite.
bool fillInput(fuzzinput::Reader& in, float* out, int32_t n) {
    const uint8_t mode = in.u8();
    switch (mode & 3u) {
        case 0:
            std::memset(out, 0, sizeof(float) * static_cast<size_t>(n));
            return true;
        case 1: {
            // A tone of the input's choosing, in ±amplitude.
            const float freq = static_cast<float>(in.u16()) * 0.25f;
            const float amp = static_cast<float>(in.u8()) / 64.0f;
            for (int32_t i = 0; i < n; ++i)
                out[i] = amp * std::sin(6.2831853f * freq * static_cast<float>(i) / 44100.0f);
            return true;
        }
        case 2: {
            // Up to 64 raw samples of the input, repeated.
            float pattern[64];
            const size_t k = in.bytes(pattern, sizeof pattern) / sizeof(float);
            if (k == 0) {
                std::memset(out, 0, sizeof(float) * static_cast<size_t>(n));
                return true;
            }
            bool finite = true;
            for (size_t i = 0; i < k; ++i) finite = finite && inRange(pattern[i]);
            for (int32_t i = 0; i < n; ++i) out[i] = pattern[static_cast<size_t>(i) % k];
            return finite;
        }
        default: {
            // Noise in ±1 with a special value at a few places.
            uint32_t seed = in.u16() + 1u;
            for (int32_t i = 0; i < n; ++i) {
                seed = seed * 1664525u + 1013904223u;
                out[i] = static_cast<float>(static_cast<int32_t>(seed)) / 2147483648.0f;
            }
            bool finite = true;
            const int count = in.u8() % 4;
            for (int c = 0; c < count && n > 0; ++c) {
                const int32_t at = static_cast<int32_t>(in.u16()) % n;
                out[at] = fuzzinput::specialFloat(in.u8());
                finite = finite && inRange(out[at]);
            }
            return finite;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static platform::HeadlessBackend backend;
    platform::setBackend(&backend);

    fuzzinput::Reader in(data, size);
    AEffect* effect = VSTPluginMain(host);
    if (!effect) fault();
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);

    bool clean = true;  // parameters finite in 0..1 and input finite and in range so far
    bool hugeDone = false;
    int64_t budget = kSampleBudget;
    int steps = 0;
    while (!in.empty() && budget > 0 && steps++ < 100) {
        const uint8_t kind = in.u8();
        if ((kind & 3u) == 2u) {
            const int32_t index = static_cast<int32_t>(in.u8() % 11) - 1;  // -1 .. 9
            const float value = takeParameter(in);
            effect->setParameter(effect, index, value);
            if (index >= 0 && index < 7 && !(value >= 0.0f && value <= 1.0f)) clean = false;
            // Reading back and formatting must cope with whatever was stored.
            char text[64];
            std::memset(text, 0, sizeof text);
            (void)effect->getParameter(effect, index);
            effect->dispatcher(effect, effGetParamDisplay, index, 0, text, 0.0f);
            if (std::memchr(text, 0, sizeof text) == nullptr || std::strlen(text) > 8) fault();
            continue;
        }
        const uint16_t raw = in.u16();
        int32_t n = raw % (kMaxBlock + 1);
        if (raw == 0xFFFFu && !hugeDone) {
            n = kHugeBlock;
            hugeDone = true;
        } else {
            budget -= n;
        }
        const bool accumulate = (kind & 3u) == 1u;
        const bool inPlace = (kind & 4u) != 0;
        const size_t len = static_cast<size_t>(n);
        std::unique_ptr<float[]> in0(new float[len]), in1(new float[len]);
        std::unique_ptr<float[]> out0(new float[len]), out1(new float[len]);
        const bool finite = fillInput(in, in0.get(), n);
        std::memcpy(in1.get(), in0.get(), sizeof(float) * len);
        if (!finite) clean = false;
        float* inputs[2] = {in0.get(), in1.get()};
        float* outputs[2] = {out0.get(), out1.get()};
        if (inPlace && !accumulate) {
            outputs[0] = in0.get();
            outputs[1] = in1.get();
        } else {
            std::memset(out0.get(), 0, sizeof(float) * len);
            std::memset(out1.get(), 0, sizeof(float) * len);
        }
        if (accumulate)
            effect->process(effect, inputs, outputs, n);
        else
            effect->processReplacing(effect, inputs, outputs, n);
        if (clean) {
            for (size_t i = 0; i < len; ++i)
                if (!std::isfinite(outputs[0][i]) || !std::isfinite(outputs[1][i])) fault();
        }
    }
    effect->dispatcher(effect, effMainsChanged, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    return 0;
}
