// Long life cycles: 1000 instances created, used and destroyed, and one
// instance's editor opened, used and closed 1000 times. The heap in use must
// stay flat (measured where no sanitizer replaces the allocator) and the leak
// sanitizer must find nothing (in the address-sanitizer build).
#include <cstdio>

#include "ReliabilitySupport.h"

namespace {

using reliability::Blocks;
using reliability::dispatch;

constexpr int kCycles = 1000;
constexpr int kWarmUp = 20;
// Whatever the allocator keeps for itself between cycles stays far below this;
// a leak of one instance (over a megabyte of tables) or one editor per
// cycle (frame, ten views, bitmaps) is far above it.
constexpr size_t kAllowedGrowth = 64 * 1024;

class Cycles : public reliability::HeadlessHost {
protected:
    // Checks what this build can check once the cycles are done.
    void expectFlat(size_t before, const char* what) {
        if (reliability::leakCheckAvailable()) {
            EXPECT_FALSE(reliability::leaksFound()) << what << ": the leak sanitizer found unreachable blocks";
            return;
        }
#ifdef RELIABILITY_TSAN
        GTEST_SKIP() << "the thread sanitizer's allocator hides the heap figures; the "
                        "address-sanitizer build checks leaks";
#else
        const size_t after = reliability::heapInUse();
        const long long growth = static_cast<long long>(after) - static_cast<long long>(before);
        std::printf("%s: heap in use %zu bytes before, %zu after %d cycles (%+lld)\n", what, before,
                    after, kCycles, growth);
        EXPECT_LT(growth, static_cast<long long>(kAllowedGrowth)) << what << ": memory grows";
#endif
    }
};

// One instance from creation to effClose; every tenth also opens its
// editor and is closed with the editor still open.
void lifeOfAnInstance(int i, int32_t* parent) {
    AEffect* e = VSTPluginMain(reliability::zeroHost);
    ASSERT_NE(e, nullptr);
    dispatch(e, effOpen);
    dispatch(e, effMainsChanged, 0, 1);
    Blocks blocks(300);
    double phase = 0;
    ASSERT_TRUE(blocks.run(e, phase));
    e->setParameter(e, 0, 0.3f);
    if (i % 10 == 0) {
        ASSERT_EQ(dispatch(e, effEditOpen, 0, 0, parent), 1);
        dispatch(e, effEditIdle);
    }
    dispatch(e, effMainsChanged, 0, 0);
    ASSERT_EQ(dispatch(e, effClose), 1);
}

TEST_F(Cycles, ThousandInstancesCreatedAndDestroyed) {
    for (int i = 0; i < kWarmUp; ++i) lifeOfAnInstance(i, &parentWindow);
    const size_t before = reliability::heapInUse();
    for (int i = 0; i < kCycles; ++i) {
        lifeOfAnInstance(i, &parentWindow);
        if (HasFatalFailure()) return;
    }
    expectFlat(before, "1000 instances");
}

TEST_F(Cycles, ThousandEditorOpenCloseCycles) {
    AEffect* e = VSTPluginMain(reliability::zeroHost);
    ASSERT_NE(e, nullptr);
    auto cycle = [&](int i) {
        ASSERT_EQ(dispatch(e, effEditOpen, 0, 0, &parentWindow), 1);
        dispatch(e, effEditIdle);
        dispatch(e, effEditDraw);
        if (i % 10 == 0) {
            // Now and then a gesture and a host change while open.
            scriptDrag({133, 190}, {133, 120});
            dispatch(e, effEditMouse, 133, 190);
            e->setParameter(e, 5, static_cast<float>(i % 100) / 100.0f);
            dispatch(e, effEditIdle);
        }
        dispatch(e, effEditClose);
        ASSERT_TRUE(backend.windows().empty());
    };
    for (int i = 0; i < kWarmUp; ++i) cycle(i);
    const size_t before = reliability::heapInUse();
    for (int i = 0; i < kCycles; ++i) {
        cycle(i);
        if (HasFatalFailure()) break;
    }
    expectFlat(before, "1000 editor cycles");
    dispatch(e, effClose);
}

}  // namespace
