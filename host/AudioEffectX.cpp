#include "AudioEffectX.h"

#include <cmath>

#include "AEffEditor.h"

namespace {

inline intptr_t boolResult(bool b) { return b ? 1 : 0; }

// The key opcodes carry the modifier bits in opt; it is truncated toward
// zero, with NaN and values outside the int range taken as 0 so that no
// host value can make the conversion undefined.
uint8_t modifierFromOpt(float opt) {
    if (!(opt > -2147483648.0f && opt < 2147483648.0f)) return 0;
    return static_cast<uint8_t>(static_cast<int>(opt) & 0xFF);
}

}  // namespace

AudioEffectX::AudioEffectX(audioMasterCallback audioMaster, int32_t numPrograms,
                           int32_t numParams)
    : AudioEffect(audioMaster, numPrograms, numParams) {}

AudioEffectX::~AudioEffectX() = default;

intptr_t AudioEffectX::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                  float opt) {
    switch (opcode) {
        case effProcessEvents: return processEvents(static_cast<VstEvents*>(ptr));
        case effCanBeAutomated: return boolResult(canParameterBeAutomated(index));
        case effString2Parameter:
            return boolResult(string2parameter(index, static_cast<char*>(ptr)));
        case effGetNumProgramCategories: return getNumCategories();
        case effGetProgramNameIndexed:
            if (!ptr) return 0;
            return boolResult(getProgramNameIndexed(static_cast<int32_t>(value), index,
                                                    static_cast<char*>(ptr)));
        case effCopyProgram: return boolResult(copyProgram(index));
        case effConnectInput: inputConnected(index, value != 0); return 1;
        case effConnectOutput: outputConnected(index, value != 0); return 1;
        case effGetInputProperties:
            return boolResult(getInputProperties(index, static_cast<VstPinProperties*>(ptr)));
        case effGetOutputProperties:
            return boolResult(getOutputProperties(index, static_cast<VstPinProperties*>(ptr)));
        case effGetPlugCategory: return getPlugCategory();
        case effGetCurrentPosition: return reportCurrentPosition();
        case effGetDestinationBuffer: return reinterpret_cast<intptr_t>(reportDestinationBuffer());
        case effOfflineNotify:
            return offlineNotify(static_cast<VstAudioFile*>(ptr), static_cast<int32_t>(value),
                                 index != 0);
        case effOfflinePrepare:
            return offlinePrepare(static_cast<VstOfflineTask*>(ptr), static_cast<int32_t>(value));
        case effOfflineRun:
            return offlineRun(static_cast<VstOfflineTask*>(ptr), static_cast<int32_t>(value));
        case effProcessVarIo: return boolResult(processVariableIo(static_cast<VstVariableIo*>(ptr)));
        case effSetSpeakerArrangement:
            return boolResult(
                setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                      static_cast<VstSpeakerArrangement*>(ptr)));
        case effSetBlockSizeAndSampleRate:
            setBlockSizeAndSampleRate(static_cast<int32_t>(value), opt);
            return 1;
        case effSetBypass: return boolResult(setBypass(value != 0));
        // Text opcodes: without a buffer nothing is written and the answer is 0.
        case effGetEffectName:
            return ptr ? boolResult(getEffectName(static_cast<char*>(ptr))) : 0;
        case effGetErrorText:
            return ptr ? boolResult(getErrorText(static_cast<char*>(ptr))) : 0;
        case effGetVendorString:
            return ptr ? boolResult(getVendorString(static_cast<char*>(ptr))) : 0;
        case effGetProductString:
            return ptr ? boolResult(getProductString(static_cast<char*>(ptr))) : 0;
        case effGetVendorVersion: return getVendorVersion();
        case effVendorSpecific: return vendorSpecific(index, value, ptr, opt);
        case effCanDo: return ptr ? canDo(static_cast<char*>(ptr)) : 0;
        case effGetTailSize: return getGetTailSize();
        case effIdle: return fxIdle();
        case effGetIcon: return reinterpret_cast<intptr_t>(getIcon());
        case effSetViewPosition:
            return boolResult(setViewPosition(index, static_cast<int32_t>(value)));
        case effGetParameterProperties:
            return boolResult(
                getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)));
        case effKeysRequired: return keysRequired() ? 0 : 1;
        case effGetVstVersion: return getVstVersion();
        case effEditKeyDown:
        case effEditKeyUp: {
            if (!editor) return 0;
            // Lives only for the duration of this call.
            VstKeyCode key{};
            key.character = index;
            key.virt = static_cast<uint8_t>(value & 0xFF);
            key.modifier = modifierFromOpt(opt);
            return opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
        }
        case effSetEditKnobMode:
            if (!editor) return 0;
            return editor->setKnobMode(static_cast<int>(value));
        case effGetMidiProgramName:
            return getMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
        case effGetCurrentMidiProgram:
            return getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
        case effGetMidiProgramCategory:
            return getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
        case effHasMidiProgramsChanged: return boolResult(hasMidiProgramsChanged(index));
        case effGetMidiKeyName:
            return boolResult(getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)));
        case effBeginSetProgram: return boolResult(beginSetProgram());
        case effEndSetProgram: return boolResult(endSetProgram());
        default: return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

