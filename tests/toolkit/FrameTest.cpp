// The frame: routing of clicks, keys, wheel and drops; modal and edit
// views; the view array; the redraw model; size, cursors and position.
#include <memory>

#include "CBitmap.h"
#include "ToolkitFixture.h"

namespace {

class FrameTest : public HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        frame = std::make_unique<CFrame>(CRect(0, 0, 100, 100), kHostWindow, nullptr);
        ASSERT_NE(headlessWindow(*frame), nullptr);
    }
    void TearDown() override {
        // The views belong to the test: take them out before the frame goes,
        // since its destructor releases what it still holds.
        if (frame) frame->removeAll(false);
        frame.reset();
        HeadlessTest::TearDown();
    }
    // A view on the frame, owned by the test (the frame takes no reference).
    RecordingView* add(const CRect& r, const char* name, CColor colour = kRedCColor) {
        views.push_back(std::make_unique<RecordingView>(r, &log, name, nullptr, colour));
        EXPECT_TRUE(frame->addView(views.back().get()));
        return views.back().get();
    }
    platform::Port& screen() { return headlessWindow(*frame)->port(); }

    std::vector<std::string> log;
    std::vector<std::unique_ptr<RecordingView>> views;  // destroyed after the frame
    std::unique_ptr<CFrame> frame;
};

TEST_F(FrameTest, ClickReachesTheTopmostEnabledViewOnly) {
    RecordingView* left = add(CRect(0, 0, 50, 50), "left");
    RecordingView* right = add(CRect(50, 0, 100, 50), "right");
    CPoint edge(50, 20);
    frame->mouse(nullptr, edge);
    EXPECT_EQ(right->clicks, 1) << "the shared edge belongs to the later view";
    EXPECT_EQ(left->clicks, 0);
    EXPECT_EQ(right->lastClickContext, frame->getFrameContext());

    CPoint outside(70, 80);
    frame->mouse(nullptr, outside);
    EXPECT_EQ(left->clicks + right->clicks, 1);

    right->setMouseEnabled(false);
    frame->mouse(nullptr, edge);
    EXPECT_EQ(left->clicks, 1) << "a disabled view lets the click through";
    EXPECT_EQ(right->clicks, 1);
}

TEST_F(FrameTest, ClickEndsTheKeyboardFocusBeforeItIsDelivered) {
    RecordingView* slider = add(CRect(0, 0, 20, 20), "slider");
    RecordingView* other = add(CRect(30, 30, 40, 40), "other");
    frame->setEditView(slider);
    EXPECT_EQ(slider->focusLost, 0) << "the new edit view is not told";
    log.clear();
    CPoint p(35, 35);
    frame->mouse(nullptr, p);
    EXPECT_EQ(log, (std::vector<std::string>{"slider.looseFocus", "other.mouse"}));
    EXPECT_EQ(frame->getEditView(), nullptr);
    (void)other;
}

TEST_F(FrameTest, ModalViewTakesClicksKeysAndIdle) {
    RecordingView* under = add(CRect(0, 0, 100, 100), "under");
    RecordingView* edit = add(CRect(0, 0, 10, 10), "edit");
    RecordingView modal(CRect(40, 40, 60, 60), &log, "modal");
    ASSERT_TRUE(frame->setModalView(&modal));
    EXPECT_EQ(modal.attachedTo, frame.get());

    CPoint outside(10, 10), inside(50, 50);
    frame->mouse(nullptr, outside);
    EXPECT_EQ(under->clicks + edit->clicks + modal.clicks, 0);
    frame->mouse(nullptr, inside);
    EXPECT_EQ(modal.clicks, 1);
    EXPECT_EQ(under->clicks, 0);

    frame->setEditView(edit);
    log.clear();
    VstKeyCode key{'x', 0, 0};
    EXPECT_EQ(frame->onKeyDown(key), -1);
    EXPECT_EQ(log, (std::vector<std::string>{"edit.keyDown", "modal.keyDown", "edit.keyDown",
                                             "under.keyDown"}));
    modal.keyAnswer = 3;
    log.clear();
    EXPECT_EQ(frame->onKeyDown(key), 3);
    EXPECT_EQ(log, (std::vector<std::string>{"edit.keyDown", "modal.keyDown"}));

    // Drops are refused while a modal view is set.
    frame->setEditView(nullptr);
    EXPECT_EQ(frame->receiveDrop(true, {"/a"}), CFrame::kDropAccepted);
    EXPECT_EQ(under->drops, 0);

    // Every idle pass updates the modal view, and only it.
    frame->draw(static_cast<CView*>(nullptr));
    modal.setDirty(true);
    under->setDirty(true);
    int modalDraws = modal.draws, underDraws = under->draws;
    frame->idle();
    EXPECT_EQ(modal.draws, modalDraws + 1);
    EXPECT_EQ(under->draws, underDraws);
    EXPECT_TRUE(frame->isSomethingDirty()) << "a modal view keeps the idle pass going";

    RecordingView second(CRect(0, 0, 5, 5));
    EXPECT_FALSE(frame->setModalView(&second));
    EXPECT_EQ(frame->getModalView(), &modal);
    EXPECT_EQ(second.attachedTo, nullptr);
    EXPECT_TRUE(frame->setModalView(nullptr));
    EXPECT_EQ(modal.removedFrom, frame.get());
    frame->mouse(nullptr, outside);
    EXPECT_EQ(edit->clicks, 1) << "the modal state has ended";
}

