// The headless backend: scripted pointer, manual clock, event delivery,
// drops, and the backend selection.
#include "HeadlessBackend.h"
#include "Port.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace platform;

namespace {

struct Recorder : WindowListener {
    std::vector<std::string> log;
    long keyAnswer = -1;
    bool acceptDrop = true;
    std::function<void()> duringMouseDown;

    void onMouseDown(Point where, int button, unsigned modifiers) override {
        log.push_back("down " + std::to_string(where.h) + "," + std::to_string(where.v) + " b" +
                      std::to_string(button) + " m" + std::to_string(modifiers));
        if (duringMouseDown)
            duringMouseDown();
    }
    long onKeyDown(KeyEvent const& k) override {
        log.push_back("key " + std::to_string(k.character) + " v" + std::to_string(k.virt) + " m" +
                      std::to_string(k.modifier));
        return keyAnswer;
    }
    long onKeyUp(KeyEvent const& k) override {
        log.push_back("keyup " + std::to_string(k.character));
        return -1;
    }
    void onWheel(float d) override { log.push_back("wheel " + std::to_string(int(d))); }
    void onExpose(Rect r) override { log.push_back("expose " + std::to_string(r.width()) + "x" + std::to_string(r.height())); }
    bool onDrop(DropKind kind, std::vector<std::string> const& items, Point where) override {
        std::string s = "drop " + std::to_string(int(kind)) + " @" + std::to_string(where.h) + "," + std::to_string(where.v);
        for (auto const& i : items)
            s += " " + i;
        log.push_back(s);
        return acceptDrop;
    }
};

class Headless : public ::testing::Test {
protected:
    HeadlessBackend backend;
    Recorder recorder;
    std::unique_ptr<Window> window;
    HeadlessWindow* hw = nullptr;

    void SetUp() override {
        int parent = 0;
        window.reset(backend.openWindow(&parent, 40, 30));
        ASSERT_TRUE(window);
        hw = static_cast<HeadlessWindow*>(window.get());
        window->setListener(&recorder);
    }
};

} // namespace

TEST_F(Headless, OpensAWindowOfTheSizeOnItsParent) {
    EXPECT_EQ(window->port().bounds(), (Rect{0, 0, 40, 30}));
    EXPECT_NE(hw->parent(), nullptr);
    EXPECT_EQ(backend.windows().size(), 1u);
    EXPECT_EQ(backend.openWindow(nullptr, 0, 10), nullptr);
    window->processEvents();
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"expose 40x30"}));
    window.reset();
    EXPECT_TRUE(backend.windows().empty());
}

TEST_F(Headless, PointerScriptIsConsumedOneQueryAtATime) {
    EXPECT_EQ(window->queryPointer().button, kButtonNone);
    backend.pushPointer(PointerState{Point{3, 4}, kButtonPrimary, kModifierShift});
    backend.pushPointer(PointerState{Point{5, 6}, kButtonPrimary, 0});
    backend.pushPointer(PointerState{Point{7, 8}, kButtonNone, 0});
    PointerState a = window->queryPointer();
    EXPECT_EQ(a.where, (Point{3, 4}));
    EXPECT_EQ(a.modifiers, unsigned(kModifierShift));
    EXPECT_EQ(window->queryPointer().where, (Point{5, 6}));
    EXPECT_EQ(window->queryPointer().where, (Point{7, 8}));
    EXPECT_EQ(backend.pendingPointerStates(), 0u);
    PointerState last = window->queryPointer();
    EXPECT_EQ(last.where, (Point{7, 8})) << "the last state stays";
    EXPECT_EQ(last.button, kButtonNone);
}

TEST_F(Headless, ManualClockMovesOnlyWhenTold) {
    EXPECT_EQ(backend.tickCount(), 0u);
    backend.setTicks(60);
    EXPECT_EQ(backend.tickCount(), 60u);
    backend.delay(30);
    EXPECT_EQ(backend.tickCount(), 90u);
    EXPECT_EQ(backend.delayedTicks(), 30u);
    backend.runEventLoop(0.5);
    EXPECT_EQ(backend.tickCount(), 120u);
    // Four event-loop runs of 4 ms make 16 ms: not yet a tick.
    backend.setTicks(0);
    for (int i = 0; i < 4; ++i)
        backend.runEventLoop(0.004);
    EXPECT_EQ(backend.microseconds(), 16000u);
    EXPECT_EQ(backend.tickCount(), 0u);
    backend.runEventLoop(0.001);
    EXPECT_EQ(backend.tickCount(), 1u);
    EXPECT_EQ(backend.eventLoopRuns(), 6);
    // The tick count wraps at 32 bits.
    uint64_t const ticks = (uint64_t(1) << 32) + 60;
    backend.setMicroseconds((ticks * 1000000 + 59) / 60);
    EXPECT_EQ(backend.tickCount(), 60u);
}

