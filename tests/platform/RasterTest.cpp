// Pixel-exact tests of the port's raster operations on off-screen worlds.
#include "Port.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <utility>

using namespace platform;

namespace {

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};

struct WorldDeleter {
    void operator()(Port* p) const { Port::disposeWorld(p); }
};
using World = std::unique_ptr<Port, WorldDeleter>;

World makeWorld(int w, int h, int depth = 0) {
    World p(Port::newWorld(w, h, depth));
    EXPECT_TRUE(p) << "world " << w << "x" << h;
    return p;
}

using PixelSet = std::set<std::pair<int, int>>;

// The pixels that are not white.
PixelSet inked(Port const& p) {
    PixelSet s;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x)
            if (!(p.getPixel(x, y) == kWhite))
                s.insert({x, y});
    return s;
}

PixelSet rectPixels(int l, int t, int r, int b) {
    PixelSet s;
    for (int y = t; y < b; ++y)
        for (int x = l; x < r; ++x)
            s.insert({x, y});
    return s;
}

// Rows of '#' (not white) and '.' (white) over an area.
std::string art(Port const& p, Rect r) {
    std::string s;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x)
            s += p.getPixel(x, y) == kWhite ? '.' : '#';
        s += '\n';
    }
    return s;
}

} // namespace

// ------------------------------------------------------------------ lines

struct LineCase {
    char const* name;
    Point from, to;
    int pen;
    PixelSet expected;
};

class LineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineTest, PaintsExactlyThePenAlongTheLine) {
    LineCase const& c = GetParam();
    World p = makeWorld(20, 20);
    p->setForeColor(kBlack);
    p->setPenSize(c.pen, c.pen);
    p->moveTo(c.from.h, c.from.v);
    p->lineTo(c.to.h, c.to.v);
    EXPECT_EQ(inked(*p), c.expected);
    EXPECT_EQ(p->penPosition(), c.to);
}

