// Views and containers: hit tests, dirty/update cycles, ownership through
// the list, update modes, event routing and offsets.
#include <memory>

#include "CBitmap.h"
#include "COffscreenContext.h"
#include "CViewContainer.h"
#include "ToolkitFixture.h"

namespace {

class ViewTest : public HeadlessTest {
protected:
    static platform::Port& portOf(CDrawContext& c) { return *static_cast<platform::Port*>(c.getPort()); }
};

TEST_F(ViewTest, HitTestCountsAllFourEdgesInside) {
    CView v(CRect(10, 10, 20, 20));
    struct Case {
        CPoint p;
        bool hit;
    };
    const Case cases[] = {{{20, 20}, true}, {{10, 10}, true}, {{21, 15}, false},
                          {{15, 9}, false}, {{10, 20}, true}, {{9, 15}, false}};
    for (const Case& c : cases) EXPECT_EQ(v.hitTest(c.p), c.hit) << c.p.h << "," << c.p.v;
}

TEST_F(ViewTest, CheckUpdateIsTrueForTouchingRectangles) {
    CView v(CRect(10, 10, 20, 20));
    CRect touching(20, 0, 30, 10), apart(21, 0, 30, 30), inside(12, 12, 13, 13);
    EXPECT_TRUE(v.checkUpdate(touching));
    EXPECT_FALSE(v.checkUpdate(apart));
    EXPECT_TRUE(v.checkUpdate(inside));
}

TEST_F(ViewTest, DirtyUpdateCycleDrawsOnce) {
    RecordingView v(CRect(0, 0, 5, 5));
    EXPECT_FALSE(v.isDirty());
    v.update(nullptr);
    EXPECT_EQ(v.draws, 0);
    CRect bigger(0, 0, 8, 8);
    v.setViewSize(bigger);
    EXPECT_TRUE(v.isDirty());
    CRect area;
    v.getMouseableArea(area);
    EXPECT_EQ(area, CRect(0, 0, 5, 5)) << "the mouseable area stays";
    v.update(nullptr);
    EXPECT_EQ(v.draws, 1);
    EXPECT_FALSE(v.isDirty());
    v.update(nullptr);
    EXPECT_EQ(v.draws, 1);
}

TEST_F(ViewTest, ReferenceCountsThroughAddAndRemove) {
    CViewContainer* box = new CViewContainer(CRect(0, 0, 50, 50), nullptr, nullptr);
    box->useOffscreen(false);
    bool keptDeleted = false, releasedDeleted = false;
    auto* kept = new RecordingView(CRect(0, 0, 5, 5), nullptr, "kept", &keptDeleted);
    auto* released = new RecordingView(CRect(0, 0, 5, 5), nullptr, "released", &releasedDeleted);
    box->addView(kept);
    box->addView(released);
    EXPECT_EQ(kept->getNbReference(), 2);
    EXPECT_EQ(kept->attachedTo, box);
    EXPECT_TRUE(kept->isDirty()) << "added views are marked dirty";
    EXPECT_EQ(kept->getParentView(), box);

    box->removeView(kept, false);
    EXPECT_FALSE(keptDeleted);
    EXPECT_EQ(kept->getNbReference(), 1);
    EXPECT_EQ(kept->removedFrom, box);
    EXPECT_FALSE(box->isChild(kept));

    box->removeView(released, true);
    EXPECT_TRUE(releasedDeleted);
    EXPECT_EQ(box->getNbViews(), 0);

    // Removing a view that is not in the list changes nothing.
    box->removeView(kept, true);
    EXPECT_FALSE(keptDeleted);
    EXPECT_EQ(kept->getNbReference(), 1);

    // The creator's reference is the last one now.
    kept->forget();
    EXPECT_TRUE(keptDeleted);

    // The container's destructor releases what it still holds.
    bool lastDeleted = false;
    box->addView(new RecordingView(CRect(0, 0, 5, 5), nullptr, "last", &lastDeleted));
    box->forget();
    EXPECT_TRUE(lastDeleted);
}

TEST_F(ViewTest, GetViewOutsideTheListIsNull) {
    CViewContainer box(CRect(0, 0, 50, 50), nullptr, nullptr);
    EXPECT_EQ(box.getNbViews(), 0);
    EXPECT_EQ(box.getView(0), nullptr);
    auto* a = new CView(CRect(0, 0, 1, 1));
    auto* b = new CView(CRect(0, 0, 1, 1));
    box.addView(a);
    box.addView(b);
    EXPECT_EQ(box.getView(0), a);
    EXPECT_EQ(box.getView(1), b);
    EXPECT_EQ(box.getView(-1), nullptr);
    EXPECT_EQ(box.getView(2), nullptr);
    box.addView(nullptr);
    EXPECT_EQ(box.getNbViews(), 2);
}

TEST_F(ViewTest, ClickReachesTheTopmostEnabledChildInLocalCoordinates) {
    CViewContainer box(CRect(100, 50, 200, 150), nullptr, nullptr);
    box.useOffscreen(false);
    auto* below = new RecordingView(CRect(0, 0, 40, 40));
    auto* above = new RecordingView(CRect(20, 20, 60, 60));
    box.addView(below);
    box.addView(above);
    COffscreenContext ctx(nullptr, 10, 10, kBlackCColor);

    CPoint overlap(130, 80);  // local (30, 30)
    box.mouse(&ctx, overlap);
    EXPECT_EQ(above->clicks, 1);
    EXPECT_EQ(below->clicks, 0);
    EXPECT_EQ(above->lastClick, CPoint(30, 30));

    above->setMouseEnabled(false);
    box.mouse(&ctx, overlap);
    EXPECT_EQ(below->clicks, 1);
    EXPECT_EQ(above->clicks, 1);
    EXPECT_TRUE(box.hitTestSubViews(overlap));
    CPoint nowhere(195, 145);
    EXPECT_FALSE(box.hitTestSubViews(nowhere));
    // The context's offsets are back where they were.
    EXPECT_EQ(ctx.getOffset(), CPoint(0, 0));
    EXPECT_EQ(ctx.getOffsetScreen(), CPoint(0, 0));
}

TEST_F(ViewTest, KeyHandledByAChildStopsThere) {
    CViewContainer box(CRect(0, 0, 50, 50), nullptr, nullptr);
    auto* first = new RecordingView(CRect(0, 0, 5, 5));
    auto* second = new RecordingView(CRect(0, 0, 5, 5));
    auto* third = new RecordingView(CRect(0, 0, 5, 5));
    first->keyAnswer = 5;
    second->keyAnswer = 7;
    box.addView(first);
    box.addView(second);
    box.addView(third);
    VstKeyCode key{'a', 0, 0};
    EXPECT_EQ(box.onKeyDown(key), 7);
    EXPECT_EQ(third->keysDown, 1);
    EXPECT_EQ(second->keysDown, 1);
    EXPECT_EQ(first->keysDown, 0);
    second->keyAnswer = -1;
    first->keyAnswer = -1;
    EXPECT_EQ(box.onKeyUp(key), -1);
    EXPECT_EQ(first->keysUp, 1);
}

// A container whose children draw into a window context, for counting draws
// and reading pixels.
class ContainerDrawTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        window.reset(backend.openWindow(kHostWindow, 60, 60));
        ASSERT_TRUE(window);
        ctx = std::make_unique<CDrawContext>(nullptr, window.get(), window.get());
        window->port().setForeColor(platform::kBlack);
        window->port().fillRect(window->port().bounds());
    }
    std::unique_ptr<platform::Window> window;
    std::unique_ptr<CDrawContext> ctx;
};

