// The effect object's identity, parameter table and texts.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "EngineProbe.h"

namespace {

constexpr char kCanary = '\x5A';
constexpr size_t kBufSize = 64;

using TextBuffer = std::array<char, kBufSize>;

TextBuffer canaryBuffer() {
    TextBuffer b;
    b.fill(kCanary);
    return b;
}

// The buffer holds exactly `expected` with its NUL and the canary after it.
void expectText(const TextBuffer& b, const char* expected) {
    const size_t n = std::strlen(expected);
    EXPECT_EQ(std::string(b.data(), n), std::string(expected));
    EXPECT_EQ(b[n], '\0');
    for (size_t i = n + 1; i < b.size(); ++i) {
        ASSERT_EQ(b[i], kCanary) << "byte " << i << " written beyond the NUL";
    }
}

void expectUntouched(const TextBuffer& b) {
    for (size_t i = 0; i < b.size(); ++i) ASSERT_EQ(b[i], kCanary) << "byte " << i;
}

enum class TextKind { Name, Label, Display };

struct TextCase {
    TextKind kind;
    int32_t index;
    const char* expected;  // nullptr: the buffer stays untouched
};

class ParameterTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(ParameterTextTest, WritesExactBytesAndNothingBeyond) {
    auto fx = makeProbe();
    const TextCase& c = GetParam();
    TextBuffer b = canaryBuffer();
    switch (c.kind) {
        case TextKind::Name: fx->getParameterName(c.index, b.data()); break;
        case TextKind::Label: fx->getParameterLabel(c.index, b.data()); break;
        case TextKind::Display: fx->getParameterDisplay(c.index, b.data()); break;
    }
    if (c.expected == nullptr) {
        expectUntouched(b);
    } else {
        expectText(b, c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParameterTextTest,
    ::testing::Values(
        TextCase{TextKind::Name, 0, "FreqNudge"}, TextCase{TextKind::Name, 1, "  Regen  "},
        TextCase{TextKind::Name, 2, "  Type   "}, TextCase{TextKind::Name, 3, "keepfreqs"},
        TextCase{TextKind::Name, 4, "FFT Size "}, TextCase{TextKind::Name, 5, " Thresh  "},
        TextCase{TextKind::Name, 6, "Win Type "}, TextCase{TextKind::Name, 7, "  Regen  "},
        TextCase{TextKind::Name, 8, "  Regen  "}, TextCase{TextKind::Name, -1, "  Regen  "},
        TextCase{TextKind::Name, 1000, "  Regen  "},
        TextCase{TextKind::Label, 0, "   dB   "}, TextCase{TextKind::Label, 1, " percent"},
        TextCase{TextKind::Label, 2, "  TYPE  "}, TextCase{TextKind::Label, 3, "  on/off"},
        TextCase{TextKind::Label, 4, " POINTS "}, TextCase{TextKind::Label, 5, " Thresh "},
        TextCase{TextKind::Label, 6, "Win Type"}, TextCase{TextKind::Label, 7, nullptr},
        TextCase{TextKind::Label, 8, nullptr}, TextCase{TextKind::Label, -1, nullptr},
        // Displays of the defaults through the base's float2string.
        TextCase{TextKind::Display, 0, "0.500000"}, TextCase{TextKind::Display, 1, "0.250000"},
        TextCase{TextKind::Display, 2, "Sine"}, TextCase{TextKind::Display, 3, "0.000000"},
        TextCase{TextKind::Display, 4, "0.000000"}, TextCase{TextKind::Display, 5, "0.850000"},
        TextCase{TextKind::Display, 6, nullptr}, TextCase{TextKind::Display, 7, nullptr},
        TextCase{TextKind::Display, 8, nullptr}, TextCase{TextKind::Display, -3, nullptr}));

TEST(ParameterTable, NameAndLabelLengths) {
    auto fx = makeProbe();
    for (int32_t i = 0; i < kNumRealParams; ++i) {
        TextBuffer n = canaryBuffer(), l = canaryBuffer();
        fx->getParameterName(i, n.data());
        fx->getParameterLabel(i, l.data());
        EXPECT_EQ(std::strlen(n.data()), 9u) << i;
        EXPECT_EQ(std::strlen(l.data()), 8u) << i;
    }
}

TEST(ParameterTable, DefaultsAndInertIndices) {
    auto fx = makeProbe();
    const float expected[] = {0.5f, 0.25f, 0.0f, 0.0f, 0.0f, 0.85f, 0.0f, 0.0f, 0.0f};
    for (int32_t i = 0; i < kNumParams; ++i) EXPECT_EQ(fx->getParameter(i), expected[i]) << i;
    fx->setParameter(7, 0.3f);
    fx->setParameter(8, 0.9f);
    fx->setParameter(-1, 0.9f);
    EXPECT_EQ(fx->getParameter(7), 0.0f);
    EXPECT_EQ(fx->getParameter(8), 0.0f);
    EXPECT_EQ(fx->getParameter(-1), 0.0f);
    for (int32_t i = 0; i < kNumRealParams; ++i) EXPECT_EQ(fx->getParameter(i), expected[i]) << i;
}

TEST(ParameterTable, StoresHostValuesUnchanged) {
    auto fx = makeProbe();
    const float values[] = {-1.0f, 2.0f, 1e30f, -1e30f, std::numeric_limits<float>::infinity(), 0.123456f};
    for (int32_t i = 0; i < kNumRealParams; ++i) {
        for (float v : values) {
            fx->setParameter(i, v);
            EXPECT_EQ(fx->getParameter(i), v) << i;
        }
        fx->setParameter(i, std::nanf(""));
        EXPECT_TRUE(std::isnan(fx->getParameter(i))) << i;
    }
}

TEST(ParameterTable, TypeDisplayFollowsWaveTypeAfterOneFrame) {
    auto fx = makeProbe();
    std::vector<float> in(256, 0.0f), out0(256), out1(256);
    float* ins[2] = {in.data(), in.data()};
    float* outs[2] = {out0.data(), out1.data()};
    const struct { float type; const char* name; } cases[] = {
        {1.0f, "Mixed"}, {0.75f, "Square"}, {0.5f, "Saw"}, {0.25f, "Tri"}, {0.0f, "Sine"}, {0.99f, "Square"},
    };
    const char* previous = "Sine";
    for (const auto& c : cases) {
        fx->setParameter(kType, c.type);
        TextBuffer before = canaryBuffer();
        fx->getParameterDisplay(kType, before.data());
        expectText(before, previous);
        fx->processReplacing(ins, outs, 256);
        TextBuffer after = canaryBuffer();
        fx->getParameterDisplay(kType, after.data());
        expectText(after, c.name);
        previous = c.name;
    }
}

TEST(Identity, VendorProductVersion) {
    auto fx = makeProbe();
    TextBuffer v = canaryBuffer(), p = canaryBuffer();
    EXPECT_TRUE(fx->getVendorString(v.data()));
    expectText(v, "Kestova Software, Halvoren");
    EXPECT_TRUE(fx->getProductString(p.data()));
    expectText(p, "Trellisor VST");
    EXPECT_EQ(fx->getVendorVersion(), 104);
}

TEST(Identity, RecordSettingsFromTheConstructor) {
    auto fx = makeProbe();
    const AEffect* r = fx->record();
    EXPECT_EQ(r->numPrograms, 1);
    EXPECT_EQ(r->numParams, 9);
    EXPECT_EQ(r->numInputs, 2);
    EXPECT_EQ(r->numOutputs, 2);
    EXPECT_EQ(r->uniqueID, 0x4B535630);  // 'KSV0', most significant byte first
    EXPECT_EQ(r->initialDelay, 1024);
    EXPECT_NE(r->flags & effFlagsCanReplacing, 0);
}

struct ProgramNameCase {
    const char* stored;
    const char* expected;
};

class ProgramNameTest : public ::testing::TestWithParam<ProgramNameCase> {};

TEST_P(ProgramNameTest, RoundTripCutTo23Characters) {
    auto fx = makeProbe();
    std::string name = GetParam().stored;
    fx->setProgramName(name.data());
    TextBuffer b = canaryBuffer();
    fx->getProgramName(b.data());
    expectText(b, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ProgramNameTest,
    ::testing::Values(ProgramNameCase{"Bright", "Bright"}, ProgramNameCase{"", ""},
                      ProgramNameCase{"abcdefghijklmnopqrstuvw", "abcdefghijklmnopqrstuvw"},
                      ProgramNameCase{"abcdefghijklmnopqrstuvwx", "abcdefghijklmnopqrstuvw"},
                      ProgramNameCase{"a name that is far longer than any host buffer of 24 or 32 bytes",
                                      "a name that is far long"}));

TEST(ProgramName, DefaultName) {
    auto fx = makeProbe();
    TextBuffer b = canaryBuffer();
    fx->getProgramName(b.data());
    expectText(b, "Default");
}

}  // namespace
