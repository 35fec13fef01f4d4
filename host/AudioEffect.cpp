#include "AudioEffect.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "AEffEditor.h"

bool oome = false;

namespace {

constexpr const char kHugeText[] = " Huge!  ";

// Copies an 8-character text and its NUL into the caller's buffer.
void writeText(char* text, const char* source) {
    std::memcpy(text, source, std::strlen(source) + 1);
}

// Converts a float result to the dispatcher's integer without undefined
// behaviour: truncation toward zero, NaN as 0, out-of-range values clamped.
intptr_t truncateToInt32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<intptr_t>(static_cast<int32_t>(value));
}

}  // namespace

AudioEffect::AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams)
    : sampleRate(44100.0f),
      editor(nullptr),
      audioMaster(audioMaster),
      numPrograms(numPrograms),
      numParams(numParams),
      curProgram(0),
      blockSize(1024) {
    std::memset(static_cast<void*>(&cEffect), 0, sizeof(cEffect));
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEffectClass;
    cEffect.process = processClass;
    cEffect.setParameter = setParameterClass;
    cEffect.getParameter = getParameterClass;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.flags = 0;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.user = nullptr;
    cEffect.uniqueID = kDefaultUniqueId;
    cEffect.version = 1;
    cEffect.processReplacing = processClassReplacing;
}

AudioEffect::~AudioEffect() {
    delete editor;
    editor = nullptr;
}

void AudioEffect::setParameter(int32_t, float) {}

float AudioEffect::getParameter(int32_t) { return 0.0f; }

void AudioEffect::setParameterAutomated(int32_t index, float value) {
    setParameter(index, value);
    if (audioMaster) audioMaster(&cEffect, audioMasterAutomate, index, 0, nullptr, value);
}

void AudioEffect::processReplacing(float**, float**, int32_t) {}

intptr_t AudioEffect::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                 float opt) {
    switch (opcode) {
        case effOpen: open(); return 0;
        case effClose: close(); return 0;
        case effSetProgram:
            if (value < static_cast<intptr_t>(numPrograms)) setProgram(static_cast<int32_t>(value));
            return 0;
        case effGetProgram: return getProgram();
        // Text opcodes: a host that passes no buffer gets 0 and nothing is
        // read or written.
        case effSetProgramName:
            if (ptr) setProgramName(static_cast<char*>(ptr));
            return 0;
        case effGetProgramName:
            if (ptr) getProgramName(static_cast<char*>(ptr));
            return 0;
        case effGetParamLabel:
            if (ptr) getParameterLabel(index, static_cast<char*>(ptr));
            return 0;
        case effGetParamDisplay:
            if (ptr) getParameterDisplay(index, static_cast<char*>(ptr));
            return 0;
        case effGetParamName:
            if (ptr) getParameterName(index, static_cast<char*>(ptr));
            return 0;
        case effGetVu: return truncateToInt32(static_cast<double>(getVu()) * 32767.0);
        case effSetSampleRate: setSampleRate(opt); return 0;
        case effSetBlockSize: setBlockSize(static_cast<int32_t>(value)); return 0;
        case effMainsChanged:
            if (value == 0) suspend();
            else resume();
            return 0;
        case effEditGetRect:
            if (editor && ptr) return editor->getRect(static_cast<ERect**>(ptr));
            return 0;
        case effEditOpen:
            if (editor) return editor->open(ptr);
            return 0;
        case effEditClose:
            if (editor) editor->close();
            return 0;
        case effEditDraw:
            if (editor) editor->draw(static_cast<ERect*>(ptr));
            return 0;
        case effEditMouse:
            if (editor) return editor->mouse(index, static_cast<int32_t>(value));
            return 0;
        case effEditKey:
            if (editor) return editor->key(static_cast<int32_t>(value));
            return 0;
        case effEditIdle:
            if (editor) editor->idle();
            return 0;
        case effEditTop:
            if (editor) editor->top();
            return 0;
        case effEditSleep:
            if (editor) editor->sleep();
            return 0;
        case effIdentify: return kEffectIdentify;
        case effGetChunk: return getChunk(static_cast<void**>(ptr), index != 0);
        case effSetChunk:
            return setChunk(ptr, static_cast<int32_t>(value), index != 0);
        default: return 0;
    }
}

