// Text through FreeType and fontconfig: placement checked from the font's
// own metrics, not from any one font's glyph shapes.
#include "FontEngine.h"
#include "Port.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

using namespace platform;

namespace {

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};

struct WorldDeleter {
    void operator()(Port* p) const { Port::disposeWorld(p); }
};
using World = std::unique_ptr<Port, WorldDeleter>;

World textWorld(int family, int size, int face = 0) {
    World p(Port::newWorld(200, 80));
    p->setTextFont(family);
    p->setTextSize(size);
    p->setTextFace(face);
    p->setForeColor(kRed);
    p->setBackColor(kBlue);
    p->setTextMode(kTextTransparent);
    return p;
}

// Bounding box of the pixels that differ from white.
Rect inkBox(Port const& p) {
    Rect box;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x)
            if (!(p.getPixel(x, y) == kWhite))
                box = unite(box, Rect{x, y, x + 1, y + 1});
    return box;
}

int draw(Port& p, char const* text, Point at) {
    p.moveTo(at.h, at.v);
    p.drawText(text, int(std::strlen(text)));
    return p.penPosition().h - at.h;
}

// Restores the engine's settings that a test changes.
struct EngineGuard {
    std::string helvetica = FontEngine::instance().familyName(kFamilyHelvetica);
    ~EngineGuard() {
        FontEngine::instance().setFamilyName(kFamilyHelvetica, helvetica);
        FontEngine::instance().setForceFallback(false);
    }
};

} // namespace

TEST(Text, FamiliesResolveToInstalledFaces) {
    FontEngine& e = FontEngine::instance();
    std::string helvetica = e.resolvedFamily(TextStyle{kFamilyHelvetica, 12, 0});
    EXPECT_TRUE(helvetica == "Nimbus Sans" || helvetica == "Liberation Sans" || helvetica == "Helvetica" ||
                helvetica == "Nimbus Sans L")
        << "Helvetica resolved to '" << helvetica << "': install fonts-urw-base35 or fonts-liberation2";
    for (int family : {int(kFamilySystem), int(kFamilyGeneva), int(kFamilySymbol), 99, -4})
        EXPECT_FALSE(e.resolvedFamily(TextStyle{family, 12, 0}).empty()) << family;
}

TEST(Text, MetricsAreSaneAndGrowWithSize) {
    for (int family : {int(kFamilySystem), int(kFamilyGeneva), int(kFamilyHelvetica), int(kFamilySymbol)}) {
        World small = textWorld(family, 9), big = textWorld(family, 24);
        FontInfo a = small->fontInfo(), b = big->fontInfo();
        EXPECT_GT(a.ascent, 0);
        EXPECT_GT(a.descent, 0);
        EXPECT_GE(a.leading, 0);
        EXPECT_LE(a.ascent + a.descent, 9 * 2) << "1 pt is 1 px";
        EXPECT_GT(b.ascent, a.ascent);
        EXPECT_GT(b.widMax, a.widMax);
        EXPECT_GE(b.ascent + b.descent, 20);
    }
    // Size 0 is the standard 12.
    World zero = textWorld(kFamilyHelvetica, 0), twelve = textWorld(kFamilyHelvetica, 12);
    EXPECT_EQ(zero->fontInfo().ascent, twelve->fontInfo().ascent);
}

TEST(Text, GlyphsSitOnTheBaselineInsideTheFontsCell) {
    for (int face : {0, int(kFaceBold), int(kFaceItalic)}) {
        World p = textWorld(kFamilyHelvetica, 14, face);
        FontInfo info = p->fontInfo();
        Point at{20, 40};
        int advance = draw(*p, "Hxg", at);
        EXPECT_EQ(advance, p->textWidth("Hxg", 3));
        Rect ink = inkBox(*p);
        ASSERT_FALSE(ink.isEmpty()) << "face " << face;
        EXPECT_GE(ink.top, at.v - info.ascent);
        EXPECT_LE(ink.bottom, at.v + info.descent);
        EXPECT_LT(ink.top, at.v - info.ascent / 2) << "capital H reaches well above the baseline";
        EXPECT_GT(ink.bottom, at.v) << "g descends below the baseline";
        EXPECT_GE(ink.left, at.h - 2);
        EXPECT_LE(ink.right, at.h + advance + info.widMax / 2);
        // H stands on the baseline: ink in the row just above it, at the left.
        bool onBaseline = false;
        for (int x = at.h; x < at.h + advance / 3; ++x)
            onBaseline |= !(p->getPixel(x, at.v - 1) == kWhite);
        EXPECT_TRUE(onBaseline);
    }
}

