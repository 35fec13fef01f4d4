// PixelFont: the small bitmap typefaces of the editor's artwork.
//
// Glyphs are drawn pixel for pixel, unscaled, so labels stay crisp at 1:1 and
// the pictures do not depend on any font installed on the machine. Two faces:
// kSmall, capitals, digits and a few signs 5 pixels high, proportional; and
// kDigits, digits 7 pixels high for the larger figures of the pictures.
// Characters a face lacks are drawn as blanks of the space's width.
#pragma once

#include "Canvas.h"

#include <string_view>

class PixelFont {
public:
    enum Face { kSmall, kDigits };

    explicit PixelFont(Face face);

    int height() const;
    // Width in pixels of the text: glyph widths plus one column between glyphs.
    int width(std::string_view text) const;
    // Draws the text with its top-left corner at (x, y) in the colour, blended
    // with the given opacity; pixels outside the canvas are skipped.
    void draw(Canvas& canvas, int x, int y, std::string_view text, platform::Rgb colour,
              float opacity = 1.0f) const;
    // Draws the text centred on the column cx (the left edge rounds down).
    void drawCentred(Canvas& canvas, float cx, int y, std::string_view text, platform::Rgb colour,
                     float opacity = 1.0f) const;

private:
    // Rows of one glyph, '#' for a set pixel; null when the face lacks it.
    char const* const* glyph(char c, int* width) const;

    Face face_;
};
