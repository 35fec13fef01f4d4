// Every extended host wrapper: what it sends, how it reads the answer, and
// what it answers when there is no host callback.
#include <gtest/gtest.h>

#include <functional>

#include "FakeHost.h"

namespace {

// Distinct fake pointers; the wrappers only pass them on.
template <typename T>
T* fake(uintptr_t address) {
    return reinterpret_cast<T*>(address);
}

struct WrapperCase {
    const char* name;
    std::function<intptr_t(ProbeEffect&)> call;
    int32_t opcode;
    int32_t index;
    intptr_t value;
    void* ptr;
    float opt;
    intptr_t withAnswer7;  // result when the host answers 7
    intptr_t noCallback;   // result without host callback
};

intptr_t asInt(const void* p) { return reinterpret_cast<intptr_t>(p); }

const std::vector<WrapperCase>& wrapperCases() {
    static const std::vector<WrapperCase> cases = {
        {"wantEvents", [](ProbeEffect& f) { f.wantEvents(3); return intptr_t{0}; },
         audioMasterWantMidi, 0, 3, nullptr, 0.0f, 0, 0},
        {"getTimeInfo", [](ProbeEffect& f) { return asInt(f.getTimeInfo(0x0F00)); },
         audioMasterGetTime, 0, 0x0F00, nullptr, 0.0f, 7, 0},
        {"sendVstEventsToHost",
         [](ProbeEffect& f) { return intptr_t{f.sendVstEventsToHost(fake<VstEvents>(0x100))}; },
         audioMasterProcessEvents, 0, 0, fake<void>(0x100), 0.0f, 0, 0},
        {"tempoAt", [](ProbeEffect& f) { return intptr_t{f.tempoAt(44100)}; },
         audioMasterTempoAt, 0, 44100, nullptr, 0.0f, 7, 0},
        {"getNumAutomatableParameters",
         [](ProbeEffect& f) { return intptr_t{f.getNumAutomatableParameters()}; },
         audioMasterGetNumAutomatableParameters, 0, 0, nullptr, 0.0f, 7, 0},
        {"getParameterQuantization",
         [](ProbeEffect& f) { return intptr_t{f.getParameterQuantization()}; },
         audioMasterGetParameterQuantization, 0, 0, nullptr, 0.0f, 7, 0},
        {"ioChanged", [](ProbeEffect& f) { return intptr_t{f.ioChanged()}; },
         audioMasterIOChanged, 0, 0, nullptr, 0.0f, 1, 0},
        {"needIdle", [](ProbeEffect& f) { return intptr_t{f.needIdle()}; },
         audioMasterNeedIdle, 0, 0, nullptr, 0.0f, 1, 0},
        {"sizeWindow", [](ProbeEffect& f) { return intptr_t{f.sizeWindow(640, 480)}; },
         audioMasterSizeWindow, 640, 480, nullptr, 0.0f, 1, 0},
        {"updateSampleRate", [](ProbeEffect& f) { return intptr_t(f.updateSampleRate()); },
         audioMasterGetSampleRate, 0, 0, nullptr, 0.0f, 44100, 44100},
        {"updateBlockSize", [](ProbeEffect& f) { return intptr_t{f.updateBlockSize()}; },
         audioMasterGetBlockSize, 0, 0, nullptr, 0.0f, 1024, 1024},
        {"getInputLatency", [](ProbeEffect& f) { return intptr_t{f.getInputLatency()}; },
         audioMasterGetInputLatency, 0, 0, nullptr, 0.0f, 7, 0},
        {"getOutputLatency", [](ProbeEffect& f) { return intptr_t{f.getOutputLatency()}; },
         audioMasterGetOutputLatency, 0, 0, nullptr, 0.0f, 7, 0},
        {"getPreviousPlug", [](ProbeEffect& f) { return asInt(f.getPreviousPlug(5)); },
         audioMasterGetPreviousPlug, 0, 0, nullptr, 0.0f, 7, 0},
        {"getNextPlug", [](ProbeEffect& f) { return asInt(f.getNextPlug(5)); },
         audioMasterGetNextPlug, 0, 0, nullptr, 0.0f, 7, 0},
        {"willProcessReplacing", [](ProbeEffect& f) { return intptr_t{f.willProcessReplacing()}; },
         audioMasterWillReplaceOrAccumulate, 0, 0, nullptr, 0.0f, 7, 0},
        {"getCurrentProcessLevel",
         [](ProbeEffect& f) { return intptr_t{f.getCurrentProcessLevel()}; },
         audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0.0f, 7, 0},
        {"getAutomationState", [](ProbeEffect& f) { return intptr_t{f.getAutomationState()}; },
         audioMasterGetAutomationState, 0, 0, nullptr, 0.0f, 7, 0},
        {"offlineStart",
         [](ProbeEffect& f) { return intptr_t{f.offlineStart(fake<VstAudioFile>(0x200), 2, 3)}; },
         audioMasterOfflineStart, 3, 2, fake<void>(0x200), 0.0f, 1, 0},
        {"offlineRead",
         [](ProbeEffect& f) { return intptr_t{f.offlineRead(fake<VstOfflineTask>(0x300), 4, true)}; },
         audioMasterOfflineRead, 1, 4, fake<void>(0x300), 0.0f, 1, 0},
        {"offlineWrite",
         [](ProbeEffect& f) { return intptr_t{f.offlineWrite(fake<VstOfflineTask>(0x300), 5)}; },
         audioMasterOfflineWrite, 0, 5, fake<void>(0x300), 0.0f, 1, 0},
        {"offlineGetCurrentPass",
         [](ProbeEffect& f) { return intptr_t{f.offlineGetCurrentPass()}; },
         audioMasterOfflineGetCurrentPass, 0, 0, nullptr, 0.0f, 1, 0},
        {"offlineGetCurrentMetaPass",
         [](ProbeEffect& f) { return intptr_t{f.offlineGetCurrentMetaPass()}; },
         audioMasterOfflineGetCurrentMetaPass, 0, 0, nullptr, 0.0f, 1, 0},
        {"setOutputSamplerate",
         [](ProbeEffect& f) { f.setOutputSamplerate(22050.0f); return intptr_t{0}; },
         audioMasterSetOutputSampleRate, 0, 0, nullptr, 22050.0f, 0, 0},
        {"getSpeakerArrangement",
         [](ProbeEffect& f) {
             return intptr_t{f.getSpeakerArrangement(fake<VstSpeakerArrangement>(0x400),
                                                     fake<VstSpeakerArrangement>(0x500))};
         },
         audioMasterGetSpeakerArrangement, 0, 0x400, fake<void>(0x500), 0.0f, 1, 0},
        {"getHostVendorString",
         [](ProbeEffect& f) { return intptr_t{f.getHostVendorString(fake<char>(0x600))}; },
         audioMasterGetVendorString, 0, 0, fake<void>(0x600), 0.0f, 1, 0},
        {"getHostProductString",
         [](ProbeEffect& f) { return intptr_t{f.getHostProductString(fake<char>(0x600))}; },
         audioMasterGetProductString, 0, 0, fake<void>(0x600), 0.0f, 1, 0},
        {"getHostVendorVersion", [](ProbeEffect& f) { return intptr_t{f.getHostVendorVersion()}; },
         audioMasterGetVendorVersion, 0, 0, nullptr, 0.0f, 7, 0},
        {"hostVendorSpecific",
         [](ProbeEffect& f) { return f.hostVendorSpecific(11, 22, fake<void>(0x700), 0.25f); },
         audioMasterVendorSpecific, 11, 22, fake<void>(0x700), 0.25f, 7, 0},
        {"canHostDo", [](ProbeEffect& f) { return intptr_t{f.canHostDo(fake<char>(0x800))}; },
         audioMasterCanDo, 0, 0, fake<void>(0x800), 0.0f, 1, 0},
        {"getHostLanguage", [](ProbeEffect& f) { return intptr_t{f.getHostLanguage()}; },
         audioMasterGetLanguage, 0, 0, nullptr, 0.0f, 7, 0},
        {"openWindow", [](ProbeEffect& f) { return asInt(f.openWindow(fake<VstWindow>(0x900))); },
         audioMasterOpenWindow, 0, 0, fake<void>(0x900), 0.0f, 7, 0},
        {"closeWindow",
         [](ProbeEffect& f) { return intptr_t{f.closeWindow(fake<VstWindow>(0x900))}; },
         audioMasterCloseWindow, 0, 0, fake<void>(0x900), 0.0f, 1, 0},
        {"getDirectory", [](ProbeEffect& f) { return asInt(f.getDirectory()); },
         audioMasterGetDirectory, 0, 0, nullptr, 0.0f, 7, 0},
        {"updateDisplay", [](ProbeEffect& f) { return intptr_t{f.updateDisplay()}; },
         audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f, 1, 0},
        {"beginEdit", [](ProbeEffect& f) { return intptr_t{f.beginEdit(4)}; },
         audioMasterBeginEdit, 4, 0, nullptr, 0.0f, 1, 0},
        {"endEdit", [](ProbeEffect& f) { return intptr_t{f.endEdit(4)}; }, audioMasterEndEdit, 4,
         0, nullptr, 0.0f, 1, 0},
        {"openFileSelector",
         [](ProbeEffect& f) { return intptr_t{f.openFileSelector(fake<VstFileSelect>(0xA00))}; },
         audioMasterOpenFileSelector, 0, 0, fake<void>(0xA00), 0.0f, 1, 0},
        {"closeFileSelector",
         [](ProbeEffect& f) { return intptr_t{f.closeFileSelector(fake<VstFileSelect>(0xA00))}; },
         audioMasterCloseFileSelector, 0, 0, fake<void>(0xA00), 0.0f, 1, 0},
        {"getChunkFile", [](ProbeEffect& f) { return intptr_t{f.getChunkFile(fake<void>(0xB00))}; },
         audioMasterGetChunkFile, 0, 0, fake<void>(0xB00), 0.0f, 1, 0},
    };
    return cases;
}

class HostWrapperTest : public ::testing::Test {
protected:
    void SetUp() override { FakeHost::reset(); }
};

TEST_F(HostWrapperTest, EachWrapperSendsItsArgumentsInTheirPlaces) {
    for (const WrapperCase& c : wrapperCases()) {
        FakeHost::reset();
        FakeHost::answers[c.opcode] = 7;
        ProbeEffect effect(FakeHost::callback);
        EXPECT_EQ(c.call(effect), c.withAnswer7) << c.name;
        ASSERT_EQ(FakeHost::calls.size(), 1u) << c.name;
        const HostCall& call = FakeHost::calls[0];
        EXPECT_EQ(call.effect, effect.getAeffect()) << c.name;
        EXPECT_EQ(call.opcode, c.opcode) << c.name;
        EXPECT_EQ(call.index, c.index) << c.name;
        EXPECT_EQ(call.value, c.value) << c.name;
        EXPECT_EQ(call.ptr, c.ptr) << c.name;
        EXPECT_EQ(call.opt, c.opt) << c.name;
    }
}

TEST_F(HostWrapperTest, BoolWrappersAnswerFalseWhenTheHostAnswersZero) {
    for (const WrapperCase& c : wrapperCases()) {
        if (c.withAnswer7 != 1) continue;
        FakeHost::reset();
        ProbeEffect effect(FakeHost::callback);
        EXPECT_EQ(c.call(effect), 0) << c.name;
    }
}

TEST_F(HostWrapperTest, WithoutCallbackNothingIsSentAndTheDefaultAnswered) {
    for (const WrapperCase& c : wrapperCases()) {
        ProbeEffect effect(nullptr);
        EXPECT_EQ(c.call(effect), c.noCallback) << c.name;
    }
    EXPECT_TRUE(FakeHost::calls.empty());
}

TEST_F(HostWrapperTest, SendVstEventsToHostIsTrueOnlyForAnAnswerOfExactlyOne) {
    struct Case {
        intptr_t answer;
        bool expected;
    };
    for (const Case& c : {Case{0, false}, Case{1, true}, Case{2, false}, Case{-1, false}}) {
        FakeHost::answers[audioMasterProcessEvents] = c.answer;
        ProbeEffect effect(FakeHost::callback);
        EXPECT_EQ(effect.sendVstEventsToHost(fake<VstEvents>(0x10)), c.expected)
            << "answer " << c.answer;
    }
}

TEST_F(HostWrapperTest, FileWrappersSendNothingForANullArgument) {
    FakeHost::answers[audioMasterOpenFileSelector] = 1;
    FakeHost::answers[audioMasterCloseFileSelector] = 1;
    FakeHost::answers[audioMasterGetChunkFile] = 1;
    ProbeEffect effect(FakeHost::callback);
    EXPECT_FALSE(effect.openFileSelector(nullptr));
    EXPECT_FALSE(effect.closeFileSelector(nullptr));
    EXPECT_FALSE(effect.getChunkFile(nullptr));
    EXPECT_TRUE(FakeHost::calls.empty());
}

TEST_F(HostWrapperTest, UpdateQueriesReturnWhatTheHostSetMeanwhile) {
    ProbeEffect effect(FakeHost::callback);
    FakeHost::answers[audioMasterGetSampleRate] = 96000;
    FakeHost::answers[audioMasterGetBlockSize] = 64;
    FakeHost::onCall = [](const HostCall& call) {
        if (call.opcode == audioMasterGetSampleRate)
            call.effect->dispatcher(call.effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
        if (call.opcode == audioMasterGetBlockSize)
            call.effect->dispatcher(call.effect, effSetBlockSize, 0, 128, nullptr, 0.0f);
    };
    EXPECT_EQ(effect.updateSampleRate(), 48000.0f);
    EXPECT_EQ(effect.updateBlockSize(), 128);
}

}  // namespace
