// The effect base as a host meets it: the record's bytes, the trampolines,
// the basic dispatcher and the host queries.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "FakeHost.h"

namespace {

class AudioEffectTest : public ::testing::Test {
protected:
    void SetUp() override { FakeHost::reset(); }
    intptr_t dispatch(AEffect* e, int32_t opcode, int32_t index = 0, intptr_t value = 0,
                      void* ptr = nullptr, float opt = 0.0f) {
        return e->dispatcher(e, opcode, index, value, ptr, opt);
    }
};

TEST_F(AudioEffectTest, FreshRecordHoldsTheConstructorValuesAtTheAbiOffsets) {
    ProbeEffect effect(FakeHost::callback, 3, 5);
    const AEffect* e = effect.getAeffect();

    EXPECT_EQ(readAt<int32_t>(e, 0), 0x56737450);
    EXPECT_EQ(readAt<uint32_t>(e, 4), 0u) << "padding after magic";
    EXPECT_EQ(readAt<AEffectDispatcherProc>(e, 8), &dispatchEffectClass);
    EXPECT_EQ(readAt<AEffectProcessProc>(e, 16), &processClass);
    EXPECT_EQ(readAt<AEffectSetParameterProc>(e, 24), &setParameterClass);
    EXPECT_EQ(readAt<AEffectGetParameterProc>(e, 32), &getParameterClass);
    EXPECT_EQ(readAt<int32_t>(e, 40), 3);
    EXPECT_EQ(readAt<int32_t>(e, 44), 5);
    EXPECT_EQ(readAt<int32_t>(e, 48), 1);
    EXPECT_EQ(readAt<int32_t>(e, 52), 2);
    EXPECT_EQ(readAt<int32_t>(e, 56), 0);
    EXPECT_EQ(readAt<intptr_t>(e, 64), 0);
    EXPECT_EQ(readAt<intptr_t>(e, 72), 0);
    EXPECT_EQ(readAt<int32_t>(e, 80), 0);
    EXPECT_EQ(readAt<int32_t>(e, 84), 0);
    EXPECT_EQ(readAt<int32_t>(e, 88), 0);
    EXPECT_EQ(readAt<float>(e, 92), 1.0f);
    EXPECT_EQ(readAt<void*>(e, 96), static_cast<void*>(&effect));
    EXPECT_EQ(readAt<void*>(e, 104), nullptr);
    EXPECT_EQ(readAt<int32_t>(e, 112), 0x4E6F4566);
    EXPECT_EQ(readAt<int32_t>(e, 116), 1);
    EXPECT_EQ(readAt<AEffectProcessProc>(e, 120), &processClassReplacing);
    EXPECT_EQ(readAt<void*>(e, 128), nullptr);
    for (size_t offset = 136; offset < 192; ++offset)
        EXPECT_EQ(readAt<unsigned char>(e, offset), 0) << "future byte " << offset;
}

TEST_F(AudioEffectTest, SettersWriteTheirOwnFieldOnly) {
    struct Case {
        const char* name;
        void (*set)(ProbeEffect&);
        size_t offset;
        int32_t expected;
    };
    const Case cases[] = {
        {"setUniqueID", [](ProbeEffect& f) { f.setUniqueID(0x4B535630); }, 112, 0x4B535630},
        {"setNumInputs", [](ProbeEffect& f) { f.setNumInputs(2); }, 48, 2},
        {"setNumOutputs", [](ProbeEffect& f) { f.setNumOutputs(6); }, 52, 6},
        {"setRealtimeQualities", [](ProbeEffect& f) { f.setRealtimeQualities(3); }, 84, 3},
        {"setOfflineQualities", [](ProbeEffect& f) { f.setOfflineQualities(4); }, 88, 4},
        {"setInitialDelay", [](ProbeEffect& f) { f.setInitialDelay(1024); }, 80, 1024},
    };
    for (const Case& c : cases) {
        ProbeEffect effect(nullptr);
        unsigned char before[sizeof(AEffect)];
        std::memcpy(before, effect.getAeffect(), sizeof before);
        c.set(effect);
        EXPECT_EQ(readAt<int32_t>(effect.getAeffect(), c.offset), c.expected) << c.name;
        const auto* after = reinterpret_cast<const unsigned char*>(effect.getAeffect());
        for (size_t i = 0; i < sizeof before; ++i)
            if (i < c.offset || i >= c.offset + 4) {
                EXPECT_EQ(after[i], before[i]) << c.name << " changed byte " << i;
            }
    }
}

TEST_F(AudioEffectTest, FlagSettersSetAndClearOneBitEach) {
    struct Case {
        const char* name;
        void (*set)(ProbeEffect&, bool);
        int32_t bit;
    };
    const Case cases[] = {
        {"hasClip", [](ProbeEffect& f, bool s) { f.hasClip(s); }, 2},
        {"hasVu", [](ProbeEffect& f, bool s) { f.hasVu(s); }, 4},
        {"canMono", [](ProbeEffect& f, bool s) { f.canMono(s); }, 8},
        {"canProcessReplacing", [](ProbeEffect& f, bool s) { f.canProcessReplacing(s); }, 16},
        {"programsAreChunks", [](ProbeEffect& f, bool s) { f.programsAreChunks(s); }, 32},
        {"isSynth", [](ProbeEffect& f, bool s) { f.isSynth(s); }, 256},
        {"noTail", [](ProbeEffect& f, bool s) { f.noTail(s); }, 512},
        {"wantAsyncOperation", [](ProbeEffect& f, bool s) { f.wantAsyncOperation(s); }, 1024},
        {"hasExternalBuffer", [](ProbeEffect& f, bool s) { f.hasExternalBuffer(s); }, 2048},
    };
    for (const Case& c : cases) {
        ProbeEffect effect(nullptr);
        AEffect* e = effect.getAeffect();
        e->flags = 0x40000001;  // bits no setter owns must survive
        c.set(effect, true);
        EXPECT_EQ(e->flags, 0x40000001 | c.bit) << c.name;
        c.set(effect, true);
        EXPECT_EQ(e->flags, 0x40000001 | c.bit) << c.name << " twice";
        c.set(effect, false);
        EXPECT_EQ(e->flags, 0x40000001) << c.name << " cleared";
    }
}

TEST_F(AudioEffectTest, TrampolinesForwardEveryArgumentToTheObject) {
    ProbeEffect effect(nullptr);
    AEffect* e = effect.getAeffect();
    float left[4], right[4];
    float* ins[] = {left, right};
    float* outs[] = {right, left};

    e->process(e, ins, outs, 77);
    EXPECT_EQ(effect.lastProcess.inputs, ins);
    EXPECT_EQ(effect.lastProcess.outputs, outs);
    EXPECT_EQ(effect.lastProcess.frames, 77);
    e->processReplacing(e, outs, ins, 4097);
    EXPECT_EQ(effect.lastReplacing.inputs, outs);
    EXPECT_EQ(effect.lastReplacing.outputs, ins);
    EXPECT_EQ(effect.lastReplacing.frames, 4097);

    e->setParameter(e, 2, 0.625f);
    EXPECT_EQ(effect.params[2], 0.625f);
    EXPECT_EQ(e->getParameter(e, 2), 0.625f);
    EXPECT_EQ(e->getParameter(e, 3), 0.0f);
}

TEST_F(AudioEffectTest, EffCloseAnswersOneAndDestroysTheObjectAndItsEditor) {
    bool effectGone = false, editorGone = false;
    auto* effect = new ProbeEffect(FakeHost::callback, 1, 4, &effectGone);
    effect->installEditor(new RecordingEditor(effect, &editorGone));
    AEffect* e = effect->getAeffect();

    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_TRUE(effectGone);
    EXPECT_TRUE(editorGone);
}

TEST_F(AudioEffectTest, EffCloseCallsCloseBeforeTheDestructor) {
    bool gone = false;
    bool closedFirst = false;
    class ClosingEffect : public ProbeEffect {
    public:
        ClosingEffect(bool* gone, bool* closedFirst)
            : ProbeEffect(nullptr, 1, 4, gone), gone(gone), closedFirst(closedFirst) {}
        void close() override { *closedFirst = !*gone; }
        bool* gone;
        bool* closedFirst;
    };
    auto* effect = new ClosingEffect(&gone, &closedFirst);
    AEffect* e = effect->getAeffect();
    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_TRUE(closedFirst);
    EXPECT_TRUE(gone);
}

TEST_F(AudioEffectTest, OtherOpcodesPassTheDispatcherResultUnchanged) {
    ProbeEffect effect(nullptr);
    AEffect* e = effect.getAeffect();
    EXPECT_EQ(dispatch(e, effIdentify), 0x4E764566);
    EXPECT_EQ(dispatch(e, effOpen), 0);
    EXPECT_EQ(dispatch(e, 69), 0);
    EXPECT_EQ(dispatch(e, -1), 0);
    EXPECT_EQ(dispatch(e, 1000), 0);
}

TEST_F(AudioEffectTest, EffSetProgramStoresOnlyValuesBelowTheProgramCount) {
    struct Case {
        intptr_t value;
        int32_t expected;
    };
    // One program; the comparison is signed, so negative values are stored.
    const Case cases[] = {{0, 0}, {1, 0}, {5, 0}, {-1, -1}, {-7, -7}};
    for (const Case& c : cases) {
        ProbeEffect effect(nullptr, 1, 4);
        AEffect* e = effect.getAeffect();
        EXPECT_EQ(dispatch(e, effSetProgram, 0, c.value), 0);
        EXPECT_EQ(dispatch(e, effGetProgram), c.expected) << "value " << c.value;
    }
    ProbeEffect three(nullptr, 3, 4);
    dispatch(three.getAeffect(), effSetProgram, 0, 2);
    EXPECT_EQ(dispatch(three.getAeffect(), effGetProgram), 2);
    dispatch(three.getAeffect(), effSetProgram, 0, 3);
    EXPECT_EQ(dispatch(three.getAeffect(), effGetProgram), 2);
}

TEST_F(AudioEffectTest, EffGetVuScalesAndTruncates) {
    struct Case {
        float vu;
        intptr_t expected;
    };
    const Case cases[] = {
        {0.0f, 0},
        {0.5f, 16383},
        {1.0f, 32767},
        {-0.5f, -16383},
        {2.0f, 65534},
        {std::numeric_limits<float>::quiet_NaN(), 0},
        {1e30f, std::numeric_limits<int32_t>::max()},
        {-1e30f, std::numeric_limits<int32_t>::min()},
    };
    for (const Case& c : cases) {
        ProbeEffect effect(nullptr);
        effect.vu = c.vu;
        EXPECT_EQ(dispatch(effect.getAeffect(), effGetVu), c.expected) << "vu " << c.vu;
    }
}

TEST_F(AudioEffectTest, SampleRateBlockSizeAndMainsReachTheEffect) {
    class MainsEffect : public ProbeEffect {
    public:
        MainsEffect() : ProbeEffect(nullptr) {}
        void suspend() override { log += 's'; }
        void resume() override { log += 'r'; }
        std::string log;
    } effect;
    AEffect* e = effect.getAeffect();
    EXPECT_EQ(effect.getSampleRate(), 44100.0f);
    EXPECT_EQ(effect.getBlockSize(), 1024);
    EXPECT_EQ(dispatch(e, effSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
    EXPECT_EQ(dispatch(e, effSetBlockSize, 0, 256), 0);
    EXPECT_EQ(effect.getSampleRate(), 48000.0f);
    EXPECT_EQ(effect.getBlockSize(), 256);
    dispatch(e, effMainsChanged, 0, 1);
    dispatch(e, effMainsChanged, 0, 0);
    dispatch(e, effMainsChanged, 0, -3);
    EXPECT_EQ(effect.log, "rsr");
}

TEST_F(AudioEffectTest, BaseTextOperationsWriteOnlyANul) {
    ProbeEffect effect(nullptr);
    AEffect* e = effect.getAeffect();
    for (int32_t opcode : {effGetProgramName, effGetParamLabel, effGetParamDisplay,
                           effGetParamName, effSetProgramName}) {
        char buffer[16];
        std::memset(buffer, 0xA5, sizeof buffer);
        EXPECT_EQ(dispatch(e, opcode, 1, 0, buffer), 0);
        EXPECT_EQ(buffer[0], 0) << "opcode " << opcode;
        for (size_t i = 1; i < sizeof buffer; ++i)
            EXPECT_EQ(static_cast<unsigned char>(buffer[i]), 0xA5) << "opcode " << opcode;
        // A host that passes no buffer gets 0 and no crash.
        EXPECT_EQ(dispatch(e, opcode, 1, 0, nullptr), 0);
    }
}

TEST_F(AudioEffectTest, ChunkOpcodesPassTheProgramFlagAndSize) {
    class ChunkEffect : public ProbeEffect {
    public:
        ChunkEffect() : ProbeEffect(nullptr) {}
        int32_t getChunk(void** data, bool isPreset) override {
            got = data;
            preset = isPreset;
            return 21;
        }
        int32_t setChunk(void* data, int32_t size, bool isPreset) override {
            set = data;
            byteSize = size;
            preset = isPreset;
            return 34;
        }
        void** got = nullptr;
        void* set = nullptr;
        int32_t byteSize = 0;
        bool preset = false;
    } effect;
    AEffect* e = effect.getAeffect();
    void* where = nullptr;
    EXPECT_EQ(dispatch(e, effGetChunk, 5, 0, &where), 21);
    EXPECT_EQ(effect.got, &where);
    EXPECT_TRUE(effect.preset);
    char data[8];
    EXPECT_EQ(dispatch(e, effSetChunk, 0, 8, data), 34);
    EXPECT_EQ(effect.set, data);
    EXPECT_EQ(effect.byteSize, 8);
    EXPECT_FALSE(effect.preset);
}

// Editor opcodes of both dispatchers answer 0 and do nothing without editor.
TEST_F(AudioEffectTest, EveryEditorOpcodeWithoutEditorAnswersZero) {
    ProbeEffect effect(nullptr);
    AEffect* e = effect.getAeffect();
    ERect* rect = reinterpret_cast<ERect*>(0x1234);
    EXPECT_EQ(dispatch(e, effEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(rect, reinterpret_cast<ERect*>(0x1234)) << "getRect must not be reached";
    const int32_t opcodes[] = {effEditOpen, effEditClose, effEditDraw, effEditMouse,
                               effEditKey, effEditIdle, effEditTop, effEditSleep,
                               effEditKeyDown, effEditKeyUp, effSetEditKnobMode};
    for (int32_t opcode : opcodes)
        EXPECT_EQ(dispatch(e, opcode, 97, 2, reinterpret_cast<void*>(0x10), 1.0f), 0)
            << "opcode " << opcode;
}

TEST_F(AudioEffectTest, EditorOpcodesForwardToTheEditor) {
    ProbeEffect effect(nullptr);
    auto* editor = new RecordingEditor(&effect);
    effect.installEditor(editor);
    AEffect* e = effect.getAeffect();

    ERect* rect = nullptr;
    EXPECT_EQ(dispatch(e, effEditGetRect, 0, 0, &rect), 1);
    ASSERT_EQ(rect, &editor->rectangle);
    EXPECT_EQ(dispatch(e, effEditGetRect, 0, 0, nullptr), 0) << "no place to store the rect";
    EXPECT_EQ(dispatch(e, effEditOpen, 0, 0, reinterpret_cast<void*>(0x4000001)), 1);
    EXPECT_EQ(editor->openedWith, reinterpret_cast<void*>(0x4000001));
    EXPECT_EQ(dispatch(e, effEditMouse, 120, 45), 7);
    EXPECT_EQ(editor->mouseX, 120);
    EXPECT_EQ(editor->mouseY, 45);
    EXPECT_EQ(dispatch(e, effEditKey, 0, 65), 9);
    EXPECT_EQ(editor->lastKey, 65);
    EXPECT_EQ(dispatch(e, effEditIdle), 0);
    EXPECT_EQ(editor->idleCount, 1);
    EXPECT_EQ(dispatch(e, effEditClose), 0);
    EXPECT_EQ(editor->closeCount, 1);
    EXPECT_EQ(dispatch(e, effSetEditKnobMode, 0, 2), 1);
    EXPECT_EQ(editor->knobMode, 2);
}

TEST_F(AudioEffectTest, KeyOpcodesBuildTheKeyRecord) {
    struct Case {
        int32_t opcode;
        int32_t index;
        intptr_t value;
        float opt;
        int32_t character;
        uint8_t virt;
        uint8_t modifier;
        intptr_t answer;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {effEditKeyDown, 97, 0, 1.9f, 97, 0, 1, 11},
        {effEditKeyUp, 97, 0, 1.9f, 97, 0, 1, 12},
        {effEditKeyDown, 0, 0x1FF, 3.0f, 0, 0xFF, 3, 11},
        {effEditKeyDown, 65, 0x141, 258.7f, 65, 0x41, 2, 11},
        {effEditKeyUp, -5, -1, -1.5f, -5, 0xFF, 0xFF, 12},
        {effEditKeyDown, 1, 2, nan, 1, 2, 0, 11},
        {effEditKeyDown, 1, 2, 1e20f, 1, 2, 0, 11},
    };
    for (const Case& c : cases) {
        ProbeEffect effect(nullptr);
        auto* editor = new RecordingEditor(&effect);
        effect.installEditor(editor);
        AEffect* e = effect.getAeffect();
        EXPECT_EQ(dispatch(e, c.opcode, c.index, c.value, nullptr, c.opt), c.answer);
        const VstKeyCode& got = c.opcode == effEditKeyDown ? editor->lastDown : editor->lastUp;
        EXPECT_EQ(got.character, c.character) << "index " << c.index << " opt " << c.opt;
        EXPECT_EQ(got.virt, c.virt) << "value " << c.value;
        EXPECT_EQ(got.modifier, c.modifier) << "opt " << c.opt;
    }
}

TEST_F(AudioEffectTest, HostQueriesSendTheRecordAndTranslateTheAnswer) {
    ProbeEffect effect(FakeHost::callback);
    AEffect* e = effect.getAeffect();

    EXPECT_EQ(effect.getMasterVersion(), 1) << "host answers 0";
    FakeHost::answers[audioMasterVersion] = 2400;
    EXPECT_EQ(effect.getMasterVersion(), 2400);
    FakeHost::answers[audioMasterCurrentId] = 0x4B535630;
    EXPECT_EQ(effect.getCurrentUniqueId(), 0x4B535630);
    effect.masterIdle();
    ASSERT_EQ(FakeHost::calls.size(), 4u);
    const int32_t expected[] = {audioMasterVersion, audioMasterVersion, audioMasterCurrentId,
                                audioMasterIdle};
    for (size_t i = 0; i < 4; ++i) {
        const HostCall& call = FakeHost::calls[i];
        EXPECT_EQ(call.opcode, expected[i]);
        EXPECT_EQ(call.effect, e);
        EXPECT_EQ(call.index, 0);
        EXPECT_EQ(call.value, 0);
        EXPECT_EQ(call.ptr, nullptr);
        EXPECT_EQ(call.opt, 0.0f);
    }

    FakeHost::calls.clear();
    EXPECT_TRUE(effect.isInputConnected(3)) << "host answers 0";
    EXPECT_TRUE(effect.isOutputConnected(1));
    FakeHost::answers[audioMasterPinConnected] = 1;
    EXPECT_FALSE(effect.isInputConnected(3));
    EXPECT_FALSE(effect.isOutputConnected(1));
    ASSERT_EQ(FakeHost::calls.size(), 4u);
    EXPECT_EQ(FakeHost::calls[0].opcode, audioMasterPinConnected);
    EXPECT_EQ(FakeHost::calls[0].index, 3);
    EXPECT_EQ(FakeHost::calls[0].value, 0) << "input";
    EXPECT_EQ(FakeHost::calls[1].index, 1);
    EXPECT_EQ(FakeHost::calls[1].value, 1) << "output";
}

TEST_F(AudioEffectTest, HostQueriesWithoutCallbackAnswerTheirDefaults) {
    ProbeEffect effect(nullptr);
    EXPECT_EQ(effect.getMasterVersion(), 1);
    EXPECT_EQ(effect.getCurrentUniqueId(), 0);
    effect.masterIdle();
    EXPECT_TRUE(effect.isInputConnected(0));
    EXPECT_TRUE(effect.isOutputConnected(0));
    effect.setParameterAutomated(1, 0.25f);
    EXPECT_EQ(effect.params[1], 0.25f);
}

TEST_F(AudioEffectTest, SetParameterAutomatedStoresBeforeTellingTheHost) {
    ProbeEffect effect(FakeHost::callback);
    AEffect* e = effect.getAeffect();
    float seenByHost = -1.0f;
    FakeHost::onCall = [&](const HostCall& call) {
        seenByHost = call.effect->getParameter(call.effect, call.index);
    };
    effect.setParameterAutomated(2, 0.75f);
    ASSERT_EQ(FakeHost::calls.size(), 1u);
    const HostCall& call = FakeHost::calls[0];
    EXPECT_EQ(call.effect, e);
    EXPECT_EQ(call.opcode, audioMasterAutomate);
    EXPECT_EQ(call.index, 2);
    EXPECT_EQ(call.value, 0);
    EXPECT_EQ(call.ptr, nullptr);
    EXPECT_EQ(call.opt, 0.75f);
    EXPECT_EQ(seenByHost, 0.75f);
}

TEST_F(AudioEffectTest, ExceptionsNeverLeaveTheRecordFunctions) {
    class ThrowingEffect : public ProbeEffect {
    public:
        ThrowingEffect() : ProbeEffect(nullptr) {}
        intptr_t dispatcher(int32_t, int32_t, intptr_t, void*, float) override { throw 1; }
        float getParameter(int32_t) override { throw 2; }
        void setParameter(int32_t, float) override { throw 3; }
        void processReplacing(float**, float**, int32_t) override { throw 4; }
    } effect;
    AEffect* e = effect.getAeffect();
    EXPECT_EQ(dispatch(e, effIdentify), 0);
    EXPECT_EQ(e->getParameter(e, 0), 0.0f);
    EXPECT_NO_THROW(e->setParameter(e, 0, 1.0f));
    EXPECT_NO_THROW(e->processReplacing(e, nullptr, nullptr, 0));
}

}  // namespace
