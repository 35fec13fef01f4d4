// The extended dispatcher: defaults of opcodes 25-68, bool reductions and
// where each opcode puts its arguments.
#include <gtest/gtest.h>

#include "FakeHost.h"

namespace {

intptr_t dispatch(AEffect* e, int32_t opcode, int32_t index = 0, intptr_t value = 0,
                  void* ptr = nullptr, float opt = 0.0f) {
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}

TEST(AudioEffectXTest, DefaultAnswersOfTheExtendedOpcodes) {
    struct Case {
        int32_t opcode;
        intptr_t expected;
    };
    const Case cases[] = {
        {effProcessEvents, 0}, {effCanBeAutomated, 1}, {effString2Parameter, 0},
        {effGetNumProgramCategories, 1}, {effGetProgramNameIndexed, 0}, {effCopyProgram, 0},
        {effConnectInput, 1}, {effConnectOutput, 1}, {effGetInputProperties, 0},
        {effGetOutputProperties, 0}, {effGetPlugCategory, 0}, {effGetCurrentPosition, 0},
        {effGetDestinationBuffer, 0}, {effOfflineNotify, 0}, {effOfflinePrepare, 0},
        {effOfflineRun, 0}, {effProcessVarIo, 0}, {effSetSpeakerArrangement, 0},
        {effSetBlockSizeAndSampleRate, 1}, {effSetBypass, 0}, {effGetEffectName, 0},
        {effGetErrorText, 0}, {effGetVendorString, 0}, {effGetProductString, 0},
        {effGetVendorVersion, 0}, {effVendorSpecific, 0}, {effCanDo, 0}, {effGetTailSize, 0},
        {effIdle, 0}, {effGetIcon, 0}, {effSetViewPosition, 0}, {effGetParameterProperties, 0},
        {effKeysRequired, 1}, {effGetVstVersion, 2200}, {effGetMidiProgramName, 0},
        {effGetCurrentMidiProgram, -1}, {effGetMidiProgramCategory, 0},
        {effHasMidiProgramsChanged, 0}, {effGetMidiKeyName, 0}, {effBeginSetProgram, 0},
        {effEndSetProgram, 0}, {69, 0}, {70, 0}, {1 << 20, 0},
        // The basic opcodes still reach the base dispatcher.
        {effIdentify, 0x4E764566}, {effGetProgram, 0},
    };
    for (const Case& c : cases) {
        ProbeEffect effect(FakeHost::callback);
        char buffer[80] = "sizeWindow";
        EXPECT_EQ(dispatch(effect.getAeffect(), c.opcode, 1, 1, buffer, 44100.0f), c.expected)
            << "opcode " << c.opcode;
    }
}

TEST(AudioEffectXTest, PlugCategoryFollowsTheSynthFlag) {
    ProbeEffect effect(nullptr);
    effect.isSynth(true);
    EXPECT_EQ(dispatch(effect.getAeffect(), effGetPlugCategory), 2);
    effect.isSynth(false);
    EXPECT_EQ(dispatch(effect.getAeffect(), effGetPlugCategory), 0);
}

TEST(AudioEffectXTest, SetBlockSizeAndSampleRateStoresBoth) {
    ProbeEffect effect(nullptr);
    EXPECT_EQ(dispatch(effect.getAeffect(), effSetBlockSizeAndSampleRate, 0, 512, nullptr,
                       96000.0f),
              1);
    EXPECT_EQ(effect.getBlockSize(), 512);
    EXPECT_EQ(effect.getSampleRate(), 96000.0f);
}

// An effect whose operations record their arguments and answer "yes" in
// values that are not 1, so that the reduction to 1 is visible.
class EagerEffect : public ProbeEffect {
public:
    EagerEffect() : ProbeEffect(nullptr) {}