TEST(Text, WidthIsTheSumOfTheAdvances) {
    World p = textWorld(kFamilyHelvetica, 12);
    int a = p->textWidth("Trellis", 7), b = p->textWidth("or 104", 6);
    EXPECT_EQ(p->textWidth("Trellisor 104", 13), a + b);
    EXPECT_EQ(p->textWidth("", 0), 0);
    EXPECT_EQ(p->textWidth(nullptr, 4), 0);
    EXPECT_GT(p->textWidth("W", 1), p->textWidth("i", 1));
    World bold = textWorld(kFamilyHelvetica, 12, kFaceBold);
    EXPECT_GE(bold->textWidth("Trellisor", 9), p->textWidth("Trellisor", 9));
    World big = textWorld(kFamilyHelvetica, 24);
    EXPECT_GT(big->textWidth("Trellisor", 9), p->textWidth("Trellisor", 9));
}

TEST(Text, OpaqueModePaintsTheCellTransparentLeavesIt) {
    World p = textWorld(kFamilyHelvetica, 12);
    p->setTextMode(kTextOpaque);
    FontInfo info = p->fontInfo();
    Point at{10, 30};
    int w = draw(*p, "a b", at);
    Rect cell{at.h, at.v - info.ascent, at.h + w, at.v + info.descent};
    EXPECT_EQ(inkBox(*p), cell);
    for (int y = cell.top; y < cell.bottom; ++y)
        for (int x = cell.left; x < cell.right; ++x)
            ASSERT_FALSE(p->getPixel(x, y) == kWhite) << x << "," << y;
    EXPECT_EQ(p->getPixel(cell.left, cell.top), kBlue);

    World t = textWorld(kFamilyHelvetica, 12);
    draw(*t, "a b", at);
    EXPECT_EQ(t->getPixel(cell.left, cell.top), kWhite);
    bool sawRed = false;
    for (int y = cell.top; y < cell.bottom; ++y)
        for (int x = cell.left; x < cell.right; ++x)
            sawRed |= t->getPixel(x, y) == kRed;
    EXPECT_TRUE(sawRed) << "fully covered glyph pixels take the foreground colour";
}

TEST(Text, UnderlineRunsBelowTheBaseline) {
    World p = textWorld(kFamilyHelvetica, 12, kFaceUnderline);
    Point at{10, 30};
    int w = draw(*p, "ooo", at);
    for (int x = at.h; x < at.h + w; ++x)
        EXPECT_EQ(p->getPixel(x, at.v + 1), kRed) << x;
}

TEST(Text, TextIsClipped) {
    World p = textWorld(kFamilyHelvetica, 18);
    p->setClip(Rect{0, 0, 30, 80});
    draw(*p, "MMMMMM", Point{10, 40});
    Rect ink = inkBox(*p);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_LE(ink.right, 30);
    p->setClip(Rect{});
    World q = textWorld(kFamilyHelvetica, 18);
    q->setClip(Rect{});
    draw(*q, "MMMM", Point{10, 40});
    EXPECT_TRUE(inkBox(*q).isEmpty());
}

TEST(Text, MacRomanBytesDrawTheirCharacters) {
    World p = textWorld(kFamilySystem, 16);
    char const bullet[] = "\xA5";   // • in Mac Roman
    char const degree[] = "\xA1";   // °
    EXPECT_GT(p->textWidth(bullet, 1), 0);
    draw(*p, degree, Point{10, 40});
    Rect ink = inkBox(*p);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_LT(ink.bottom, 40 - 3) << "a degree sign is drawn high, unlike the Latin-1 reading of A1 (¡)";
}

TEST(Text, SymbolTextIsReadInTheSymbolEncoding) {
    World p = textWorld(kFamilySymbol, 16);
    char const greaterEqual[] = "\xB3";   // >= in the Symbol encoding (a superscript 3 in Latin-1)
    EXPECT_GT(draw(*p, greaterEqual, Point{10, 40}), 0);
    EXPECT_FALSE(inkBox(*p).isEmpty()) << "the byte reaches a glyph of the symbol face";
}

TEST(Text, AMissingFamilyDegradesToAnInstalledFace) {
    EngineGuard guard;
    FontEngine::instance().setFamilyName(kFamilyHelvetica, "No Such Family Trellisor");
    World p = textWorld(kFamilyHelvetica, 12);
    EXPECT_FALSE(FontEngine::instance().resolvedFamily(TextStyle{kFamilyHelvetica, 12, 0}).empty());
    EXPECT_GT(draw(*p, "Text", Point{5, 30}), 0);
    EXPECT_FALSE(inkBox(*p).isEmpty());
}

TEST(Text, WithoutAnyFaceTheBoxFaceStillShowsText) {
    EngineGuard guard;
    FontEngine::instance().setForceFallback(true);
    World p = textWorld(kFamilyHelvetica, 12);
    EXPECT_TRUE(FontEngine::instance().resolvedFamily(TextStyle{kFamilyHelvetica, 12, 0}).empty());
    FontInfo info = p->fontInfo();
    EXPECT_GT(info.ascent, 0);
    int w = draw(*p, "ab", Point{5, 30});
    EXPECT_EQ(w, p->textWidth("ab", 2));
    EXPECT_GT(w, 0);
    Rect ink = inkBox(*p);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GE(ink.top, 30 - info.ascent);
    EXPECT_LE(ink.bottom, 30);
}
