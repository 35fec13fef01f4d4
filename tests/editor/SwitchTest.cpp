// Vertical switches and on/off buttons: value mapping of clicks and drags,
// the nearest-image rule, the default-value click and the button's toggle.
#include <cmath>

#include "COnOffButton.h"
#include "CVerticalSwitch.h"
#include "EditorTestSupport.h"

namespace {

using editortest::FrameTest;
using editortest::RecordingListener;

const platform::Rgb kImage[] = {{250, 0, 0}, {0, 250, 0}, {0, 0, 250}, {250, 250, 0}, {0, 250, 250}};

class Switch : public FrameTest {
protected:
    // The editor's Type switch: (10, 83, 66, 208), five images of 125 rows.
    CVerticalSwitch* typeSwitch(CBitmap* strip = nullptr) {
        CPoint offset(0, 0);
        auto* s = new CVerticalSwitch(CRect(10, 83, 66, 208), &listener, 2, 5, 125, 5, strip, offset);
        adopt(s);
        return s;
    }
    // The editor's FFT switch: (150, 107, 190, 217), three images of 110 rows.
    CVerticalSwitch* fftSwitch(CBitmap* strip = nullptr) {
        CPoint offset(0, 0);
        auto* s = new CVerticalSwitch(CRect(150, 107, 190, 217), &listener, 4, 3, 110, 3, strip,
                                      offset);
        adopt(s);
        return s;
    }
    void adopt(CControl* c) {
        frame->addView(c);
        owned.push_back(c);
    }
    void TearDown() override {
        for (CControl* c : owned) {
            frame->removeView(c, false);
            delete c;
        }
        FrameTest::TearDown();
    }
    float pressBelowTop(CVerticalSwitch* s, int rows, long buttons = kMouseLeft) {
        CRect r;
        s->getViewSize(r);
        CPoint where(r.left + 5, r.top + rows);
        click(where, buttons);
        s->mouse(context(), where);
        return s->getValue();
    }