TEST_F(FrameTest, KeysGoFromTheTopViewDownUntilOneHandlesThem) {
    RecordingView* a = add(CRect(0, 0, 5, 5), "a");
    RecordingView* b = add(CRect(0, 0, 5, 5), "b");
    RecordingView* c = add(CRect(0, 0, 5, 5), "c");
    b->keyAnswer = 1;
    a->keyAnswer = 2;
    VstKeyCode key{0, 11, 0};
    EXPECT_EQ(frame->onKeyUp(key), 1);
    EXPECT_EQ(c->keysUp, 1);
    EXPECT_EQ(b->keysUp, 1);
    EXPECT_EQ(a->keysUp, 0);
}

TEST_F(FrameTest, ViewArrayGrowsByTwentyAndIndexesSafely) {
    for (int i = 0; i < 5; i++) add(CRect(i, 0, i + 1, 1), "v");
    EXPECT_EQ(frame->getNbViews(), 5);
    EXPECT_EQ(frame->getView(5), nullptr);
    EXPECT_EQ(frame->getView(-1), nullptr);
    EXPECT_EQ(frame->getView(4), views[4].get());
    EXPECT_EQ(frame->getCapacity(), 20);
    EXPECT_EQ(views[0]->getParent(), frame.get());
    EXPECT_EQ(views[0]->attachedTo, frame.get());
    EXPECT_FALSE(views[0]->isDirty()) << "the frame does not mark added views dirty";
    EXPECT_EQ(views[0]->getNbReference(), 1) << "the frame takes no reference";
    for (int i = 5; i < 21; i++) add(CRect(0, 0, 1, 1), "v");
    EXPECT_EQ(frame->getNbViews(), 21);
    EXPECT_EQ(frame->getCapacity(), 40);
    EXPECT_EQ(frame->getView(20), views[20].get());
    EXPECT_EQ(frame->getView(0), views[0].get());

    // Removing moves the views above down one slot.
    frame->removeView(views[1].get(), false);
    EXPECT_EQ(frame->getView(1), views[2].get());
    EXPECT_EQ(views[1]->removedFrom, frame.get());
    EXPECT_FALSE(frame->isChild(views[1].get()));
    EXPECT_EQ(views[1]->getNbReference(), 1);
}

// A frame whose view array cannot grow.
class StarvedFrame : public CFrame {
public:
    using CFrame::CFrame;
    bool starve = false;

protected:
    CView** allocateViews(long capacity) override {
        return starve ? nullptr : CFrame::allocateViews(capacity);
    }
};

TEST_F(FrameTest, FailedGrowthRefusesTheViewAndKeepsTheOthers) {
    StarvedFrame f(CRect(0, 0, 10, 10), nullptr, nullptr);
    std::vector<std::unique_ptr<CView>> owned;
    for (int i = 0; i < 20; i++) {
        owned.push_back(std::make_unique<CView>(CRect(0, 0, 1, 1)));
        ASSERT_TRUE(f.addView(owned.back().get()));
    }
    f.starve = true;
    CView extra(CRect(0, 0, 1, 1));
    EXPECT_FALSE(f.addView(&extra));
    EXPECT_EQ(f.getNbViews(), 20);
    EXPECT_EQ(f.getCapacity(), 20);
    EXPECT_EQ(f.getView(19), owned[19].get());
    EXPECT_FALSE(f.isChild(&extra));
    f.removeAll(false);
}