TEST_F(ContainerDrawTest, RedrawAllRedrawsEverythingUpdateDirtyOnlyTheDirtyChild) {
    for (long mode : {long(kContainerRedrawAll), long(kContainerUpdateDirty)}) {
        window->port().setForeColor(platform::kBlack);
        window->port().fillRect(window->port().bounds());
        CViewContainer box(CRect(10, 10, 50, 50), nullptr, nullptr);
        box.setMode(mode);
        box.setBackgroundColor(kYellowCColor);
        auto* a = new RecordingView(CRect(0, 0, 10, 10), nullptr, "a", nullptr, kRedCColor);
        auto* b = new RecordingView(CRect(20, 20, 30, 30), nullptr, "b", nullptr, kBlueCColor);
        box.addView(a);
        box.addView(b);
        box.attached(nullptr);
        ASSERT_NE(box.getOffscreenContext(), nullptr);
        box.draw(ctx.get());
        ASSERT_EQ(a->draws, 1);
        ASSERT_EQ(b->draws, 1);
        EXPECT_EQ(pixelOf(window->port(), 15, 15), kRedCColor);
        EXPECT_EQ(pixelOf(window->port(), 45, 45), kYellowCColor);
        EXPECT_EQ(pixelOf(window->port(), 10, 10), kRedCColor) << "the child's top-left pixel";
        EXPECT_EQ(pixelOf(window->port(), 9, 9), kBlackCColor) << "nothing outside the container";

        // Paint over the screen to see what the update copies back.
        window->port().setForeColor(platform::kWhite);
        window->port().fillRect(platform::Rect{0, 0, 60, 60});
        b->setDirty(true);
        box.update(ctx.get());
        if (mode == kContainerRedrawAll) {
            EXPECT_EQ(a->draws, 2);
            EXPECT_EQ(b->draws, 2);
        } else {
            EXPECT_EQ(a->draws, 1);
            EXPECT_EQ(b->draws, 2);
        }
        // Either way the whole off-screen area reaches the screen.
        EXPECT_EQ(pixelOf(window->port(), 15, 15), kRedCColor);
        EXPECT_EQ(pixelOf(window->port(), 35, 35), kBlueCColor);
        EXPECT_EQ(pixelOf(window->port(), 45, 45), kYellowCColor);
        EXPECT_FALSE(box.isDirty());

        box.update(ctx.get());
        EXPECT_EQ(b->draws, 2) << "nothing dirty: nothing drawn";
    }
}