    RecordingListener listener;
    std::vector<CControl*> owned;
};

TEST_F(Switch, FivePositionsOfTwentyFiveRows) {
    CVerticalSwitch* s = typeSwitch();
    EXPECT_EQ(s->getDefaultValue(), 0.0f);
    struct Case {
        int rows;
        float value;
    };
    for (const Case c : {Case{0, 0.0f}, Case{24, 0.0f}, Case{25, 0.25f}, Case{49, 0.25f},
                         Case{50, 0.5f}, Case{60, 0.5f}, Case{74, 0.5f}, Case{75, 0.75f},
                         Case{99, 0.75f}, Case{100, 1.0f}, Case{124, 1.0f}, Case{125, 1.0f},
                         Case{300, 1.0f}, Case{-1, 0.0f}, Case{-60, 0.0f}}) {
        s->setValue(0.6f);
        EXPECT_EQ(pressBelowTop(s, c.rows), c.value) << c.rows << " rows below the top";
    }
}

TEST_F(Switch, ThreePositionsOfAThirdOfTheHeight) {
    CVerticalSwitch* s = fftSwitch();
    struct Case {
        int rows;
        float value;
    };
    for (const Case c : {Case{0, 0.0f}, Case{36, 0.0f}, Case{37, 0.5f}, Case{73, 0.5f},
                         Case{74, 1.0f}, Case{109, 1.0f}}) {
        s->setValue(0.3f);
        EXPECT_EQ(pressBelowTop(s, c.rows), c.value) << c.rows << " rows below the top";
    }
}

TEST_F(Switch, DrawsTheNearestImage) {
    CBitmap* strip = new CBitmap(*frame, 56, 625);
    auto* port = static_cast<platform::Port*>(strip->getHandle());
    for (int v = 0; v < 625; ++v)
        for (int h = 0; h < 56; ++h)
            port->setPixel(h, v, kImage[v / 125]);
    CVerticalSwitch* s = typeSwitch(strip);
    strip->forget();

    struct Case {
        float value;
        long image;
    };
    for (const Case c : {Case{0.0f, 0}, Case{0.25f, 1}, Case{0.6f, 2}, Case{0.4f, 2}, Case{1.0f, 4},
                         Case{0.1f, 0}, Case{0.125f, 1}, Case{0.874f, 3}}) {
        s->setValue(c.value);
        EXPECT_EQ(s->imageIndex(), c.image) << "value " << c.value;
        s->draw(context());
        EXPECT_EQ(screen().getPixel(10, 83), kImage[c.image]) << "value " << c.value;
        EXPECT_EQ(screen().getPixel(65, 207), kImage[c.image]) << "value " << c.value;
        EXPECT_FALSE(s->isDirty());
    }

    CVerticalSwitch* fft = fftSwitch();
    for (const Case c : {Case{0.5f, 1}, Case{0.74f, 1}, Case{0.8f, 2}, Case{0.24f, 0}, Case{0.25f, 1}}) {
        fft->setValue(c.value);
        EXPECT_EQ(fft->imageIndex(), c.image) << "value " << c.value;
    }
}

TEST_F(Switch, DefaultClickResetsToZeroAndReports) {
    CVerticalSwitch* s = typeSwitch();
    s->setValue(0.75f);
    s->setDirty(false);
    EXPECT_EQ(pressBelowTop(s, 110, kMouseLeft | kModCommand), 0.0f);
    ASSERT_EQ(listener.reports.size(), 1u);
    EXPECT_EQ(listener.reports[0].value, 0.0f);
}

TEST_F(Switch, AnyChangeOfTheButtonSetEndsTheDrag) {
    CVerticalSwitch* s = typeSwitch();
    CPoint start(20, 83 + 30);    // 0.25
    CPoint later(20, 83 + 110);   // 1.0
    script({{start, kMouseLeft}, {start, kMouseLeft | kModShift}, {later, kMouseLeft | kModShift},
            {later, kMouseLeft | kModShift}, {later, 0}});
    s->mouse(context(), start);
    EXPECT_EQ(s->getValue(), 0.25f) << "pressing shift ended the drag before it moved";
    ASSERT_EQ(listener.reports.size(), 1u);

    listener.reports.clear();
    drag(start, later);
    s->mouse(context(), start);
    EXPECT_EQ(s->getValue(), 1.0f) << "an unchanged button set drags on";
    EXPECT_EQ(listener.reports.size(), 1u) << "the press itself changed nothing";
}

TEST_F(Switch, IgnoresOtherButtonsAndADisabledMouse) {
    CVerticalSwitch* s = typeSwitch();
    s->setValue(0.5f);
    pressBelowTop(s, 110, kMouseRight);
    pressBelowTop(s, 110, kMouseLeft | kModControl);
    s->setMouseEnabled(false);
    pressBelowTop(s, 110);
    EXPECT_EQ(s->getValue(), 0.5f);
    EXPECT_TRUE(listener.reports.empty());
}

TEST_F(Switch, DegenerateSwitchesMapEveryClickToZero) {
    CPoint offset(0, 0);
    auto* single = new CVerticalSwitch(CRect(0, 0, 20, 100), &listener, 1, 1, 100, 1, nullptr, offset);
    adopt(single);
    auto* flat = new CVerticalSwitch(CRect(30, 0, 50, 100), &listener, 1, 3, 0, 3, nullptr, offset);
    adopt(flat);
    for (CVerticalSwitch* s : {single, flat}) {
        s->setValue(0.5f);
        const float v = pressBelowTop(s, 60);
        EXPECT_FALSE(std::isnan(v));
        EXPECT_EQ(v, 0.0f);
    }
}

TEST_F(Switch, WithoutBitmapDrawingOnlyCleans) {
    CVerticalSwitch* s = typeSwitch();
    screen().setPixel(20, 100, platform::Rgb{1, 2, 3});
    s->setValue(0.5f);
    s->draw(context());
    EXPECT_EQ(screen().getPixel(20, 100), (platform::Rgb{1, 2, 3}));
    EXPECT_FALSE(s->isDirty());
}

class Button : public Switch {
protected:
    COnOffButton* button(CBitmap* faces = nullptr) {
        auto* b = new COnOffButton(CRect(55, 59, 126, 83), &listener, 3, faces);
        adopt(b);
        return b;
    }
    void press(COnOffButton* b, long buttons = kMouseLeft) {
        CPoint where(60, 70);
        click(where, buttons);
        b->mouse(context(), where);
    }
};

TEST_F(Button, ShowsOffForZeroAndOnForAnythingElse) {
    const platform::Rgb off{10, 10, 10};
    const platform::Rgb on{240, 200, 0};
    CBitmap* faces = bandedBitmap(71, 24, {off, on});
    COnOffButton* b = button(faces);
    faces->forget();
    struct Case {
        float value;
        long row;
        platform::Rgb colour;
    };
    for (const Case c : {Case{0.0f, 0, off}, Case{0.3f, 24, on}, Case{1.0f, 24, on},
                         Case{-0.5f, 24, on}, Case{-0.0f, 0, off}}) {
        b->setValue(c.value);
        EXPECT_EQ(b->sourceRow(), c.row) << "value " << c.value;
        b->draw(context());
        EXPECT_EQ(screen().getPixel(55, 59), c.colour) << "value " << c.value;
        EXPECT_EQ(screen().getPixel(125, 82), c.colour) << "value " << c.value;
        EXPECT_FALSE(b->isDirty());
    }
}

TEST_F(Button, EveryLeftClickTogglesByTruncationAndReports) {
    COnOffButton* b = button();
    struct Case {
        float before;
        float after;
    };
    for (const Case c : {Case{0.0f, 1.0f}, Case{1.0f, 0.0f}, Case{0.5f, 1.0f}, Case{-0.5f, 1.0f},
                         Case{1.5f, 0.0f}, Case{std::nanf(""), 0.0f}}) {
        b->setValue(c.before);
        listener.reports.clear();
        press(b);
        EXPECT_EQ(b->getValue(), c.after) << "before " << c.before;
        EXPECT_EQ(listener.reports.size(), 1u) << "before " << c.before;
    }
    // Reported even when the value is already what the click gives and the
    // button is clean.
    b->setValue(1.0f);
    b->setOldValue(1.0f);
    b->setValue(0.0f);
    b->setDirty(false);
    listener.reports.clear();
    press(b, kMouseLeft | kModShift);
    EXPECT_EQ(b->getValue(), 1.0f) << "other modifiers toggle like a plain click";
    EXPECT_EQ(listener.reports.size(), 1u);
    EXPECT_EQ(frame->getEditView(), nullptr) << "no tracking";
}

TEST_F(Button, OnlyTheLeftButtonToggles) {
    COnOffButton* b = button();
    b->setValue(0.0f);
    press(b, kMouseRight);
    press(b, kMouseMiddle);
    press(b, kMouseLeft | kModControl);   // reported as a right click
    b->setMouseEnabled(false);
    press(b);
    EXPECT_EQ(b->getValue(), 0.0f);
    EXPECT_TRUE(listener.reports.empty());
}

}  // namespace