INSTANTIATE_TEST_SUITE_P(
    Raster, LineTest,
    ::testing::Values(
        LineCase{"horizontal_both_ends", {0, 0}, {10, 0}, 1, rectPixels(0, 0, 11, 1)},
        LineCase{"horizontal_leftwards", {10, 3}, {2, 3}, 1, rectPixels(2, 3, 11, 4)},
        LineCase{"vertical", {4, 1}, {4, 6}, 1, rectPixels(4, 1, 5, 7)},
        LineCase{"diagonal", {0, 0}, {3, 3}, 1, PixelSet{{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
        LineCase{"pen_2_right_and_below", {1, 1}, {4, 1}, 2, rectPixels(1, 1, 6, 3)},
        LineCase{"to_itself_pen_3", {2, 2}, {2, 2}, 3, rectPixels(2, 2, 5, 5)},
        LineCase{"pen_0_paints_nothing", {1, 1}, {8, 8}, 0, PixelSet{}},
        LineCase{"leaves_surface", {15, 5}, {25, 5}, 1, rectPixels(15, 5, 20, 6)}),
    [](auto const& info) { return std::string(info.param.name); });

TEST(Raster, SlantedLineIsConnectedWithBothEndsAndOnePixelPerStep) {
    Point const from{15, 2};
    for (Point to : {Point{28, 6}, Point{18, 19}, Point{6, 13}, Point{2, 0}}) {
        World p = makeWorld(40, 40);
        p->moveTo(from.h, from.v);
        p->lineTo(to.h, to.v);
        PixelSet s = inked(*p);
        EXPECT_TRUE(s.count({from.h, from.v}));
        EXPECT_TRUE(s.count({to.h, to.v}));
        int major = std::max(std::abs(to.h - from.h), std::abs(to.v - from.v));
        EXPECT_EQ(int(s.size()), major + 1) << "one pixel per step of the longer axis";
        for (auto [x, y] : s) {
            int n = 0;
            for (auto [u, v] : s)
                if (std::abs(u - x) <= 1 && std::abs(v - y) <= 1 && !(u == x && v == y))
                    ++n;
            EXPECT_GE(n, 1) << "8-connected at " << x << "," << y;
        }
        // The same pixels whichever end the line starts from.
        World q = makeWorld(40, 40);
        q->moveTo(to.h, to.v);
        q->lineTo(from.h, from.v);
        EXPECT_EQ(inked(*q).size(), s.size());
    }
}

TEST(Raster, LineIsClippedToTheClipRectangle) {
    World p = makeWorld(20, 20);
    p->setClip(Rect{5, 0, 8, 20});
    p->moveTo(0, 4);
    p->lineTo(19, 4);
    EXPECT_EQ(inked(*p), rectPixels(5, 4, 8, 5));
}

// The four transfer modes and their inverted twins, for a pattern pixel (bit
// 1) and a background pixel (bit 0) over a green destination.
struct ModeCase {
    int mode;
    Rgb onBit, offBit;
};

TEST(Raster, PenModesActOnPatternAndBackgroundPixels) {
    Rgb const magenta{255, 0, 255};   // green inverted
    ModeCase const cases[] = {
        {kPenCopy, kRed, kBlue},     {0, kRed, kBlue},           {kPenOr, kRed, kGreen},
        {kPenXor, magenta, kGreen},  {kPenBic, kBlue, kGreen},   {kPenNotCopy, kBlue, kRed},
        {kPenNotOr, kGreen, kRed},   {kPenNotXor, kGreen, magenta}, {kPenNotBic, kGreen, kBlue},
        {99, kRed, kBlue},
    };
    for (ModeCase const& c : cases) {
        World p = makeWorld(16, 2);
        p->setForeColor(kGreen);
        p->fillRect(p->bounds());
        p->setForeColor(kRed);
        p->setBackColor(kBlue);
        p->setPenPattern(Pattern::fromHex("F0F0F0F00F0F0F0F"));
        p->setPenMode(c.mode);
        p->moveTo(0, 0);
        p->lineTo(15, 0);
        for (int x = 0; x < 16; ++x) {
            bool bit = (x / 4) % 2 == 0;
            EXPECT_EQ(p->getPixel(x, 0), bit ? c.onBit : c.offBit) << "mode " << c.mode << " x " << x;
        }
        EXPECT_EQ(p->getPixel(0, 1), kGreen);
    }
}

TEST(Raster, PatternIsAlignedToThePortNotToTheShape) {
    World p = makeWorld(16, 8);
    p->setFillPattern(Pattern::fromHex("F0F0F0F00F0F0F0F"));
    p->setForeColor(kBlack);
    p->setBackColor(kWhite);
    p->fillRect(Rect{2, 0, 10, 8});
    EXPECT_EQ(art(*p, Rect{0, 0, 12, 8}),
              "..##....##..\n"
              "..##....##..\n"
              "..##....##..\n"
              "..##....##..\n"
              "....####....\n"
              "....####....\n"
              "....####....\n"
              "....####....\n");
}

TEST(Raster, PatternFromHexReadsRowsAndToleratesShortInput) {
    Pattern p = Pattern::fromHex("F0F0F0F00F0F0F0F");
    EXPECT_EQ(p.rows[0], 0xF0);
    EXPECT_EQ(p.rows[4], 0x0F);
    Pattern q = Pattern::fromHex("aB");
    EXPECT_EQ(q.rows[0], 0xAB);
    EXPECT_EQ(q.rows[1], 0);
    EXPECT_EQ(Pattern::fromHex(nullptr).rows[7], 0);
    EXPECT_EQ(Pattern::fromHex("FFFFFFFFFFFFFFFF"), kSolidPattern);
}

// ------------------------------------------------------------------ rectangles

TEST(Raster, FillRectExcludesRightColumnAndBottomRow) {
    World p = makeWorld(20, 20);
    p->fillRect(Rect{0, 0, 10, 10});
    EXPECT_EQ(inked(*p), rectPixels(0, 0, 10, 10));
}

TEST(Raster, FillRectEdgeCases) {
    struct Case {
        Rect clip, r;
        PixelSet expected;
    } const cases[] = {
        {Rect{0, 0, 20, 20}, Rect{5, 0, 5, 10}, {}},                       // zero width
        {Rect{0, 0, 20, 20}, Rect{8, 8, 2, 2}, {}},                        // inverted
        {Rect{0, 0, 20, 20}, Rect{-5, -5, 2, 3}, rectPixels(0, 0, 2, 3)},  // off the surface
        {Rect{0, 0, 20, 20}, Rect{18, 18, 40, 40}, rectPixels(18, 18, 20, 20)},
        {Rect{3, 3, 6, 6}, Rect{0, 0, 20, 20}, rectPixels(3, 3, 6, 6)},   // clipped
        {Rect{0, 0, 0, 0}, Rect{0, 0, 20, 20}, {}},                        // empty clip
    };
    for (Case const& c : cases) {
        World p = makeWorld(20, 20);
        p->setClip(c.clip);
        p->fillRect(c.r);
        EXPECT_EQ(inked(*p), c.expected) << c.r.left << "," << c.r.top << "," << c.r.right << "," << c.r.bottom;
    }
}

// ------------------------------------------------------------------ arcs

namespace {

PixelSet arcPixels(Rect r, int start, int arc, bool frame, int pen = 1, int size = 40) {
    World p = makeWorld(size, size);
    p->setPenSize(pen, pen);
    if (frame)
        p->frameArc(r, start, arc);
    else
        p->fillArc(r, start, arc);
    return inked(*p);
}

} // namespace

TEST(Raster, FullEllipseIsSymmetricAndInsideItsRectangle) {
    Rect r{2, 3, 22, 15};   // 20 x 12
    PixelSet fill = arcPixels(r, 0, 360, false);
    ASSERT_FALSE(fill.empty());
    for (auto [x, y] : fill) {
        EXPECT_TRUE(r.contains(Point{x, y}));
        EXPECT_TRUE(fill.count({r.left + r.right - 1 - x, y})) << "mirror in x";
        EXPECT_TRUE(fill.count({x, r.top + r.bottom - 1 - y})) << "mirror in y";
    }
    // Touches all four sides of the rectangle, leaves its corners.
    EXPECT_TRUE(fill.count({r.left, 8}) && fill.count({r.right - 1, 8}));
    EXPECT_TRUE(fill.count({12, r.top}) && fill.count({12, r.bottom - 1}));
    EXPECT_FALSE(fill.count({r.left, r.top}) || fill.count({r.right - 1, r.bottom - 1}));
    // A 10 x 10 circle, row by row.
    World p = makeWorld(10, 10);
    p->fillArc(Rect{0, 0, 10, 10}, 0, 360);
    EXPECT_EQ(art(*p, p->bounds()),
              "...####...\n"
              ".########.\n"
              ".########.\n"
              "##########\n"
              "##########\n"
              "##########\n"
              "##########\n"
              ".########.\n"
              ".########.\n"
              "...####...\n");
}

TEST(Raster, FrameArcKeepsThePenInsideTheRectangle) {
    Rect r{0, 0, 30, 30};
    PixelSet fill = arcPixels(r, 0, 360, false);
    for (int pen : {1, 3}) {
        PixelSet frame = arcPixels(r, 0, 360, true, pen);
        PixelSet inner = arcPixels(Rect{pen, pen, 30 - pen, 30 - pen}, 0, 360, false);
        PixelSet expected;
        for (auto const& px : fill)
            if (!inner.count(px))
                expected.insert(px);
        EXPECT_EQ(frame, expected) << "pen " << pen;
        EXPECT_FALSE(frame.count({15, 15}));
        EXPECT_TRUE(frame.count({15, 0}) && frame.count({15, pen - 1}));
        EXPECT_FALSE(frame.count({15, pen}));
    }
    // A pen as wide as half the rectangle frames the whole ellipse.
    EXPECT_EQ(arcPixels(r, 0, 360, true, 15), fill);
}

TEST(Raster, ArcsCoverTheirQuadrantsClockwiseFromTwelve) {
    Rect r{0, 0, 20, 20};
    PixelSet fill = arcPixels(r, 0, 360, false);
    auto quadrant = [&](bool right, bool top) {
        PixelSet s;
        for (auto [x, y] : fill)
            if ((x >= 10) == right && (y < 10) == top)
                s.insert({x, y});
        return s;
    };
    auto unite = [](PixelSet a, PixelSet const& b) {
        a.insert(b.begin(), b.end());
        return a;
    };
    EXPECT_EQ(arcPixels(r, 0, 90, false), quadrant(true, true));
    EXPECT_EQ(arcPixels(r, 90, 90, false), quadrant(true, false));
    EXPECT_EQ(arcPixels(r, 270, 90, false), quadrant(false, true));
    EXPECT_EQ(arcPixels(r, 0, -90, false), quadrant(false, true));
    EXPECT_EQ(arcPixels(r, -90, 90, false), quadrant(false, true));
    EXPECT_EQ(arcPixels(r, 450, 90, false), quadrant(true, false));
    // Three quarters from the top counter-clockwise round to the right.
    EXPECT_EQ(arcPixels(r, 0, -270, false),
              unite(unite(quadrant(false, true), quadrant(false, false)), quadrant(true, false)));
    EXPECT_TRUE(arcPixels(r, 30, 0, false).empty());
    EXPECT_EQ(arcPixels(r, 17, 720, false), fill);
}

TEST(Raster, ArcAnglesAreMeasuredOnTheStretchedEllipse) {
    // 40 x 20: 45 degrees points at the rectangle's corner, not at 45 on screen.
    Rect r{0, 0, 40, 20};
    PixelSet wedge = arcPixels(r, 0, 45, false, 1, 40);
    EXPECT_TRUE(wedge.count({30, 4}));    // 43.7 degrees stretched, 62 on screen
    EXPECT_FALSE(wedge.count({31, 5}));   // 52 degrees stretched
    EXPECT_TRUE(wedge.count({21, 1}));
    EXPECT_FALSE(wedge.count({19, 1}));   // left of twelve o'clock
}

TEST(Raster, FrameArcUsesThePenPatternAndFillArcTheFillPattern) {
    World p = makeWorld(16, 16);
    p->setPenPattern(Pattern::fromHex("0000000000000000"));
    p->setPenMode(kPenOr);
    p->frameArc(Rect{0, 0, 16, 16}, 0, 360);
    EXPECT_TRUE(inked(*p).empty());
    p->setFillPattern(Pattern::fromHex("0000000000000000"));
    p->setBackColor(kRed);
    p->fillArc(Rect{0, 0, 16, 16}, 0, 360);
    EXPECT_EQ(p->getPixel(8, 8), kRed);   // copy mode: background where the bits are 0
    EXPECT_EQ(p->getPixel(0, 0), kWhite);
}

// ------------------------------------------------------------------ polygons

TEST(Raster, FillPolyCoversPixelCentresInside) {
    World p = makeWorld(20, 20);
    p->setFillPattern(Pattern::fromHex("0000000000000000"));   // ignored: solid colour
    Point square[] = {{2, 2}, {6, 2}, {6, 6}, {2, 6}};
    p->fillPoly(square, 4, kBlue);
    EXPECT_EQ(inked(*p), rectPixels(2, 2, 6, 6));
    EXPECT_EQ(p->getPixel(2, 2), kBlue);

    World t = makeWorld(8, 8);
    Point triangle[] = {{0, 0}, {8, 0}, {0, 8}};
    t->fillPoly(triangle, 3, kBlack);
    EXPECT_EQ(art(*t, t->bounds()),
              "#######.\n"
              "######..\n"
              "#####...\n"
              "####....\n"
              "###.....\n"
              "##......\n"
              "#.......\n"
              "........\n");
}

TEST(Raster, FillPolyUsesTheEvenOddRule) {
    World p = makeWorld(40, 40);
    Point star[5];
    for (int i = 0; i < 5; ++i) {
        double a = (i * 144.0 - 90.0) * 3.14159265358979 / 180.0;
        star[i] = Point{int(std::lround(20 + 18 * std::cos(a))), int(std::lround(20 + 18 * std::sin(a)))};
    }
    p->fillPoly(star, 5, kBlack);
    EXPECT_EQ(p->getPixel(20, 20), kWhite) << "the pentagram's centre is wound twice";
    EXPECT_EQ(p->getPixel(20, 6), kBlack) << "top point";
}

TEST(Raster, FillPolyWithTooFewPointsOrClippedAway) {
    World p = makeWorld(10, 10);
    Point two[] = {{0, 0}, {9, 9}};
    p->fillPoly(two, 2, kBlack);
    p->fillPoly(nullptr, 5, kBlack);
    p->setClip(Rect{0, 0, 3, 10});
    Point square[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    p->fillPoly(square, 4, kBlack);
    EXPECT_EQ(inked(*p), rectPixels(0, 0, 3, 10));
}

// ------------------------------------------------------------------ pixels and seed fill

TEST(Raster, GetPixelReadsPixelsAndAnswersBlackOutside) {
    World p = makeWorld(4, 4);
    p->setPixel(3, 2, Rgb{1, 2, 3});
    EXPECT_EQ(p->getPixel(3, 2), (Rgb{1, 2, 3}));
    EXPECT_EQ(p->getPixel(0, 0), kWhite);
    EXPECT_EQ(p->getPixel(4, 0), kBlack);
    EXPECT_EQ(p->getPixel(-1, 2), kBlack);
    p->setPixel(9, 9, kRed);   // ignored
}

TEST(Raster, SeedFillPaintsTheFourConnectedRegionOnly) {
    World p = makeWorld(12, 8);
    // Two boxes that touch only at a corner, with an inner hole.
    p->setForeColor(kBlack);
    p->moveTo(0, 0);
    p->lineTo(5, 0);
    p->lineTo(5, 4);
    p->lineTo(0, 4);
    p->lineTo(0, 0);
    p->setForeColor(kRed);
    p->setBackColor(kGreen);
    p->seedFill(Point{2, 2}, kBlue);
    EXPECT_EQ(p->getPixel(2, 2), kBlue);
    EXPECT_EQ(p->getPixel(4, 3), kBlue);
    EXPECT_EQ(p->getPixel(0, 0), kBlack);   // the border keeps its colour
    EXPECT_EQ(p->getPixel(6, 5), kWhite);   // outside, diagonal to the corner
    EXPECT_EQ(p->getPixel(11, 7), kWhite);
    EXPECT_EQ(p->foreColor(), kRed);
    EXPECT_EQ(p->backColor(), kGreen);

    // Diagonal neighbours do not connect.
    World d = makeWorld(3, 3);
    d->setPixel(1, 0, kBlack);
    d->setPixel(0, 1, kBlack);
    d->seedFill(Point{0, 0}, kBlue);
    EXPECT_EQ(d->getPixel(0, 0), kBlue);
    EXPECT_EQ(d->getPixel(2, 2), kWhite);
}

TEST(Raster, SeedFillSearchesTheWholePortButPaintsInsideTheClip) {
    World p = makeWorld(10, 10);
    p->setClip(Rect{5, 0, 10, 10});
    p->seedFill(Point{1, 1}, kBlue);   // seed outside the clip
    EXPECT_EQ(p->getPixel(1, 1), kWhite);
    EXPECT_EQ(p->getPixel(7, 7), kBlue);
    p->seedFill(Point{-1, 3}, kRed);   // seed outside the surface
    EXPECT_EQ(p->getPixel(7, 7), kBlue);
}

// ------------------------------------------------------------------ worlds

TEST(Raster, WorldCreationFailsWhereItCannot) {
    EXPECT_EQ(Port::newWorld(0, 10), nullptr);
    EXPECT_EQ(Port::newWorld(10, -1), nullptr);
    EXPECT_EQ(Port::newWorld(10, 10, 8), nullptr);
    Port::setWorldPixelLimit(99);
    EXPECT_EQ(Port::newWorld(10, 10), nullptr);
    World ok(Port::newWorld(9, 11));
    Port::setWorldPixelLimit(0);
    EXPECT_TRUE(ok);
    World big(Port::newWorld(1000, 1000));
    EXPECT_TRUE(big);
}

TEST(Raster, NewWorldIsWhiteWithDefaultState) {
    World p = makeWorld(40, 30);
    EXPECT_TRUE(inked(*p).empty());
    EXPECT_EQ(p->depth(), 32);
    EXPECT_EQ(p->clip(), (Rect{0, 0, 40, 30}));
    EXPECT_EQ(p->foreColor(), kBlack);
    EXPECT_EQ(p->backColor(), kWhite);
    EXPECT_EQ(p->penState(), PenState{});
    EXPECT_EQ(p->textMode(), kTextTransparent);
    World m = makeWorld(4, 4, 1);
    EXPECT_EQ(m->depth(), 1);
}

TEST(Raster, DepthOneWorldStoresBlackOrWhite) {
    World m = makeWorld(4, 1, 1);
    m->setPixel(0, 0, Rgb{100, 100, 100});
    m->setPixel(1, 0, Rgb{200, 200, 200});
    m->setPixel(2, 0, Rgb{127, 128, 127});   // sum 382: dark
    m->setPixel(3, 0, Rgb{128, 128, 127});   // sum 383: light
    EXPECT_EQ(m->getPixel(0, 0), kBlack);
    EXPECT_EQ(m->getPixel(1, 0), kWhite);
    EXPECT_EQ(m->getPixel(2, 0), kBlack);
    EXPECT_EQ(m->getPixel(3, 0), kWhite);
}

TEST(Raster, LocksNestAndCanBeRefused) {
    World p = makeWorld(2, 2);
    EXPECT_TRUE(p->lockPixels());
    EXPECT_TRUE(p->lockPixels());
    p->unlockPixels();
    EXPECT_TRUE(p->isLocked());
    p->unlockPixels();
    EXPECT_FALSE(p->isLocked());
    p->setLockRefused(true);
    EXPECT_FALSE(p->lockPixels());
    EXPECT_FALSE(p->isLocked());
}

TEST(Raster, ResizeKeepsTheTopLeftPixels) {
    World p = makeWorld(4, 4);
    p->setPixel(1, 1, kRed);
    p->setPixel(3, 3, kBlue);
    ASSERT_TRUE(p->resize(6, 2));
    EXPECT_EQ(p->getPixel(1, 1), kRed);
    EXPECT_EQ(p->getPixel(5, 1), kWhite);
    EXPECT_EQ(p->clip(), (Rect{0, 0, 6, 2}));
    EXPECT_FALSE(p->resize(0, 2));
    EXPECT_EQ(p->width(), 6);
}

TEST(Raster, DirtyAreaCollectsWhatWasPainted) {
    World p = makeWorld(20, 20);
    p->takeDirty();
    p->fillRect(Rect{2, 3, 5, 6});
    p->setPixel(10, 10, kRed);
    EXPECT_EQ(p->takeDirty(), (Rect{2, 3, 11, 11}));
    EXPECT_TRUE(p->takeDirty().isEmpty());
    p->fillRect(Rect{-5, -5, 1, 1});
    EXPECT_EQ(p->takeDirty(), (Rect{0, 0, 1, 1}));
}

TEST(Raster, CurrentPortIsForgottenWhenDisposed) {
    Port* w = Port::newWorld(2, 2);
    Port::setCurrent(w);
    EXPECT_EQ(Port::current(), w);
    Port::disposeWorld(w);
    EXPECT_EQ(Port::current(), nullptr);
}

// ------------------------------------------------------------------ copies

namespace {

// A source whose pixel (x, y) is (10x, 10y, 7).
World gradient(int w, int h) {
    World p = makeWorld(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p->setPixel(x, y, Rgb{uint8_t(10 * x), uint8_t(10 * y), 7});
    return p;
}

} // namespace

TEST(Raster, PlainCopyMovesTheAreaAndIgnoresClipAndColours) {
    World src = gradient(20, 20);
    World dst = makeWorld(30, 30);
    dst->setClip(Rect{0, 0, 1, 1});
    dst->setForeColor(kRed);
    dst->setBackColor(kBlue);
    Port::copyBits(*src, *dst, Rect{0, 5, 20, 15}, Rect{10, 10, 30, 20}, kCopyPlain);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            Rgb expect = (x >= 10 && y >= 10 && y < 20) ? Rgb{uint8_t(10 * (x - 10)), uint8_t(10 * (y - 5)), 7} : kWhite;
            ASSERT_EQ(dst->getPixel(x, y), expect) << x << "," << y;
        }
}

TEST(Raster, CopyIsCutToBothSurfaces) {
    World src = gradient(5, 5);
    World dst = makeWorld(5, 5);
    Port::copyBits(*src, *dst, Rect{3, 3, 8, 8}, Rect{-2, -2, 3, 3}, kCopyPlain);
    // Only source (3..4, 3..4) exists, landing at (-2..-1) which is off dst.
    EXPECT_TRUE(inked(*dst).empty());
    Port::copyBits(*src, *dst, Rect{-1, -1, 2, 2}, Rect{0, 0, 3, 3}, kCopyPlain);
    EXPECT_EQ(dst->getPixel(1, 1), (Rgb{0, 0, 7}));
    EXPECT_EQ(dst->getPixel(2, 2), (Rgb{10, 10, 7}));
    EXPECT_EQ(dst->getPixel(0, 0), kWhite);
}

TEST(Raster, CopyWithinOnePortReadsTheOldPixels) {
    World p = gradient(6, 1);
    Port::copyBits(*p, *p, Rect{0, 0, 5, 1}, Rect{1, 0, 6, 1}, kCopyPlain);
    for (int x = 1; x < 6; ++x)
        EXPECT_EQ(p->getPixel(x, 0).red, 10 * (x - 1));
}

TEST(Raster, TransparentCopyLeavesTheDestinationsBackgroundColour) {
    World src = makeWorld(3, 1);
    src->setPixel(0, 0, kWhite);
    src->setPixel(1, 0, kRed);
    src->setPixel(2, 0, Rgb{254, 255, 255});
    World dst = makeWorld(3, 1);
    dst->setForeColor(kGreen);
    dst->fillRect(dst->bounds());
    dst->setBackColor(kWhite);
    Port::copyBits(*src, *dst, src->bounds(), dst->bounds(), kCopyTransparent);
    EXPECT_EQ(dst->getPixel(0, 0), kGreen);
    EXPECT_EQ(dst->getPixel(1, 0), kRed);
    EXPECT_EQ(dst->getPixel(2, 0), (Rgb{254, 255, 255}));
    // The key is the destination's background colour, whatever it is.
    dst->setBackColor(kRed);
    dst->fillRect(dst->bounds());   // all red
    dst->setForeColor(kBlue);
    dst->setFillPattern(Pattern::fromHex("FFFFFFFFFFFFFFFF"));
    dst->fillRect(dst->bounds());   // all blue
    Port::copyBits(*src, *dst, src->bounds(), dst->bounds(), kCopyTransparent);
    EXPECT_EQ(dst->getPixel(0, 0), kWhite);
    EXPECT_EQ(dst->getPixel(1, 0), kBlue);
}

TEST(Raster, BlendWeighsSourceAndDestination) {
    struct Case {
        uint8_t weight;
        uint8_t expected;
    } const cases[] = {{255, 200}, {0, 100}, {128, 149}, {1, 99}};
    for (Case const& c : cases) {
        World src = makeWorld(1, 1);
        src->setPixel(0, 0, Rgb{200, 0, 255});
        World dst = makeWorld(1, 1);
        dst->setPixel(0, 0, Rgb{100, 255, 0});
        Port::copyBits(*src, *dst, src->bounds(), dst->bounds(), kCopyBlend, c.weight);
        Rgb got = dst->getPixel(0, 0);
        EXPECT_EQ(got.red, c.expected) << int(c.weight);
        // Each term truncated: 0·w/255 + 255·(255−w)/255 and 255·w/255 + 0.
        EXPECT_EQ(got.green, 255 - c.weight);
        EXPECT_EQ(got.blue, c.weight);
    }
}

TEST(Raster, CopyMaskCopiesWhereTheMaskIsBlack) {
    World src = gradient(4, 4);
    World mask = makeWorld(4, 4, 1);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            if ((x + y) % 2 == 0)
                mask->setPixel(x, y, kBlack);
    World dst = makeWorld(6, 6);
    Port::copyMask(*src, *mask, *dst, src->bounds(), mask->bounds(), Rect{2, 2, 6, 6});
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            Rgb expect = (x + y) % 2 == 0 ? Rgb{uint8_t(10 * x), uint8_t(10 * y), 7} : kWhite;
            EXPECT_EQ(dst->getPixel(x + 2, y + 2), expect) << x << "," << y;
        }
    EXPECT_EQ(dst->getPixel(1, 1), kWhite);
}

TEST(Raster, CopyIntoADepthOneWorldQuantises) {
    World src = makeWorld(2, 1);
    src->setPixel(0, 0, Rgb{20, 20, 20});
    World mask = makeWorld(2, 1, 1);
    Port::copyBits(*src, *mask, src->bounds(), mask->bounds(), kCopyPlain);
    EXPECT_EQ(mask->getPixel(0, 0), kBlack);
    EXPECT_EQ(mask->getPixel(1, 0), kWhite);
}