TEST_F(FrameTest, InvalidateMarksTouchingViews) {
    RecordingView* a = add(CRect(10, 10, 20, 20), "a");
    RecordingView* b = add(CRect(30, 30, 40, 40), "b");
    frame->invalidate(CRect(20, 0, 25, 10));  // touches a's corner only
    EXPECT_TRUE(a->isDirty());
    EXPECT_FALSE(b->isDirty());
}

TEST_F(FrameTest, NoIdleDrawingBeforeTheFirstDraw) {
    RecordingView* a = add(CRect(10, 10, 20, 20), "a");
    RecordingView* b = add(CRect(30, 30, 40, 40), "b", kBlueCColor);
    a->setDirty(true);
    EXPECT_TRUE(frame->isFirstDrawPending());
    frame->idle();
    EXPECT_EQ(a->draws, 0);

    frame->draw(static_cast<CView*>(nullptr));
    EXPECT_FALSE(frame->isFirstDrawPending());
    EXPECT_EQ(a->draws, 1);
    EXPECT_EQ(b->draws, 1);
    EXPECT_EQ(pixelOf(screen(), 35, 35), kBlueCColor);

    a->setDirty(true);
    frame->idle();
    EXPECT_EQ(a->draws, 2);
    EXPECT_EQ(b->draws, 1) << "exactly the dirty views draw";
    frame->idle();
    EXPECT_EQ(a->draws, 2) << "nothing dirty, nothing drawn";

    // A dirty frame draws everything once.
    frame->setDirty(true);
    frame->idle();
    EXPECT_EQ(a->draws, 3);
    EXPECT_EQ(b->draws, 2);
    EXPECT_FALSE(frame->isDirty());

    // draw(view) draws that view alone; a view that is not in the frame
    // draws the whole frame.
    frame->draw(b);
    EXPECT_EQ(b->draws, 3);
    EXPECT_EQ(a->draws, 3);
    RecordingView stranger(CRect(0, 0, 1, 1));
    frame->draw(&stranger);
    EXPECT_EQ(a->draws, 4);
    EXPECT_EQ(stranger.draws, 0);
    b->redraw();
    EXPECT_EQ(b->draws, 5);
}

TEST_F(FrameTest, PartialDrawPaintsTheBackgroundPartAndOverlappingViews) {
    CBitmap* bg = new CBitmap(*frame, 100, 100);
    platform::Port* world = static_cast<platform::Port*>(bg->getHandle());
    for (int y = 0; y < 100; y++)
        for (int x = 0; x < 100; x++) world->setPixel(x, y, platform::Rgb{uint8_t(x), uint8_t(y), 1});
    frame->setBackground(bg);
    EXPECT_EQ(bg->getNbReference(), 2);
    bg->forget();
    RecordingView* a = add(CRect(10, 10, 20, 20), "a");
    RecordingView* b = add(CRect(60, 60, 70, 70), "b");
    CRect area(15, 15, 40, 40);
    frame->drawRect(nullptr, area);
    EXPECT_FALSE(frame->isFirstDrawPending());
    EXPECT_EQ(a->draws, 1);
    EXPECT_EQ(b->draws, 0);
    EXPECT_EQ(screen().getPixel(30, 31), (platform::Rgb{30, 31, 1}));
    EXPECT_EQ(screen().getPixel(50, 50), platform::kWhite) << "outside the area nothing changes";
}

