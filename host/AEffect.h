// The plug-in record shared with the host, laid out as Linux x86-64 hosts
// expect it. Nothing here depends on the effect classes; the record is plain
// data plus C function pointers.
#pragma once

#include <cstddef>
#include <cstdint>

struct AEffect;

// Host entry: (record, opcode, index, value, ptr, opt) -> pointer-sized result.
using audioMasterCallback = intptr_t (*)(AEffect* effect, int32_t opcode, int32_t index,
                                         intptr_t value, void* ptr, float opt);
using AEffectDispatcherProc = intptr_t (*)(AEffect* effect, int32_t opcode, int32_t index,
                                           intptr_t value, void* ptr, float opt);
using AEffectProcessProc = void (*)(AEffect* effect, float** inputs, float** outputs,
                                    int32_t sampleFrames);
using AEffectSetParameterProc = void (*)(AEffect* effect, int32_t index, float value);
using AEffectGetParameterProc = float (*)(AEffect* effect, int32_t index);

// Four-character codes: first character in the most significant byte.
constexpr int32_t fourCharCode(char a, char b, char c, char d) {
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<unsigned char>(a)) << 24) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 16) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 8) |
                                static_cast<uint32_t>(static_cast<unsigned char>(d)));
}

constexpr int32_t kEffectMagic = fourCharCode('V', 's', 't', 'P');  // 0x56737450
constexpr int32_t kEffectIdentify = fourCharCode('N', 'v', 'E', 'f');  // 0x4E764566
constexpr int32_t kDefaultUniqueId = fourCharCode('N', 'o', 'E', 'f');  // 0x4E6F4566

struct AEffect {
    int32_t magic;
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process;
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    int32_t numPrograms;
    int32_t numParams;
    int32_t numInputs;
    int32_t numOutputs;
    int32_t flags;
    intptr_t resvd1;
    intptr_t resvd2;
    int32_t initialDelay;
    int32_t realQualities;
    int32_t offQualities;
    float ioRatio;
    void* object;
    void* user;
    int32_t uniqueID;
    int32_t version;
    AEffectProcessProc processReplacing;
    // Later hosts read a double-precision process function here; it stays null.
    AEffectProcessProc processDoubleReplacing;
    char future[56];
};

static_assert(offsetof(AEffect, magic) == 0);
static_assert(offsetof(AEffect, dispatcher) == 8);
static_assert(offsetof(AEffect, process) == 16);
static_assert(offsetof(AEffect, setParameter) == 24);
static_assert(offsetof(AEffect, getParameter) == 32);
static_assert(offsetof(AEffect, numPrograms) == 40);
static_assert(offsetof(AEffect, numParams) == 44);
static_assert(offsetof(AEffect, numInputs) == 48);
static_assert(offsetof(AEffect, numOutputs) == 52);
static_assert(offsetof(AEffect, flags) == 56);
static_assert(offsetof(AEffect, resvd1) == 64);
static_assert(offsetof(AEffect, resvd2) == 72);
static_assert(offsetof(AEffect, initialDelay) == 80);
static_assert(offsetof(AEffect, realQualities) == 84);
static_assert(offsetof(AEffect, offQualities) == 88);
static_assert(offsetof(AEffect, ioRatio) == 92);
static_assert(offsetof(AEffect, object) == 96);
static_assert(offsetof(AEffect, user) == 104);
static_assert(offsetof(AEffect, uniqueID) == 112);
static_assert(offsetof(AEffect, version) == 116);
static_assert(offsetof(AEffect, processReplacing) == 120);
static_assert(offsetof(AEffect, processDoubleReplacing) == 128);
static_assert(offsetof(AEffect, future) == 136);
static_assert(sizeof(AEffect) == 192);
static_assert(alignof(AEffect) == 8);

// Capability bits of AEffect::flags.
enum : int32_t {
    effFlagsHasEditor = 1,
    effFlagsHasClip = 2,
    effFlagsHasVu = 4,
    effFlagsCanMono = 8,
    effFlagsCanReplacing = 16,
    effFlagsProgramChunks = 32,
    effFlagsIsSynth = 256,
    effFlagsNoSoundInStop = 512,
    effFlagsExtIsAsync = 1024,
    effFlagsExtHasBuffer = 2048,
};

// Editor rectangle: top, left, bottom, right.
struct ERect {
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
};
static_assert(sizeof(ERect) == 8);

