// The plug-in's threads as a host runs them: an audio thread processing
// blocks, an automation thread writing parameters, and the user-interface
// thread reading texts or running the open editor's idle and drawing, all at
// once. Built also under the thread sanitizer (label "threads").
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

#include "AudioEffect.h"
#include "CSlider.h"
#include "ReliabilitySupport.h"
#include "TrellisorEditor.h"

namespace {

using reliability::Blocks;
using reliability::dispatch;

constexpr int kBlocks = 1500;
constexpr int32_t kBlockLength = 256;
constexpr long kPasses = 300;  // user-interface passes at the least

// Audio thread: blocks of a tone until at least kBlocks are done and the
// user-interface side has said it is done too; counts blocks with a
// non-finite sample.
void audioThread(AEffect* e, const std::atomic<bool>& uiDone, std::atomic<bool>& done,
                 std::atomic<int>& blocksRun, std::atomic<int>& badBlocks) {
    Blocks blocks(kBlockLength);
    double phase = 0;
    while (blocksRun.load() < kBlocks || !uiDone.load()) {
        if (!blocks.run(e, phase)) badBlocks.fetch_add(1);
        blocksRun.fetch_add(1);
    }
    done.store(true);
}

// Automation thread: values in 0..1 to every index, the inert ones too,
// until the audio is done; answers how many were written.
long automationThread(AEffect* e, const std::atomic<bool>& done) {
    long writes = 0;
    uint32_t seed = 12345;
    while (!done.load()) {
        seed = seed * 1664525u + 1013904223u;
        const int32_t index = static_cast<int32_t>(seed >> 28) % 9;
        const float value = static_cast<float>(seed & 0xffff) / 65535.0f;
        e->setParameter(e, index, value);
        ++writes;
        if ((writes & 63) == 0) std::this_thread::yield();
    }
    return writes;
}

class ThreadedHost : public reliability::HeadlessHost {};

TEST_F(ThreadedHost, ParameterWritesDuringProcessing) {
    AEffect* e = VSTPluginMain(reliability::zeroHost);
    ASSERT_NE(e, nullptr);
    dispatch(e, effMainsChanged, 0, 1);
    std::atomic<bool> uiDone{false}, done{false};
    std::atomic<int> blocksRun{0}, bad{0};
    long writes = 0;
    std::thread audio(audioThread, e, std::cref(uiDone), std::ref(done), std::ref(blocksRun), std::ref(bad));
    std::thread automation([&] { writes = automationThread(e, done); });
    // The user-interface thread reads what the host shows.
    long reads = 0;
    while (!done.load()) {
        if (reads >= 9 * kPasses) uiDone.store(true);
        for (int32_t index = 0; index < 9; ++index) {
            char text[32] = {};
            (void)e->getParameter(e, index);
            dispatch(e, effGetParamDisplay, index, 0, text);
            ASSERT_NE(std::memchr(text, 0, sizeof text), nullptr);
            ++reads;
        }
    }
    audio.join();
    automation.join();
    std::printf("processing: %d blocks of %d samples, %ld parameter writes, %ld text reads\n",
                blocksRun.load(), kBlockLength, writes, reads);
    EXPECT_EQ(bad.load(), 0) << "parameters in 0..1 and a finite input gave non-finite output";
    EXPECT_GT(writes, 0);
    dispatch(e, effClose);
}

TEST_F(ThreadedHost, ParameterWritesDuringEditorDrawing) {
    AEffect* e = VSTPluginMain(reliability::zeroHost);
    ASSERT_NE(e, nullptr);
    dispatch(e, effMainsChanged, 0, 1);
    ASSERT_EQ(dispatch(e, effEditOpen, 0, 0, &parentWindow), 1);
    std::atomic<bool> uiDone{false}, done{false};
    std::atomic<int> blocksRun{0}, bad{0};
    long writes = 0;
    std::thread audio(audioThread, e, std::cref(uiDone), std::ref(done), std::ref(blocksRun), std::ref(bad));
    std::thread automation([&] { writes = automationThread(e, done); });
    // The user-interface thread idles and redraws the editor meanwhile.
    long idles = 0;
    while (!done.load()) {
        if (idles >= kPasses) uiDone.store(true);
        dispatch(e, effEditIdle);
        dispatch(e, effEditDraw);
        ++idles;
    }
    audio.join();
    automation.join();
    std::printf("editor: %d blocks, %ld parameter writes, %ld idle and draw passes\n", blocksRun.load(),
                writes, idles);
    EXPECT_EQ(bad.load(), 0);
    EXPECT_GE(idles, kPasses);
    // The controls show the last values written once the threads are done.
    e->setParameter(e, 1, 0.75f);
    dispatch(e, effEditIdle);
    EXPECT_FLOAT_EQ(e->getParameter(e, 1), 0.75f);
    dispatch(e, effEditClose);
    dispatch(e, effClose);
}

TEST_F(ThreadedHost, ParameterWritesWhileTheEditorOpensAndCloses) {
    AEffect* e = VSTPluginMain(reliability::zeroHost);
    ASSERT_NE(e, nullptr);
    auto* editor = static_cast<TrellisorEditor*>(static_cast<AudioEffect*>(e->object)->editorPointer());
    ASSERT_NE(editor, nullptr);
    std::atomic<bool> done{false};
    long writes = 0;
    std::thread automation([&] { writes = automationThread(e, done); });
    // The views are built and torn down while the other thread writes.
    constexpr int kCycles = 200;
    for (int i = 0; i < kCycles; ++i) {
        ASSERT_EQ(dispatch(e, effEditOpen, 0, 0, &parentWindow), 1);
        dispatch(e, effEditIdle);
        dispatch(e, effEditClose);
    }
    ASSERT_EQ(dispatch(e, effEditOpen, 0, 0, &parentWindow), 1);
    done.store(true);
    automation.join();
    std::printf("editor open/close: %d cycles, %ld parameter writes\n", kCycles, writes);
    // A write from another thread reaches the controls at the next idle.
    std::thread([e] { e->setParameter(e, 1, 0.625f); }).join();
    dispatch(e, effEditIdle);
    ASSERT_NE(editor->getRegenSlider(), nullptr);
    EXPECT_FLOAT_EQ(editor->getRegenSlider()->getValue(), 0.625f);
    dispatch(e, effEditClose);
    dispatch(e, effClose);
}

}  // namespace