TEST_F(FrameTest, DropsOfFilesAndText) {
    RecordingView* target = add(CRect(10, 10, 50, 50), "target");
    RecordingView* cover = add(CRect(40, 40, 90, 90), "cover");
    cover->acceptDrop = false;
    platform::HeadlessWindow* w = headlessWindow(*frame);
    ASSERT_TRUE(w->isDropTarget());

    pointerAt(45, 45);  // both views: cover declines, target takes it
    EXPECT_TRUE(w->injectDrop(platform::kDropFiles, {"/tmp/one.wav", "/tmp/two.wav"}, {45, 45}));
    EXPECT_EQ(cover->drops, 1);
    ASSERT_EQ(target->drops, 1);
    EXPECT_EQ(target->dropType, 0);
    EXPECT_EQ(target->dropCount, 2);
    EXPECT_EQ(target->dropFiles, (std::vector<std::string>{"/tmp/one.wav", "/tmp/two.wav"}));
    EXPECT_EQ(target->dropWhere, CPoint(45, 45));

    EXPECT_FALSE(w->injectDrop(platform::kDropText, {"hello world"}, {45, 45}))
        << "text drops are answered as not accepted";
    ASSERT_EQ(target->drops, 2);
    EXPECT_EQ(target->dropType, 1);
    EXPECT_EQ(target->dropCount, 11);
    EXPECT_EQ(target->dropText, "hello world");
    EXPECT_TRUE(target->dropTerminated);

    EXPECT_EQ(frame->receiveDrop(true, {}), CFrame::kDropNotAccepted);
    EXPECT_EQ(target->drops, 2);

    // The edit view blocks drops; disabled views are skipped.
    frame->setEditView(cover);
    CPoint at(45, 45);
    void* none[] = {nullptr};
    EXPECT_FALSE(frame->onDrop(none, 0, 0, at));
    frame->setEditView(nullptr);
    target->setMouseEnabled(false);
    EXPECT_FALSE(frame->onDrop(none, 0, 0, at));
    EXPECT_EQ(target->drops, 2);

    frame->setDropActive(false);
    EXPECT_FALSE(w->isDropTarget());
}

TEST_F(FrameTest, WheelGoesToTheViewUnderTheMouse) {
    RecordingView* a = add(CRect(10, 10, 50, 50), "a");
    pointerAt(20, 25);
    EXPECT_TRUE(frame->onWheel(nullptr, CPoint(0, 0), -1.0f));
    EXPECT_EQ(a->wheels, 1);
    EXPECT_EQ(a->wheelWhere, CPoint(20, 25));
    EXPECT_EQ(a->wheelDistance, -1.0f);
    pointerAt(80, 80);
    EXPECT_FALSE(frame->onWheel(nullptr, CPoint(20, 25), 1.0f)) << "the point passed in is not used";
    EXPECT_EQ(frame->getCurrentView(), nullptr);
}

TEST_F(FrameTest, FrameAwayFromTheOriginAgreesInEventsAndDrawing) {
    CFrame away(CRect(30, 20, 130, 120), kHostWindow, nullptr);
    RecordingView v(CRect(10, 10, 20, 20), nullptr, "v");
    away.addView(&v);
    away.draw(static_cast<CView*>(nullptr));
    platform::Port& port = headlessWindow(away)->port();
    EXPECT_EQ(port.width(), 130);
    EXPECT_EQ(pixelOf(port, 40, 30), kRedCColor);
    EXPECT_EQ(pixelOf(port, 49, 39), kRedCColor);
    EXPECT_EQ(pixelOf(port, 39, 30), kWhiteCColor);

    CPoint click(45, 35);  // window coordinates
    away.mouse(nullptr, click);
    ASSERT_EQ(v.clicks, 1);
    EXPECT_EQ(v.lastClick, CPoint(15, 15));
    // A context made for the click on the window (as the editor does) gets
    // the frame's corner for the duration of the click.
    CDrawContext fresh(&away, away.getSystemWindow(), away.getSystemWindow());
    pointerAt(45, 35);
    away.mouse(&fresh, click);
    EXPECT_EQ(v.clicks, 2);
    EXPECT_EQ(v.offsetAtClick, CPoint(30, 20));
    EXPECT_EQ(v.mouseAtClick, CPoint(15, 15)) << "mouse queries during the click answer frame coordinates";
    EXPECT_EQ(fresh.getOffset(), CPoint(0, 0));

    pointerAt(45, 35);
    CPoint where;
    away.getCurrentLocation(where);
    EXPECT_EQ(where, CPoint(15, 15));
    EXPECT_EQ(away.getCurrentView(), &v);
    away.removeView(&v, false);
}

