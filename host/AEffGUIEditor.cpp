#include "AEffGUIEditor.h"

#include "AudioEffect.h"
#include "CDrawContext.h"
#include "CFrame.h"
#include "Port.h"
#include "Window.h"

int AEffGUIEditor::knobMode = 0;

AEffGUIEditor::AEffGUIEditor(AudioEffect* effect) : AEffEditor(effect) {
    updateFlag = false;
    frame = nullptr;
    if (effect) {
        effect->setEditor(this);
        effect->getAeffect()->flags |= effFlagsHasEditor;
    }
    systemWindow = nullptr;
    lastTicks = getTicks();
}

AEffGUIEditor::~AEffGUIEditor() = default;

int32_t AEffGUIEditor::getRect(ERect** r) {
    *r = &rect;
    return 1;
}

int32_t AEffGUIEditor::open(void* ptr) {
    postUpdate();
    systemWindow = ptr;
    return 0;
}

void AEffGUIEditor::idle() {
    platform::Port* saved = platform::Port::current();
    platform::Window* window = frame ? frame->getPlatformWindow() : nullptr;
    if (window) {
        platform::Port::setCurrent(&window->port());
        // The window's pending events (exposure, buttons, keys, wheel) arrive
        // here as the host's draw, mouse and key requests.
        window->processEvents();
    }
    if (updateFlag) {
        updateFlag = false;
        update();
    }
    // The frame may have gone while events were handled (an event can close
    // the editor); read it again.
    if (frame) frame->idle();
    platform::Port::setCurrent(saved);
}

void AEffGUIEditor::draw(ERect* r) {
    (void)r;
    if (frame) frame->draw(static_cast<CView*>(nullptr));
}

int32_t AEffGUIEditor::mouse(int32_t x, int32_t y) {
    if (frame) {
        CDrawContext context(frame, frame->getSystemWindow(), frame->getSystemWindow());
        CPoint where(x, y);
        frame->mouse(&context, where);
    }
    return 1;
}

int32_t AEffGUIEditor::onKeyDown(VstKeyCode& keyCode) {
    return frame ? int32_t(frame->onKeyDown(keyCode)) : -1;
}

int32_t AEffGUIEditor::onKeyUp(VstKeyCode& keyCode) {
    return frame ? int32_t(frame->onKeyUp(keyCode)) : -1;
}

bool AEffGUIEditor::onWheel(float distance) {
    return frame ? frame->onWheel(nullptr, CPoint(0, 0), distance) : false;
}

int32_t AEffGUIEditor::setKnobMode(int val) {
    knobMode = val;
    return 1;
}

void AEffGUIEditor::setParameter(int32_t index, float value) {
    (void)index;
    (void)value;
    postUpdate();
}

void AEffGUIEditor::doIdleStuff() {
    // lastTicks is 100 ms after the previous pacing idle; the rules compare
    // the time elapsed since that idle, modulo 2^32, so that the wrap of the
    // millisecond count never holds the idle back.
    uint32_t now = getTicks();
    uint32_t elapsed = now - (lastTicks - 100u);
    if (elapsed < 100u) {
        platform::backend().runEventLoop(0.004);
        now += 4;
        elapsed += 4;
        if (elapsed < 50u) return;
    }
    idle();
    lastTicks = now + 100u;
    if (effect) effect->masterIdle();
}

void AEffGUIEditor::wait(uint32_t ms) {
    platform::backend().delay(ms * 60u / 1000u);
}

uint32_t AEffGUIEditor::getTicks() {
    return platform::backend().tickCount() * 1000u / 60u;
}
