// Shared pieces of the toolkit tests: a headless platform selected for each
// test, and a view that records what reaches it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CDrawContext.h"
#include "CFrame.h"
#include "CView.h"
#include "HeadlessBackend.h"
#include "Port.h"

// Every test runs on its own headless backend with the clock at 0.
class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override { platform::setBackend(&backend); }
    void TearDown() override {
        platform::setBackend(nullptr);
        platform::Port::setCurrent(nullptr);
    }

    // The pointer as the next queries will see it (the queue emptied first).
    void pointerAt(int h, int v, int button = platform::kButtonNone, unsigned modifiers = 0) {
        backend.clearPointer(platform::PointerState{platform::Point{h, v}, button, modifiers});
    }

    platform::HeadlessBackend backend;
};

// Any non-null value stands for the host's window: the headless backend
// accepts every parent.
inline void* const kHostWindow = reinterpret_cast<void*>(0x1234);

// A view that records every call that matters to routing and redrawing.
// draw paints its size with its colour so that pixels show where it went.
class RecordingView : public CView {
public:
    RecordingView(const CRect& r, std::vector<std::string>* log = nullptr, std::string name = "v",
                  bool* deleted = nullptr, CColor colour = kRedCColor)
        : CView(r), log(log), name(std::move(name)), deleted(deleted), colour(colour) {}
    ~RecordingView() override {
        if (deleted) *deleted = true;
    }

    void draw(CDrawContext* context) override {
        draws++;
        note("draw");
        if (context) {
            context->setFillColor(colour);
            context->fillRect(CRect(size.left - 1, size.top - 1, size.right, size.bottom));
        }
        CView::draw(context);
    }
    void mouse(CDrawContext* context, CPoint& where) override {
        clicks++;
        lastClick = where;
        lastClickContext = context;
        if (context) {
            context->getMouseLocation(mouseAtClick);
            offsetAtClick = context->getOffset();
        }
        note("mouse");
    }
    long onKeyDown(VstKeyCode& key) override {
        (void)key;
        keysDown++;
        note("keyDown");
        return keyAnswer;
    }
    long onKeyUp(VstKeyCode& key) override {
        (void)key;
        keysUp++;
        note("keyUp");
        return keyAnswer;
    }
    bool onDrop(void** items, long count, long type, CPoint& where) override {
        drops++;
        dropType = type;
        dropCount = count;
        dropWhere = where;
        if (type == 0)
            for (long i = 0; i < count; i++) dropFiles.emplace_back(static_cast<const char*>(items[i]));
        if (type == 1) {
            const char* text = static_cast<const char*>(items[0]);
            dropText.assign(text, size_t(count));
            dropTerminated = text[count] == 0;
        }
        note("drop");
        return acceptDrop;
    }
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override {
        (void)context;
        wheels++;
        wheelWhere = where;
        wheelDistance = distance;
        note("wheel");
        return true;
    }
    void looseFocus(CDrawContext* context) override {
        (void)context;
        focusLost++;
        note("looseFocus");
    }
    bool attached(CView* parent) override {
        attachedTo = parent;
        note("attached");
        return true;
    }
    bool removed(CView* parent) override {
        removedFrom = parent;
        note("removed");
        return true;
    }

    std::vector<std::string>* log;
    std::string name;
    bool* deleted;
    CColor colour;
    int draws = 0, clicks = 0, keysDown = 0, keysUp = 0, drops = 0, wheels = 0, focusLost = 0;
    long keyAnswer = -1;
    bool acceptDrop = true;
    CPoint lastClick{-999, -999};
    CDrawContext* lastClickContext = nullptr;
    CPoint mouseAtClick{-999, -999};  // the context's mouse position during the click
    CPoint offsetAtClick{-999, -999};
    long dropType = -1, dropCount = -1;
    CPoint dropWhere;
    std::vector<std::string> dropFiles;
    std::string dropText;
    bool dropTerminated = false;
    CPoint wheelWhere;
    float wheelDistance = 0;
    CView* attachedTo = nullptr;
    CView* removedFrom = nullptr;

private:
    void note(const char* what) {
        if (log) log->push_back(name + "." + what);
    }
};

// The platform window of a frame (headless), for pixel reads and scripted events.
inline platform::HeadlessWindow* headlessWindow(CFrame& frame) {
    return static_cast<platform::HeadlessWindow*>(frame.getPlatformWindow());
}

inline CColor pixelOf(platform::Port& port, int h, int v) {
    platform::Rgb c = port.getPixel(h, v);
    return CColor{c.red, c.green, c.blue, 0};
}
