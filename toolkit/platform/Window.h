// Window, WindowListener and Backend: the editor's window on the host's
// window, the pointer, the clock and the event loop.
//
// Two backends implement these: the X11 one (x11Backend(), over XCB, a
// child of the host's X11 window on a display connection of its own) and
// HeadlessBackend (in-memory windows, scripted input, a manual clock). Code
// above the platform layer names neither: it calls backend().
//
// Real-time rules: all of this runs on the host's user-interface thread
// (the thread of the editor opcodes). Nothing here is ever called from the
// audio thread; it allocates, waits and talks to the display. Nothing throws:
// failures are answered by return value.
#pragma once

#include "PlatformTypes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class Port;

enum DropKind {
    kDropFiles = 0,   // items are absolute file paths
    kDropText = 1,    // one item: the dropped text (UTF-8)
};

// What a window delivers, as the host's editor opcodes would deliver it.
// Called from Window::processEvents (and so from Backend::runEventLoop);
// a handler may run a modal tracking loop that polls queryPointer and calls
// runEventLoop again: events are then not re-entered into the handler that
// is still running.
class WindowListener {
public:
    virtual ~WindowListener() = default;
    // A button went down at `where` (window port coordinates), like effEditMouse.
    virtual void onMouseDown(Point where, int button, unsigned modifiers) {
        (void)where; (void)button; (void)modifiers;
    }
    // A key went down / up; answers like effEditKeyDown: -1 when not handled.
    virtual long onKeyDown(KeyEvent const& key) { (void)key; return -1; }
    virtual long onKeyUp(KeyEvent const& key) { (void)key; return -1; }
    // A wheel turn: +1 per step away from the user, -1 towards.
    virtual void onWheel(float distance) { (void)distance; }
    // The window's area was exposed; the window has already pushed its port's
    // pixels there again. The first expose comes after mapping.
    virtual void onExpose(Rect area) { (void)area; }
    // Something was dropped at `where`; answers whether the drop is accepted.
    virtual bool onDrop(DropKind kind, std::vector<std::string> const& items, Point where) {
        (void)kind; (void)items; (void)where; return false;
    }
};

class Window {
public:
    // Closing: destroys the window and (X11) its display connection. Safe
    // when the parent window or the whole display is already gone.
    virtual ~Window() = default;

    // The window's pixels: a 32-bit port of the window's size. Whatever is
    // drawn there reaches the screen at the next flush.
    virtual Port& port() = 0;
    virtual void setListener(WindowListener* listener) = 0;

    // Pushes the port's changed pixels (Port::takeDirty) to the screen.
    virtual void flush() = 0;
    // Flushes, then handles every pending event and delivers it to the
    // listener; returns without waiting. effEditIdle calls it.
    virtual void processEvents() = 0;

    // Pointer position (window port coordinates), button and modifiers now.
    virtual PointerState queryPointer() = 0;
    // Removes the first pending mouse event whose kind is in mask
    // (kMaskMouseDown, kMaskMouseUp) and answers it; false when none.
    // Pending: received and not yet handled by processEvents, which
    // delivers presses and drops releases; so a release is found here while
    // the handler of its press runs.
    virtual bool takeMouseEvent(unsigned mask, MouseEvent* event) = 0;

    virtual void setCursor(int shape) = 0;            // CursorShape; others ignored
    // Resizes the window and its port; false for a non-positive size.
    virtual bool setSize(int width, int height) = 0;
    // Top-left corner of the window's content area on the screen.
    virtual Point screenPosition() = 0;
    // Accept drops on the window (true) or stop accepting them. On X11 the
    // window is then an XDND (version 5) target: a text/uri-list drop
    // reaches onDrop as kDropFiles with the local paths of its file: URIs
    // (other URIs are left out; none left: the drop is refused), a text
    // drop as kDropText; the listener's answer is what the source is told.
    virtual void setDropTarget(bool active) = 0;
    // False once the window is gone (parent destroyed, display lost).
    virtual bool isAlive() = 0;
};

class Backend {
public:
    virtual ~Backend() = default;
    // Opens a window of width x height as a child of parent (on X11 the
    // host's Window id, as effEditOpen's ptr carries it) and shows it.
    // Answers null when it cannot (no display, bad parent, bad size).
    // The caller deletes the window to close it.
    virtual Window* openWindow(void* parent, int width, int height) = 0;
    // Ticks (1/60 s) since an arbitrary fixed start, monotonic, wrapping.
    virtual uint32_t tickCount() = 0;
    // Blocks for that many ticks (flushing windows first).
    virtual void delay(uint32_t ticks) = 0;
    // Handles the events of every open window for about that many seconds
    // (processEvents of each, then waits for more until the time is up).
    virtual void runEventLoop(double seconds) = 0;
    // The double-click interval in ticks.
    virtual uint32_t doubleClickTicks() = 0;
};

// The backend in use: the X11 one unless setBackend selected another.
Backend& backend();
// Selects a backend (not owned; must outlive its use); null: the X11 one.
void setBackend(Backend* b);
// The X11 backend over XCB.
Backend& x11Backend();

} // namespace platform