    bool canParameterBeAutomated(int32_t index) override { return note(index, 0, nullptr); }
    bool string2parameter(int32_t index, char* text) override { return note(index, 0, text); }
    bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override {
        return note(index, category, text);
    }
    bool copyProgram(int32_t destination) override { return note(destination, 0, nullptr); }
    void inputConnected(int32_t index, bool state) override { note(index, state, nullptr); }
    void outputConnected(int32_t index, bool state) override { note(index, state, nullptr); }
    bool getInputProperties(int32_t index, VstPinProperties* p) override {
        return note(index, 0, p);
    }
    bool getOutputProperties(int32_t index, VstPinProperties* p) override {
        return note(index, 0, p);
    }
    bool offlineNotify(VstAudioFile* files, int32_t count, bool start) override {
        return note(start, count, files);
    }
    bool offlinePrepare(VstOfflineTask* task, int32_t count) override {
        return note(0, count, task);
    }
    bool offlineRun(VstOfflineTask* task, int32_t count) override { return note(0, count, task); }
    bool processVariableIo(VstVariableIo* io) override { return note(0, 0, io); }
    bool setSpeakerArrangement(VstSpeakerArrangement* in, VstSpeakerArrangement* out) override {
        return note(0, reinterpret_cast<intptr_t>(in), out);
    }
    bool setBypass(bool onOff) override { return note(0, onOff, nullptr); }
    bool getEffectName(char* name) override { return note(0, 0, name); }
    bool getErrorText(char* text) override { return note(0, 0, text); }
    bool getVendorString(char* text) override { return note(0, 0, text); }
    bool getProductString(char* text) override { return note(0, 0, text); }
    int32_t getVendorVersion() override { return 104; }
    intptr_t vendorSpecific(int32_t a, intptr_t b, void* p, float f) override {
        note(a, b, p);
        lastOpt = f;
        return -77;
    }
    int32_t canDo(char* text) override { return note(0, 0, text) ? -1 : 0; }
    bool setViewPosition(int32_t x, int32_t y) override { return note(x, y, nullptr); }
    bool getParameterProperties(int32_t index, VstParameterProperties* p) override {
        return note(index, 0, p);
    }
    bool keysRequired() override { return true; }
    int32_t getMidiProgramName(int32_t channel, MidiProgramName* p) override {
        note(channel, 0, p);
        return 5;
    }
    int32_t getCurrentMidiProgram(int32_t channel, MidiProgramName* p) override {
        note(channel, 0, p);
        return 6;
    }
    int32_t getMidiProgramCategory(int32_t channel, MidiProgramCategory* p) override {
        note(channel, 0, p);
        return 8;
    }
    bool hasMidiProgramsChanged(int32_t channel) override { return note(channel, 0, nullptr); }
    bool getMidiKeyName(int32_t channel, MidiKeyName* p) override { return note(channel, 0, p); }
    bool beginSetProgram() override { return note(0, 0, nullptr); }
    bool endSetProgram() override { return note(0, 0, nullptr); }
    int32_t processEvents(VstEvents* events) override {
        note(0, 0, events);
        return 3;
    }

