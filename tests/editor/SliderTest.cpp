// Sliders: geometry, drawing through the off-screen surface, drag, free
// click, fine mode, wheel, arrow keys, the default-value click and a slider
// without travel.
#include <cmath>

#include "COffscreenContext.h"
#include "CSlider.h"
#include "EditorTestSupport.h"

namespace {

using editortest::FrameTest;
using editortest::RecordingListener;

constexpr platform::Rgb kHandleColour{200, 0, 0};
constexpr platform::Rgb kTrackColour{0, 0, 160};

// The editor's slider: (71, 87, 92, 209), travel 87 to 191, minimum at the
// bottom, handle offset (1, 0), a handle of 19 x 18.
class EditorSlider : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        handle = bandedBitmap(19, 18, {kHandleColour});
        track = bandedBitmap(21, 122, {kTrackColour});
        slider = make(87, 191);
    }
    void TearDown() override {
        for (CSlider* s : sliders) {
            frame->removeView(s, false);
            delete s;
        }
        handle->forget();
        track->forget();
        FrameTest::TearDown();
    }

    CSlider* make(long travelStart, long travelEnd) {
        CPoint offset(0, 0);
        auto* s = new CVerticalSlider(CRect(71, 87, 92, 209), &listener, 1, travelStart, travelEnd,
                                      handle, track, offset, kStyleBottom);
        CPoint handleOffset(1, 0);
        s->setOffsetHandle(handleOffset);
        frame->addView(s);
        sliders.push_back(s);
        return s;
    }

    // The frame rows of column x that show the handle colour.
    std::vector<int> handleRows(int x) {
        std::vector<int> rows;
        for (int v = 0; v < screen().height(); ++v)
            if (screen().getPixel(x, v) == kHandleColour)
                rows.push_back(v);
        return rows;
    }

    void pressAt(int v, long buttons = kMouseLeft) {
        CPoint where(80, v);
        click(where, buttons);
        slider->mouse(context(), where);
    }

    RecordingListener listener;
    CBitmap* handle = nullptr;
    CBitmap* track = nullptr;
    CSlider* slider = nullptr;
    std::vector<CSlider*> sliders;
};

TEST_F(EditorSlider, GeometryFollowsTravelAndHandle) {
    EXPECT_EQ(slider->getHandleRange(), 104);
    EXPECT_EQ(slider->getMinPos(), 0);
    EXPECT_EQ(slider->getMinHandlePos(), 0);
    EXPECT_EQ(slider->getMaxHandleEnd(), 122);
    EXPECT_EQ(slider->getStyle(), kStyleBottom | kStyleVertical);
    ASSERT_NE(slider->getOffscreen(), nullptr) << "attached sliders own a surface";
    EXPECT_EQ(slider->getOffscreen()->getWidth(), 21);
    EXPECT_EQ(slider->getOffscreen()->getHeight(), 122);
}

TEST_F(EditorSlider, HandleStandsWhereTheValuePutsIt) {
    struct Case {
        float value;
        int top;
    };
    for (const Case c : {Case{1.0f, 0}, Case{0.0f, 104}, Case{0.5f, 52}, Case{0.25f, 78}}) {
        slider->setValue(c.value);
        const CRect r = slider->handleRect();
        EXPECT_EQ(r.top, c.top) << "value " << c.value;
        EXPECT_EQ(r.bottom, c.top + 18);
        EXPECT_EQ(r.left, 1);
        EXPECT_EQ(r.right, 20);

        frame->draw(static_cast<CView*>(nullptr));
        const std::vector<int> rows = handleRows(72);
        ASSERT_EQ(rows.size(), 18u) << "value " << c.value;
        EXPECT_EQ(rows.front(), 87 + c.top) << "value " << c.value;
        EXPECT_NE(screen().getPixel(71, 87 + c.top), kHandleColour) << "column 0 is track";
        EXPECT_EQ(screen().getPixel(71, 87 + c.top), kTrackColour);
        EXPECT_FALSE(slider->isDirty());
    }
}

TEST_F(EditorSlider, OutOfRangeValuesStayInsideTheLimits) {
    for (float value : {-3.0f, 7.0f, std::nanf(""), 1e30f, -1e30f}) {
        slider->setValue(value);
        const CRect r = slider->handleRect();
        EXPECT_GE(r.top, 0) << "value " << value;
        EXPECT_LE(r.bottom, 122) << "value " << value;
        frame->draw(static_cast<CView*>(nullptr));
    }
}

