// Interface that the dispatcher's editor opcodes call. The effect owns its
// editor; the editor never owns the effect.
#pragma once

#include <atomic>
#include <cstdint>

#include "AEffect.h"

class AudioEffect;

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect) : effect(effect) {}
    virtual ~AEffEditor() = default;

    AEffEditor(const AEffEditor&) = delete;
    AEffEditor& operator=(const AEffEditor&) = delete;

    virtual int32_t getRect(ERect** rect) { *rect = nullptr; return 0; }
    virtual int32_t open(void* ptr) { systemWindow = ptr; return 0; }
    virtual void close() {}
    virtual void idle() {
        if (updateFlag) {
            updateFlag = false;
            update();
        }
    }
    virtual void draw(ERect* rect) { (void)rect; }
    virtual int32_t mouse(int32_t x, int32_t y) { (void)x; (void)y; return 0; }
    virtual int32_t key(int32_t keyCode) { (void)keyCode; return 0; }
    virtual void top() {}
    virtual void sleep() {}
    virtual void update() {}
    virtual void postUpdate() { updateFlag = true; }
    virtual int32_t onKeyDown(VstKeyCode& keyCode) { (void)keyCode; return -1; }
    virtual int32_t onKeyUp(VstKeyCode& keyCode) { (void)keyCode; return -1; }
    virtual int32_t setKnobMode(int val) { (void)val; return 0; }
    virtual bool onWheel(float distance) { (void)distance; return false; }

    AudioEffect* getEffect() const { return effect; }
    void* getSystemWindow() const { return systemWindow; }

protected:
    AudioEffect* effect;
    void* systemWindow = nullptr;
    // Raised by postUpdate, which may run on the thread that sets
    // parameters, and taken by idle on the user-interface thread.
    std::atomic<bool> updateFlag{false};
};
