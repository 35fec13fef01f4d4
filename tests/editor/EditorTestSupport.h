// Shared helpers of the editor and control tests: the headless platform with
// a frame on an in-memory window, pointer scripting, a recording listener and
// a recording host callback.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "AEffect.h"
#include "CBitmap.h"
#include "CControl.h"
#include "CDrawContext.h"
#include "CFrame.h"
#include "HeadlessBackend.h"
#include "Port.h"

namespace editortest {

// A pointer state from a point and a toolkit button set (kMouseLeft,
// kModShift, kModCommand, ...).
inline platform::PointerState pointer(CPoint where, long buttons) {
    platform::PointerState s;
    s.where = platform::Point{where.h, where.v};
    if (buttons & kMouseLeft)
        s.button = platform::kButtonPrimary;
    else if (buttons & kMouseRight)
        s.button = platform::kButtonSecondary;
    else if (buttons & kMouseMiddle)
        s.button = platform::kButtonMiddle;
    if (buttons & kModShift)
        s.modifiers |= platform::kModifierShift;
    if (buttons & kModCommand)
        s.modifiers |= platform::kModifierCommand;
    if (buttons & kModOption)
        s.modifiers |= platform::kModifierOption;
    if (buttons & kModControl)
        s.modifiers |= platform::kModifierControl;
    return s;
}

struct Step {
    CPoint where;
    long buttons;
};

// Runs the headless platform for one test and restores the real one after.
class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setBackend(&backend);
        backend.clearPointer(platform::PointerState{});
    }
    void TearDown() override { platform::setBackend(nullptr); }

    // Replaces the pointer queue by these states, each answered to one
    // pointer query; the last one stays in force afterwards.
    void script(std::initializer_list<Step> steps) {
        backend.clearPointer(platform::PointerState{});
        for (const Step& s : steps)
            backend.pushPointer(pointer(s.where, s.buttons));
    }
    // A press held at where for a few queries, then the release there.
    void click(CPoint where, long buttons = kMouseLeft) {
        script({{where, buttons}, {where, buttons}, {where, buttons}, {where, 0}});
    }
    // A press at from, moved to to, released there.
    void drag(CPoint from, CPoint to, long buttons = kMouseLeft) {
        script({{from, buttons}, {from, buttons}, {to, buttons}, {to, buttons}, {to, buttons}, {to, 0}});
    }
    // Leaves the pointer at where with buttons, for queries outside a click.
    void rest(CPoint where, long buttons = 0) {
        backend.clearPointer(pointer(where, buttons));
    }

    platform::HeadlessBackend backend;
};

// A frame without an editor on a headless window of 240 x 260 pixels.
class FrameTest : public HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        frame = new CFrame(CRect(0, 0, 240, 260), &hostWindow, nullptr);
        ASSERT_NE(frame->getSystemWindow(), nullptr) << "the headless window did not open";
    }
    void TearDown() override {
        delete frame;
        frame = nullptr;
        HeadlessTest::TearDown();
    }

    platform::Port& screen() {
        return static_cast<platform::Window*>(frame->getSystemWindow())->port();
    }
    CDrawContext* context() { return frame->getFrameContext(); }

    // A bitmap of the given size whose rows are painted in bands: band i
    // (rows i * bandHeight up to the next band) gets colours[i].
    CBitmap* bandedBitmap(long width, long bandHeight, std::initializer_list<platform::Rgb> colours) {
        const long height = bandHeight * static_cast<long>(colours.size());
        auto* bitmap = new CBitmap(*frame, width, height);
        auto* port = static_cast<platform::Port*>(bitmap->getHandle());
        EXPECT_NE(port, nullptr);
        long band = 0;
        for (const platform::Rgb& c : colours) {
            for (long v = band * bandHeight; v < (band + 1) * bandHeight; ++v)
                for (long h = 0; h < width; ++h)
                    port->setPixel(int(h), int(v), c);
            ++band;
        }
        return bitmap;
    }

    int hostWindow = 0;
    CFrame* frame = nullptr;
};

// Records what controls report and, like the editor, draws the control at
// once when a context comes with the report (which makes it clean).
class RecordingListener : public CControlListener {
public:
    struct Report {
        CDrawContext* context;
        CControl* control;
        float value;
    };
    void valueChanged(CDrawContext* context, CControl* control) override {
        reports.push_back({context, control, control->getValue()});
        if (context)
            control->update(context);
    }
    std::vector<Report> reports;
};

// Records every call the plug-in makes to its host.
struct HostCall {
    int32_t opcode;
    int32_t index;
    intptr_t value;
    float opt;
};

class HostRecorder {
public:
    static std::vector<HostCall>& calls() {
        static std::vector<HostCall> recorded;
        return recorded;
    }
    static intptr_t callback(AEffect*, int32_t opcode, int32_t index, intptr_t value, void*,
                             float opt) {
        calls().push_back({opcode, index, value, opt});
        return opcode == audioMasterVersion ? 2400 : 0;
    }
    // The calls with these opcodes, in order.
    static std::vector<HostCall> filtered(std::initializer_list<int32_t> opcodes) {
        std::vector<HostCall> out;
        for (const HostCall& c : calls())
            for (int32_t op : opcodes)
                if (c.opcode == op)
                    out.push_back(c);
        return out;
    }
};

inline bool sameRgb(platform::Rgb a, platform::Rgb b) { return a == b; }

}  // namespace editortest