// Key event handed to the editor.
struct VstKeyCode {
    int32_t character;
    uint8_t virt;
    uint8_t modifier;
};
static_assert(sizeof(VstKeyCode) == 8);
static_assert(offsetof(VstKeyCode, virt) == 4);
static_assert(offsetof(VstKeyCode, modifier) == 5);

// Structures the base only passes through by pointer.
struct VstEvents;
struct VstTimeInfo;
struct VstPinProperties;
struct VstAudioFile;
struct VstOfflineTask;
struct VstVariableIo;
struct VstSpeakerArrangement;
struct VstWindow;
struct VstParameterProperties;
struct MidiProgramName;
struct MidiProgramCategory;
struct MidiKeyName;
struct VstFileSelect;
using VstOfflineOption = int32_t;

// Dispatcher opcodes.
enum EffectOpcode : int32_t {
    effOpen = 0, effClose, effSetProgram, effGetProgram, effSetProgramName, effGetProgramName,
    effGetParamLabel, effGetParamDisplay, effGetParamName, effGetVu, effSetSampleRate,
    effSetBlockSize, effMainsChanged, effEditGetRect, effEditOpen, effEditClose, effEditDraw,
    effEditMouse, effEditKey, effEditIdle, effEditTop, effEditSleep, effIdentify, effGetChunk,
    effSetChunk,
    effProcessEvents = 25, effCanBeAutomated, effString2Parameter, effGetNumProgramCategories,
    effGetProgramNameIndexed, effCopyProgram, effConnectInput, effConnectOutput,
    effGetInputProperties, effGetOutputProperties, effGetPlugCategory, effGetCurrentPosition,
    effGetDestinationBuffer, effOfflineNotify, effOfflinePrepare, effOfflineRun,
    effProcessVarIo, effSetSpeakerArrangement, effSetBlockSizeAndSampleRate, effSetBypass,
    effGetEffectName, effGetErrorText, effGetVendorString, effGetProductString,
    effGetVendorVersion, effVendorSpecific, effCanDo, effGetTailSize, effIdle, effGetIcon,
    effSetViewPosition, effGetParameterProperties, effKeysRequired, effGetVstVersion,
    effEditKeyDown, effEditKeyUp, effSetEditKnobMode, effGetMidiProgramName,
    effGetCurrentMidiProgram, effGetMidiProgramCategory, effHasMidiProgramsChanged,
    effGetMidiKeyName, effBeginSetProgram, effEndSetProgram,
};
static_assert(effSetChunk == 24);
static_assert(effEndSetProgram == 68);

// Host callback opcodes.
enum MasterOpcode : int32_t {
    audioMasterAutomate = 0, audioMasterVersion, audioMasterCurrentId, audioMasterIdle,
    audioMasterPinConnected,
    audioMasterWantMidi = 6, audioMasterGetTime, audioMasterProcessEvents,
    audioMasterTempoAt = 10, audioMasterGetNumAutomatableParameters,
    audioMasterGetParameterQuantization, audioMasterIOChanged, audioMasterNeedIdle,
    audioMasterSizeWindow, audioMasterGetSampleRate, audioMasterGetBlockSize,
    audioMasterGetInputLatency, audioMasterGetOutputLatency, audioMasterGetPreviousPlug,
    audioMasterGetNextPlug, audioMasterWillReplaceOrAccumulate,
    audioMasterGetCurrentProcessLevel, audioMasterGetAutomationState,
    audioMasterOfflineStart, audioMasterOfflineRead, audioMasterOfflineWrite,
    audioMasterOfflineGetCurrentPass, audioMasterOfflineGetCurrentMetaPass,
    audioMasterSetOutputSampleRate, audioMasterGetSpeakerArrangement,
    audioMasterGetVendorString, audioMasterGetProductString, audioMasterGetVendorVersion,
    audioMasterVendorSpecific,
    audioMasterCanDo = 37, audioMasterGetLanguage, audioMasterOpenWindow,
    audioMasterCloseWindow, audioMasterGetDirectory, audioMasterUpdateDisplay,
    audioMasterBeginEdit, audioMasterEndEdit, audioMasterOpenFileSelector,
    audioMasterCloseFileSelector,
    audioMasterGetChunkFile = 48,
};
static_assert(audioMasterVendorSpecific == 35);
static_assert(audioMasterCloseFileSelector == 46);
