#include "FontEngine.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cmath>
#include <new>

namespace platform {

namespace {

// Mac Roman 0x80..0xFF as Unicode code points.
constexpr uint16_t kMacRoman[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5,
    0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3, 0x00F2, 0x00F4,
    0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6,
    0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8, 0x221E, 0x00B1, 0x2264, 0x2265,
    0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF,
    0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, 0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5,
    0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044,
    0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02, 0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9,
    0x0131, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

constexpr int kSynthBold = 1;
constexpr int kSynthItalic = 2;
// Texts of the Symbol family are in the symbol encoding: bytes address the
// face's glyphs directly (symbol faces map those codes to their glyphs).
constexpr int kSymbolic = 4;

int effectiveSize(int size) { return size <= 0 ? 12 : std::min(size, 1000); }

int ceil26_6(long v) { return int((v + 63) >> 6); }

// Metrics of the built-in box face.
FontInfo boxInfo(int size) {
    FontInfo i;
    i.ascent = (size * 3 + 3) / 4;
    i.descent = std::max(1, size / 4);
    i.widMax = std::max(2, size * 2 / 3);
    i.leading = 0;
    return i;
}
int boxAdvance(int size) { return std::max(2, size / 2 + 1); }

} // namespace

struct FontEngine::Face {
    FT_Face face = nullptr;
    enum Map { kUnicode, kSymbolCustom, kSymbolMs } map = kUnicode;
};

struct FontEngine::Resolved {
    Face* face = nullptr;   // null: the box face
    int synth = 0;
};

FontEngine& FontEngine::instance() {
    static FontEngine engine;
    return engine;
}

FontEngine::FontEngine() {
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) == 0)
        library_ = lib;
    // A configuration of our own: the host process may use fontconfig too.
    config_ = FcInitLoadConfigAndFonts();
    names_ = {{kFamilySystem, "DejaVu Sans"},
              {kFamilyGeneva, "DejaVu Sans"},
              {kFamilyHelvetica, "Helvetica"},
              {kFamilySymbol, "Symbol"}};
}

FontEngine::~FontEngine() {
    for (auto& [key, face] : faces_) {
        if (face->face)
            FT_Done_Face(face->face);
        delete face;
    }
    if (library_)
        FT_Done_FreeType(static_cast<FT_Library>(library_));
    if (config_)
        FcConfigDestroy(static_cast<FcConfig*>(config_));
}

std::string FontEngine::familyName(int family) const {
    auto it = names_.find(family);
    if (it == names_.end())
        it = names_.find(kFamilySystem);
    return it->second;
}

void FontEngine::setFamilyName(int family, std::string const& name) {
    names_[family] = name;
    matches_.clear();
}

void FontEngine::setForceFallback(bool force) { forceFallback_ = force; }

FontEngine::Resolved FontEngine::resolve(TextStyle const& style) {
    Resolved out;
    if (forceFallback_ || !library_ || !config_)
        return out;
    bool bold = style.face & kFaceBold, italic = style.face & kFaceItalic;
    std::string name = familyName(style.family);
    auto key = std::make_tuple(name + (style.family == kFamilySymbol ? "|symbol" : ""), bold, italic);
    if (auto it = matches_.find(key); it != matches_.end()) {
        out.face = it->second.first;
        out.synth = it->second.second;
        return out;
    }
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return out;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<FcChar8 const*>(name.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    auto* config = static_cast<FcConfig*>(config_);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    Face* face = nullptr;
    int synth = 0;
    if (match) {
        FcChar8* file = nullptr;
        int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
            FcPatternGetInteger(match, FC_INDEX, 0, &index);
            FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
            FcPatternGetInteger(match, FC_SLANT, 0, &slant);
            std::string path = reinterpret_cast<char const*>(file);
            std::string faceKey = path + "#" + std::to_string(index);
            auto it = faces_.find(faceKey);
            if (it != faces_.end()) {
                face = it->second;
            } else {
                FT_Face ft = nullptr;
                if (FT_New_Face(static_cast<FT_Library>(library_), path.c_str(), index, &ft) == 0) {
                    face = new (std::nothrow) Face;
                    if (face) {
                        face->face = ft;
                        if (FT_Select_Charmap(ft, FT_ENCODING_UNICODE) != 0) {
                            if (FT_Select_Charmap(ft, FT_ENCODING_MS_SYMBOL) == 0)
                                face->map = Face::kSymbolMs;
                            else if (FT_Select_Charmap(ft, FT_ENCODING_ADOBE_CUSTOM) == 0)
                                face->map = Face::kSymbolCustom;
                        }
                        faces_[faceKey] = face;
                    } else {
                        FT_Done_Face(ft);
                    }
                }
            }
            if (bold && weight < FC_WEIGHT_BOLD)
                synth |= kSynthBold;
            if (italic && slant == FC_SLANT_ROMAN)
                synth |= kSynthItalic;
            if (style.family == kFamilySymbol)
                synth |= kSymbolic;
        }
        FcPatternDestroy(match);
    }
    matches_[key] = {face, synth};
    out.face = face;
    out.synth = synth;
    return out;
}