TEST_F(Headless, MouseDownsKeysAndWheelAreDeliveredInOrder) {
    window->processEvents();
    recorder.log.clear();
    recorder.keyAnswer = 1;
    hw->postMouseDown(Point{10, 12}, kButtonSecondary, kModifierCommand);
    hw->postMouseUp(Point{10, 12});
    hw->postKeyDown(KeyEvent{97, 0, 1});
    hw->postKeyUp(KeyEvent{97, 0, 1});
    hw->postWheel(-1);
    EXPECT_TRUE(recorder.log.empty()) << "nothing before processEvents";
    window->processEvents();
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"down 10,12 b2 m256", "key 97 v0 m1", "keyup 97", "wheel -1"}));
    EXPECT_EQ(hw->lastKeyAnswer(), -1);
    // The mouse-up was not delivered, and the pass dropped it.
    MouseEvent up;
    EXPECT_FALSE(window->takeMouseEvent(kMaskMouseUp | kMaskMouseDown, &up));
}

TEST_F(Headless, TheHandlerOfAPressFindsItsReleasePending) {
    window->processEvents();
    recorder.log.clear();
    std::vector<bool> found;
    recorder.duringMouseDown = [&] {
        MouseEvent e;
        found.push_back(window->takeMouseEvent(kMaskMouseUp, &e));
        found.push_back(window->takeMouseEvent(kMaskMouseDown, &e) && e.where == Point{4, 4});
    };
    hw->postMouseDown(Point{1, 1});
    hw->postMouseUp(Point{1, 1});
    hw->postMouseDown(Point{4, 4});   // a double click, taken by the first handler
    hw->postMouseUp(Point{4, 4});
    window->processEvents();
    EXPECT_EQ(found, (std::vector<bool>{true, true}));
    EXPECT_EQ(recorder.log.size(), 1u);
    MouseEvent e;
    EXPECT_FALSE(window->takeMouseEvent(kMaskMouseUp, &e)) << "the second release went with the pass";
}

TEST_F(Headless, TakeMouseEventRemovesTheFirstMatchingEvent) {
    backend.setTicks(5);
    hw->postMouseDown(Point{1, 1});
    hw->postMouseUp(Point{2, 2});
    hw->postMouseDown(Point{3, 3});
    MouseEvent e;
    ASSERT_TRUE(window->takeMouseEvent(kMaskMouseUp, &e));
    EXPECT_EQ(e.where, (Point{2, 2}));
    EXPECT_EQ(e.ticks, 5u);
    ASSERT_TRUE(window->takeMouseEvent(kMaskMouseDown, &e));
    EXPECT_EQ(e.where, (Point{1, 1}));
    window->processEvents();
    EXPECT_EQ(recorder.log.back(), "down 3,3 b1 m0");
}

TEST_F(Headless, ATrackingLoopInsideAHandlerDoesNotReenterIt) {
    window->processEvents();
    recorder.log.clear();
    int nestedRuns = 0;
    recorder.duringMouseDown = [&] {
        if (nestedRuns++ > 0)
            return;
        // Like a control's drag: poll the pointer and pace with the event loop.
        backend.pushPointer(PointerState{Point{5, 5}, kButtonPrimary, 0});
        backend.pushPointer(PointerState{Point{6, 9}, kButtonNone, 0});
        while (window->queryPointer().button == kButtonPrimary) {
            window->port().fillRect(Rect{0, 0, 2, 2});
            backend.runEventLoop(0.004);
        }
    };
    hw->postMouseDown(Point{1, 1});
    hw->postMouseDown(Point{2, 2});
    int flushes = hw->flushCount();
    window->processEvents();
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"down 1,1 b1 m0", "down 2,2 b1 m0"}));
    EXPECT_GT(hw->flushCount(), flushes + 1) << "drawing during the loop is flushed";
    EXPECT_TRUE(window->port().dirty().isEmpty());
}

TEST_F(Headless, DropsReachTheListenerOnlyOnADropTarget) {
    std::vector<std::string> files{"/tmp/a.wav", "/tmp/b.wav"};
    EXPECT_FALSE(hw->injectDrop(kDropFiles, files, Point{3, 4}));
    EXPECT_TRUE(recorder.log.empty());
    window->setDropTarget(true);
    EXPECT_TRUE(hw->injectDrop(kDropFiles, files, Point{3, 4}));
    recorder.acceptDrop = false;
    EXPECT_FALSE(hw->injectDrop(kDropText, {"hello"}, Point{0, 0}));
    EXPECT_EQ(recorder.log,
              (std::vector<std::string>{"drop 0 @3,4 /tmp/a.wav /tmp/b.wav", "drop 1 @0,0 hello"}));
    window->setDropTarget(false);
    EXPECT_FALSE(hw->injectDrop(kDropText, {"x"}, Point{}));
}

TEST_F(Headless, CursorSizeAndFlush) {
    window->setCursor(kCursorShapeWatch);
    EXPECT_EQ(hw->cursor(), kCursorShapeWatch);
    window->setCursor(7);
    window->setCursor(-1);
    EXPECT_EQ(hw->cursor(), kCursorShapeWatch);
    window->port().fillRect(Rect{0, 0, 5, 5});
    window->flush();
    EXPECT_TRUE(window->port().dirty().isEmpty());
    EXPECT_TRUE(window->setSize(50, 20));
    EXPECT_EQ(window->port().bounds(), (Rect{0, 0, 50, 20}));
    EXPECT_FALSE(window->setSize(0, 20));
    EXPECT_EQ(window->port().getPixel(4, 4), (Rgb{0, 0, 0}));
}

TEST_F(Headless, BackendSelection) {
    setBackend(&backend);
    EXPECT_EQ(&platform::backend(), &backend);
    setBackend(nullptr);
    EXPECT_EQ(&platform::backend(), &x11Backend());
}
