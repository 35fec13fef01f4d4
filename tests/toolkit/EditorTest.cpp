// The editor binding: what the host's editor opcodes reach, the window's
// events arriving as those requests, the clock helpers and the idle pacing.
#include <chrono>
#include <memory>

#include "AEffGUIEditor.h"
#include "AudioEffectX.h"
#include "ToolkitFixture.h"

namespace {

// What the host callback was asked, per opcode.
struct HostLog {
    int idles = 0;
    int beginEdits = 0;
    int endEdits = 0;
    int lastEditIndex = -1;
    int sizeWindows = 0;
    bool canSizeWindow = false;
    void* ownWindow = nullptr;  // what audioMasterOpenWindow answers
    VstWindow* openedRecord = nullptr;
    int closeWindows = 0;
};
HostLog* hostLog = nullptr;

intptr_t host(AEffect*, int32_t opcode, int32_t index, intptr_t, void* ptr, float) {
    if (!hostLog) return 0;
    switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterIdle: hostLog->idles++; return 0;
    case audioMasterBeginEdit: hostLog->beginEdits++; hostLog->lastEditIndex = index; return 1;
    case audioMasterEndEdit: hostLog->endEdits++; hostLog->lastEditIndex = index; return 1;
    case audioMasterCanDo:
        return hostLog->canSizeWindow && std::string(static_cast<const char*>(ptr)) == "sizeWindow";
    case audioMasterSizeWindow: hostLog->sizeWindows++; return 1;
    case audioMasterOpenWindow:
        hostLog->openedRecord = static_cast<VstWindow*>(ptr);
        return reinterpret_cast<intptr_t>(hostLog->ownWindow);
    case audioMasterCloseWindow: hostLog->closeWindows++; return 1;
    default: return 0;
    }
}

class TestEffect : public AudioEffectX {
public:
    TestEffect() : AudioEffectX(host, 1, 2) {}
    void process(float**, float**, int32_t) override {}
};

// A concrete editor as a product would write one: a 100 x 80 frame with two
// views, built in open and destroyed in close.
class TestEditor : public AEffGUIEditor {
public:
    explicit TestEditor(AudioEffect* effect) : AEffGUIEditor(effect) {
        rect = ERect{0, 0, 80, 100};
    }
    ~TestEditor() override { close(); }

    int32_t open(void* ptr) override {
        AEffGUIEditor::open(ptr);
        frame = new CFrame(CRect(0, 0, 100, 80), ptr, this);
        left = new RecordingView(CRect(0, 0, 50, 80), nullptr, "left", nullptr, kRedCColor);
        right = new RecordingView(CRect(50, 0, 100, 80), nullptr, "right", nullptr, kBlueCColor);
        frame->addView(left);
        frame->addView(right);
        return 1;
    }
    void close() override {
        if (frame) {
            frame->removeView(left, false);
            frame->removeView(right, false);
        }
        delete left;
        delete right;
        left = right = nullptr;
        delete frame;
        frame = nullptr;
    }
    void update() override { updates++; }

    RecordingView* left = nullptr;
    RecordingView* right = nullptr;
    int updates = 0;
};

class EditorTest : public HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        hostLog = &log;
        AEffGUIEditor::knobMode = 0;
        effect = std::make_unique<TestEffect>();
        editor = new TestEditor(effect.get());  // the effect owns and deletes it
    }
    void TearDown() override {
        effect.reset();
        hostLog = nullptr;
        HeadlessTest::TearDown();
    }
    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0) {
        AEffect* e = effect->getAeffect();
        return e->dispatcher(e, opcode, index, value, ptr, opt);
    }
    platform::HeadlessWindow* window() { return headlessWindow(*editor->getFrame()); }

    HostLog log;
    std::unique_ptr<TestEffect> effect;
    TestEditor* editor = nullptr;
};

TEST_F(EditorTest, ConstructionRegistersTheEditor) {
    EXPECT_EQ(effect->editorPointer(), editor);
    EXPECT_TRUE(effect->getAeffect()->flags & effFlagsHasEditor);
    EXPECT_EQ(editor->getFrame(), nullptr);
    ERect* r = nullptr;
    EXPECT_EQ(dispatch(effEditGetRect, 0, 0, &r), 1);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->top, 0);
    EXPECT_EQ(r->left, 0);
    EXPECT_EQ(r->bottom, 80);
    EXPECT_EQ(r->right, 100);
}

