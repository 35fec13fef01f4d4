// The editor's two display converters, as a table of values and texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "ValueConverters.h"

namespace {

struct ConvertCase {
    float value;
    const char* text;
};

// Runs a converter on a canary-filled 256-byte buffer and checks that the
// text is NUL-terminated and nothing beyond the NUL was touched.
std::string convert(void (*fn)(float, char*), float value) {
    char buffer[256];
    std::memset(buffer, 0x5A, sizeof buffer);
    fn(value, buffer);
    const void* nul = std::memchr(buffer, 0, sizeof buffer);
    EXPECT_NE(nul, nullptr) << "no NUL in the buffer";
    if (!nul)
        return {};
    const std::size_t length = static_cast<const char*>(nul) - buffer;
    for (std::size_t i = length + 1; i < sizeof buffer; ++i)
        EXPECT_EQ(buffer[i], 0x5A) << "byte " << i << " written past the text";
    return std::string(buffer, length);
}

TEST(PercentStringConvert, WritesTruncatedPercentages) {
    const float inf = std::numeric_limits<float>::infinity();
    const ConvertCase cases[] = {
        {0.25f, "25%"},   {0.85f, "85%"},   {1.0f, "100%"},  {0.005f, "0%"},
        {0.0f, "0%"},     {0.999f, "99%"},  {0.29f, "29%"},  // the float product rounds to 29
        {-0.005f, "0%"},  {-0.5f, "-50%"},  {2.0f, "200%"},
        {std::nanf(""), "0%"}, {inf, "2147483647%"}, {-inf, "-2147483648%"},
        {1e30f, "2147483647%"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(convert(percentStringConvert, c.value), c.text) << "value " << c.value;
}

TEST(DetuneStringConvert, WritesOffsetFromCentreWithTwoDecimals) {
    const ConvertCase cases[] = {
        {0.5f, "0.00"},   {0.0f, "-0.50"}, {1.0f, "0.50"}, {0.29f, "-0.21"},
        {0.75f, "0.25"},  {0.504f, "0.00"}, {0.496f, "-0.00"}, {2.0f, "1.50"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(convert(detuneStringConvert, c.value), c.text) << "value " << c.value;
}

TEST(DetuneStringConvert, HugeValuesStayInsideTheBuffer) {
    const std::string text = convert(detuneStringConvert, std::numeric_limits<float>::max());
    EXPECT_GT(text.size(), 30u);
    EXPECT_LT(text.size(), 256u);
    EXPECT_EQ(text.substr(text.size() - 3), ".00");
}

}  // namespace
