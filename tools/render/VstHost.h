// A VST 2 host for one plug-in instance, met only through its binary
// interface: dlopen, the entry point and the record's function pointers.
//
// Life: the constructor loads the module, calls the entry point, checks the
// record and sends effOpen; prepare() announces sample rate and block size;
// resume() switches the plug-in on; process() runs one block; the destructor
// suspends (if resumed), sends effClose and unloads the module.
//
// Everything runs on the calling thread. Failures while loading are reported
// as RenderError (kExitPlugin); nothing is thrown through the host callback.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "AEffect.h"

class VstHost {
public:
    struct Message {
        int32_t opcode;
        int32_t index;
        intptr_t value;
        float opt;
        std::string text;  // canDo query text, when there is one
    };

    explicit VstHost(const std::string& path);
    ~VstHost();
    VstHost(const VstHost&) = delete;
    VstHost& operator=(const VstHost&) = delete;

    AEffect* effect() const { return effect_; }
    const std::string& path() const { return path_; }
    // The name under which the entry point was found.
    const std::string& entryName() const { return entryName_; }

    // effSetSampleRate and effSetBlockSize; the values are also the host's
    // answers to audioMasterGetSampleRate and audioMasterGetBlockSize.
    void prepare(double sampleRate, int32_t blockSize);
    void resume();
    void suspend();

    // One block: inputs has numInputs channels, outputs numOutputs, each at
    // least `frames` long. Uses processReplacing when the plug-in offers it,
    // otherwise the accumulating process on zeroed outputs.
    void process(float** inputs, float** outputs, int32_t frames);
    bool canProcess() const;

    int32_t numParams() const { return effect_->numParams; }
    std::string paramName(int32_t index);
    std::string paramLabel(int32_t index);
    std::string paramDisplay(int32_t index);
    float getParameter(int32_t index);
    void setParameter(int32_t index, float value);

    std::string vendor();
    std::string product();
    std::string effectName();
    intptr_t vendorVersion();
    intptr_t vstVersion();
    intptr_t category();

    // Host callback messages received so far (automation, edits, queries).
    const std::vector<Message>& messages() const { return messages_; }

    static std::string opcodeName(int32_t opcode);

private:
    static intptr_t hostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                 void* ptr, float opt);
    intptr_t answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f);
    std::string text(int32_t opcode, int32_t index);

    std::string path_;
    std::string entryName_;
    void* module_ = nullptr;
    AEffect* effect_ = nullptr;
    bool opened_ = false;
    bool resumed_ = false;
    double sampleRate_ = 44100.0;
    int32_t blockSize_ = 512;
    std::vector<Message> messages_;
};
