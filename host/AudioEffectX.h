// Extended effect interface: opcodes 25-68 with the defaults of the second
// interface generation, and wrappers for every extended host call.
#pragma once

#include "AudioEffect.h"

class AudioEffectX : public AudioEffect {
public:
    AudioEffectX(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);
    ~AudioEffectX() override;

    intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                        float opt) override;

    virtual AEffEditor* getEditor();
    virtual void wantEvents(int32_t filter = 1);
    virtual VstTimeInfo* getTimeInfo(int32_t filter);
    virtual int32_t tempoAt(int32_t pos);
    virtual int32_t processEvents(VstEvents* events);
    virtual int32_t getNumAutomatableParameters();
    virtual int32_t getParameterQuantization();
    virtual bool canParameterBeAutomated(int32_t index);
    virtual bool string2parameter(int32_t index, char* text);
    virtual float getChannelParameter(int32_t channel, int32_t index);
    virtual int32_t getNumCategories();
    virtual bool getProgramNameIndexed(int32_t category, int32_t index, char* text);
    virtual bool copyProgram(int32_t destination);
    virtual bool ioChanged();
    virtual bool needIdle();
    virtual bool sizeWindow(int32_t width, int32_t height);
    virtual float updateSampleRate();
    virtual int32_t updateBlockSize();
    virtual int32_t getInputLatency();
    virtual int32_t getOutputLatency();
    virtual AEffect* getPreviousPlug(int32_t input);
    virtual AEffect* getNextPlug(int32_t output);
    virtual void inputConnected(int32_t index, bool state);
    virtual void outputConnected(int32_t index, bool state);
    virtual bool getInputProperties(int32_t index, VstPinProperties* properties);
    virtual bool getOutputProperties(int32_t index, VstPinProperties* properties);
    virtual int32_t getPlugCategory();
    virtual int32_t willProcessReplacing();
    virtual int32_t getCurrentProcessLevel();
    virtual int32_t getAutomationState();
    virtual void wantAsyncOperation(bool state = true);
    virtual void hasExternalBuffer(bool state = true);
    virtual int32_t reportCurrentPosition();
    virtual float* reportDestinationBuffer();
    virtual bool offlineRead(VstOfflineTask* offline, VstOfflineOption option,
                             bool readSource = true);
    virtual bool offlineWrite(VstOfflineTask* offline, VstOfflineOption option);
    virtual bool offlineStart(VstAudioFile* ptr, int32_t numAudioFiles, int32_t numNewAudioFiles);
    virtual int32_t offlineGetCurrentPass();
    virtual int32_t offlineGetCurrentMetaPass();
    virtual bool offlineNotify(VstAudioFile* ptr, int32_t numAudioFiles, bool start);
    virtual bool offlinePrepare(VstOfflineTask* offline, int32_t count);
    virtual bool offlineRun(VstOfflineTask* offline, int32_t count);
    virtual int32_t offlineGetNumPasses();
    virtual int32_t offlineGetNumMetaPasses();
    virtual void setOutputSamplerate(float samplerate);
    virtual bool getSpeakerArrangement(VstSpeakerArrangement* pluginInput,
                                       VstSpeakerArrangement* pluginOutput);
    virtual bool getHostVendorString(char* text);
    virtual bool getHostProductString(char* text);
    virtual int32_t getHostVendorVersion();
    virtual intptr_t hostVendorSpecific(int32_t lArg1, intptr_t lArg2, void* ptrArg, float floatArg);
    virtual int32_t canHostDo(char* text);
    virtual void isSynth(bool state = true);
    virtual void noTail(bool state = true);
    virtual int32_t getHostLanguage();
    virtual void* openWindow(VstWindow* window);
    virtual bool closeWindow(VstWindow* window);
    virtual void* getDirectory();
    virtual bool updateDisplay();
    virtual bool processVariableIo(VstVariableIo* varIo);
    virtual bool setSpeakerArrangement(VstSpeakerArrangement* pluginInput,
                                       VstSpeakerArrangement* pluginOutput);
    virtual void setBlockSizeAndSampleRate(int32_t newBlockSize, float newSampleRate);
    virtual bool setBypass(bool onOff);
    virtual bool getEffectName(char* name);
    virtual bool getErrorText(char* text);
    virtual bool getVendorString(char* text);
    virtual bool getProductString(char* text);
    virtual int32_t getVendorVersion();
    virtual intptr_t vendorSpecific(int32_t lArg1, intptr_t lArg2, void* ptrArg, float floatArg);
    virtual int32_t canDo(char* text);
    virtual void* getIcon();
    virtual bool setViewPosition(int32_t x, int32_t y);
    virtual int32_t getGetTailSize();
    virtual int32_t fxIdle();
    virtual bool getParameterProperties(int32_t index, VstParameterProperties* p);
    virtual bool keysRequired();
    virtual int32_t getVstVersion();
    virtual int32_t getMidiProgramName(int32_t channel, MidiProgramName* midiProgramName);
    virtual int32_t getCurrentMidiProgram(int32_t channel, MidiProgramName* currentProgram);
    virtual int32_t getMidiProgramCategory(int32_t channel, MidiProgramCategory* category);
    virtual bool hasMidiProgramsChanged(int32_t channel);
    virtual bool getMidiKeyName(int32_t channel, MidiKeyName* keyName);
    virtual bool beginSetProgram();
    virtual bool endSetProgram();
    virtual bool beginEdit(int32_t index);
    virtual bool endEdit(int32_t index);
    virtual bool openFileSelector(VstFileSelect* ptr);

    bool sendVstEventsToHost(VstEvents* events);
    bool closeFileSelector(VstFileSelect* ptr);
    bool getChunkFile(void* nativePath);
};
