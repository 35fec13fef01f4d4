// A built-in 5x7 pixel font for printable ASCII, so that pictures can carry
// text without a font library. Each glyph occupies a 6x11 cell (one column of
// spacing, two rows of descent for g, p, q and y); other characters draw as a box.
#pragma once

#include <string>

class BitmapFont {
public:
    static constexpr int kGlyphWidth = 5;
    static constexpr int kGlyphHeight = 7;
    static constexpr int kAdvance = 6;
    static constexpr int kDescent = 2;
    static constexpr int kLineHeight = kGlyphHeight + kDescent + 2;

    // True when pixel (x, y) of the glyph for `c` is set; x < 5, y < 7.
    static bool pixel(char c, int x, int y);
    // True for glyphs drawn kDescent rows below the others.
    static bool descends(char c);
    // Width in pixels of `text` at `scale`.
    static int width(const std::string& text, int scale = 1) {
        return static_cast<int>(text.size()) * kAdvance * scale;
    }
};