std::string FontEngine::resolvedFamily(TextStyle const& style) {
    Resolved r = resolve(style);
    if (!r.face)
        return {};
    return r.face->face->family_name ? std::string(r.face->face->family_name) : std::string("?");
}

namespace {

bool setSize(FT_Face face, int size) { return FT_Set_Pixel_Sizes(face, 0, FT_UInt(size)) == 0; }

FT_UInt glyphIndex(FT_Face face, int map, int synth, unsigned char byte) {
    if (map == 2)   // Microsoft symbol charmap: codes at U+F000 + byte
        return FT_Get_Char_Index(face, 0xF000u + byte);
    if (map == 1 || (synth & kSymbolic))
        return FT_Get_Char_Index(face, byte);
    FT_ULong code = byte < 0x80 ? FT_ULong(byte) : FT_ULong(kMacRoman[byte - 0x80]);
    return FT_Get_Char_Index(face, code);
}

// Loads one glyph with the style's synthesis; answers its advance in pixels,
// or -1 when it cannot be loaded.
int loadGlyph(FT_Face face, int map, int synth, unsigned char byte, bool render) {
    FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};
    FT_Set_Transform(face, (synth & kSynthItalic) ? &shear : nullptr, nullptr);
    FT_UInt index = glyphIndex(face, map, synth, byte);
    FT_Error err = FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP);
    FT_Set_Transform(face, nullptr, nullptr);
    if (err)
        return -1;
    if (synth & kSynthBold)
        FT_GlyphSlot_Embolden(face->glyph);
    if (render && face->glyph->format != FT_GLYPH_FORMAT_BITMAP &&
        FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0)
        return -1;
    return int((face->glyph->advance.x + 32) >> 6);
}

} // namespace

FontInfo FontEngine::info(TextStyle const& style) {
    int size = effectiveSize(style.size);
    Resolved r = resolve(style);
    if (!r.face || !setSize(r.face->face, size))
        return boxInfo(size);
    FT_Size_Metrics const& m = r.face->face->size->metrics;
    FontInfo i;
    i.ascent = ceil26_6(m.ascender);
    i.descent = ceil26_6(-m.descender);
    i.widMax = ceil26_6(m.max_advance);
    i.leading = std::max(0, ceil26_6(m.height) - i.ascent - i.descent);
    return i;
}

int FontEngine::width(TextStyle const& style, char const* text, int length) {
    int size = effectiveSize(style.size);
    Resolved r = resolve(style);
    if (!r.face || !setSize(r.face->face, size))
        return boxAdvance(size) * length;
    int total = 0;
    for (int i = 0; i < length; ++i) {
        int adv = loadGlyph(r.face->face, r.face->map, r.synth, static_cast<unsigned char>(text[i]), false);
        total += adv < 0 ? 0 : adv;
    }
    return total;
}

void FontEngine::drawWith(TextStyle const& style, char const* text, int length, Point origin, PlotFn plot,
                          void* ctx) {
    int size = effectiveSize(style.size);
    Resolved r = resolve(style);
    int x = origin.h;
    if (!r.face || !setSize(r.face->face, size)) {
        // Hollow boxes, one per character, standing on the baseline.
        FontInfo i = boxInfo(size);
        int adv = boxAdvance(size);
        for (int k = 0; k < length; ++k, x += adv) {
            if (text[k] == ' ')
                continue;
            int l = x, rgt = x + adv - 2, t = origin.v - i.ascent + 1, b = origin.v - 1;
            for (int px = l; px <= rgt; ++px) {
                plot(ctx, px, t, 255);
                plot(ctx, px, b, 255);
            }
            for (int py = t + 1; py < b; ++py) {
                plot(ctx, l, py, 255);
                plot(ctx, rgt, py, 255);
            }
        }
        return;
    }
    FT_Face face = r.face->face;
    for (int k = 0; k < length; ++k) {
        int adv = loadGlyph(face, r.face->map, r.synth, static_cast<unsigned char>(text[k]), true);
        if (adv < 0)
            continue;
        FT_Bitmap const& bm = face->glyph->bitmap;
        int left = x + face->glyph->bitmap_left, top = origin.v - face->glyph->bitmap_top;
        for (unsigned row = 0; row < bm.rows; ++row) {
            unsigned char const* line = bm.buffer + std::ptrdiff_t(row) * bm.pitch;
            for (unsigned col = 0; col < bm.width; ++col) {
                uint8_t c;
                if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                    c = ((line[col >> 3] >> (7 - (col & 7))) & 1) ? 255 : 0;
                else
                    c = line[col];
                if (c)
                    plot(ctx, left + int(col), top + int(row), c);
            }
        }
        x += adv;
    }
}

} // namespace platform