TEST_F(EditorSlider, FreeClickCentresTheHandleOnTheMouse) {
    struct Case {
        int v;
        float value;
    };
    for (const Case c : {Case{95, 1.0f}, Case{199, 0.0f}, Case{147, 0.5f}, Case{220, 0.0f},
                         Case{80, 1.0f}, Case{173, 0.25f}}) {
        slider->setValue(0.6f);
        slider->setDirty(false);
        listener.reports.clear();
        pressAt(c.v);
        EXPECT_EQ(slider->getValue(), c.value) << "click at v = " << c.v;
        ASSERT_EQ(listener.reports.size(), 1u) << "click at v = " << c.v;
        EXPECT_EQ(listener.reports[0].value, c.value);
        EXPECT_EQ(listener.reports[0].context, context()) << "reported with the gesture's context";
        EXPECT_EQ(frame->getEditView(), slider) << "a drag makes the slider the edit view";
    }
}

TEST_F(EditorSlider, DragReportsOnlyChanges) {
    slider->setValue(0.0f);
    slider->setDirty(false);
    CPoint where(80, 147);
    script({{where, kMouseLeft}, {where, kMouseLeft}, {where, kMouseLeft}, {where, kMouseLeft},
            {CPoint(80, 121), kMouseLeft}, {CPoint(80, 121), kMouseLeft}, {CPoint(80, 121), 0}});
    slider->mouse(context(), where);
    ASSERT_EQ(listener.reports.size(), 2u) << "one report per new value, none for repeats";
    EXPECT_EQ(listener.reports[0].value, 0.5f);
    EXPECT_EQ(listener.reports[1].value, 0.75f);
}

TEST_F(EditorSlider, DefaultValueClickIsExactlyLeftPlusCommand) {
    slider->setValue(0.2f);
    slider->setDirty(false);
    pressAt(120, kMouseLeft | kModCommand);
    EXPECT_EQ(slider->getValue(), 0.5f);
    ASSERT_EQ(listener.reports.size(), 1u);
    EXPECT_EQ(frame->getEditView(), nullptr) << "no tracking, no edit gesture";

    // Left + shift + command (25) is a fine drag, not the default click.
    slider->setValue(0.5f);
    slider->setDirty(false);
    listener.reports.clear();
    pressAt(95, kMouseLeft | kModShift | kModCommand);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.55f);
    EXPECT_EQ(frame->getEditView(), slider);
}

TEST_F(EditorSlider, ClicksWithoutTheLeftButtonOrWhenDisabledDoNothing) {
    slider->setValue(0.3f);
    pressAt(95, kMouseRight);
    pressAt(95, kMouseMiddle);
    pressAt(95, kMouseLeft | kModControl);   // reported as a right click
    EXPECT_EQ(slider->getValue(), 0.3f);
    slider->setMouseEnabled(false);
    pressAt(95);
    pressAt(95, kMouseLeft | kModCommand);
    EXPECT_EQ(slider->getValue(), 0.3f);
    EXPECT_TRUE(listener.reports.empty());
}

TEST_F(EditorSlider, WithoutFreeClickOnlyTheHandleCanBeGrabbed) {
    slider->setFreeClick(false);
    slider->setValue(0.5f);   // handle rows 139 to 157 of the frame, columns 72 to 91
    slider->setDirty(false);

    pressAt(130);
    EXPECT_EQ(slider->getValue(), 0.5f);
    EXPECT_EQ(frame->getEditView(), nullptr) << "a miss starts no gesture";

    // Grabbed 6 rows into the handle: the grabbed point stays under the mouse.
    CPoint grab(80, 145);
    drag(grab, CPoint(80, 171));
    slider->mouse(context(), grab);
    EXPECT_EQ(slider->getValue(), 0.25f);
    ASSERT_EQ(listener.reports.size(), 1u) << "the grab itself changed nothing";

    // The handle's edges count as inside.
    slider->setValue(0.5f);
    CPoint corner(72, 139);
    click(corner);
    frame->setEditView(nullptr);
    slider->mouse(context(), corner);
    EXPECT_EQ(frame->getEditView(), slider);
    EXPECT_EQ(slider->getValue(), 0.5f);
}

