// The built Trellisor.so as a host meets it: dlopen, the entry points, the
// record's bytes and a few opcodes through the record's function pointers.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "ExpectedPlugin.h"
#include "PluginModule.h"

using namespace blackbox;

namespace {

// Opcode numbers of the published interface, written out as a host has them.
enum : int32_t {
    kEffClose = 1,
    kEffGetParamLabel = 6,
    kEffGetParamDisplay = 7,
    kEffGetParamName = 8,
    kEffGetProgramName = 5,
    kEffIdentify = 22,
    kEffGetVendorString = 47,
    kEffGetProductString = 48,
    kEffGetVendorVersion = 49,
    kMasterVersion = 1,
};

struct Host {
    static intptr_t versionAnswer;
    static std::vector<int32_t> opcodes;
    static std::vector<Record*> records;
    static intptr_t callback(Record* record, int32_t opcode, int32_t, intptr_t, void*, float) {
        opcodes.push_back(opcode);
        records.push_back(record);
        return opcode == kMasterVersion ? versionAnswer : 0;
    }
};
intptr_t Host::versionAnswer = 2400;
std::vector<int32_t> Host::opcodes;
std::vector<Record*> Host::records;

class BlackBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        Host::versionAnswer = 2400;
        Host::opcodes.clear();
        Host::records.clear();
        ASSERT_TRUE(module.loaded()) << TRELLISOR_PLUGIN_PATH << ": " << module.loadError();
        main = module.entry("VSTPluginMain");
        ASSERT_NE(main, nullptr) << "VSTPluginMain not exported";
    }

    // Reads a text opcode into a canary-filled buffer; checks the NUL and
    // that nothing beyond it was written.
    std::string text(Record* r, int32_t opcode, int32_t index = 0) {
        unsigned char buffer[128];
        std::memset(buffer, 0xA5, sizeof buffer);
        dispatch(r, opcode, index, 0, buffer);
        const void* nul = std::memchr(buffer, 0, sizeof buffer);
        if (!nul) {
            ADD_FAILURE() << "opcode " << opcode << ": no NUL";
            return {};
        }
        const size_t length = static_cast<size_t>(static_cast<const unsigned char*>(nul) - buffer);
        for (size_t i = length + 1; i < sizeof buffer; ++i)
            EXPECT_EQ(buffer[i], 0xA5) << "opcode " << opcode << " index " << index << " byte "
                                       << i;
        return std::string(reinterpret_cast<const char*>(buffer), length);
    }

    Module module{TRELLISOR_PLUGIN_PATH};
    EntryPoint main = nullptr;
};

TEST_F(BlackBoxTest, BothEntryPointsAskTheVersionFirstAndReturnARecord) {
    for (const char* name : {"VSTPluginMain", "main_macho"}) {
        Host::opcodes.clear();
        Host::records.clear();
        EntryPoint entry = module.entry(name);
        ASSERT_NE(entry, nullptr) << name;
        Record* r = entry(Host::callback);
        ASSERT_NE(r, nullptr) << name;
        EXPECT_EQ(Host::opcodes, std::vector<int32_t>{kMasterVersion})
            << name << ": only the version query before the record";
        EXPECT_EQ(Host::records, std::vector<Record*>{nullptr}) << "version query carries no record";
        EXPECT_EQ(dispatch(r, kEffIdentify), 0x4E764566);
        EXPECT_EQ(dispatch(r, kEffClose), 1) << name;
    }
}

TEST_F(BlackBoxTest, NoRecordForAHostWithoutVersionOrWithoutCallback) {
    Host::versionAnswer = 0;
    EXPECT_EQ(main(Host::callback), nullptr);
    EXPECT_EQ(Host::opcodes, std::vector<int32_t>{kMasterVersion}) << "nothing else is sent";
    EXPECT_EQ(main(nullptr), nullptr);
    EXPECT_EQ(module.entry("main_macho")(nullptr), nullptr);
}

TEST_F(BlackBoxTest, RecordBytesAtTheAbiOffsets) {
    Record* r = main(Host::callback);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(field<int32_t>(r, offset::magic), 0x56737450);
    EXPECT_NE(field<void*>(r, offset::dispatcher), nullptr);
    EXPECT_NE(field<void*>(r, offset::process), nullptr);
    EXPECT_NE(field<void*>(r, offset::setParameter), nullptr);
    EXPECT_NE(field<void*>(r, offset::getParameter), nullptr);
    EXPECT_EQ(field<int32_t>(r, offset::numPrograms), 1);
    EXPECT_EQ(field<int32_t>(r, offset::numParams), 9);
    EXPECT_EQ(field<int32_t>(r, offset::numInputs), 2);
    EXPECT_EQ(field<int32_t>(r, offset::numOutputs), 2);
    EXPECT_EQ(field<int32_t>(r, offset::flags), expected::kFlags);
    EXPECT_EQ(field<intptr_t>(r, offset::resvd1), 0);
    EXPECT_EQ(field<intptr_t>(r, offset::resvd2), 0);
    EXPECT_EQ(field<int32_t>(r, offset::initialDelay), 1024);
    EXPECT_EQ(field<int32_t>(r, offset::realQualities), 0);
    EXPECT_EQ(field<int32_t>(r, offset::offQualities), 0);
    EXPECT_EQ(field<float>(r, offset::ioRatio), 1.0f);
    EXPECT_NE(field<void*>(r, offset::object), nullptr);
    EXPECT_EQ(field<void*>(r, offset::user), nullptr);
    EXPECT_EQ(field<int32_t>(r, offset::uniqueID), expected::kUniqueId);
    EXPECT_EQ(field<int32_t>(r, offset::version), 1);
    EXPECT_NE(field<void*>(r, offset::processReplacing), nullptr);
    EXPECT_EQ(field<void*>(r, offset::processDouble), nullptr);
    for (size_t at = offset::future; at < offset::size; ++at)
        EXPECT_EQ(field<unsigned char>(r, at), 0) << "future byte " << at;
    EXPECT_EQ(dispatch(r, kEffClose), 1);
}