// Host wrappers: each sends one opcode with the record's address, or answers
// its fixed default when there is no host callback.

AEffEditor* AudioEffectX::getEditor() { return editor; }

void AudioEffectX::wantEvents(int32_t filter) {
    if (audioMaster) audioMaster(&cEffect, audioMasterWantMidi, 0, filter, nullptr, 0.0f);
}

VstTimeInfo* AudioEffectX::getTimeInfo(int32_t filter) {
    if (!audioMaster) return nullptr;
    return reinterpret_cast<VstTimeInfo*>(
        audioMaster(&cEffect, audioMasterGetTime, 0, filter, nullptr, 0.0f));
}

bool AudioEffectX::sendVstEventsToHost(VstEvents* events) {
    if (!audioMaster) return false;
    return audioMaster(&cEffect, audioMasterProcessEvents, 0, 0, events, 0.0f) == 1;
}

int32_t AudioEffectX::tempoAt(int32_t pos) {
    if (!audioMaster) return 0;
    return static_cast<int32_t>(audioMaster(&cEffect, audioMasterTempoAt, 0, pos, nullptr, 0.0f));
}

int32_t AudioEffectX::processEvents(VstEvents*) { return 0; }

int32_t AudioEffectX::getNumAutomatableParameters() {
    if (!audioMaster) return 0;
    return static_cast<int32_t>(
        audioMaster(&cEffect, audioMasterGetNumAutomatableParameters, 0, 0, nullptr, 0.0f));
}

int32_t AudioEffectX::getParameterQuantization() {
    if (!audioMaster) return 0;
    return static_cast<int32_t>(
        audioMaster(&cEffect, audioMasterGetParameterQuantization, 0, 0, nullptr, 0.0f));
}

bool AudioEffectX::canParameterBeAutomated(int32_t) { return true; }
bool AudioEffectX::string2parameter(int32_t, char*) { return false; }
float AudioEffectX::getChannelParameter(int32_t, int32_t) { return 0.0f; }
int32_t AudioEffectX::getNumCategories() { return 1; }
bool AudioEffectX::getProgramNameIndexed(int32_t, int32_t, char*) { return false; }
bool AudioEffectX::copyProgram(int32_t) { return false; }

bool AudioEffectX::ioChanged() {
    if (!audioMaster) return false;
    return audioMaster(&cEffect, audioMasterIOChanged, 0, 0, nullptr, 0.0f) != 0;
}

bool AudioEffectX::needIdle() {
    if (!audioMaster) return false;
    return audioMaster(&cEffect, audioMasterNeedIdle, 0, 0, nullptr, 0.0f) != 0;
}