void AudioEffect::open() {}
void AudioEffect::close() {}

int32_t AudioEffect::getProgram() { return curProgram; }
void AudioEffect::setProgram(int32_t program) { curProgram = program; }
void AudioEffect::setProgramName(char* name) { *name = 0; }
void AudioEffect::getProgramName(char* name) { *name = 0; }

void AudioEffect::getParameterLabel(int32_t, char* label) { *label = 0; }
void AudioEffect::getParameterDisplay(int32_t, char* text) { *text = 0; }
void AudioEffect::getParameterName(int32_t, char* text) { *text = 0; }

float AudioEffect::getVu() { return 0.0f; }
int32_t AudioEffect::getChunk(void**, bool) { return 0; }
int32_t AudioEffect::setChunk(void*, int32_t, bool) { return 0; }

void AudioEffect::setSampleRate(float rate) { sampleRate = rate; }
void AudioEffect::setBlockSize(int32_t size) { blockSize = size; }
void AudioEffect::suspend() {}
void AudioEffect::resume() {}

void AudioEffect::setUniqueID(int32_t id) { cEffect.uniqueID = id; }
void AudioEffect::setNumInputs(int32_t inputs) { cEffect.numInputs = inputs; }
void AudioEffect::setNumOutputs(int32_t outputs) { cEffect.numOutputs = outputs; }

void AudioEffect::setFlag(int32_t bit, bool state) {
    if (state) cEffect.flags |= bit;
    else cEffect.flags &= ~bit;
}

void AudioEffect::hasVu(bool state) { setFlag(effFlagsHasVu, state); }
void AudioEffect::hasClip(bool state) { setFlag(effFlagsHasClip, state); }
void AudioEffect::canMono(bool state) { setFlag(effFlagsCanMono, state); }
void AudioEffect::canProcessReplacing(bool state) { setFlag(effFlagsCanReplacing, state); }
void AudioEffect::programsAreChunks(bool state) { setFlag(effFlagsProgramChunks, state); }

void AudioEffect::setRealtimeQualities(int32_t qualities) { cEffect.realQualities = qualities; }
void AudioEffect::setOfflineQualities(int32_t qualities) { cEffect.offQualities = qualities; }
void AudioEffect::setInitialDelay(int32_t delay) { cEffect.initialDelay = delay; }

float AudioEffect::getSampleRate() { return sampleRate; }
int32_t AudioEffect::getBlockSize() { return blockSize; }

int32_t AudioEffect::getMasterVersion() {
    if (!audioMaster) return 1;
    const intptr_t answer = audioMaster(&cEffect, audioMasterVersion, 0, 0, nullptr, 0.0f);
    return answer == 0 ? 1 : static_cast<int32_t>(answer);
}

int32_t AudioEffect::getCurrentUniqueId() {
    if (!audioMaster) return 0;
    return static_cast<int32_t>(audioMaster(&cEffect, audioMasterCurrentId, 0, 0, nullptr, 0.0f));
}

void AudioEffect::masterIdle() {
    if (audioMaster) audioMaster(&cEffect, audioMasterIdle, 0, 0, nullptr, 0.0f);
}

bool AudioEffect::isInputConnected(int32_t input) {
    if (!audioMaster) return true;
    return audioMaster(&cEffect, audioMasterPinConnected, input, 0, nullptr, 0.0f) == 0;
}

bool AudioEffect::isOutputConnected(int32_t output) {
    if (!audioMaster) return true;
    return audioMaster(&cEffect, audioMasterPinConnected, output, 1, nullptr, 0.0f) == 0;
}

void AudioEffect::dB2string(float value, char* text) {
    if (!(value > 0.0f)) {
        writeText(text, "   -\xB0   ");
        return;
    }
    float2string(static_cast<float>(20.0 * std::log10(static_cast<double>(value))), text);
}

