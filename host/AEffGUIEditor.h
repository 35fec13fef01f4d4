// The editor binding on the view toolkit: holds the frame while the window
// is open, reports the window size, forwards drawing, mouse, key and wheel
// events to the frame, runs the host's idle calls and paces the idle work
// that controls request while they track the mouse.
//
// On Linux the host hands a parent X11 window to open(); the concrete
// editor builds its frame on it (the frame opens the child window through
// the platform layer), and idle() processes that window's pending events,
// which reach the frame as the host's mouse and key requests would.
//
// Threads: every operation runs on the host's user-interface thread except
// setParameter, which may run on the thread that sets parameters: it only
// raises the update flag. Nothing here locks or throws.
#pragma once

#include <cstdint>

#include "AEffEditor.h"

class CFrame;

class AEffGUIEditor : public AEffEditor {
public:
    // Registers itself as the effect's editor and sets effFlagsHasEditor.
    explicit AEffGUIEditor(AudioEffect* effect);
    // Does nothing: the concrete editor's close destroys the frame and the
    // effect destroys the editor.
    ~AEffGUIEditor() override;

    int32_t getRect(ERect** rect) override;
    int32_t open(void* ptr) override;
    void idle() override;
    void draw(ERect* rect) override;
    int32_t mouse(int32_t x, int32_t y) override;
    int32_t onKeyDown(VstKeyCode& keyCode) override;
    int32_t onKeyUp(VstKeyCode& keyCode) override;
    int32_t setKnobMode(int val) override;
    bool onWheel(float distance) override;

    virtual void setParameter(int32_t index, float value);
    // Idle pacing for tracking loops: idles at most about every 100 ms;
    // measured on elapsed time, so the 32-bit millisecond wrap never stops it.
    virtual void doIdleStuff();

    // Blocks for ms * 60 / 1000 platform ticks.
    static void wait(uint32_t ms);
    // Platform ticks * 1000 / 60, in 32-bit unsigned arithmetic.
    static uint32_t getTicks();

    CFrame* getFrame() const { return frame; }
    uint32_t getLastIdleTime() const { return lastTicks; }

    // Knob mode shared by every editor of the process; 0 at load time.
    static int knobMode;

protected:
    ERect rect{0, 0, 0, 0};
    CFrame* frame = nullptr;
    uint32_t lastTicks;
};
