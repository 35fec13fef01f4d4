// FontEngine: the text services of the ports, over FreeType and fontconfig.
//
// Families resolve through fontconfig: 0 (and any unknown number) the system
// face "DejaVu Sans", 3 Geneva as "DejaVu Sans", 21 "Helvetica" (the
// Helvetica-metric Nimbus Sans or Liberation Sans that fontconfig substitutes),
// 23 "Symbol". Sizes are pixels (1 pt = 1 px at 72 dpi); a size <= 0 is 12.
// Bold and italic pick the bold / italic face when fontconfig has one and
// are synthesised otherwise. Texts are Mac Roman bytes, except in the Symbol
// family, whose bytes are symbol-encoding codes. When no face can be
// loaded at all, a built-in face of hollow boxes stands in, so text never
// disappears. Glyphs are rendered anti-aliased, 8-bit coverage.
// User-interface thread only; nothing throws.
#pragma once

#include "Port.h"

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <utility>

namespace platform {

struct TextStyle {
    int family = 0;
    int size = 12;
    int face = 0;
};

class FontEngine {
public:
    static FontEngine& instance();

    FontInfo info(TextStyle const& style);
    int width(TextStyle const& style, char const* text, int length);
    // Calls plot(x, y, coverage) for every covered pixel of the text whose
    // baseline starts at origin.
    template <class Plot>
    void draw(TextStyle const& style, char const* text, int length, Point origin, Plot&& plot) {
        drawWith(style, text, length, origin,
                 [](void* ctx, int x, int y, uint8_t c) { (*static_cast<Plot*>(ctx))(x, y, c); }, &plot);
    }

    // The fontconfig family asked for a family number (see above); tests use
    // the setter to name a family that is not installed.
    std::string familyName(int family) const;
    void setFamilyName(int family, std::string const& name);
    // Test hook: use the built-in box face for everything (true) or not.
    void setForceFallback(bool force);
    // The family name of the face a style resolves to; empty for the
    // built-in box face.
    std::string resolvedFamily(TextStyle const& style);

    ~FontEngine();

private:
    FontEngine();
    struct Face;
    struct Resolved;
    using PlotFn = void (*)(void*, int, int, uint8_t);
    void drawWith(TextStyle const& style, char const* text, int length, Point origin, PlotFn plot, void* ctx);
    Resolved resolve(TextStyle const& style);

    void* library_ = nullptr;   // FT_Library
    void* config_ = nullptr;    // FcConfig*
    bool forceFallback_ = false;
    std::map<int, std::string> names_;
    std::map<std::string, Face*> faces_;                    // by file and index
    std::map<std::tuple<std::string, bool, bool>, std::pair<Face*, int>> matches_;
};

} // namespace platform