bool AudioEffectX::sizeWindow(int32_t width, int32_t height) {
    if (!audioMaster) return false;
    return audioMaster(&cEffect, audioMasterSizeWindow, width, height, nullptr, 0.0f) != 0;
}

// The host may answer by sending effSetSampleRate / effSetBlockSize while it
// handles the query, so the stored value is returned, not the answer.
float AudioEffectX::updateSampleRate() {
    if (audioMaster) audioMaster(&cEffect, audioMasterGetSampleRate, 0, 0, nullptr, 0.0f);
    return sampleRate;
}

int32_t AudioEffectX::updateBlockSize() {
    if (audioMaster) audioMaster(&cEffect, audioMasterGetBlockSize, 0, 0, nullptr, 0.0f);
    return blockSize;
}

int32_t AudioEffectX::getInputLatency() {
    if (!audioMaster) return 0;
    return static_cast<int32_t>(
        audioMaster(&cEffect, audioMasterGetInputLatency, 0, 0, nullptr, 0.0f));
}

int32_t AudioEffectX::getOutputLatency() {
    if (!audioMaster) return 0;
    return static_cast<int32_t>(
        audioMaster(&cEffect, audioMasterGetOutputLatency, 0, 0, nullptr, 0.0f));
}

AEffect* AudioEffectX::getPreviousPlug(int32_t) {
    if (!audioMaster) return nullptr;
    return reinterpret_cast<AEffect*>(
        audioMaster(&cEffect, audioMasterGetPreviousPlug, 0, 0, nullptr, 0.0f));
}

AEffect* AudioEffectX::getNextPlug(int32_t) {
    if (!audioMaster) return nullptr;
    return reinterpret_cast<AEffect*>(
        audioMaster(&cEffect, audioMasterGetNextPlug, 0, 0, nullptr, 0.0f));
}

void AudioEffectX::inputConnected(int32_t, bool) {}
void AudioEffectX::outputConnected(int32_t, bool) {}
bool AudioEffectX::getInputProperties(int32_t, VstPinProperties*) { return false; }
bool AudioEffectX::getOutputProperties(int32_t, VstPinProperties*) { return false; }

int32_t AudioEffectX::getPlugCategory() {
    return (cEffect.flags & effFlagsIsSynth) ? 2 : 0;
}

int32_t AudioEffectX::willProcessReplacing() {
    if (!audioMaster) return 0;
    return static_cast<int32_t>(
        audioMaster(&cEffect, audioMasterWillReplaceOrAccumulate, 0, 0, nullptr, 0.0f));
}

int32_t AudioEffectX::getCurrentProcessLevel() {
    if (!audioMaster) return 0;
    return static_cast<int32_t>(
        audioMaster(&cEffect, audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0.0f));
}

int32_t AudioEffectX::getAutomationState() {
    if (!audioMaster) return 0;
    return static_cast<int32_t>(
        audioMaster(&cEffect, audioMasterGetAutomationState, 0, 0, nullptr, 0.0f));
}

void AudioEffectX::wantAsyncOperation(bool state) { setFlag(effFlagsExtIsAsync, state); }
void AudioEffectX::hasExternalBuffer(bool state) { setFlag(effFlagsExtHasBuffer, state); }

int32_t AudioEffectX::reportCurrentPosition() { return 0; }
float* AudioEffectX::reportDestinationBuffer() { return nullptr; }

bool AudioEffectX::offlineRead(VstOfflineTask* offline, VstOfflineOption option, bool readSource) {
    if (!audioMaster) return false;
    return audioMaster(&cEffect, audioMasterOfflineRead, readSource ? 1 : 0, option, offline,
                       0.0f) != 0;
}

bool AudioEffectX::offlineWrite(VstOfflineTask* offline, VstOfflineOption option) {
    if (!audioMaster) return false;
    return audioMaster(&cEffect, audioMasterOfflineWrite, 0, option, offline, 0.0f) != 0;
}

