// The control base: the dirty rule, bounceValue, background references.
#include <cmath>

#include "EditorTestSupport.h"

namespace {

using editortest::FrameTest;

// The smallest concrete control: counts its draws.
class CountingControl : public CControl {
public:
    explicit CountingControl(CBitmap* background = nullptr)
        : CControl(CRect(0, 0, 10, 10), nullptr, 3, background) {}
    void draw(CDrawContext*) override {
        ++draws;
        setDirty(false);
    }
    int draws = 0;
};

TEST(ControlDirtyRule, NewControlIsDirtyAndCleanAfterItsFirstUpdate) {
    CountingControl control;
    EXPECT_EQ(control.getValue(), 0.0f);
    EXPECT_EQ(control.getOldValue(), 1.0f);
    EXPECT_TRUE(control.isDirty());
    control.update(nullptr);
    EXPECT_EQ(control.draws, 1);
    EXPECT_FALSE(control.isDirty());
    control.update(nullptr);
    EXPECT_EQ(control.draws, 1) << "a clean control is not drawn again";
}

TEST(ControlDirtyRule, SetValueMakesDirtyWithoutTheFlag) {
    CountingControl control;
    control.setDirty(false);
    control.setValue(0.3f);
    EXPECT_TRUE(control.isDirty());
    control.setValue(control.getOldValue());
    EXPECT_FALSE(control.isDirty()) << "back at the value drawn last";
}

TEST(ControlDirtyRule, SetDirtyTrueAlwaysMakesOldValueDiffer) {
    struct Case {
        float value;
        float expectedOld;
    };
    for (const Case c : {Case{0.5f, -1.0f}, Case{-1.0f, 0.0f}, Case{0.0f, -1.0f}}) {
        CountingControl control;
        control.setValue(c.value);
        control.setDirty(false);
        control.setDirty(true);
        EXPECT_EQ(control.getOldValue(), c.expectedOld) << "value " << c.value;
        EXPECT_TRUE(control.isDirty());
        // Even with the view flag cleared the values still differ.
        control.CView::setDirty(false);
        EXPECT_TRUE(control.isDirty()) << "value " << c.value;
    }
}

TEST(ControlDirtyRule, NanValueIsAlwaysDirty) {
    CountingControl control;
    control.setValue(std::nanf(""));
    control.setDirty(false);
    EXPECT_TRUE(control.isDirty());
}

TEST(ControlBounceValue, ClampsOnlyWhenAsked) {
    struct Case {
        float value;
        float bounced;
    };
    for (const Case c : {Case{2.0f, 1.0f}, Case{-0.2f, 0.0f}, Case{0.5f, 0.5f}, Case{1.0f, 1.0f}}) {
        CountingControl control;
        control.setValue(c.value);
        EXPECT_EQ(control.getValue(), c.value) << "setValue stores without clamping";
        control.bounceValue();
        EXPECT_EQ(control.getValue(), c.bounced) << "value " << c.value;
    }
    CountingControl ranged;
    ranged.setMin(0.2f);
    ranged.setMax(0.4f);
    ranged.setValue(0.1f);
    ranged.bounceValue();
    EXPECT_EQ(ranged.getValue(), 0.2f);
}

TEST(ControlDefaults, InitialFieldsAndTag) {
    CountingControl control;
    EXPECT_EQ(control.getDefaultValue(), 0.5f);
    EXPECT_EQ(control.getMin(), 0.0f);
    EXPECT_EQ(control.getMax(), 1.0f);
    EXPECT_EQ(control.getWheelInc(), 0.1f);
    EXPECT_EQ(control.getTag(), 3);
    control.setTag(-4);
    EXPECT_EQ(control.getTag(), -4);
    EXPECT_TRUE(control.getMouseEnabled());
    EXPECT_FALSE(control.getTransparency());
}

using ControlBitmaps = FrameTest;

TEST_F(ControlBitmaps, BackgroundReferencesFollowTheHolder) {
    CBitmap* first = new CBitmap(*frame, 4, 4);
    CBitmap* second = new CBitmap(*frame, 4, 4);
    {
        CountingControl control(first);
        EXPECT_EQ(first->getNbReference(), 2);
        // Setting the bitmap already held keeps it alive and counted once.
        control.setBackground(first);
        EXPECT_EQ(first->getNbReference(), 2);
        EXPECT_EQ(control.getBackground(), first);
        control.setDirty(false);
        control.setBackground(second);
        EXPECT_EQ(first->getNbReference(), 1);
        EXPECT_EQ(second->getNbReference(), 2);
        EXPECT_FALSE(control.isDirty()) << "setBackground does not mark the control dirty";
    }
    EXPECT_EQ(second->getNbReference(), 1) << "the destructor releases the background";
    first->forget();
    second->forget();
}

TEST_F(ControlBitmaps, SoleHolderCanSetItsOwnBitmapAgain) {
    CBitmap* only = new CBitmap(*frame, 4, 4);
    CountingControl control(only);
    only->forget();   // the control is now the only holder
    ASSERT_EQ(only->getNbReference(), 1);
    control.setBackground(only);
    EXPECT_EQ(only->getNbReference(), 1);
    EXPECT_TRUE(only->isLoaded()) << "the bitmap survived";
}

}  // namespace
