// Small VST 2 plug-ins with exactly known behaviour, for testing the
// renderer as a host. One source, built once per kind:
//   FIXTURE_DELAY      2 in / 2 out, delays every channel by kDelay samples
//                      and multiplies it by 2 x Gain; reports kDelay latency
//   FIXTURE_MACHO      the same, but exports only main_macho
//   FIXTURE_NULL_ENTRY VSTPluginMain returns no record
//   FIXTURE_BAD_MAGIC  VSTPluginMain returns a record with a wrong magic
//   FIXTURE_NO_ENTRY   exports no entry point at all
//   FIXTURE_CRASH      the delay, crashing (SIGSEGV) once 4096 frames are processed
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

#include "AEffect.h"

#define FIXTURE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int32_t kDelay = 1000;
constexpr int32_t kChannels = 2;

struct DelayFixture {
    AEffect record{};
    audioMasterCallback host = nullptr;
    float gain = 0.5f;
    float echo = 0.0f;
    std::vector<float> lines[kChannels];
    size_t head = 0;
    long processed = 0;
    long crashAfter = 0;  // frames; 0: never
};

DelayFixture* self(AEffect* e) { return static_cast<DelayFixture*>(e->object); }

void copy(void* ptr, const char* text) { std::strcpy(static_cast<char*>(ptr), text); }

intptr_t dispatcher(AEffect* e, int32_t opcode, int32_t index, intptr_t, void* ptr, float) {
    DelayFixture* f = self(e);
    switch (opcode) {
        case effOpen:
            for (auto& line : f->lines) line.assign(kDelay, 0.0f);
            return 0;
        case effClose:
            delete f;
            return 1;
        case effGetParamName:
            copy(ptr, index == 0 ? "  Gain  " : index == 1 ? "Echo" : "HostRate");
            return 0;
        case effGetParamLabel:
            copy(ptr, index == 0 ? " x2 " : "");
            return 0;
        case effGetParamDisplay:
            if (index == 0) std::snprintf(static_cast<char*>(ptr), 16, "%.3f", 2.0 * f->gain);
            if (index == 1) std::snprintf(static_cast<char*>(ptr), 16, "%d%%", static_cast<int>(f->echo * 100.0f));
            if (index == 2) {
                intptr_t rate = f->host(e, audioMasterGetSampleRate, 0, 0, nullptr, 0.0f);
                intptr_t block = f->host(e, audioMasterGetBlockSize, 0, 0, nullptr, 0.0f);
                std::snprintf(static_cast<char*>(ptr), 32, "%ld/%ld", static_cast<long>(rate), static_cast<long>(block));
            }
            return 0;
        case effGetVendorString: copy(ptr, "Fixture Works"); return 1;
        case effGetProductString: copy(ptr, "Delay Fixture"); return 1;
        case effGetVendorVersion: return 7;
        default: return 0;
    }
}

void setParameter(AEffect* e, int32_t index, float value) {
    DelayFixture* f = self(e);
    if (index == 0) f->gain = value;
    if (index == 1) {
        f->echo = value;
        f->host(e, audioMasterAutomate, 1, 0, nullptr, value);
    }
}

float getParameter(AEffect* e, int32_t index) {
    DelayFixture* f = self(e);
    return index == 0 ? f->gain : index == 1 ? f->echo : 0.0f;
}

void processReplacing(AEffect* e, float** inputs, float** outputs, int32_t frames) {
    DelayFixture* f = self(e);
    if (f->crashAfter > 0 && f->processed >= f->crashAfter) std::raise(SIGSEGV);
    f->processed += frames;
    const float g = 2.0f * f->gain;
    for (int32_t i = 0; i < frames; ++i) {
        for (int32_t c = 0; c < kChannels; ++c) {
            float delayed = f->lines[c][f->head];
            f->lines[c][f->head] = inputs[c][i];
            outputs[c][i] = delayed * g;
        }
        f->head = (f->head + 1) % kDelay;
    }
}

AEffect* makeDelay(audioMasterCallback host, long crashAfter = 0) {
    if (host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    auto* f = new DelayFixture;
    f->crashAfter = crashAfter;
    f->host = host;
    AEffect& r = f->record;
    r.magic = kEffectMagic;
    r.dispatcher = dispatcher;
    r.setParameter = setParameter;
    r.getParameter = getParameter;
    r.processReplacing = processReplacing;
    r.numPrograms = 1;
    r.numParams = 3;
    r.numInputs = kChannels;
    r.numOutputs = kChannels;
    r.flags = effFlagsCanReplacing;
    r.initialDelay = kDelay;
    r.ioRatio = 1.0f;
    r.object = f;
    r.uniqueID = fourCharCode('R', 'f', 'D', 'l');
    r.version = 3;
    return &r;
}

}  // namespace

#if defined(FIXTURE_DELAY)
FIXTURE_EXPORT AEffect* VSTPluginMain(audioMasterCallback host) { return makeDelay(host); }
#elif defined(FIXTURE_MACHO)
FIXTURE_EXPORT AEffect* main_macho(audioMasterCallback host) { return makeDelay(host); }
#elif defined(FIXTURE_NULL_ENTRY)
FIXTURE_EXPORT AEffect* VSTPluginMain(audioMasterCallback) {
    (void)&makeDelay;
    return nullptr;
}
#elif defined(FIXTURE_BAD_MAGIC)
// A host must not touch such a record, so it stays here for the life of the
// process.
AEffect* sUnusable = nullptr;
FIXTURE_EXPORT AEffect* VSTPluginMain(audioMasterCallback host) {
    sUnusable = makeDelay(host);
    sUnusable->magic = 0x12345678;
    return sUnusable;
}
#elif defined(FIXTURE_CRASH)
FIXTURE_EXPORT AEffect* VSTPluginMain(audioMasterCallback host) { return makeDelay(host, 4096); }
#elif defined(FIXTURE_NO_ENTRY)
FIXTURE_EXPORT int fixtureSomethingElse() {
    (void)&makeDelay;
    return 0;
}
#endif