TEST_F(EditorSlider, WheelStepsAndBounces) {
    struct Case {
        float start;
        float distance;
        long buttons;
        float expected;
    };
    for (const Case c : {Case{0.95f, 1.0f, 0, 1.0f}, Case{0.95f, 1.0f, kModShift, 0.96f},
                         Case{0.5f, -2.0f, 0, 0.3f}, Case{0.02f, -1.0f, 0, 0.0f}}) {
        slider->setValue(c.start);
        rest(CPoint(80, 120), c.buttons);
        EXPECT_TRUE(slider->onWheel(context(), CPoint(80, 120), c.distance));
        EXPECT_FLOAT_EQ(slider->getValue(), c.expected) << "start " << c.start;
    }
    EXPECT_EQ(frame->getEditView(), nullptr) << "the wheel is no drag";
    slider->setMouseEnabled(false);
    EXPECT_FALSE(slider->onWheel(context(), CPoint(80, 120), 1.0f));
}

TEST_F(EditorSlider, ArrowKeysStepWithoutContext) {
    struct Case {
        unsigned char virt;
        unsigned char modifier;
        float start;
        float expected;
    };
    const Case cases[] = {
        {14, 0, 0.05f, 0.0f},   // down, bounced
        {12, 0, 0.5f, 0.6f},    // up
        {13, 0, 0.5f, 0.6f},    // right
        {11, 0, 0.5f, 0.4f},    // left
        {12, 1, 0.5f, 0.51f},   // up with shift
        {11, 1, 0.5f, 0.49f},   // left with shift
    };
    for (const Case& c : cases) {
        slider->setValue(c.start);
        slider->setDirty(false);
        listener.reports.clear();
        VstKeyCode key{0, c.virt, c.modifier};
        EXPECT_EQ(slider->onKeyDown(key), 1);
        EXPECT_FLOAT_EQ(slider->getValue(), c.expected) << "virt " << int(c.virt);
        ASSERT_EQ(listener.reports.size(), 1u);
        EXPECT_EQ(listener.reports[0].context, nullptr);
    }
    slider->setValue(0.5f);
    VstKeyCode letter{'a', 0, 0};
    EXPECT_EQ(slider->onKeyDown(letter), -1);
    VstKeyCode home{0, 10, 0};
    EXPECT_EQ(slider->onKeyDown(home), -1);
    EXPECT_EQ(slider->getValue(), 0.5f);
}

TEST_F(EditorSlider, WithoutTravelDragsAreIgnored) {
    CSlider* still = make(87, 87);
    ASSERT_EQ(still->getHandleRange(), 0);
    still->setValue(0.3f);
    still->setDirty(false);
    CPoint where(80, 150);
    drag(where, CPoint(80, 100));
    still->mouse(context(), where);
    EXPECT_EQ(still->getValue(), 0.3f);
    EXPECT_TRUE(listener.reports.empty());
    EXPECT_EQ(frame->getEditView(), nullptr);

    // The other gestures still work, and it draws.
    click(where, kMouseLeft | kModCommand);
    still->mouse(context(), where);
    EXPECT_EQ(still->getValue(), 0.5f);
    VstKeyCode up{0, 12, 0};
    EXPECT_EQ(still->onKeyDown(up), 1);
    EXPECT_FLOAT_EQ(still->getValue(), 0.6f);
    frame->draw(static_cast<CView*>(nullptr));
    EXPECT_FALSE(still->isDirty());
}

TEST_F(EditorSlider, OffscreenLivesFromAttachedToRemoved) {
    CPoint offset(0, 0);
    CVerticalSlider loose(CRect(0, 0, 21, 122), nullptr, 0, 0, 104, handle, track, offset,
                          kStyleBottom);
    EXPECT_EQ(loose.getOffscreen(), nullptr);
    // Unattached: nothing to compose in; it draws nothing and counts as drawn.
    screen().setPixel(5, 5, platform::Rgb{1, 2, 3});
    loose.draw(context());
    EXPECT_EQ(screen().getPixel(5, 5), (platform::Rgb{1, 2, 3}));
    EXPECT_FALSE(loose.isDirty());

    frame->addView(&loose);
    EXPECT_NE(loose.getOffscreen(), nullptr);
    frame->removeView(&loose, false);
    EXPECT_EQ(loose.getOffscreen(), nullptr);
    EXPECT_EQ(handle->getNbReference(), 3) << "creator, the editor slider and this one";
}

