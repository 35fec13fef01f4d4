// Hosts that misbehave, as a table of scenarios. Each scenario drives the
// plug-in through its record (the editor on the headless platform) the way
// a careless or minimal host would; after each one, every window the
// plug-in opened is closed again and, in the address-sanitizer build, the
// leak sanitizer finds nothing unreachable.
#include <cstring>
#include <functional>
#include <string>

#include "AEffGUIEditor.h"
#include "AudioEffect.h"
#include "ReliabilitySupport.h"

namespace {

using reliability::Blocks;
using reliability::dispatch;
using reliability::zeroHost;

struct Scenario;

class HostileHost : public reliability::HeadlessHost,
                    public ::testing::WithParamInterface<Scenario> {
public:
    AEffect* create(audioMasterCallback host = zeroHost) {
        AEffect* e = VSTPluginMain(host);
        EXPECT_NE(e, nullptr);
        return e;
    }
    void openEditor(AEffect* e) {
        ASSERT_EQ(dispatch(e, effEditOpen, 0, 0, &parentWindow), 1);
    }
    size_t windows() const { return backend.windows().size(); }
    // Drags the Regen slider (x 123-144, travel rows 87-209) upwards.
    void dragRegen(AEffect* e) {
        scriptDrag({133, 190}, {133, 110});
        dispatch(e, effEditMouse, 133, 190);
    }
    void TearDown() override {
        oome = false;
        reliability::HeadlessHost::TearDown();
    }
};

struct Scenario {
    const char* name;
    std::function<void(HostileHost&)> run;
};

const Scenario kScenarios[] = {
    {"HostAnswersZeroToAllButTheVersion",
     [](HostileHost& t) {
         AEffect* e = t.create(zeroHost);
         ASSERT_NE(e, nullptr);
         dispatch(e, effOpen);
         dispatch(e, effSetSampleRate, 0, 0, nullptr, 44100.0f);
         dispatch(e, effSetBlockSize, 0, 512);
         dispatch(e, effMainsChanged, 0, 1);
         Blocks blocks(512);
         double phase = 0;
         double energy = 0;
         for (int i = 0; i < 12; ++i) {
             ASSERT_TRUE(blocks.run(e, phase));
             if (i >= 4) energy += blocks.energy();
         }
         EXPECT_GT(energy, 1.0) << "the tone is resynthesised after the latency";
         ERect* rect = nullptr;
         ASSERT_EQ(dispatch(e, effEditGetRect, 0, 0, &rect), 1);
         ASSERT_NE(rect, nullptr);
         t.openEditor(e);
         dispatch(e, effEditIdle);
         const float before = e->getParameter(e, 1);
         t.dragRegen(e);
         dispatch(e, effEditIdle);
         EXPECT_GT(e->getParameter(e, 1), before) << "a drag moves Regen though the host says nothing";
         dispatch(e, effEditClose);
         dispatch(e, effMainsChanged, 0, 0);
         EXPECT_EQ(dispatch(e, effClose), 1);
     }},
    {"NullHostCallback",
     [](HostileHost& t) {
         EXPECT_EQ(VSTPluginMain(nullptr), nullptr) << "without a host there is no version to ask";
         EXPECT_EQ(main_macho(nullptr), nullptr);
         // An object built without a callback still works on its own.
         AudioEffect* effect = createEffectInstance(nullptr);
         ASSERT_NE(effect, nullptr);
         AEffect* e = effect->getAeffect();
         t.openEditor(e);
         const float before = e->getParameter(e, 1);
         t.dragRegen(e);
         dispatch(e, effEditIdle);
         EXPECT_GT(e->getParameter(e, 1), before);
         Blocks blocks(1000);
         double phase = 0;
         for (int i = 0; i < 4; ++i) ASSERT_TRUE(blocks.run(e, phase));
         char text[64] = {};
         dispatch(e, effGetParamDisplay, 1, 0, text);
         EXPECT_NE(text[0], '\0');
         EXPECT_EQ(dispatch(e, effClose), 1);
     }},
    {"CloseWithTheEditorOpen",
     [](HostileHost& t) {
         AEffect* e = t.create();
         ASSERT_NE(e, nullptr);
         t.openEditor(e);
         dispatch(e, effEditIdle);
         EXPECT_EQ(t.windows(), 1u);
         EXPECT_EQ(dispatch(e, effClose), 1);
         EXPECT_EQ(t.windows(), 0u) << "closing the plug-in closes its window";
     }},
    {"EditCloseWithoutOpen",
     [](HostileHost& t) {
         AEffect* e = t.create();
         ASSERT_NE(e, nullptr);
         EXPECT_EQ(dispatch(e, effEditClose), 0);
         EXPECT_EQ(dispatch(e, effEditClose), 0);
         t.openEditor(e);
         EXPECT_EQ(t.windows(), 1u) << "the editor still opens afterwards";
         dispatch(e, effEditClose);
         EXPECT_EQ(dispatch(e, effEditClose), 0) << "a second close is harmless";
         EXPECT_EQ(t.windows(), 0u);
         dispatch(e, effClose);
     }},
    {"EditorRequestsBeforeOpen",
     [](HostileHost& t) {
         AEffect* e = t.create();
         ASSERT_NE(e, nullptr);
         ERect area{0, 0, 50, 50};
         dispatch(e, effEditIdle);
         dispatch(e, effEditDraw, 0, 0, &area);
         dispatch(e, effEditDraw);
         dispatch(e, effEditMouse, 100, 100);
         dispatch(e, effEditKey, 0, 'a');
         EXPECT_EQ(dispatch(e, effEditKeyDown, 'a', 0, nullptr, 0.0f), -1) << "no frame: not handled";
         EXPECT_EQ(dispatch(e, effEditKeyUp, 'a', 0, nullptr, 0.0f), -1);
         dispatch(e, effEditTop);
         dispatch(e, effEditSleep);
         e->setParameter(e, 0, 0.25f);  // reaches the closed editor
         EXPECT_EQ(t.windows(), 0u) << "nothing opens a window but effEditOpen";
         t.openEditor(e);
         dispatch(e, effEditIdle);
         EXPECT_EQ(t.windows(), 1u);
         dispatch(e, effClose);
     }},
    {"EditOpenTwice",
     [](HostileHost& t) {
         AEffect* e = t.create();
         ASSERT_NE(e, nullptr);
         t.openEditor(e);
         t.openEditor(e);
         EXPECT_EQ(t.windows(), 1u) << "the second open replaces the first window";
         dispatch(e, effEditIdle);
         dispatch(e, effEditClose);
         EXPECT_EQ(t.windows(), 0u);
         dispatch(e, effClose);
     }},
    {"TwoInstancesShareTheKnobModeAndNothingElse",
     [](HostileHost& t) {
         AEffect* a = t.create();
         AEffect* b = t.create();
         ASSERT_NE(a, nullptr);
         ASSERT_NE(b, nullptr);
         ASSERT_NE(a, b);
         t.openEditor(a);
         t.openEditor(b);
         EXPECT_EQ(t.windows(), 2u);
         dispatch(a, effSetEditKnobMode, 0, 2);
         EXPECT_EQ(AEffGUIEditor::knobMode, 2) << "the knob mode is the process's";
         dispatch(b, effSetEditKnobMode, 0, 0);
         EXPECT_EQ(AEffGUIEditor::knobMode, 0);
         // Parameters and audio are each instance's own.
         a->setParameter(a, 1, 0.9f);
         EXPECT_NE(b->getParameter(b, 1), 0.9f);
         Blocks toneA(700), silenceB(700);
         double phaseA = 0, phaseB = 0;
         double energyA = 0, energyB = 0;
         for (int i = 0; i < 10; ++i) {
             ASSERT_TRUE(toneA.run(a, phaseA, 0.5f));
             ASSERT_TRUE(silenceB.run(b, phaseB, 0.0f));
             energyA += toneA.energy();
             energyB += silenceB.energy();
         }
         EXPECT_GT(energyA, 1.0);
         EXPECT_EQ(energyB, 0.0) << "one instance's audio leaks into the other";
         // Closing one leaves the other's editor working.
         dispatch(a, effClose);
         EXPECT_EQ(t.windows(), 1u);
         const float before = b->getParameter(b, 1);
         t.dragRegen(b);
         dispatch(b, effEditIdle);
         EXPECT_GT(b->getParameter(b, 1), before);
         dispatch(b, effClose);
     }},
    {"EarlierOutOfMemoryDoesNotStopNewInstances",
     [](HostileHost& t) {
         // An instance whose editor could not be created leaves oome set.
         oome = true;
         AEffect* e = t.create();
         ASSERT_NE(e, nullptr) << "one instance's failure refuses every later one";
         EXPECT_FALSE(oome);
         t.openEditor(e);
         AEffect* f = t.create();
         ASSERT_NE(f, nullptr);
         dispatch(e, effClose);
         dispatch(f, effClose);
     }},
    {"HostileNumbersThroughTheDispatcher",
     [](HostileHost& t) {
         AEffect* e = t.create();
         ASSERT_NE(e, nullptr);
         for (float rate : {0.0f, -1.0f, NAN, INFINITY, 1e30f, 1e-40f})
             dispatch(e, effSetSampleRate, 0, 0, nullptr, rate);
         for (intptr_t size : {intptr_t(0), intptr_t(-1), intptr_t(INT32_MAX), intptr_t(INT64_MIN)})
             dispatch(e, effSetBlockSize, 0, size);
         for (intptr_t program : {intptr_t(-1), intptr_t(INT64_MIN), intptr_t(1), intptr_t(INT64_MAX)})
             dispatch(e, effSetProgram, 0, program);
         EXPECT_EQ(dispatch(e, effGetProgram), 0) << "no program but 0 exists";
         std::string longName(300, 'x');
         dispatch(e, effSetProgramName, 0, 0, longName.data());
         char name[24];
         std::memset(name, 0x7f, sizeof name);
         dispatch(e, effGetProgramName, 0, 0, name);
         EXPECT_NE(std::memchr(name, 0, sizeof name), nullptr) << "the program name fits 24 bytes";
         for (int32_t index : {-1, 7, 8, 9, INT32_MIN, INT32_MAX}) {
             char text[16] = {};
             e->setParameter(e, index, 0.5f);
             EXPECT_EQ(e->getParameter(e, index), 0.0f);
             dispatch(e, effGetParamDisplay, index, 0, text);
             dispatch(e, effGetParamLabel, index, 0, text);
             dispatch(e, effGetParamName, index, 0, text);
             EXPECT_NE(std::memchr(text, 0, sizeof text), nullptr);
         }
         for (int32_t opcode = 0; opcode <= 100; ++opcode) {
             if (opcode == effClose || opcode == effEditOpen) continue;
             // Every ptr-taking opcode copes with a null pointer.
             dispatch(e, opcode, 0, 0, nullptr, 0.0f);
         }
         Blocks blocks(256);
         double phase = 0;
         EXPECT_TRUE(blocks.run(e, phase)) << "after all that the audio still runs";
         dispatch(e, effClose);
         EXPECT_EQ(t.windows(), 0u);
     }},
};

TEST_P(HostileHost, SurvivesAndLeavesNothingBehind) {
    GetParam().run(*this);
    EXPECT_EQ(windows(), 0u) << "a window was left open";
    if (reliability::leakCheckAvailable()) {
        EXPECT_FALSE(reliability::leaksFound()) << "the leak sanitizer found unreachable blocks";
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, HostileHost, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<Scenario>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