TEST_F(ContainerDrawTest, PartialDrawDrawsOverlappingChildrenAndTheBackgroundPart) {
    CViewContainer box(CRect(10, 10, 50, 50), nullptr, nullptr);
    box.setBackgroundColor(kYellowCColor);
    auto* a = new RecordingView(CRect(0, 0, 10, 10), nullptr, "a", nullptr, kRedCColor);
    auto* b = new RecordingView(CRect(20, 20, 30, 30), nullptr, "b", nullptr, kBlueCColor);
    box.addView(a);
    box.addView(b);
    CRect area(28, 28, 34, 34);  // parent coordinates: touches only b
    box.drawRect(ctx.get(), area);
    EXPECT_EQ(a->draws, 0);
    EXPECT_EQ(b->draws, 1);
    EXPECT_EQ(pixelOf(window->port(), 31, 31), kBlueCColor);
    EXPECT_EQ(pixelOf(window->port(), 45, 45), kBlackCColor) << "only the area reaches the screen";
    EXPECT_EQ(pixelOf(window->port(), 33, 33), kBlueCColor);
    EXPECT_EQ(pixelOf(window->port(), 34, 34), kBlackCColor);
}

TEST_F(ContainerDrawTest, BackgroundBitmapFromItsOffsetAndItsReference) {
    CFrame frame(CRect(0, 0, 10, 10), nullptr, nullptr);
    CBitmap* bg = new CBitmap(frame, 40, 40);
    platform::Port* world = static_cast<platform::Port*>(bg->getHandle());
    for (int y = 0; y < 40; y++)
        for (int x = 0; x < 40; x++) world->setPixel(x, y, platform::Rgb{uint8_t(x), uint8_t(y), 7});
    {
        CViewContainer box(CRect(10, 10, 30, 30), nullptr, bg);
        EXPECT_EQ(bg->getNbReference(), 2);
        box.setBackground(bg);
        EXPECT_EQ(bg->getNbReference(), 2) << "the same bitmap again keeps it";
        box.setBackgroundOffset(CPoint(5, 3));
        box.draw(ctx.get());
        EXPECT_EQ(window->port().getPixel(10, 10), (platform::Rgb{5, 3, 7}));
        EXPECT_EQ(window->port().getPixel(29, 29), (platform::Rgb{24, 22, 7}));
        // A partial draw shows the same part of the bitmap at each pixel.
        window->port().setForeColor(platform::kWhite);
        window->port().fillRect(platform::Rect{0, 0, 60, 60});
        CRect area(20, 20, 25, 25);
        box.drawRect(ctx.get(), area);
        EXPECT_EQ(window->port().getPixel(22, 21), (platform::Rgb{17, 14, 7}));
        EXPECT_EQ(window->port().getPixel(19, 19), platform::kWhite);
    }
    EXPECT_EQ(bg->getNbReference(), 1);
    bg->forget();
}