TEST_F(EditorTest, ClosedEditorAnswersWithoutAFrame) {
    EXPECT_EQ(dispatch(effEditMouse, 10, 10), 1);
    VstKeyCode key{'a', 0, 0};
    EXPECT_EQ(editor->onKeyDown(key), -1);
    EXPECT_EQ(editor->onKeyUp(key), -1);
    EXPECT_EQ(dispatch(effEditKeyDown, 'a', 0, nullptr, 0), -1);
    EXPECT_FALSE(editor->onWheel(1.0f));
    editor->draw(nullptr);
    editor->idle();
    EXPECT_TRUE(backend.windows().empty());
}

TEST_F(EditorTest, OpenIdleAndCloseDriveTheFrameAndItsWindow) {
    EXPECT_EQ(dispatch(effEditOpen, 0, 0, kHostWindow), 1);
    ASSERT_NE(editor->getFrame(), nullptr);
    ASSERT_EQ(backend.windows().size(), 1u);
    EXPECT_EQ(window()->parent(), kHostWindow);
    EXPECT_EQ(window()->port().width(), 100);
    EXPECT_EQ(window()->port().height(), 80);
    EXPECT_EQ(editor->getSystemWindow(), kHostWindow);

    // The first idle handles the window's first exposure: the whole frame is
    // drawn, and the update that open posted runs.
    dispatch(effEditIdle);
    EXPECT_EQ(editor->updates, 1);
    EXPECT_EQ(editor->left->draws, 1);
    EXPECT_EQ(editor->right->draws, 1);
    EXPECT_EQ(pixelOf(window()->port(), 75, 40), kBlueCColor);

    // A dirty view is redrawn by the next idle, alone.
    editor->left->setDirty(true);
    dispatch(effEditIdle);
    EXPECT_EQ(editor->left->draws, 2);
    EXPECT_EQ(editor->right->draws, 1);
    EXPECT_EQ(editor->updates, 1);

    // A flood of exposures costs no drawing: the window repaints from its pixels.
    for (int i = 0; i < 2000; i++) window()->postExpose(platform::Rect{0, 0, 100, 80});
    auto start = std::chrono::steady_clock::now();
    dispatch(effEditIdle);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(editor->left->draws, 2);
    EXPECT_EQ(editor->right->draws, 1);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 2000);

    EXPECT_EQ(dispatch(effEditClose), 0);
    EXPECT_EQ(editor->getFrame(), nullptr);
    EXPECT_TRUE(backend.windows().empty());
}

TEST_F(EditorTest, WindowEventsArriveAsTheHostsRequests) {
    dispatch(effEditOpen, 0, 0, kHostWindow);
    dispatch(effEditIdle);
    platform::HeadlessWindow* w = window();

    w->postMouseDown({60, 10});
    dispatch(effEditIdle);
    ASSERT_EQ(editor->right->clicks, 1);
    EXPECT_EQ(editor->left->clicks, 0);
    EXPECT_EQ(editor->right->lastClick, CPoint(60, 10));
    ASSERT_NE(editor->right->lastClickContext, nullptr);
    EXPECT_NE(editor->right->lastClickContext, editor->getFrame()->getFrameContext())
        << "a click comes with a context made for it, as effEditMouse's";

    editor->left->keyAnswer = 1;
    w->postKeyDown(platform::KeyEvent{0, platform::kVirtUp, platform::kKeyShift});
    dispatch(effEditIdle);
    EXPECT_EQ(editor->right->keysDown, 1);
    EXPECT_EQ(editor->left->keysDown, 1);
    EXPECT_EQ(w->lastKeyAnswer(), 1);

    pointerAt(20, 20);
    w->postWheel(1.0f);
    dispatch(effEditIdle);
    EXPECT_EQ(editor->left->wheels, 1);
    EXPECT_EQ(editor->left->wheelWhere, CPoint(20, 20));

    // The host's own opcodes take the same ways.
    EXPECT_EQ(dispatch(effEditMouse, 10, 70), 1);
    EXPECT_EQ(editor->left->clicks, 1);
    EXPECT_EQ(dispatch(effEditKeyDown, 'q', 0, nullptr, 0), 1);
    EXPECT_EQ(dispatch(effEditKeyUp, 'q', 0, nullptr, 0), 1);
}

