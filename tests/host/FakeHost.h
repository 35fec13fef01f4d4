// A recording host callback and small effect and editor classes that let the
// host-binding tests drive the record exactly as a host does.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <vector>

#include "AEffEditor.h"
#include "AudioEffectX.h"

struct HostCall {
    AEffect* effect;
    int32_t opcode;
    int32_t index;
    intptr_t value;
    void* ptr;
    float opt;
};

// The callback is a plain function pointer, so the recorder is process-wide;
// each test fixture resets it.
struct FakeHost {
    static std::vector<HostCall> calls;
    static std::map<int32_t, intptr_t> answers;  // opcode -> answer, default 0
    static std::function<void(const HostCall&)> onCall;

    static void reset() {
        calls.clear();
        answers.clear();
        onCall = nullptr;
    }
    static intptr_t callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                             void* ptr, float opt) {
        HostCall call{effect, opcode, index, value, ptr, opt};
        calls.push_back(call);
        if (onCall) onCall(call);
        auto it = answers.find(opcode);
        return it == answers.end() ? 0 : it->second;
    }
};

// Records the key codes and arguments it receives and answers fixed values.
class RecordingEditor : public AEffEditor {
public:
    explicit RecordingEditor(AudioEffect* effect, bool* destroyed = nullptr)
        : AEffEditor(effect), destroyed(destroyed) {}
    ~RecordingEditor() override {
        if (destroyed) *destroyed = true;
    }

    int32_t getRect(ERect** rect) override {
        *rect = &rectangle;
        return 1;
    }
    int32_t open(void* ptr) override {
        openedWith = ptr;
        return 1;
    }
    void close() override { ++closeCount; }
    void idle() override { ++idleCount; }
    int32_t mouse(int32_t x, int32_t y) override {
        mouseX = x;
        mouseY = y;
        return 7;
    }
    int32_t key(int32_t keyCode) override {
        lastKey = keyCode;
        return 9;
    }
    int32_t onKeyDown(VstKeyCode& keyCode) override {
        lastDown = keyCode;
        return 11;
    }
    int32_t onKeyUp(VstKeyCode& keyCode) override {
        lastUp = keyCode;
        return 12;
    }
    int32_t setKnobMode(int val) override {
        knobMode = val;
        return 1;
    }

    ERect rectangle{0, 0, 300, 400};
    void* openedWith = nullptr;
    int closeCount = 0;
    int idleCount = 0;
    int32_t mouseX = 0, mouseY = 0, lastKey = 0;
    VstKeyCode lastDown{-1, 0xEE, 0xEE};
    VstKeyCode lastUp{-1, 0xEE, 0xEE};
    int knobMode = -1;

private:
    bool* destroyed;
};

// The smallest concrete effect: the base behaviour plus probes.
class ProbeEffect : public AudioEffectX {
public:
    ProbeEffect(audioMasterCallback host, int32_t programs = 1, int32_t params = 4,
                bool* destroyed = nullptr)
        : AudioEffectX(host, programs, params), destroyed(destroyed) {}
    ~ProbeEffect() override {
        if (destroyed) *destroyed = true;
    }

    void process(float** inputs, float** outputs, int32_t frames) override {
        lastProcess = {inputs, outputs, frames};
    }
    void processReplacing(float** inputs, float** outputs, int32_t frames) override {
        lastReplacing = {inputs, outputs, frames};
    }
    void setParameter(int32_t index, float value) override {
        if (index >= 0 && index < 4) params[index] = value;
    }
    float getParameter(int32_t index) override {
        return index >= 0 && index < 4 ? params[index] : -1.0f;
    }
    float getVu() override { return vu; }

    void installEditor(AEffEditor* e) { editor = e; }
    int32_t currentProgram() const { return curProgram; }

    struct ProcessArgs {
        float** inputs = nullptr;
        float** outputs = nullptr;
        int32_t frames = 0;
    };
    ProcessArgs lastProcess, lastReplacing;
    float params[4] = {};
    float vu = 0.0f;

private:
    bool* destroyed;
};

// Reads a field of the record through a byte pointer at an ABI offset.
template <typename T>
T readAt(const AEffect* effect, size_t offset) {
    T value;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(effect) + offset, sizeof(T));
    return value;
}
