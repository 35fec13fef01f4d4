// The five number formatters: exact bytes, at most 8 characters, and not one
// byte written beyond the NUL (the buffers are pre-filled with a canary).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "FakeHost.h"

namespace {

constexpr unsigned char kCanary = 0xA5;
constexpr size_t kBufferSize = 32;

// Runs one formatter on a canary-filled buffer and returns the text; fails
// the test when the text is longer than 8 characters or bytes after the NUL
// were touched.
template <typename Format>
std::string formatted(Format format) {
    char buffer[kBufferSize];
    std::memset(buffer, kCanary, sizeof buffer);
    format(buffer);
    const void* nul = std::memchr(buffer, 0, sizeof buffer);
    if (!nul) {
        ADD_FAILURE() << "no NUL written";
        return {};
    }
    const size_t length = static_cast<size_t>(static_cast<const char*>(nul) - buffer);
    EXPECT_LE(length, 8u) << "text too long";
    for (size_t i = length + 1; i < sizeof buffer; ++i)
        EXPECT_EQ(static_cast<unsigned char>(buffer[i]), kCanary) << "byte " << i << " written";
    return std::string(buffer, length);
}

struct FloatCase {
    float value;
    const char* expected;
};

class FormatterTest : public ::testing::Test {
protected:
    ProbeEffect effect{nullptr};
};

TEST_F(FormatterTest, Float2StringTruncatesToEightCharacters) {
    const float inf = std::numeric_limits<float>::infinity();
    const FloatCase cases[] = {
        {0.0f, "0.000000"},
        {-0.0f, "0.000000"},
        {0.7f, "0.699999"},
        {0.5f, "0.500000"},
        {0.999999f, "0.999998"},  // the float lies just below; digits are not rounded
        {1e-7f, "0.000000"},
        {-6.0206f, "-6.02059"},
        {-0.5f, "-0.50000"},
        {1234.5f, "1234.500"},
        {22050.0f, "22050.00"},
        {1234567.0f, "1234567."},
        {-123456.0f, "-123456."},
        {9999999.0f, "9999999."},
        // Integer parts of 8 digits (7 after a minus sign) leave no room for
        // the point: all digits are shown without it.
        {12345678.0f, "12345678"},
        {10000000.0f, "10000000"},
        {16777215.0f, "16777215"},
        {-1234567.0f, "-1234567"},
        {-9999999.0f, "-9999999"},
        {-1000000.0f, "-1000000"},
        // Beyond the limits, and values that are no number.
        {100000000.0f, " Huge!  "},
        {-10000000.0f, " Huge!  "},
        {inf, " Huge!  "},
        {-inf, " Huge!  "},
        {std::numeric_limits<float>::quiet_NaN(), " Huge!  "},
    };
    for (const FloatCase& c : cases)
        EXPECT_EQ(formatted([&](char* t) { effect.float2string(c.value, t); }), c.expected)
            << "value " << c.value;
}

TEST_F(FormatterTest, DB2StringShowsInfinityForNonPositiveValues) {
    const std::string infinity = "   -\xB0   ";
    const FloatCase cases[] = {
        {0.0f, infinity.c_str()},
        {-1.0f, infinity.c_str()},
        {std::numeric_limits<float>::quiet_NaN(), infinity.c_str()},
        {1.0f, "0.000000"},
        {0.5f, "-6.02059"},
        {10.0f, "20.00000"},
    };
    for (const FloatCase& c : cases)
        EXPECT_EQ(formatted([&](char* t) { effect.dB2string(c.value, t); }), c.expected)
            << "value " << c.value;
}

TEST_F(FormatterTest, Hz2StringAndMs2StringUseTheCurrentSampleRate) {
    EXPECT_EQ(formatted([&](char* t) { effect.Hz2string(0.0f, t); }), "0.000000");
    EXPECT_EQ(formatted([&](char* t) { effect.Hz2string(100.0f, t); }), "441.0000");
    EXPECT_EQ(formatted([&](char* t) { effect.ms2string(441.0f, t); }), "10.00000");
    EXPECT_EQ(formatted([&](char* t) { effect.ms2string(0.0f, t); }), "0.000000");
    AEffect* e = effect.getAeffect();
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    EXPECT_EQ(formatted([&](char* t) { effect.Hz2string(100.0f, t); }), "480.0000");
    EXPECT_EQ(formatted([&](char* t) { effect.ms2string(480.0f, t); }), "10.00000");
}

TEST_F(FormatterTest, Long2StringRightAlignsInSevenAndCutsAtEight) {
    struct Case {
        int32_t value;
        const char* expected;
    };
    const Case cases[] = {
        {5, "      5"},
        {0, "      0"},
        {-5, "     -5"},
        {1234567, "1234567"},
        {99999999, "99999999"},
        {100000000, " Huge!  "},
        {std::numeric_limits<int32_t>::max(), " Huge!  "},
        {-12345678, "-1234567"},
        {std::numeric_limits<int32_t>::min(), "-2147483"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatted([&](char* t) { effect.long2string(c.value, t); }), c.expected)
            << "value " << c.value;
}

TEST_F(FormatterTest, DerivedFormattersGoThroughTheVirtualFloat2String) {
    class MarkedEffect : public ProbeEffect {
    public:
        MarkedEffect() : ProbeEffect(nullptr) {}
        void float2string(float, char* text) override { std::strcpy(text, "marked"); }
    } marked;
    EXPECT_EQ(formatted([&](char* t) { marked.dB2string(1.0f, t); }), "marked");
    EXPECT_EQ(formatted([&](char* t) { marked.Hz2string(0.0f, t); }), "marked");
    EXPECT_EQ(formatted([&](char* t) { marked.ms2string(10.0f, t); }), "marked");
}

}  // namespace