TEST_F(EditorTest, IdleRestoresTheCurrentPort) {
    dispatch(effEditOpen, 0, 0, kHostWindow);
    std::unique_ptr<platform::Port, void (*)(platform::Port*)> sentinel(platform::Port::newWorld(2, 2),
                                                                        platform::Port::disposeWorld);
    platform::Port::setCurrent(sentinel.get());
    dispatch(effEditIdle);
    EXPECT_EQ(platform::Port::current(), sentinel.get());
}

TEST_F(EditorTest, KnobModeIsSharedByEveryEditor) {
    EXPECT_EQ(dispatch(effSetEditKnobMode, 0, 2), 1);
    TestEffect otherEffect;
    auto* other = new TestEditor(&otherEffect);
    other->open(kHostWindow);
    EXPECT_EQ(other->getFrame()->getKnobMode(), 2);
    dispatch(effEditOpen, 0, 0, kHostWindow);
    EXPECT_EQ(editor->getFrame()->getKnobMode(), 2);
    other->close();
}

TEST_F(EditorTest, TicksAndWait) {
    backend.setTicks(60);
    EXPECT_EQ(AEffGUIEditor::getTicks(), 1000u);
    backend.setTicks(61);
    EXPECT_EQ(AEffGUIEditor::getTicks(), 1016u);
    // tick count x 1000 is taken in 32 bits: 4294968000 wraps to 704.
    backend.setTicks(4294968);
    EXPECT_EQ(AEffGUIEditor::getTicks(), 11u);

    uint64_t before = backend.delayedTicks();
    AEffGUIEditor::wait(1000);
    EXPECT_EQ(backend.delayedTicks() - before, 60u);
    AEffGUIEditor::wait(10);
    EXPECT_EQ(backend.delayedTicks() - before, 60u);
}

TEST_F(EditorTest, FrameReachesTheEffectThroughTheEditor) {
    dispatch(effEditOpen, 0, 0, kHostWindow);
    CFrame* frame = editor->getFrame();
    frame->beginEdit(5);
    EXPECT_EQ(log.beginEdits, 1);
    EXPECT_EQ(log.lastEditIndex, 5);
    frame->endEdit(5);
    EXPECT_EQ(log.endEdits, 1);
    backend.setTicks(120);
    EXPECT_EQ(frame->getTicks(), 2000);
    EXPECT_EQ(editor->getFrame()->getEditor(), editor);
    EXPECT_EQ(editor->left->getEditor(), editor);

    log.canSizeWindow = true;
    EXPECT_TRUE(frame->setSize(120, 90));
    EXPECT_EQ(log.sizeWindows, 1);
    EXPECT_EQ(window()->port().width(), 120);
}

TEST_F(EditorTest, OwnWindowFrameOpensOnceThroughTheHost) {
    CFrame own(CRect(5, 6, 45, 36), "Trellisor extra", editor, 3);
    EXPECT_FALSE(own.isOpen());
    EXPECT_FALSE(own.open(nullptr)) << "the host gave no window";
    EXPECT_TRUE(backend.windows().empty());

    log.ownWindow = kHostWindow;
    CPoint at(100, 120);
    ASSERT_TRUE(own.open(&at));
    ASSERT_NE(log.openedRecord, nullptr);
    EXPECT_STREQ(log.openedRecord->title, "Trellisor extra");
    EXPECT_EQ(log.openedRecord->xPos, 100);
    EXPECT_EQ(log.openedRecord->yPos, 120);
    EXPECT_EQ(log.openedRecord->width, 40);
    EXPECT_EQ(log.openedRecord->height, 30);
    EXPECT_EQ(log.openedRecord->style, 3);
    ASSERT_EQ(backend.windows().size(), 1u);
    EXPECT_TRUE(backend.windows()[0]->isDropTarget());
    EXPECT_FALSE(own.open(nullptr)) << "already open";

    EXPECT_TRUE(own.close());
    EXPECT_EQ(log.closeWindows, 1);
    EXPECT_TRUE(backend.windows().empty());
    EXPECT_FALSE(own.close());
    EXPECT_FALSE(own.open(nullptr)) << "an own window opens once";
}

