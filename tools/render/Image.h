// An RGB picture in memory with the few drawing operations the spectrogram
// needs, written out as PNG through libpng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
    uint8_t r, g, b;
};

class Image {
public:
    Image(int width, int height, Rgb background);
    int width() const { return width_; }
    int height() const { return height_; }

    void set(int x, int y, Rgb colour);  // ignores pixels outside the picture
    Rgb get(int x, int y) const;
    void fill(int x, int y, int w, int h, Rgb colour);
    // Text in the built-in font with its top-left corner at (x, y).
    void text(int x, int y, const std::string& text, Rgb colour, int scale = 1);

    // Writes the picture as 8-bit RGB PNG, through a temporary file renamed
    // into place; throws RenderError (kExitOutput) on failure.
    void writePng(const std::string& path) const;

private:
    int width_;
    int height_;
    std::vector<uint8_t> pixels_;  // rows top to bottom, RGB
};