TEST_F(BlackBoxTest, IdentityAndParameterTextsThroughTheDispatcher) {
    Record* r = main(Host::callback);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(text(r, kEffGetVendorString), expected::kVendor);
    EXPECT_EQ(text(r, kEffGetProductString), expected::kProduct);
    EXPECT_EQ(dispatch(r, kEffGetVendorVersion), 104);
    EXPECT_EQ(text(r, kEffGetProgramName), "Default");
    EXPECT_EQ(text(r, kEffGetParamName, 0), "FreqNudge");
    EXPECT_EQ(text(r, kEffGetParamName, 1), "  Regen  ");
    EXPECT_EQ(text(r, kEffGetParamName, 4), "FFT Size ");
    EXPECT_EQ(text(r, kEffGetParamLabel, 0), "   dB   ");
    EXPECT_EQ(text(r, kEffGetParamDisplay, 0), "0.500000");
    EXPECT_EQ(text(r, kEffGetParamDisplay, 2), "Sine");

    auto getParameter = field<GetParameter>(r, offset::getParameter);
    auto setParameter = field<SetParameter>(r, offset::setParameter);
    EXPECT_EQ(getParameter(r, 0), 0.5f);
    EXPECT_EQ(getParameter(r, 5), 0.85f);
    setParameter(r, 1, 0.125f);
    EXPECT_EQ(getParameter(r, 1), 0.125f);
    EXPECT_EQ(text(r, kEffGetParamDisplay, 1), "0.125000");
    EXPECT_EQ(dispatch(r, kEffClose), 1);
}

// With the default parameters a cosine exactly on bin 10 of the 256-point
// frame comes back, 1024 samples later, as one oscillator at the bin's
// centre: 10 * 65536 / 256 = 2560 phase units per sample.
TEST_F(BlackBoxTest, ABinCentredCosineComesBackAsItsOscillatorAfterTheLatency) {
    Record* r = main(Host::callback);
    ASSERT_NE(r, nullptr);
    auto processReplacing = field<Process>(r, offset::processReplacing);

    constexpr int kTotal = 4096, kBlock = 512;
    const double pi = std::acos(-1.0);
    std::vector<float> in(kTotal), second(kTotal, 0.25f), outL(kTotal, 9.0f), outR(kTotal, 9.0f);
    for (int n = 0; n < kTotal; ++n)
        in[n] = static_cast<float>(0.5 * std::cos(2.0 * pi * 10.0 * n / 256.0));
    for (int at = 0; at < kTotal; at += kBlock) {
        float* ins[] = {in.data() + at, second.data() + at};
        float* outs[] = {outL.data() + at, outR.data() + at};
        processReplacing(r, ins, outs, kBlock);
    }

    for (int n = 0; n < 1024; ++n) ASSERT_EQ(outL[n], 0.0f) << "sample " << n;
    for (int n = 0; n < kTotal; ++n) ASSERT_EQ(outL[n], outR[n]) << "sample " << n;

    // A sine of step w obeys x[n-1] + x[n+1] = 2 cos(w) x[n], and its
    // amplitude squared is (x[n]^2 - x[n-1] x[n+1]) / sin(w)^2.
    const double w = 2.0 * pi * 2560.0 / 65536.0;
    for (int n = 1025; n < kTotal - 1; ++n) {
        const double a = outL[n - 1], b = outL[n], c = outL[n + 1];
        ASSERT_NEAR(a + c, 2.0 * std::cos(w) * b, 1e-4) << "sample " << n;
        const double amplitude = std::sqrt((b * b - a * c) / (std::sin(w) * std::sin(w)));
        ASSERT_NEAR(amplitude, 0.5, 1e-4) << "sample " << n;
    }
    EXPECT_EQ(dispatch(r, kEffClose), 1);
}

TEST_F(BlackBoxTest, TypeDisplayFollowsTheWaveTypeInForceAfterOneFrame) {
    Record* r = main(Host::callback);
    ASSERT_NE(r, nullptr);
    auto processReplacing = field<Process>(r, offset::processReplacing);
    auto setParameter = field<SetParameter>(r, offset::setParameter);

    setParameter(r, 2, 0.5f);  // truncate(0.5 * 4) = 2: saw
    EXPECT_EQ(text(r, kEffGetParamDisplay, 2), "Sine") << "not in force before a frame";
    std::vector<float> in(256, 0.0f), out(256);
    float* ins[] = {in.data(), in.data()};
    float* outs[] = {out.data(), out.data() + 0};
    std::vector<float> out2(256);
    outs[1] = out2.data();
    processReplacing(r, ins, outs, 256);
    EXPECT_EQ(text(r, kEffGetParamDisplay, 2), "Saw");
    setParameter(r, 2, 1.0f);
    processReplacing(r, ins, outs, 256);
    EXPECT_EQ(text(r, kEffGetParamDisplay, 2), "Mixed");
    EXPECT_EQ(dispatch(r, kEffClose), 1);
}

}  // namespace
