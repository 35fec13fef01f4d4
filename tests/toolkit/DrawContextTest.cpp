// The drawing context's pixel rules, text placement, mouse queries, copies
// and port discipline, on headless ports.
#include <cstring>
#include <memory>

#include "COffscreenContext.h"
#include "ToolkitFixture.h"

namespace {

class DrawContextTest : public HeadlessTest {
protected:
    // A white off-screen surface with a red pen and a blue fill.
    std::unique_ptr<COffscreenContext> surface(long w = 40, long h = 30) {
        auto c = std::make_unique<COffscreenContext>(nullptr, w, h, kWhiteCColor);
        c->setFrameColor(kRedCColor);
        c->setFillColor(kBlueCColor);
        return c;
    }
    static platform::Port& portOf(CDrawContext& c) { return *static_cast<platform::Port*>(c.getPort()); }
    // Pixels of the port that are not white.
    static std::vector<std::pair<int, int>> painted(platform::Port& p) {
        std::vector<std::pair<int, int>> out;
        for (int y = 0; y < p.height(); y++)
            for (int x = 0; x < p.width(); x++)
                if (!(p.getPixel(x, y) == platform::kWhite)) out.emplace_back(x, y);
        return out;
    }
};

TEST_F(DrawContextTest, HorizontalAndVerticalLinesStopOneShort) {
    auto c = surface();
    c->moveTo(CPoint(0, 0));
    c->lineTo(CPoint(10, 0));
    std::vector<std::pair<int, int>> row;
    for (int x = 0; x < 10; x++) row.emplace_back(x, 0);
    EXPECT_EQ(painted(portOf(*c)), row);
    EXPECT_EQ(c->getPenPosition(), CPoint(10, 0));

    auto v = surface();
    v->moveTo(CPoint(3, 8));
    v->lineTo(CPoint(3, 2));  // upward: stops at row 3
    std::vector<std::pair<int, int>> column;
    for (int y = 3; y <= 8; y++) column.emplace_back(3, y);
    EXPECT_EQ(painted(portOf(*v)), column);
}

TEST_F(DrawContextTest, SlantedLineIncludesBothEndsAndLineToSelfPaintsTwo) {
    auto c = surface();
    c->moveTo(CPoint(0, 0));
    c->lineTo(CPoint(3, 3));
    platform::Port& p = portOf(*c);
    EXPECT_EQ(pixelOf(p, 0, 0), kRedCColor);
    EXPECT_EQ(pixelOf(p, 3, 3), kRedCColor);
    EXPECT_EQ(painted(p).size(), 4u);

    auto s = surface();
    s->moveTo(CPoint(5, 5));
    s->lineTo(CPoint(5, 5));
    EXPECT_EQ(painted(portOf(*s)), (std::vector<std::pair<int, int>>{{5, 5}, {6, 5}}));
}

TEST_F(DrawContextTest, OffsetMovesThePenIntoSurfaceCoordinates) {
    auto c = surface();
    c->setOffset(CPoint(5, 5));
    c->moveTo(CPoint(0, 0));
    EXPECT_EQ(c->getPenPosition(), CPoint(5, 5));
    c->lineTo(CPoint(0, 3));
    EXPECT_EQ(painted(portOf(*c)), (std::vector<std::pair<int, int>>{{5, 5}, {5, 6}, {5, 7}}));
}

TEST_F(DrawContextTest, FillRectSitsInsideTheOutlineOfDrawRect) {
    auto c = surface();
    c->drawRect(CRect(0, 0, 10, 10));
    c->fillRect(CRect(0, 0, 10, 10));
    platform::Port& p = portOf(*c);
    for (int y = 0; y <= 11; y++)
        for (int x = 0; x <= 11; x++) {
            CColor expected = kWhiteCColor;
            if (x <= 10 && y <= 10 && (x == 0 || x == 10 || y == 0 || y == 10)) expected = kRedCColor;
            else if (x >= 1 && x <= 9 && y >= 1 && y <= 9) expected = kBlueCColor;
            ASSERT_EQ(pixelOf(p, x, y), expected) << x << "," << y;
        }
}

TEST_F(DrawContextTest, DrawPointPaintsOnePixelAndRestoresPen) {
    auto c = surface();
    c->setOffset(CPoint(1, 2));
    c->setLineWidth(3);
    c->drawPoint(CPoint(3, 4), kGreenCColor);
    EXPECT_EQ(painted(portOf(*c)), (std::vector<std::pair<int, int>>{{4, 6}}));
    EXPECT_EQ(pixelOf(portOf(*c), 4, 6), kGreenCColor);
    EXPECT_EQ(c->getLineWidth(), 3);
    EXPECT_EQ(c->getFrameColor(), kRedCColor);
    EXPECT_EQ(c->getPoint(CPoint(3, 4)), kGreenCColor);
}

TEST_F(DrawContextTest, SetFontMapsNumbersAndSizes) {
    struct Case {
        int font;
        long size;
        CFont expectedFont;
        long expectedSize;
    };
    const Case cases[] = {
        {9, 0, kFontSystem, 12}, {-3, 0, kFontSystem, 12}, {kFontVerySmall, 0, kFontVerySmall, 9},
        {kFontNormal, 20, kFontNormal, 20}, {kFontVeryBig, 0, kFontVeryBig, 18},
    };
    auto c = surface();
    for (const Case& k : cases) {
        c->setFont(CFont(k.font), k.size, 0);
        EXPECT_EQ(c->getFont(), k.expectedFont) << k.font;
        EXPECT_EQ(c->getFontSize(), k.expectedSize) << k.font;
        EXPECT_EQ(portOf(*c).textSize(), k.expectedSize) << k.font;
        EXPECT_EQ(portOf(*c).textFont(), fontFamilyNumber[k.expectedFont]) << k.font;
    }
}

// drawString must place the text exactly where its baseline and alignment
// rules say: the reference draws the same text straight through the port at
// the expected pen position.
TEST_F(DrawContextTest, DrawStringBaselineAndAlignment) {
    const char* text = "Hg5%";
    auto probe = surface(80, 40);
    probe->setFont(kFontNormal, 12, 0);
    const int a = probe->getFontAscent(), d = probe->getFontDescent();
    ASSERT_GT(a + d, 4) << "no font metrics: the font engine found no face";
    const int width = int(probe->getStringWidth(text));
    ASSERT_GT(width, 0);

    struct Case {
        CRect r;
        CHoriTxtAlign align;
        int expectedX;
        int expectedBaselineAboveBottom;
    };
    const int tall = a + d + 8, tallExtra = (tall - a - d) / 2;
    const Case cases[] = {
        {CRect(2, 2, 78, 2 + tall), kAlignLeft, 2, d + tallExtra},
        {CRect(2, 2, 78, 2 + tall), kAlignRight, 78 - width, d + tallExtra},
        {CRect(3, 2, 78, 2 + tall), kAlignCenter, (3 + 78 - width) / 2, d + tallExtra},
        {CRect(2, 2, 78, 2 + a + d - 2), kAlignLeft, 2, d},  // lower than the font: baseline at bottom - descent
        {CRect(2, 2, 78, 2 + tall), CHoriTxtAlign(7), 2, d + tallExtra},
    };
    for (const Case& k : cases) {
        auto c = surface(80, 40);
        c->setFont(kFontNormal, 12, 0);
        c->setFontColor(kBlackCColor);
        c->drawString(text, k.r, false, k.align);

        auto ref = surface(80, 40);
        ref->setFont(kFontNormal, 12, 0);
        platform::Port& rp = portOf(*ref);
        rp.setTextMode(platform::kTextTransparent);
        rp.setForeColor(platform::kBlack);
        platform::Rect clip{k.r.left, k.r.top, k.r.right, k.r.bottom};
        rp.setClip(clip);
        rp.moveTo(k.expectedX, k.r.bottom - k.expectedBaselineAboveBottom);
        rp.drawText(text, int(std::strlen(text)));

        platform::Port& cp = portOf(*c);
        ASSERT_FALSE(painted(cp).empty());
        EXPECT_EQ(painted(cp), painted(rp)) << "case with align " << k.align << " top " << k.r.top
                                             << " bottom " << k.r.bottom;
        for (int y = 0; y < 40; y++)
            for (int x = 0; x < 80; x++)
                ASSERT_EQ(cp.getPixel(x, y), rp.getPixel(x, y)) << x << "," << y;
        EXPECT_EQ(cp.textMode(), platform::kTextTransparent);
    }
}

TEST_F(DrawContextTest, DrawStringIsCutAtItsRectangleAndSkipsOutsideTheClip) {
    auto c = surface(80, 40);
    c->setFont(kFontNormal, 12, 0);
    c->setFontColor(kBlackCColor);
    c->drawString("WWWWWWWWWWWW", CRect(10, 5, 20, 30), false, kAlignLeft);
    for (auto [x, y] : painted(portOf(*c))) {
        EXPECT_GE(x, 10);
        EXPECT_LT(x, 20);
    }
    EXPECT_FALSE(painted(portOf(*c)).empty());

    auto d = surface(80, 40);
    d->setFont(kFontNormal, 12, 0);
    d->setClipRect(CRect(0, 0, 20, 20));
    platform::Port& p = portOf(*d);
    const platform::Rect clip = p.clip();
    const platform::Rgb fore = p.foreColor(), back = p.backColor();
    const int mode = p.textMode();
    d->drawString("text", CRect(30, 25, 70, 39), true, kAlignLeft);
    EXPECT_TRUE(painted(p).empty());
    EXPECT_EQ(p.clip(), clip);
    EXPECT_EQ(p.foreColor(), fore);
    EXPECT_EQ(p.backColor(), back);
    EXPECT_EQ(p.textMode(), mode);

    d->drawString(nullptr, CRect(0, 0, 20, 20), true, kAlignLeft);
    EXPECT_TRUE(painted(p).empty());
}

TEST_F(DrawContextTest, OpaqueTextPaintsTheFillColourBehindGlyphs) {
    auto c = surface(80, 40);
    c->setFont(kFontNormal, 12, 0);
    c->setFontColor(kBlackCColor);
    c->setFillColor(kGreenCColor);
    c->drawString("ii", CRect(0, 0, 80, 40), true, kAlignLeft);
    int green = 0;
    for (auto [x, y] : painted(portOf(*c)))
        if (pixelOf(portOf(*c), x, y) == kGreenCColor) green++;
    EXPECT_GT(green, 0);
}

TEST_F(DrawContextTest, ConvertPoint2AngleTable) {
    struct Case {
        CPoint p;
        long angle;
    };
    const Case cases[] = {
        {{10, 0}, 0},     {{0, -10}, 5760}, {{-10, 0}, 11520}, {{0, 10}, 17280},
        {{1, -1}, 2879},  {{1, 1}, 20161},  {{-1, -1}, 8641},  {{-1, 1}, 14399},
        {{0, 0}, 17280},
    };
    for (const Case& k : cases) {
        CPoint centre(0, 0), p = k.p;
        EXPECT_EQ(convertPoint2Angle(centre, p), k.angle) << k.p.h << "," << k.p.v;
    }
}

TEST_F(DrawContextTest, ArcsRunCounterClockwiseFromTheFirstPoint) {
    auto c = surface(40, 40);
    c->setOffset(CPoint(15, 15));
    c->drawArc(CRect(-10, -10, 10, 10), CPoint(0, -10), CPoint(10, 0));
    auto ref = surface(40, 40);
    platform::Port& rp = portOf(*ref);
    rp.setForeColor(platform::Rgb{255, 0, 0});
    rp.frameArc(platform::Rect{5, 5, 25, 25}, 0, -270);
    EXPECT_EQ(painted(portOf(*c)), painted(rp));
    // Three quarters: the quarter from the right round to the top stays empty.
    for (auto [x, y] : painted(portOf(*c))) EXPECT_FALSE(x > 16 && y < 14) << x << "," << y;
    EXPECT_EQ(pixelOf(portOf(*c), 5, 15), kRedCColor);   // left
    EXPECT_EQ(pixelOf(portOf(*c), 15, 24), kRedCColor);  // bottom

    auto f = surface(40, 40);
    f->setOffset(CPoint(15, 15));
    f->fillArc(CRect(-10, -10, 10, 10), CPoint(0, -10), CPoint(10, 0));
    auto fref = surface(40, 40);
    platform::Port& fp = portOf(*fref);
    fp.setForeColor(platform::Rgb{0, 0, 255});
    fp.fillArc(platform::Rect{5, 5, 25, 25}, 0, -90);
    EXPECT_EQ(painted(portOf(*f)), painted(fp));
    EXPECT_EQ(pixelOf(portOf(*f), 10, 10), kBlueCColor);   // the wedge between top and left
    EXPECT_EQ(pixelOf(portOf(*f), 20, 20), kWhiteCColor);  // bottom right stays
    EXPECT_EQ(pixelOf(portOf(*f), 20, 10), kWhiteCColor);  // top right stays

    auto e = surface(40, 40);
    e->fillEllipse(CRect(5, 5, 25, 25));
    EXPECT_EQ(pixelOf(portOf(*e), 20, 20), kBlueCColor);
    EXPECT_EQ(pixelOf(portOf(*e), 10, 10), kBlueCColor);
}

TEST_F(DrawContextTest, PolygonsAndFloodFill) {
    auto c = surface(20, 20);
    const CPoint tri[] = {{2, 2}, {12, 2}, {2, 12}};
    c->fillPolygon(tri, 3);
    EXPECT_EQ(pixelOf(portOf(*c), 4, 4), kBlueCColor);
    EXPECT_EQ(pixelOf(portOf(*c), 11, 11), kWhiteCColor);

    c->setFillColor(kGreenCColor);
    c->floodFill(CPoint(15, 15));
    EXPECT_EQ(pixelOf(portOf(*c), 19, 19), kGreenCColor);
    EXPECT_EQ(pixelOf(portOf(*c), 4, 4), kBlueCColor);

    auto l = surface(20, 20);
    const CPoint line[] = {{1, 1}, {5, 1}, {5, 5}};
    l->polyLine(line, 3);
    EXPECT_EQ(pixelOf(portOf(*l), 5, 1), kRedCColor);  // both ends of each segment
    EXPECT_EQ(pixelOf(portOf(*l), 5, 5), kRedCColor);
    EXPECT_EQ(l->getPenPosition(), CPoint(0, 0));
    l->polyLine(line, 1);
    EXPECT_EQ(painted(portOf(*l)).size(), 9u);
}

TEST_F(DrawContextTest, DashedLineStyleUsesTheEightByEightPattern) {
    auto c = surface(20, 4);
    c->setLineStyle(kLineStyleDashed);
    c->moveTo(CPoint(0, 0));
    c->lineTo(CPoint(17, 0));
    platform::Port& p = portOf(*c);
    // Row 0 of the pattern is F0: four pixels on, four off (the background).
    for (int x = 0; x < 16; x++)
        EXPECT_EQ(pixelOf(p, x, 0), (x % 8) < 4 ? kRedCColor : kWhiteCColor) << x;
}

TEST_F(DrawContextTest, OffscreenSurfaceStartsInItsBackgroundColour) {
    COffscreenContext c(nullptr, 40, 30, kBlackCColor);
    platform::Port& p = portOf(c);
    ASSERT_EQ(p.width(), 40);
    ASSERT_EQ(p.height(), 30);
    int black = 0;
    for (int y = 0; y < 30; y++)
        for (int x = 0; x < 40; x++) black += p.getPixel(x, y) == platform::kBlack;
    EXPECT_EQ(black, 1200);
    CRect clip;
    EXPECT_EQ(c.getClipRect(clip), CRect(0, 0, 40, 30));
}

TEST_F(DrawContextTest, EveryOperationRestoresTheCurrentPort) {
    std::unique_ptr<platform::Port, void (*)(platform::Port*)> sentinel(platform::Port::newWorld(4, 4),
                                                                        platform::Port::disposeWorld);
    platform::Port::setCurrent(sentinel.get());
    auto c = surface();
    c->setFont(kFontNormal, 0, 0);
    c->moveTo(CPoint(1, 1));
    c->lineTo(CPoint(8, 3));
    c->drawRect(CRect(1, 1, 5, 5));
    c->fillRect(CRect(1, 1, 5, 5));
    c->drawArc(CRect(0, 0, 9, 9), CPoint(0, 4), CPoint(4, 0));
    c->drawString("x", CRect(0, 0, 30, 20), true, kAlignCenter);
    c->drawPoint(CPoint(2, 2), kBlackCColor);
    c->floodFill(CPoint(30, 20));
    EXPECT_EQ(platform::Port::current(), sentinel.get());
}

TEST_F(DrawContextTest, CopiesMoveAreasBetweenSurfacesWithOffsets) {
    auto src = surface(10, 10);
    src->drawPoint(CPoint(2, 3), kGreenCColor);
    auto dst = surface(20, 20);
    dst->setOffset(CPoint(4, 4));
    // Source area from (1, 1), 5 x 5, lands at (6, 6) + offset (4, 4).
    src->copyFrom(dst.get(), CRect(6, 6, 11, 11), CPoint(1, 1));
    EXPECT_EQ(pixelOf(portOf(*dst), 6 + 4 + 1, 6 + 4 + 2), kGreenCColor);
    EXPECT_EQ(painted(portOf(*dst)).size(), 1u);

    auto back = surface(10, 10);
    CRect area(6, 8, 8, 10);  // caller coordinates of dst: surface (10, 12) to (12, 14)
    back->copyTo(dst.get(), area, CPoint(0, 0));
    EXPECT_EQ(pixelOf(portOf(*back), 1, 0), kGreenCColor);
    EXPECT_FALSE(portOf(*back).isLocked());
    EXPECT_FALSE(portOf(*dst).isLocked());
}

TEST_F(DrawContextTest, ContextWithoutWorldDrawsAndCopiesNothing) {
    platform::Port::setWorldPixelLimit(10);
    COffscreenContext none(nullptr, 40, 30, kBlackCColor);
    platform::Port::setWorldPixelLimit(0);
    EXPECT_FALSE(none.hasWorld());
    EXPECT_EQ(none.getPort(), nullptr);
    none.drawRect(CRect(0, 0, 5, 5));
    none.drawString("x", CRect(0, 0, 20, 20), true, kAlignLeft);
    EXPECT_EQ(none.getPoint(CPoint(1, 1)), kBlackCColor);
    auto dst = surface(20, 20);
    none.copyFrom(dst.get(), CRect(0, 0, 20, 20), CPoint(0, 0));
    EXPECT_TRUE(painted(portOf(*dst)).empty());
    // The setters still store.
    none.setLineWidth(4);
    EXPECT_EQ(none.getLineWidth(), 4);
}

TEST_F(DrawContextTest, MouseButtonSetFromPointerState) {
    platform::Window* w = backend.openWindow(kHostWindow, 50, 50);
    ASSERT_NE(w, nullptr);
    CDrawContext c(nullptr, w, w);
    struct Case {
        int button;
        unsigned modifiers;
        long expected;
    };
    using namespace platform;
    const Case cases[] = {
        {kButtonPrimary, 0, kMouseLeft},
        {kButtonSecondary, 0, kMouseRight},
        {kButtonMiddle, 0, kMouseMiddle},
        {kButtonNone, kModifierShift, kModShift},
        {kButtonPrimary, kModifierCommand, 17},
        {kButtonPrimary, kModifierControl, kMouseRight},
        {kButtonPrimary, kModifierControl | kModifierShift, kMouseRight | kModShift},
        {kButtonSecondary, kModifierControl, kMouseRight | kModControl},
        {kButtonNone, kModifierOption | kModifierControl, kModOption | kModControl},
        {7, 0, 0},
    };
    for (const Case& k : cases) {
        pointerAt(3, 4, k.button, k.modifiers);
        EXPECT_EQ(c.getMouseButtons(), k.expected) << k.button << "/" << k.modifiers;
    }
    pointerAt(30, 25);
    c.setOffsetScreen(CPoint(10, 5));
    CPoint where;
    c.getMouseLocation(where);
    EXPECT_EQ(where, CPoint(20, 20));
    delete w;
}

TEST_F(DrawContextTest, WaitDragFollowsThePointerOutOfItsSquare) {
    CFrame frame(CRect(0, 0, 50, 50), kHostWindow, nullptr);
    CDrawContext* c = frame.getFrameContext();
    using platform::kButtonPrimary;
    // Start at (10, 10): (12, 12) is still inside the square (8..11), (12, 10) is out.
    backend.clearPointer({{10, 10}, kButtonPrimary, 0});
    backend.pushPointer({{10, 10}, kButtonPrimary, 0});  // the start position
    backend.pushPointer({{10, 10}, kButtonPrimary, 0});  // buttons
    backend.pushPointer({{11, 9}, kButtonPrimary, 0});   // still inside
    backend.pushPointer({{11, 9}, kButtonPrimary, 0});
    backend.pushPointer({{12, 10}, kButtonPrimary, 0});  // out
    EXPECT_TRUE(c->waitDrag());

    backend.clearPointer({{10, 10}, kButtonPrimary, 0});
    backend.pushPointer({{10, 10}, kButtonPrimary, 0});
    backend.pushPointer({{10, 10}, platform::kButtonNone, 0});  // released
    EXPECT_FALSE(c->waitDrag());

    COffscreenContext alone(nullptr, 4, 4, kBlackCColor);
    EXPECT_FALSE(alone.waitDrag());
}

TEST_F(DrawContextTest, WaitDoubleClickTakesReleaseAndSecondPress) {
    CFrame frame(CRect(0, 0, 50, 50), kHostWindow, nullptr);
    platform::HeadlessWindow* w = headlessWindow(frame);
    ASSERT_NE(w, nullptr);
    CDrawContext* c = frame.getFrameContext();
    backend.setDoubleClickTicks(30);

    pointerAt(5, 5);
    w->postMouseUp({5, 5});
    w->postMouseDown({5, 5});
    EXPECT_TRUE(c->waitDoubleClick());

    // A button held down past half the interval: no release, no double click.
    pointerAt(5, 5, platform::kButtonPrimary);
    uint32_t start = backend.tickCount();
    EXPECT_FALSE(c->waitDoubleClick());
    EXPECT_GE(backend.tickCount() - start, 15u);

    // Released, but no second press within the interval.
    pointerAt(5, 5);
    w->postMouseUp({5, 5});
    EXPECT_FALSE(c->waitDoubleClick());
}

} // namespace
