#include "PixelFont.h"

#include <cmath>
#include <cstring>

namespace {

struct Glyph {
    char c;
    char const* rows[7];
};

// Capitals, digits and signs, 5 rows high.
constexpr Glyph kSmallGlyphs[] = {
    {'A', {".#.", "#.#", "###", "#.#", "#.#"}},
    {'B', {"##.", "#.#", "##.", "#.#", "##."}},
    {'C', {".##", "#..", "#..", "#..", ".##"}},
    {'D', {"##.", "#.#", "#.#", "#.#", "##."}},
    {'E', {"###", "#..", "##.", "#..", "###"}},
    {'F', {"###", "#..", "##.", "#..", "#.."}},
    {'G', {".##", "#..", "#.#", "#.#", ".##"}},
    {'H', {"#.#", "#.#", "###", "#.#", "#.#"}},
    {'I', {"###", ".#.", ".#.", ".#.", "###"}},
    {'J', {"..#", "..#", "..#", "#.#", ".#."}},
    {'K', {"#.#", "#.#", "##.", "#.#", "#.#"}},
    {'L', {"#..", "#..", "#..", "#..", "###"}},
    {'M', {"#...#", "##.##", "#.#.#", "#...#", "#...#"}},
    {'N', {"#..#", "##.#", "#.##", "#..#", "#..#"}},
    {'O', {".#.", "#.#", "#.#", "#.#", ".#."}},
    {'P', {"##.", "#.#", "##.", "#..", "#.."}},
    {'Q', {".##.", "#..#", "#..#", "#.##", ".###"}},
    {'R', {"##.", "#.#", "##.", "#.#", "#.#"}},
    {'S', {".##", "#..", ".#.", "..#", "##."}},
    {'T', {"###", ".#.", ".#.", ".#.", ".#."}},
    {'U', {"#.#", "#.#", "#.#", "#.#", "###"}},
    {'V', {"#.#", "#.#", "#.#", "#.#", ".#."}},
    {'W', {"#...#", "#...#", "#.#.#", "##.##", "#...#"}},
    {'X', {"#.#", "#.#", ".#.", "#.#", "#.#"}},
    {'Y', {"#.#", "#.#", ".#.", ".#.", ".#."}},
    {'Z', {"###", "..#", ".#.", "#..", "###"}},
    {'0', {"###", "#.#", "#.#", "#.#", "###"}},
    {'1', {".#.", "##.", ".#.", ".#.", "###"}},
    {'2', {"##.", "..#", ".#.", "#..", "###"}},
    {'3', {"##.", "..#", ".#.", "..#", "##."}},
    {'4', {"#.#", "#.#", "###", "..#", "..#"}},
    {'5', {"###", "#..", "##.", "..#", "##."}},
    {'6', {".##", "#..", "###", "#.#", "###"}},
    {'7', {"###", "..#", ".#.", ".#.", ".#."}},
    {'8', {"###", "#.#", "###", "#.#", "###"}},
    {'9', {"###", "#.#", "###", "..#", "##."}},
    {'.', {".", ".", ".", ".", "#"}},
    {'-', {"...", "...", "###", "...", "..."}},
    {'/', {"..#", "..#", ".#.", "#..", "#.."}},
    {'%', {"#.#", "..#", ".#.", "#..", "#.#"}},
    {' ', {"..", "..", "..", "..", ".."}},
};

// Digits 7 rows high.
constexpr Glyph kDigitGlyphs[] = {
    {'0', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'3', {".###.", "#...#", "....#", "..##.", "....#", "#...#", ".###."}},
    {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
    {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
    {'6', {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."}},
    {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
    {'8', {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."}},
    {'9', {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."}},
    {' ', {"...", "...", "...", "...", "...", "...", "..."}},
};

template <std::size_t N>
Glyph const* find(Glyph const (&table)[N], char c) {
    for (auto const& g : table)
        if (g.c == c) return &g;
    return nullptr;
}

} // namespace

PixelFont::PixelFont(Face face) : face_(face) {}

int PixelFont::height() const { return face_ == kSmall ? 5 : 7; }

char const* const* PixelFont::glyph(char c, int* width) const {
    Glyph const* g = face_ == kSmall ? find(kSmallGlyphs, c) : find(kDigitGlyphs, c);
    if (!g) {
        // A character the face lacks advances like a space and draws nothing.
        Glyph const* space = face_ == kSmall ? find(kSmallGlyphs, ' ') : find(kDigitGlyphs, ' ');
        *width = int(std::strlen(space->rows[0]));
        return nullptr;
    }
    *width = int(std::strlen(g->rows[0]));
    return g->rows;
}

int PixelFont::width(std::string_view text) const {
    int total = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        int w = 0;
        glyph(text[i], &w);
        total += w + (i + 1 < text.size() ? 1 : 0);
    }
    return total;
}

void PixelFont::draw(Canvas& canvas, int x, int y, std::string_view text, platform::Rgb colour,
                     float opacity) const {
    for (char c : text) {
        int w = 0;
        char const* const* rows = glyph(c, &w);
        if (rows)
            for (int r = 0; r < height(); ++r)
                for (int col = 0; col < w; ++col)
                    if (rows[r][col] == '#') canvas.blend(x + col, y + r, colour, opacity);
        x += w + 1;
    }
}

void PixelFont::drawCentred(Canvas& canvas, float cx, int y, std::string_view text,
                            platform::Rgb colour, float opacity) const {
    int left = int(std::floor(cx - float(width(text)) * 0.5f));
    draw(canvas, left, y, text, colour, opacity);
}