class FineSlider : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        CPoint offset(0, 0);
        // Travel 0 to 100 rows, no handle bitmap.
        slider = new CVerticalSlider(CRect(0, 0, 20, 118), &listener, 4, 0, 100, nullptr, nullptr,
                                     offset, kStyleBottom);
        frame->addView(slider);
    }
    void TearDown() override {
        frame->removeView(slider, false);
        delete slider;
        FrameTest::TearDown();
    }
    RecordingListener listener;
    CSlider* slider = nullptr;
};

TEST_F(FineSlider, ShiftFromThePressDividesTheMovement) {
    // Without a handle bitmap the handle is 1 x 1: delta = 0 + 0 / 2 - 1.
    slider->setValue(0.5f);
    CPoint where(5, 39);   // maps to 1 - (39 + 1) / 100 = 0.6
    click(where, kMouseLeft | kModShift);
    slider->mouse(context(), where);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.51f);
}

TEST_F(FineSlider, ShiftPressedDuringTheDragAnchorsAtThatValue) {
    slider->setValue(0.5f);
    CPoint start(5, 39);    // 0.6
    CPoint later(5, 19);    // 0.8
    script({{start, kMouseLeft}, {start, kMouseLeft}, {later, kMouseLeft | kModShift},
            {later, kMouseLeft | kModShift}, {later, 0}});
    slider->mouse(context(), start);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.62f);
}

TEST_F(FineSlider, ZoomFactorIsTheDivisor) {
    slider->setZoomFactor(2.0f);
    slider->setValue(0.5f);
    CPoint where(5, 39);
    click(where, kMouseLeft | kModShift);
    slider->mouse(context(), where);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.55f);
}

TEST_F(FineSlider, SecondConstructorTakesTravelLengthMinusHandle) {
    CBitmap* handle = bandedBitmap(10, 18, {kHandleColour});
    CPoint offset(0, 0);
    CPoint handleOffset(1, 2);
    CVerticalSlider s(CRect(0, 0, 21, 130), nullptr, 0, handleOffset, 122, handle, nullptr, offset,
                      kStyleBottom);
    EXPECT_EQ(s.getHandleRange(), 104);
    EXPECT_EQ(s.getMinPos(), 0);
    EXPECT_EQ(s.getMinHandlePos(), 2);
    EXPECT_EQ(s.getMaxHandleEnd(), 124);
    s.setValue(0.5f);
    EXPECT_EQ(s.handleRect().top, 54);
    EXPECT_EQ(s.handleRect().left, 1);
    handle->forget();
}

class HorizontalSlider : public FrameTest {};

TEST_F(HorizontalSlider, MinimumEndFollowsTheStyle) {
    struct Case {
        long style;
        int clickH;
        float value;
        int handleLeft;   // for the value 0.25
    };
    // Size (10, 10, 130, 30), travel 10 to 110, handle 20 wide: a free click
    // maps column 19 + 100 x raw.
    for (const Case c : {Case{kStyleLeft, 44, 0.25f, 25}, Case{kStyleRight, 44, 0.75f, 75}}) {
        CBitmap* handle = bandedBitmap(20, 10, {kHandleColour});
        CPoint offset(0, 0);
        RecordingListener listener;
        CHorizontalSlider s(CRect(10, 10, 130, 30), &listener, 2, 10, 110, handle, nullptr, offset,
                            c.style);
        frame->addView(&s);
        EXPECT_EQ(s.getStyle(), c.style | kStyleHorizontal);
        CPoint where(c.clickH, 20);
        click(where);
        s.mouse(context(), where);
        EXPECT_FLOAT_EQ(s.getValue(), c.value) << "style " << c.style;
        s.setValue(0.25f);
        EXPECT_EQ(s.handleRect().left, c.handleLeft) << "style " << c.style;
        EXPECT_EQ(s.handleRect().right, c.handleLeft + 20);
        frame->removeView(&s, false);
        handle->forget();
    }
}

}  // namespace