void AudioEffect::Hz2string(float samples, char* text) {
    if (samples == 0.0f) {
        float2string(0.0f, text);
        return;
    }
    float2string(getSampleRate() / samples, text);
}

void AudioEffect::ms2string(float samples, char* text) {
    float2string(static_cast<float>(static_cast<double>(samples) * 1000.0 /
                                    static_cast<double>(getSampleRate())),
                 text);
}

// Writes at most 8 characters and the NUL. Values up to 7 integer digits (6
// after a minus sign) show the integer part, a point and as many truncated
// fraction digits as fill 8 characters. An integer part of 8 digits (7 after
// a minus sign) does not leave room for the point: such values show all their
// integer digits without a point, e.g. "12345678" and "-1234567". Values
// beyond the limits, and NaN, show " Huge!  ".
void AudioEffect::float2string(float value, char* text) {
    double magnitude = static_cast<double>(value);
    const bool negative = magnitude < 0.0;
    int used = 0;
    double limit = 99999999.0;
    if (negative) {
        magnitude = -magnitude;
        used = 1;
        limit = 9999999.0;
    }
    if (!(magnitude <= limit)) {
        writeText(text, kHugeText);
        return;
    }

    const double whole = std::floor(magnitude);
    auto integer = static_cast<int64_t>(whole);

    char digits[16];
    int numDigits = 0;
    do {
        digits[numDigits++] = static_cast<char>('0' + integer % 10);
        integer /= 10;
    } while (integer > 0);

    char* out = text;
    if (negative) *out++ = '-';
    for (int i = numDigits - 1; i >= 0; --i) *out++ = digits[i];
    used += numDigits;
    if (used >= 8) {
        *out = 0;
        return;
    }
    *out++ = '.';
    ++used;

    const int k = 8 - used;
    if (k > 0) {
        double scale = 1.0;
        for (int i = 0; i < k; ++i) scale *= 10.0;
        auto fraction = static_cast<int64_t>((magnitude - whole) * scale);
        const auto maxFraction = static_cast<int64_t>(scale) - 1;
        if (fraction > maxFraction) fraction = maxFraction;
        for (int i = k - 1; i >= 0; --i) {
            out[i] = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        out += k;
    }
    *out = 0;
}

void AudioEffect::long2string(int32_t value, char* text) {
    if (value > 99999999) {
        writeText(text, kHugeText);
        return;
    }
    char formatted[16];
    std::snprintf(formatted, sizeof formatted, "%7d", static_cast<int>(value));
    formatted[8] = 0;
    writeText(text, formatted);
}

// Record functions. A throw must never unwind into the host: every exception
// that escapes the effect is caught here and the neutral answer returned.
extern "C" {

intptr_t dispatchEffectClass(AEffect* e, int32_t opcode, int32_t index, intptr_t value,
                             void* ptr, float opt) {
    if (!e || !e->object) return 0;
    auto* effect = static_cast<AudioEffect*>(e->object);
    try {
        if (opcode == effClose) {
            effect->dispatcher(opcode, index, value, ptr, opt);
            delete effect;
            return 1;
        }
        return effect->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

void processClass(AEffect* e, float** inputs, float** outputs, int32_t sampleFrames) {
    if (!e || !e->object) return;
    try {
        static_cast<AudioEffect*>(e->object)->process(inputs, outputs, sampleFrames);
    } catch (...) {
    }
}

void setParameterClass(AEffect* e, int32_t index, float value) {
    if (!e || !e->object) return;
    try {
        static_cast<AudioEffect*>(e->object)->setParameter(index, value);
    } catch (...) {
    }
}

float getParameterClass(AEffect* e, int32_t index) {
    if (!e || !e->object) return 0.0f;
    try {
        return static_cast<AudioEffect*>(e->object)->getParameter(index);
    } catch (...) {
        return 0.0f;
    }
}

void processClassReplacing(AEffect* e, float** inputs, float** outputs, int32_t sampleFrames) {
    if (!e || !e->object) return;
    try {
        static_cast<AudioEffect*>(e->object)->processReplacing(inputs, outputs, sampleFrames);
    } catch (...) {
    }
}

}  // extern "C"