// The pacing of doIdleStuff, with the clock set to whole ticks: t is 60
// ticks (1000 ms) and a pacing idle happened at t without waiting.
class PacingTest : public EditorTest {
protected:
    void SetUp() override {
        backend.setTicks(0);
        const int runs = backend.eventLoopRuns();
        EditorTest::SetUp();  // the editor is made at time 0
        backend.setTicks(60);
        editor->doIdleStuff();  // the last idle time was the construction time: idles at once
        ASSERT_EQ(log.idles, 1);
        ASSERT_EQ(editor->getLastIdleTime(), 1100u);
        ASSERT_EQ(backend.eventLoopRuns(), runs);
    }
};

TEST_F(PacingTest, TableOfCallTimes) {
    struct Case {
        uint32_t ticks;       // of the call
        bool idles;
        uint32_t lastAfter;   // last idle time afterwards
        int eventLoopRuns;
    };
    // ms of the ticks: 62 -> 1033, 63 -> 1050, 67 -> 1116.
    const Case cases[] = {
        {62, false, 1100, 1},  // t + 33: only 4 ms in the event loop
        {63, true, 1154, 1},   // t + 50: 4 ms, then idles; last = t + 50 + 4 + 100
        {67, true, 1216, 0},   // t + 116: idles at once
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ticks);
        PacingTest::TearDown();
        log = HostLog{};
        PacingTest::SetUp();
        int idlesBefore = log.idles, runsBefore = backend.eventLoopRuns();
        double secondsBefore = backend.eventLoopSeconds();
        backend.setTicks(c.ticks);
        editor->doIdleStuff();
        EXPECT_EQ(log.idles - idlesBefore, c.idles ? 1 : 0);
        EXPECT_EQ(editor->getLastIdleTime(), c.lastAfter);
        EXPECT_EQ(backend.eventLoopRuns() - runsBefore, c.eventLoopRuns);
        if (c.eventLoopRuns) {
            EXPECT_DOUBLE_EQ(backend.eventLoopSeconds() - secondsBefore, 0.004);
        }
    }
}

TEST_F(PacingTest, IdleRunsTheEditorsIdleToo) {
    editor->postUpdate();
    backend.setTicks(67);
    editor->doIdleStuff();
    EXPECT_EQ(editor->updates, 1);
}

TEST_F(PacingTest, TheMillisecondWrapNeverStopsTheIdle) {
    // Just before tick count x 1000 wraps in 32 bits, then just after it:
    // the millisecond count jumps back by about 71.6 million.
    backend.setTicks(4294967);
    editor->doIdleStuff();
    ASSERT_EQ(log.idles, 2);
    backend.setTicks(4294967 + 4);
    ASSERT_LT(AEffGUIEditor::getTicks(), 100u);
    editor->doIdleStuff();
    EXPECT_EQ(log.idles, 3) << "a wrapped clock must not hold the idle back";
    // And the pacing goes on from the new time.
    uint32_t last = editor->getLastIdleTime();
    EXPECT_EQ(last, AEffGUIEditor::getTicks() + 100u);
    backend.setTicks(4294967 + 4 + 1);
    editor->doIdleStuff();
    EXPECT_EQ(log.idles, 3);
    backend.setTicks(4294967 + 4 + 7);
    editor->doIdleStuff();
    EXPECT_EQ(log.idles, 4);
}

TEST_F(PacingTest, WithoutAnEffectTheHostIsNotCalled) {
    TestEditor lone(nullptr);
    backend.setTicks(1000);
    lone.doIdleStuff();
    EXPECT_EQ(log.idles, 1);
    EXPECT_EQ(lone.getLastIdleTime(), AEffGUIEditor::getTicks() + 100u);
}

} // namespace
