// Rectangles, colours and the conversions to the platform's records.
#include <gtest/gtest.h>

#include "CGeometry.h"
#include "PlatformTypes.h"

namespace {

struct InsideCase {
    CPoint p;
    bool pointInside;
};

TEST(CRectTest, PointInsideCountsRightColumnAndBottomRowOutside) {
    const CRect r(10, 20, 30, 40);
    const InsideCase cases[] = {
        {{10, 20}, true}, {{29, 39}, true}, {{30, 25}, false}, {{15, 40}, false},
        {{9, 25}, false}, {{15, 19}, false},
    };
    for (const InsideCase& c : cases)
        EXPECT_EQ(r.pointInside(c.p), c.pointInside) << c.p.h << "," << c.p.v;
}

TEST(CRectTest, EmptinessAndIntersection) {
    EXPECT_TRUE(CRect(5, 0, 5, 10).isEmpty());
    EXPECT_TRUE(CRect(0, 5, 10, 5).isEmpty());
    EXPECT_TRUE(CRect(10, 0, 0, 10).isEmpty());
    EXPECT_FALSE(CRect(0, 0, 1, 1).isEmpty());

    CRect a(0, 0, 10, 10);
    a.bound(CRect(20, 20, 30, 30));
    EXPECT_EQ(a, CRect(20, 20, 20, 20));
    EXPECT_TRUE(a.isEmpty());

    CRect b(0, 0, 10, 10);
    b.bound(CRect(5, -5, 20, 7));
    EXPECT_EQ(b, CRect(5, 0, 10, 7));

    // A rectangle that is not normalised keeps its fields.
    CRect inverted(10, 10, 0, 0);
    EXPECT_EQ(inverted.left, 10);
    EXPECT_EQ(inverted.width(), -10);
}

TEST(CRectTest, TouchingRectanglesOverlap) {
    const CRect a(0, 0, 10, 10);
    EXPECT_TRUE(a.rectOverlap(CRect(10, 10, 20, 20)));  // corner
    EXPECT_TRUE(a.rectOverlap(CRect(10, 0, 20, 10)));   // edge
    EXPECT_FALSE(a.rectOverlap(CRect(11, 0, 20, 10)));
    EXPECT_FALSE(a.rectOverlap(CRect(0, 11, 10, 20)));
    EXPECT_TRUE(a.rectOverlap(CRect(2, 2, 3, 3)));      // inside
}

TEST(ColourTest, NamedColoursAndFontSizes) {
    EXPECT_EQ(kTransparentCColor, kWhiteCColor);
    EXPECT_EQ(kGreyCColor, (CColor{127, 127, 127, 0}));
    EXPECT_EQ(kMagentaCColor, (CColor{255, 0, 255, 0}));
    const int32_t sizes[] = {12, 18, 14, 12, 10, 9, 9, 12};
    for (int i = 0; i < kNumFonts; i++) EXPECT_EQ(standardFontSize[i], sizes[i]) << i;
    EXPECT_EQ(kMouseLeft + kModCommand, 17);
}

TEST(ConversionTest, ColourRoundTripAndQuotients) {
    RGBColor rgb;
    CColor2RGBColor(CColor{255, 0, 128, 9}, rgb);
    EXPECT_EQ(rgb.red, 65535);
    EXPECT_EQ(rgb.green, 0);
    EXPECT_EQ(rgb.blue, 128 * 257);

    struct Case {
        uint16_t component;
        uint8_t expected;
    };
    const Case cases[] = {{65535, 255}, {32896, 128}, {33023, 128}, {65534, 254}, {256, 0}, {0, 0}};
    for (const Case& c : cases) {
        CColor out{1, 2, 3, 77};
        RGBColor in{c.component, c.component, c.component};
        RGBColor2CColor(in, out);
        EXPECT_EQ(out.red, c.expected) << c.component;
        EXPECT_EQ(out.blue, c.expected) << c.component;
        EXPECT_EQ(out.spare, 77) << "the fourth byte is left as it was";
    }
}

TEST(ConversionTest, RectanglesKeepTheLowSixteenBits) {
    platform::Rect rr;
    CRect2Rect(CRect(70000, -1, 65535, 32768), rr);
    EXPECT_EQ(rr.left, 4464);
    EXPECT_EQ(rr.top, -1);
    EXPECT_EQ(rr.right, -1);
    EXPECT_EQ(rr.bottom, -32768);

    CRect back;
    Rect2CRect(platform::Rect{-5, 7, 40000, 3}, back);
    EXPECT_EQ(back, CRect(-5, 7, 40000 - 65536, 3));
}

} // namespace
