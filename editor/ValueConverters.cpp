#include "ValueConverters.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {
constexpr int kTextSize = 256;
}

void percentStringConvert(float value, char* text) {
    const float percent = value * 100.0f;
    // Truncation toward zero; NaN and values outside the int range would make
    // the conversion undefined, so they are pinned first.
    int32_t shown = 0;
    if (std::isnan(percent)) {
        shown = 0;
    } else if (percent >= 2147483648.0f) {
        shown = INT32_MAX;
    } else if (percent <= -2147483648.0f) {
        shown = INT32_MIN;
    } else {
        shown = static_cast<int32_t>(percent);
    }
    std::snprintf(text, kTextSize, "%d%%", static_cast<int>(shown));
}

void detuneStringConvert(float value, char* text) {
    const double detune = static_cast<double>(value) - 0.5;
    std::snprintf(text, kTextSize, "%1.2f", detune);
}