TEST_F(FrameTest, SetSizeFollowsTheNewSize) {
    EXPECT_FALSE(frame->setSize(100, 100));
    EXPECT_TRUE(frame->setSize(120, 90));
    CRect r;
    frame->getViewSize(r);
    EXPECT_EQ(r, CRect(0, 0, 120, 90));
    CRect bounds;
    ASSERT_TRUE(frame->getSize(&bounds));
    EXPECT_EQ(bounds, CRect(0, 0, 120, 90));
    CRect clip;
    EXPECT_EQ(frame->getFrameContext()->getClipRect(clip), CRect(0, 0, 120, 90));

    headlessWindow(*frame)->setScreenPosition({300, 200});
    long x = 0, y = 0;
    ASSERT_TRUE(frame->getPosition(x, y));
    EXPECT_EQ(x, 300);
    EXPECT_EQ(y, 200);

    CFrame closed(CRect(0, 0, 10, 10), "own", nullptr, 0);
    EXPECT_FALSE(closed.isOpen());
    EXPECT_FALSE(closed.setSize(20, 20));
    EXPECT_FALSE(closed.getSize(&bounds));
    EXPECT_FALSE(closed.getPosition(x, y));
    EXPECT_FALSE(closed.close());
    EXPECT_FALSE(closed.open(nullptr)) << "no editor, no effect: no window";
    ASSERT_NE(closed.getVstWindow(), nullptr);
    EXPECT_STREQ(closed.getVstWindow()->title, "own");
    EXPECT_EQ(closed.getVstWindow()->width, 10);
}

TEST_F(FrameTest, CursorKinds) {
    platform::HeadlessWindow* w = headlessWindow(*frame);
    struct Case {
        int type;
        int shape;
    };
    using namespace platform;
    const Case cases[] = {{kCursorWatch, kCursorShapeWatch},   {kCursorArrow, kCursorShapeArrow},
                          {4, kCursorShapePlus},               {2, kCursorShapeCrossHair},
                          {0, kCursorShapeArrow},              {3, kCursorShapeCrossHair},
                          {5, kCursorShapeCrossHair},          {6, kCursorShapeCrossHair}};
    for (const Case& c : cases) {
        frame->setCursor(CCursorType(c.type));
        EXPECT_EQ(w->cursor(), c.shape) << c.type;
    }
    frame->setCursor(kCursorWatch);
    frame->setCursor(CCursorType(7));
    frame->setCursor(CCursorType(-1));
    EXPECT_EQ(w->cursor(), kCursorShapeWatch) << "other values change nothing";
}

TEST_F(FrameTest, RemovedEditViewNoLongerHoldsTheFocus) {
    auto* slider = new RecordingView(CRect(0, 0, 10, 10), &log, "slider");
    frame->addView(slider);
    frame->setEditView(slider);
    frame->removeView(slider, false);
    EXPECT_EQ(frame->getEditView(), nullptr);
    EXPECT_EQ(slider->focusLost, 1);
    // Deleting the view now must not leave the frame pointing at it: the
    // destructor's removeAll would otherwise tell a deleted view.
    slider->forget();
    frame.reset();
}

TEST_F(FrameTest, DestructorReleasesTheViewsStillInIt) {
    bool deleted = false;
    auto* handed = new RecordingView(CRect(0, 0, 10, 10), nullptr, "h", &deleted);
    frame->addView(handed);
    frame->setEditView(handed);
    frame.reset();
    EXPECT_TRUE(deleted);
    EXPECT_TRUE(backend.windows().empty()) << "the frame closed its window";
}

TEST_F(FrameTest, FrameWithoutHostWindowHasNoWindow) {
    CFrame bare(CRect(0, 0, 10, 10), nullptr, nullptr);
    EXPECT_EQ(bare.getSystemWindow(), nullptr);
    EXPECT_TRUE(bare.isOpen());
    RecordingView v(CRect(0, 0, 5, 5));
    bare.addView(&v);
    bare.draw(static_cast<CView*>(nullptr));
    EXPECT_EQ(v.draws, 1);  // drawing reaches the views; the context draws nothing
    EXPECT_EQ(bare.getTicks(), 0);
    bare.removeView(&v, false);
}

} // namespace
