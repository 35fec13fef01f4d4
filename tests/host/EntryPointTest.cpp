// The entry points with a test-defined effect factory: the version query
// comes first, and a failed or half-made effect gives no record.
#include <gtest/gtest.h>

#include <string>

#include "FakeHost.h"

extern "C" AEffect* VSTPluginMain(audioMasterCallback audioMaster);
extern "C" AEffect* main_macho(audioMasterCallback audioMaster);

namespace {

enum class Factory { normal, fails, setsOome };
Factory factory = Factory::normal;
int created = 0;
bool destroyed = false;
AudioEffect* lastCreated = nullptr;

}  // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    ++created;
    if (factory == Factory::fails) return nullptr;
    if (factory == Factory::setsOome) oome = true;
    lastCreated = new ProbeEffect(audioMaster, 1, 4, &destroyed);
    return lastCreated;
}

namespace {

class EntryPointTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        FakeHost::reset();
        FakeHost::answers[audioMasterVersion] = 2400;
        factory = Factory::normal;
        created = 0;
        destroyed = false;
        lastCreated = nullptr;
        oome = false;
    }
    // The entry point clears oome before each creation; the tests reset it too.
    void TearDown() override { oome = false; }
    AEffect* enter(audioMasterCallback host) {
        return std::string(GetParam()) == "main_macho" ? main_macho(host) : VSTPluginMain(host);
    }
};

TEST_P(EntryPointTest, AsksTheVersionWithoutRecordAndReturnsTheEmbeddedRecord) {
    AEffect* e = enter(FakeHost::callback);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e, lastCreated->getAeffect());
    ASSERT_EQ(FakeHost::calls.size(), 1u) << "only the version query before the record";
    const HostCall& call = FakeHost::calls[0];
    EXPECT_EQ(call.effect, nullptr);
    EXPECT_EQ(call.opcode, audioMasterVersion);
    EXPECT_EQ(call.index, 0);
    EXPECT_EQ(call.value, 0);
    EXPECT_EQ(call.ptr, nullptr);
    EXPECT_EQ(call.opt, 0.0f);
    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_TRUE(destroyed);
}

TEST_P(EntryPointTest, NoEffectIsCreatedForAVersionOfZeroOrNoCallback) {
    FakeHost::answers[audioMasterVersion] = 0;
    EXPECT_EQ(enter(FakeHost::callback), nullptr);
    EXPECT_EQ(enter(nullptr), nullptr);
    EXPECT_EQ(created, 0);
}

TEST_P(EntryPointTest, AFailedAllocationGivesNull) {
    factory = Factory::fails;
    EXPECT_EQ(enter(FakeHost::callback), nullptr);
    EXPECT_EQ(created, 1);
}

TEST_P(EntryPointTest, OomeDestroysTheHalfMadeEffectAndBlocksNoLaterInstance) {
    factory = Factory::setsOome;
    EXPECT_EQ(enter(FakeHost::callback), nullptr);
    EXPECT_TRUE(destroyed);
    EXPECT_TRUE(oome) << "the failure stays visible until the next creation";
    factory = Factory::normal;
    destroyed = false;
    AEffect* next = enter(FakeHost::callback);
    ASSERT_NE(next, nullptr) << "one failed instance must not refuse every later one";
    EXPECT_FALSE(destroyed);
    EXPECT_FALSE(oome);
    delete lastCreated;
}

INSTANTIATE_TEST_SUITE_P(BothNames, EntryPointTest, ::testing::Values("VSTPluginMain", "main_macho"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
