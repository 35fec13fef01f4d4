#include "HeadlessBackend.h"

#include "Port.h"

#include <algorithm>
#include <cmath>

namespace platform {

HeadlessWindow::HeadlessWindow(HeadlessBackend& owner, void* parent, std::unique_ptr<Port> port)
    : owner_(owner), parent_(parent), port_(std::move(port)) {}

HeadlessWindow::~HeadlessWindow() {
    auto& list = owner_.windows_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void HeadlessWindow::flush() {
    port_->takeDirty();
    ++flushes_;
}

void HeadlessWindow::processEvents() {
    flush();
    // A handler's tracking loop may call runEventLoop: the events that arrive
    // meanwhile wait for the outer pass rather than re-entering the handler.
    if (delivering_)
        return;
    delivering_ = true;
    while (!events_.empty()) {
        Event e = events_.front();
        events_.pop_front();
        if (!listener_)
            continue;
        switch (e.kind) {
        case Event::kMouseDown:
            listener_->onMouseDown(e.mouse.where, e.mouse.button, e.mouse.modifiers);
            break;
        case Event::kKeyDown:
            lastKeyAnswer_ = listener_->onKeyDown(e.key);
            break;
        case Event::kKeyUp:
            lastKeyAnswer_ = listener_->onKeyUp(e.key);
            break;
        case Event::kWheel:
            listener_->onWheel(e.distance);
            break;
        case Event::kExpose:
            port_->markDirty(e.area);
            flush();
            listener_->onExpose(e.area);
            break;
        case Event::kMouseUp:
            break;
        }
    }
    delivering_ = false;
    flush();
}

PointerState HeadlessWindow::queryPointer() { return owner_.nextPointer(); }

bool HeadlessWindow::takeMouseEvent(unsigned mask, MouseEvent* event) {
    for (auto it = events_.begin(); it != events_.end(); ++it) {
        bool down = it->kind == Event::kMouseDown, up = it->kind == Event::kMouseUp;
        if ((down && (mask & kMaskMouseDown)) || (up && (mask & kMaskMouseUp))) {
            if (event)
                *event = it->mouse;
            events_.erase(it);
            return true;
        }
    }
    return false;
}

void HeadlessWindow::setCursor(int shape) {
    if (shape >= kCursorShapeArrow && shape <= kCursorShapePlus)
        cursor_ = shape;
}

bool HeadlessWindow::setSize(int width, int height) { return port_->resize(width, height); }

void HeadlessWindow::postMouseDown(Point where, int button, unsigned modifiers) {
    Event e{Event::kMouseDown, MouseEvent{MouseEvent::kDown, where, button, modifiers, owner_.tickCount()}, {}, 0, {}};
    events_.push_back(e);
}

void HeadlessWindow::postMouseUp(Point where, int button, unsigned modifiers) {
    Event e{Event::kMouseUp, MouseEvent{MouseEvent::kUp, where, button, modifiers, owner_.tickCount()}, {}, 0, {}};
    events_.push_back(e);
}

void HeadlessWindow::postKeyDown(KeyEvent const& key) { events_.push_back(Event{Event::kKeyDown, {}, key, 0, {}}); }
void HeadlessWindow::postKeyUp(KeyEvent const& key) { events_.push_back(Event{Event::kKeyUp, {}, key, 0, {}}); }
void HeadlessWindow::postWheel(float distance) { events_.push_back(Event{Event::kWheel, {}, {}, distance, {}}); }
void HeadlessWindow::postExpose(Rect area) { events_.push_back(Event{Event::kExpose, {}, {}, 0, area}); }

bool HeadlessWindow::injectDrop(DropKind kind, std::vector<std::string> const& items, Point where) {
    if (!dropTarget_ || !listener_)
        return false;
    return listener_->onDrop(kind, items, where);
}

HeadlessBackend::~HeadlessBackend() {
    // Windows still open keep a reference to us: detach them from the list
    // only; their owners delete them.
    windows_.clear();
}

Window* HeadlessBackend::openWindow(void* parent, int width, int height) {
    std::unique_ptr<Port> port(Port::newWorld(width, height, 0));
    if (!port)
        return nullptr;
    auto* w = new (std::nothrow) HeadlessWindow(*this, parent, std::move(port));
    if (!w)
        return nullptr;
    windows_.push_back(w);
    w->port().markDirty(w->port().bounds());
    w->postExpose(w->port().bounds());
    return w;
}

uint32_t HeadlessBackend::tickCount() { return uint32_t(now_ * 60 / 1000000); }

void HeadlessBackend::delay(uint32_t ticks) {
    for (HeadlessWindow* w : windows_)
        w->flush();
    delayedTicks_ += ticks;
    now_ += (uint64_t(ticks) * 1000000 + 59) / 60;
}

void HeadlessBackend::runEventLoop(double seconds) {
    ++eventLoopRuns_;
    eventLoopSeconds_ += seconds;
    // Copy: a handler may close a window.
    std::vector<HeadlessWindow*> open = windows_;
    for (HeadlessWindow* w : open)
        if (std::find(windows_.begin(), windows_.end(), w) != windows_.end())
            w->processEvents();
    if (seconds > 0)
        now_ += uint64_t(std::llround(seconds * 1e6));
}

PointerState HeadlessBackend::nextPointer() {
    if (!pointer_.empty()) {
        last_ = pointer_.front();
        pointer_.pop_front();
    }
    return last_;
}

} // namespace platform