TEST_F(ContainerDrawTest, DirectlyDrawingContainersNestWithAddedOffsets) {
    CViewContainer outer(CRect(10, 10, 60, 60), nullptr, nullptr);
    outer.useOffscreen(false);
    outer.setTransparency(true);  // no background fill
    auto* inner = new CViewContainer(CRect(5, 5, 40, 40), nullptr, nullptr);
    inner->useOffscreen(false);
    inner->setTransparency(true);
    auto* leaf = new RecordingView(CRect(2, 3, 6, 8));
    inner->addView(leaf);
    outer.addView(inner);
    outer.draw(ctx.get());
    // 10 + 5 + 2 = 17, 10 + 5 + 3 = 18.
    EXPECT_EQ(pixelOf(window->port(), 17, 18), kRedCColor);
    EXPECT_EQ(pixelOf(window->port(), 16, 18), kBlackCColor);
    EXPECT_EQ(pixelOf(window->port(), 20, 22), kRedCColor);
    EXPECT_EQ(pixelOf(window->port(), 21, 23), kBlackCColor);
    EXPECT_EQ(ctx->getOffset(), CPoint(0, 0));

    // Clicks take the same way down: window (19, 20) is (4, 5) in the inner
    // container, where the leaf lives.
    CPoint where(19, 20);
    outer.mouse(ctx.get(), where);
    EXPECT_EQ(leaf->clicks, 1);
    EXPECT_EQ(leaf->lastClick, CPoint(4, 5));
}

TEST_F(ContainerDrawTest, ModifyAndRestoreDrawContext) {
    ctx->setOffset(CPoint(1, 2));
    ctx->setOffsetScreen(CPoint(3, 4));
    long save[4];
    CRect r(10, 20, 30, 40);
    modifyDrawContext(save, ctx.get(), r);
    EXPECT_EQ(save[0], 3);
    EXPECT_EQ(save[1], 4);
    EXPECT_EQ(save[2], 1);
    EXPECT_EQ(save[3], 2);
    EXPECT_EQ(ctx->getOffset(), CPoint(11, 22));
    EXPECT_EQ(ctx->getOffsetScreen(), CPoint(13, 24));
    restoreDrawContext(ctx.get(), save);
    EXPECT_EQ(ctx->getOffset(), CPoint(1, 2));
    EXPECT_EQ(ctx->getOffsetScreen(), CPoint(3, 4));
}

TEST_F(ContainerDrawTest, DropsAndWheelGoToTheChildUnderTheMouse) {
    CFrame frame(CRect(0, 0, 100, 100), kHostWindow, nullptr);
    auto* box = new CViewContainer(CRect(20, 20, 80, 80), &frame, nullptr);
    auto* child = new RecordingView(CRect(10, 10, 20, 20));
    box->addView(child);
    frame.addView(box);

    const char* file = "/tmp/x.wav";
    void* items[] = {const_cast<char*>(file)};
    CPoint at(35, 35);
    EXPECT_TRUE(box->onDrop(items, 1, 0, at));
    EXPECT_EQ(child->dropWhere, CPoint(15, 15));
    CPoint miss(75, 75);
    EXPECT_FALSE(box->onDrop(items, 1, 0, miss));
    child->setMouseEnabled(false);
    EXPECT_FALSE(box->onDrop(items, 1, 0, at));

    pointerAt(31, 32);  // the child's mouseable area, in window coordinates
    EXPECT_EQ(box->getCurrentView(), child) << "the mouse-enabled flag is not consulted";
    EXPECT_TRUE(box->onWheel(frame.getFrameContext(), CPoint(31, 32), 2.0f));
    EXPECT_EQ(child->wheels, 1);
    EXPECT_EQ(child->wheelWhere, CPoint(11, 12));
    EXPECT_EQ(child->wheelDistance, 2.0f);
    pointerAt(90, 90);
    EXPECT_FALSE(box->onWheel(frame.getFrameContext(), CPoint(90, 90), 1.0f));

    frame.removeView(box, true);  // the last reference: box and child go
}

} // namespace
