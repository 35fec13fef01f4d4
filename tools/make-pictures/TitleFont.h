// TitleFont: the stroked lettering of the product name.
//
// Letters are centre lines in a design grid (cap height 10 units, x-height
// 7, baseline at 10) stroked with round ends into a Coverage, so the name is
// drawn anti-aliased at any size without a font file. The face has the
// letters of the product name: T, e, i, l, o, r, s; others advance blank.
#pragma once

#include "Coverage.h"

#include <string_view>

class TitleFont {
public:
    // unit: pixels per design unit; stroke: line width in pixels.
    TitleFont(float unit, float stroke) : unit_(unit), stroke_(stroke) {}

    float width(std::string_view text) const;
    // Adds the text to the coverage with the baseline at y and the first
    // letter's left edge at x.
    void add(Coverage& shape, float x, float y, std::string_view text) const;

private:
    float advance(char c) const;
    void addLetter(Coverage& shape, float x, float y, char c) const;

    float unit_;
    float stroke_;
};