bool AudioEffectX::offlineStart(VstAudioFile* ptr, int32_t numAudioFiles,
                                int32_t numNewAudioFiles) {
    if (!audioMaster) return false;
    return audioMaster(&cEffect, audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, ptr,
                       0.0f) != 0;
}

int32_t AudioEffectX::offlineGetCurrentPass() {
    if (!audioMaster) return 0;
    return audioMaster(&cEffect, audioMasterOfflineGetCurrentPass, 0, 0, nullptr, 0.0f) != 0 ? 1
                                                                                             : 0;
}

int32_t AudioEffectX::offlineGetCurrentMetaPass() {
    if (!audioMaster) return 0;
    return audioMaster(&cEffect, audioMasterOfflineGetCurrentMetaPass, 0, 0, nullptr, 0.0f) != 0
               ? 1
               : 0;
}

bool AudioEffectX::offlineNotify(VstAudioFile*, int32_t, bool) { return false; }
bool AudioEffectX::offlinePrepare(VstOfflineTask*, int32_t) { return false; }
bool AudioEffectX::offlineRun(VstOfflineTask*, int32_t) { return false; }
int32_t AudioEffectX::offlineGetNumPasses() { return 0; }
int32_t AudioEffectX::offlineGetNumMetaPasses() { return 0; }

void AudioEffectX::setOutputSamplerate(float samplerate) {
    if (audioMaster)
        audioMaster(&cEffect, audioMasterSetOutputSampleRate, 0, 0, nullptr, samplerate);
}

bool AudioEffectX::getSpeakerArrangement(VstSpeakerArrangement* pluginInput,
                                         VstSpeakerArrangement* pluginOutput) {
    if (!audioMaster) return false;
    return audioMaster(&cEffect, audioMasterGetSpeakerArrangement, 0,
                       reinterpret_cast<intptr_t>(pluginInput), pluginOutput, 0.0f) != 0;
}

bool AudioEffectX::getHostVendorString(char* text) {
    if (!audioMaster) return false;
    return audioMaster(&cEffect, audioMasterGetVendorString, 0, 0, text, 0.0f) != 0;
}

bool AudioEffectX::getHostProductString(char* text) {
    if (!audioMaster) return false;
    return audioMaster(&cEffect, audioMasterGetProductString, 0, 0, text, 0.0f) != 0;
}

int32_t AudioEffectX::getHostVendorVersion() {
    if (!audioMaster) return 0;
    return static_cast<int32_t>(
        audioMaster(&cEffect, audioMasterGetVendorVersion, 0, 0, nullptr, 0.0f));
}

intptr_t AudioEffectX::hostVendorSpecific(int32_t lArg1, intptr_t lArg2, void* ptrArg,
                                          float floatArg) {
    if (!audioMaster) return 0;
    return audioMaster(&cEffect, audioMasterVendorSpecific, lArg1, lArg2, ptrArg, floatArg);
}

int32_t AudioEffectX::canHostDo(char* text) {
    if (!audioMaster) return 0;
    return audioMaster(&cEffect, audioMasterCanDo, 0, 0, text, 0.0f) != 0 ? 1 : 0;
}

void AudioEffectX::isSynth(bool state) { setFlag(effFlagsIsSynth, state); }
void AudioEffectX::noTail(bool state) { setFlag(effFlagsNoSoundInStop, state); }

int32_t AudioEffectX::getHostLanguage() {
    if (!audioMaster) return 0;
    return static_cast<int32_t>(audioMaster(&cEffect, audioMasterGetLanguage, 0, 0, nullptr, 0.0f));
}

void* AudioEffectX::openWindow(VstWindow* window) {
    if (!audioMaster) return nullptr;
    return reinterpret_cast<void*>(
        audioMaster(&cEffect, audioMasterOpenWindow, 0, 0, window, 0.0f));
}

