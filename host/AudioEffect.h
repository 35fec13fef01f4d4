// Base class of every effect: owns the plug-in record handed to the host,
// routes the record's functions to virtual operations, decodes the basic
// dispatcher opcodes 0-24 and wraps the first host queries.
//
// Threads: the dispatcher and text operations run on the host's UI thread,
// the process entries on its audio thread. Nothing here locks.
#pragma once

#include <cstdint>

#include "AEffect.h"

class AEffEditor;

// Process-wide out-of-memory flag: set when an effect's editor could not be
// created; read by the entry point; never cleared.
extern bool oome;

class AudioEffect {
public:
    AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);
    virtual ~AudioEffect();

    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    virtual void setParameter(int32_t index, float value);
    virtual float getParameter(int32_t index);
    virtual void setParameterAutomated(int32_t index, float value);

    virtual void process(float** inputs, float** outputs, int32_t sampleFrames) = 0;
    virtual void processReplacing(float** inputs, float** outputs, int32_t sampleFrames);

    virtual intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                float opt);

    virtual void open();
    virtual void close();

    virtual int32_t getProgram();
    virtual void setProgram(int32_t program);
    virtual void setProgramName(char* name);
    virtual void getProgramName(char* name);

    virtual void getParameterLabel(int32_t index, char* label);
    virtual void getParameterDisplay(int32_t index, char* text);
    virtual void getParameterName(int32_t index, char* text);

    virtual float getVu();
    virtual int32_t getChunk(void** data, bool isPreset);
    virtual int32_t setChunk(void* data, int32_t byteSize, bool isPreset);

    virtual void setSampleRate(float sampleRate);
    virtual void setBlockSize(int32_t blockSize);
    virtual void suspend();
    virtual void resume();

    virtual void setUniqueID(int32_t id);
    virtual void setNumInputs(int32_t inputs);
    virtual void setNumOutputs(int32_t outputs);
    virtual void hasVu(bool state);
    virtual void hasClip(bool state);
    virtual void canMono(bool state);
    virtual void canProcessReplacing(bool state);
    virtual void programsAreChunks(bool state);
    virtual void setRealtimeQualities(int32_t qualities);
    virtual void setOfflineQualities(int32_t qualities);
    virtual void setInitialDelay(int32_t delay);

    virtual float getSampleRate();
    virtual int32_t getBlockSize();

    // Host queries; each answers the documented default without a callback.
    virtual int32_t getMasterVersion();
    virtual int32_t getCurrentUniqueId();
    virtual void masterIdle();
    virtual bool isInputConnected(int32_t input);
    virtual bool isOutputConnected(int32_t output);

    // Number formatters: at most 8 characters plus the NUL.
    virtual void dB2string(float value, char* text);
    virtual void Hz2string(float samples, char* text);
    virtual void ms2string(float samples, char* text);
    virtual void float2string(float value, char* text);
    virtual void long2string(int32_t value, char* text);

    AEffect* getAeffect() { return &cEffect; }
    void setEditor(AEffEditor* newEditor) { editor = newEditor; }
    AEffEditor* editorPointer() const { return editor; }
    audioMasterCallback hostCallback() const { return audioMaster; }

protected:
    // Sets or clears one bit of the record's flags.
    void setFlag(int32_t bit, bool state);

    float sampleRate;
    AEffEditor* editor;
    audioMasterCallback audioMaster;
    int32_t numPrograms;
    int32_t numParams;
    int32_t curProgram;
    int32_t blockSize;
    AEffect cEffect;
};

// Record trampolines: cast the record's object and forward. They never throw.
extern "C" {
intptr_t dispatchEffectClass(AEffect* e, int32_t opcode, int32_t index, intptr_t value,
                             void* ptr, float opt);
void processClass(AEffect* e, float** inputs, float** outputs, int32_t sampleFrames);
void setParameterClass(AEffect* e, int32_t index, float value);
float getParameterClass(AEffect* e, int32_t index);
void processClassReplacing(AEffect* e, float** inputs, float** outputs, int32_t sampleFrames);
}

// Creates the product's effect object on the heap (nullptr on allocation
// failure). Defined by the product, called only by the entry point.
AudioEffect* createEffectInstance(audioMasterCallback audioMaster);
