// HeadlessBackend and HeadlessWindow: the platform without a display.
//
// Windows are plain in-memory ports; input is scripted; the clock is manual.
// With it every toolkit behaviour, tracking loops and idle pacing included,
// runs in tests, and an editor can be drawn and saved with savePng.
//
// Pointer script: each queryPointer consumes the front of the queue; the last
// state stays in force when the queue runs dry (initially (0, 0), no button,
// no modifiers). Events posted to a window wait until processEvents (or
// runEventLoop) delivers them, in order. Mouse-ups are never delivered to
// the listener: as on X11, a release is seen only by takeMouseEvent, while
// it waits behind an event being handled (a click handler asking whether the
// button came up); one that reaches the front of the queue is dropped. Time moves only by setMicroseconds, advance,
// delay and runEventLoop. The backend must outlive its windows.
// User-interface thread only.
#pragma once

#include "Window.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class HeadlessBackend;

class HeadlessWindow : public Window {
public:
    ~HeadlessWindow() override;

    Port& port() override { return *port_; }
    void setListener(WindowListener* listener) override { listener_ = listener; }
    void flush() override;
    void processEvents() override;
    PointerState queryPointer() override;
    bool takeMouseEvent(unsigned mask, MouseEvent* event) override;
    void setCursor(int shape) override;
    bool setSize(int width, int height) override;
    Point screenPosition() override { return screenPosition_; }
    void setDropTarget(bool active) override { dropTarget_ = active; }
    bool isAlive() override { return true; }

    // Script: queue events for processEvents.
    void postMouseDown(Point where, int button = kButtonPrimary, unsigned modifiers = 0);
    void postMouseUp(Point where, int button = kButtonPrimary, unsigned modifiers = 0);
    void postKeyDown(KeyEvent const& key);
    void postKeyUp(KeyEvent const& key);
    void postWheel(float distance);
    void postExpose(Rect area);
    // Delivers a drop at once when the window is a drop target; answers the
    // listener's accepted answer (false when not a target or no listener).
    bool injectDrop(DropKind kind, std::vector<std::string> const& items, Point where);

    // Observations.
    void* parent() const { return parent_; }
    int cursor() const { return cursor_; }
    bool isDropTarget() const { return dropTarget_; }
    int flushCount() const { return flushes_; }
    long lastKeyAnswer() const { return lastKeyAnswer_; }   // from the last key delivered
    void setScreenPosition(Point p) { screenPosition_ = p; }

private:
    friend class HeadlessBackend;
    HeadlessWindow(HeadlessBackend& owner, void* parent, std::unique_ptr<Port> port);

    struct Event {
        enum Kind { kMouseDown, kMouseUp, kKeyDown, kKeyUp, kWheel, kExpose } kind;
        MouseEvent mouse;
        KeyEvent key;
        float distance = 0;
        Rect area;
    };
    HeadlessBackend& owner_;
    void* parent_;
    std::unique_ptr<Port> port_;
    WindowListener* listener_ = nullptr;
    std::deque<Event> events_;
    int cursor_ = kCursorShapeArrow;
    bool dropTarget_ = false;
    bool delivering_ = false;
    int flushes_ = 0;
    long lastKeyAnswer_ = 0;
    Point screenPosition_;
};

class HeadlessBackend : public Backend {
public:
    HeadlessBackend() = default;
    ~HeadlessBackend() override;

    // Any parent is accepted (null too); null only for a non-positive size
    // or when the port cannot be created.
    Window* openWindow(void* parent, int width, int height) override;
    uint32_t tickCount() override;
    void delay(uint32_t ticks) override;                 // advances the clock
    void runEventLoop(double seconds) override;         // delivers, then advances
    uint32_t doubleClickTicks() override { return doubleClickTicks_; }

    // Manual clock, in microseconds; tickCount = microseconds * 60 / 10^6.
    void setMicroseconds(uint64_t us) { now_ = us; }
    uint64_t microseconds() const { return now_; }
    void setTicks(uint32_t ticks) { now_ = (uint64_t(ticks) * 1000000 + 59) / 60; }
    void advance(uint64_t us) { now_ += us; }
    void setDoubleClickTicks(uint32_t ticks) { doubleClickTicks_ = ticks; }

    // Pointer script.
    void pushPointer(PointerState const& state) { pointer_.push_back(state); }
    void clearPointer(PointerState const& state) { pointer_.clear(); last_ = state; }
    std::size_t pendingPointerStates() const { return pointer_.size(); }

    // Accounting for tests: total ticks delayed, event-loop runs and seconds.
    uint64_t delayedTicks() const { return delayedTicks_; }
    int eventLoopRuns() const { return eventLoopRuns_; }
    double eventLoopSeconds() const { return eventLoopSeconds_; }

    // Open windows, oldest first.
    std::vector<HeadlessWindow*> const& windows() const { return windows_; }

private:
    friend class HeadlessWindow;
    PointerState nextPointer();

    uint64_t now_ = 0;
    uint32_t doubleClickTicks_ = 30;
    std::deque<PointerState> pointer_;
    PointerState last_;
    uint64_t delayedTicks_ = 0;
    int eventLoopRuns_ = 0;
    double eventLoopSeconds_ = 0;
    std::vector<HeadlessWindow*> windows_;
};

} // namespace platform
