// Shared pieces of the reliability tests: hosts of different manners, the
// headless platform for the editor, a leak check that asks the leak
// sanitizer where it is present, and the heap in use for the builds
// without it.
#pragma once

#include <gtest/gtest.h>

#include <malloc.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "AEffect.h"
#include "HeadlessBackend.h"

#if defined(__SANITIZE_ADDRESS__)
#define RELIABILITY_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RELIABILITY_ASAN 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define RELIABILITY_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define RELIABILITY_TSAN 1
#endif
#endif

#ifdef RELIABILITY_ASAN
#include <sanitizer/lsan_interface.h>
#endif

extern "C" AEffect* VSTPluginMain(audioMasterCallback audioMaster);
extern "C" AEffect* main_macho(audioMasterCallback audioMaster);

namespace reliability {

// A host that answers its version and 0 to everything else.
inline intptr_t zeroHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

inline intptr_t dispatch(AEffect* e, int32_t opcode, int32_t index = 0, intptr_t value = 0,
                         void* ptr = nullptr, float opt = 0.0f) {
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}

// Runs the headless platform for one test and restores the real one after.
class HeadlessHost : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setBackend(&backend);
        backend.clearPointer(platform::PointerState{});
    }
    void TearDown() override { platform::setBackend(nullptr); }

    // A press at from, held, moved to to and released there.
    void scriptDrag(platform::Point from, platform::Point to) {
        backend.clearPointer(platform::PointerState{});
        platform::PointerState s;
        s.button = platform::kButtonPrimary;
        s.where = from;
        backend.pushPointer(s);
        backend.pushPointer(s);
        s.where = to;
        for (int i = 0; i < 4; ++i) backend.pushPointer(s);
        s.button = platform::kButtonNone;
        backend.pushPointer(s);
    }

    platform::HeadlessBackend backend;
    int32_t parentWindow = 1;
};

// Reports whether the leak sanitizer finds unreachable blocks now; false
// (and nothing checked) in builds without it.
inline bool leakCheckAvailable() {
#ifdef RELIABILITY_ASAN
    return true;
#else
    return false;
#endif
}
inline bool leaksFound() {
#ifdef RELIABILITY_ASAN
    return __lsan_do_recoverable_leak_check() != 0;
#else
    return false;
#endif
}

// Bytes of heap in use by the program: the allocator's arena blocks plus
// its separately mapped large blocks (an effect object is one of those).
// Only meaningful without a sanitizer, whose allocator it does not see.
inline size_t heapInUse() {
    malloc_trim(0);
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// A block of a 440 Hz tone through the replacing entry; answers whether every
// output sample is finite.
struct Blocks {
    explicit Blocks(int32_t n) : length(n), in0(n), in1(n), out0(n), out1(n) {}
    bool run(AEffect* e, double& phase, float amplitude = 0.5f) {
        for (int32_t i = 0; i < length; ++i) {
            in0[i] = amplitude * static_cast<float>(std::sin(phase));
            in1[i] = in0[i];
            phase += 2.0 * M_PI * 440.0 / 44100.0;
        }
        float* ins[2] = {in0.data(), in1.data()};
        float* outs[2] = {out0.data(), out1.data()};
        e->processReplacing(e, ins, outs, length);
        for (int32_t i = 0; i < length; ++i)
            if (!std::isfinite(out0[i]) || !std::isfinite(out1[i])) return false;
        return true;
    }
    double energy() const {
        double s = 0;
        for (float v : out0) s += double(v) * v;
        return s;
    }
    int32_t length;
    std::vector<float> in0, in1, out0, out1;
};

}  // namespace reliability