    bool note(int32_t index, intptr_t value, void* ptr) {
        lastIndex = index;
        lastValue = value;
        lastPtr = ptr;
        ++calls;
        return true;
    }
    int32_t lastIndex = -1;
    intptr_t lastValue = -1;
    void* lastPtr = nullptr;
    float lastOpt = 0.0f;
    int calls = 0;
};

TEST(AudioEffectXTest, OpcodesPlaceTheirArgumentsAndReduceBools) {
    struct Case {
        int32_t opcode;
        int32_t index;
        intptr_t value;
        intptr_t expected;
        int32_t seenIndex;
        intptr_t seenValue;
        bool seesPtr;
    };
    const Case cases[] = {
        {effProcessEvents, 0, 0, 3, 0, 0, true},
        {effCanBeAutomated, 4, 0, 1, 4, 0, false},
        {effString2Parameter, 3, 0, 1, 3, 0, true},
        {effGetProgramNameIndexed, 2, 9, 1, 2, 9, true},  // category = value, program = index
        {effCopyProgram, 6, 0, 1, 6, 0, false},
        {effConnectInput, 1, 5, 1, 1, 1, false},
        {effConnectOutput, 1, 0, 1, 1, 0, false},
        {effGetInputProperties, 1, 0, 1, 1, 0, true},
        {effGetOutputProperties, 0, 0, 1, 0, 0, true},
        {effOfflineNotify, 7, 3, 1, 1, 3, true},  // start flag = index != 0, count = value
        {effOfflinePrepare, 0, 4, 1, 0, 4, true},
        {effOfflineRun, 0, 4, 1, 0, 4, true},
        {effProcessVarIo, 0, 0, 1, 0, 0, true},
        {effSetSpeakerArrangement, 0, 0x5000, 1, 0, 0x5000, true},  // input = value
        {effSetBypass, 0, 2, 1, 0, 1, false},
        {effGetEffectName, 0, 0, 1, 0, 0, true},
        {effGetErrorText, 0, 0, 1, 0, 0, true},
        {effGetVendorString, 0, 0, 1, 0, 0, true},
        {effGetProductString, 0, 0, 1, 0, 0, true},
        {effVendorSpecific, 12, 34, -77, 12, 34, true},
        {effCanDo, 0, 0, -1, 0, 0, true},
        {effSetViewPosition, 10, 20, 1, 10, 20, false},
        {effGetParameterProperties, 3, 0, 1, 3, 0, true},
        {effKeysRequired, 0, 0, 0, -1, -1, false},  // inverted: true answers 0
        {effGetMidiProgramName, 2, 0, 5, 2, 0, true},
        {effGetCurrentMidiProgram, 2, 0, 6, 2, 0, true},
        {effGetMidiProgramCategory, 2, 0, 8, 2, 0, true},
        {effHasMidiProgramsChanged, 9, 0, 1, 9, 0, false},
        {effGetMidiKeyName, 9, 0, 1, 9, 0, true},
        {effBeginSetProgram, 0, 0, 1, 0, 0, false},
        {effEndSetProgram, 0, 0, 1, 0, 0, false},
    };
    for (const Case& c : cases) {
        EagerEffect effect;
        char buffer[80] = {};
        EXPECT_EQ(dispatch(effect.getAeffect(), c.opcode, c.index, c.value, buffer, 0.5f),
                  c.expected)
            << "opcode " << c.opcode;
        EXPECT_EQ(effect.lastIndex, c.seenIndex) << "opcode " << c.opcode;
        EXPECT_EQ(effect.lastValue, c.seenValue) << "opcode " << c.opcode;
        EXPECT_EQ(effect.lastPtr, c.seesPtr ? buffer : nullptr) << "opcode " << c.opcode;
        if (c.opcode == effVendorSpecific) {
            EXPECT_EQ(effect.lastOpt, 0.5f);
        }
    }
}

TEST(AudioEffectXTest, TextOpcodesWithoutBufferAnswerZeroWithoutCalling) {
    for (int32_t opcode : {effGetEffectName, effGetErrorText, effGetVendorString,
                           effGetProductString, effCanDo, effGetProgramNameIndexed}) {
        EagerEffect effect;
        EXPECT_EQ(dispatch(effect.getAeffect(), opcode, 0, 0, nullptr), 0) << "opcode " << opcode;
        EXPECT_EQ(effect.calls, 0) << "opcode " << opcode;
    }
}

TEST(AudioEffectXTest, GetEditorAnswersTheEffectsEditor) {
    ProbeEffect effect(nullptr);
    EXPECT_EQ(effect.getEditor(), nullptr);
    auto* editor = new RecordingEditor(&effect);
    effect.installEditor(editor);
    EXPECT_EQ(effect.getEditor(), editor);
}

}  // namespace