bool AudioEffectX::closeWindow(VstWindow* window) {
    if (!audioMaster) return false;
    return audioMaster(&cEffect, audioMasterCloseWindow, 0, 0, window, 0.0f) != 0;
}

void* AudioEffectX::getDirectory() {
    if (!audioMaster) return nullptr;
    return reinterpret_cast<void*>(
        audioMaster(&cEffect, audioMasterGetDirectory, 0, 0, nullptr, 0.0f));
}

bool AudioEffectX::updateDisplay() {
    if (!audioMaster) return false;
    return audioMaster(&cEffect, audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f) != 0;
}

bool AudioEffectX::processVariableIo(VstVariableIo*) { return false; }
bool AudioEffectX::setSpeakerArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*) {
    return false;
}

void AudioEffectX::setBlockSizeAndSampleRate(int32_t newBlockSize, float newSampleRate) {
    blockSize = newBlockSize;
    sampleRate = newSampleRate;
}

bool AudioEffectX::setBypass(bool) { return false; }
bool AudioEffectX::getEffectName(char*) { return false; }
bool AudioEffectX::getErrorText(char*) { return false; }
bool AudioEffectX::getVendorString(char*) { return false; }
bool AudioEffectX::getProductString(char*) { return false; }
int32_t AudioEffectX::getVendorVersion() { return 0; }
intptr_t AudioEffectX::vendorSpecific(int32_t, intptr_t, void*, float) { return 0; }
int32_t AudioEffectX::canDo(char*) { return 0; }
void* AudioEffectX::getIcon() { return nullptr; }
bool AudioEffectX::setViewPosition(int32_t, int32_t) { return false; }
int32_t AudioEffectX::getGetTailSize() { return 0; }
int32_t AudioEffectX::fxIdle() { return 0; }
bool AudioEffectX::getParameterProperties(int32_t, VstParameterProperties*) { return false; }
bool AudioEffectX::keysRequired() { return false; }
int32_t AudioEffectX::getVstVersion() { return 2200; }
int32_t AudioEffectX::getMidiProgramName(int32_t, MidiProgramName*) { return 0; }
int32_t AudioEffectX::getCurrentMidiProgram(int32_t, MidiProgramName*) { return -1; }
int32_t AudioEffectX::getMidiProgramCategory(int32_t, MidiProgramCategory*) { return 0; }
bool AudioEffectX::hasMidiProgramsChanged(int32_t) { return false; }
bool AudioEffectX::getMidiKeyName(int32_t, MidiKeyName*) { return false; }
bool AudioEffectX::beginSetProgram() { return false; }
bool AudioEffectX::endSetProgram() { return false; }

bool AudioEffectX::beginEdit(int32_t index) {
    if (!audioMaster) return false;
    return audioMaster(&cEffect, audioMasterBeginEdit, index, 0, nullptr, 0.0f) != 0;
}

bool AudioEffectX::endEdit(int32_t index) {
    if (!audioMaster) return false;
    return audioMaster(&cEffect, audioMasterEndEdit, index, 0, nullptr, 0.0f) != 0;
}

// The three file wrappers send nothing for a null argument.
bool AudioEffectX::openFileSelector(VstFileSelect* ptr) {
    if (!audioMaster || !ptr) return false;
    return audioMaster(&cEffect, audioMasterOpenFileSelector, 0, 0, ptr, 0.0f) != 0;
}

bool AudioEffectX::closeFileSelector(VstFileSelect* ptr) {
    if (!audioMaster || !ptr) return false;
    return audioMaster(&cEffect, audioMasterCloseFileSelector, 0, 0, ptr, 0.0f) != 0;
}

bool AudioEffectX::getChunkFile(void* nativePath) {
    if (!audioMaster || !nativePath) return false;
    return audioMaster(&cEffect, audioMasterGetChunkFile, 0, 0, nativePath, 0.0f) != 0;
}
