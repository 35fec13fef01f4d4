// The audio path allocates nothing: this executable replaces the global
// allocation functions with counting ones and runs every mode, frame size
// and window through both audio entries while counting.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

#include "EngineProbe.h"

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* p);
}

namespace {

std::atomic<long> gAllocations{0};
thread_local bool gCounting = false;

inline void note() {
    if (gCounting) gAllocations.fetch_add(1, std::memory_order_relaxed);
}

class CountAllocations {
public:
    CountAllocations() {
        gAllocations.store(0);
        gCounting = true;
    }
    ~CountAllocations() { gCounting = false; }
    long count() const { return gAllocations.load(); }
};

}  // namespace

extern "C" {
void* malloc(size_t size) {
    note();
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
    note();
    return __libc_calloc(count, size);
}
void* realloc(void* p, size_t size) {
    note();
    return __libc_realloc(p, size);
}
void* aligned_alloc(size_t alignment, size_t size) {
    note();
    return __libc_memalign(alignment, size);
}
void* memalign(size_t alignment, size_t size) {
    note();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size) {
    note();
    void* p = __libc_memalign(alignment, size);
    if (p == nullptr) return ENOMEM;
    *out = p;
    return 0;
}
void free(void* p) { __libc_free(p); }
}

void* operator new(size_t size) {
    note();
    void* p = __libc_malloc(size != 0 ? size : 1);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    note();
    return __libc_malloc(size != 0 ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return operator new(size, std::nothrow); }
void* operator new(size_t size, std::align_val_t al) {
    note();
    void* p = __libc_memalign(static_cast<size_t>(al), size != 0 ? size : 1);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}
void* operator new[](size_t size, std::align_val_t al) { return operator new(size, al); }
void operator delete(void* p) noexcept { __libc_free(p); }
void operator delete[](void* p) noexcept { __libc_free(p); }
void operator delete(void* p, size_t) noexcept { __libc_free(p); }
void operator delete[](void* p, size_t) noexcept { __libc_free(p); }
void operator delete(void* p, std::align_val_t) noexcept { __libc_free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { __libc_free(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { __libc_free(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { __libc_free(p); }

namespace {

TEST(AllocationCounter, SeesAllocations) {
    long seen = 0;
    {
        CountAllocations counter;
        int* volatile i = new int(3);
        void* volatile m = std::malloc(16);
        seen = counter.count();
        delete i;
        std::free(m);
    }
    EXPECT_EQ(seen, 2);
}

struct Mode {
    float keepFreqs;
    float fftSize;
    float winType;
};

class AudioPathAllocations : public ::testing::TestWithParam<Mode> {};

TEST_P(AudioPathAllocations, NoneInsideTheAudioEntries) {
    auto fx = makeProbe();
    fx->setParameter(kKeepFreqs, GetParam().keepFreqs);
    fx->setParameter(kFftSize, GetParam().fftSize);
    fx->setParameter(kWinType, GetParam().winType);
    fx->setParameter(kRegen, 1.0f);
    fx->setParameter(kThresh, 1.0f);
    const size_t length = 200000;
    std::vector<float> in(length), o0(length), o1(length);
    for (size_t i = 0; i < length; ++i) in[i] = static_cast<float>(0.5 * std::sin(0.07 * static_cast<double>(i)));
    const int32_t blocks[] = {1, 100, 256, 1023, 4097, 9000, 100000};
    long allocations = 0;
    {
        CountAllocations counter;
        size_t pos = 0;
        for (int32_t b : blocks) {
            float* ins[2] = {in.data() + pos, in.data() + pos};
            float* outs[2] = {o0.data() + pos, o1.data() + pos};
            fx->processReplacing(ins, outs, b);
            fx->process(ins, outs, b);
            pos += static_cast<size_t>(b);
        }
        allocations = counter.count();
    }
    EXPECT_EQ(allocations, 0);
    double energy = 0.0;
    for (float v : o0) energy += v * v;
    EXPECT_GT(energy, 1.0) << "the entries must have done their work";
}

INSTANTIATE_TEST_SUITE_P(Modes, AudioPathAllocations,
                         ::testing::Values(Mode{0.0f, 0.0f, 0.0f}, Mode{0.0f, 0.5f, 0.0f}, Mode{0.0f, 1.0f, 0.0f},
                                           Mode{0.0f, 0.0f, 1.0f}, Mode{0.0f, 0.5f, 1.0f}, Mode{0.0f, 1.0f, 1.0f},
                                           Mode{1.0f, 0.0f, 0.0f}, Mode{1.0f, 0.5f, 0.0f}, Mode{1.0f, 1.0f, 0.0f},
                                           Mode{1.0f, 0.0f, 1.0f}, Mode{1.0f, 0.5f, 1.0f},
                                           Mode{1.0f, 1.0f, 1.0f}));

}  // namespace
