// Value types of the view toolkit: rectangles, points, colours, the named
// colours and the small enumerations of the drawing interface.
//
// Coordinates are whole pixels, x grows to the right and y downward. All of
// this is plain data with pure operations: nothing allocates, locks or fails,
// so every operation may run on any thread.
#pragma once

#include <cstdint>

namespace platform {
struct Rect;
struct Rgb;
}

// A point: h is x, v is y.
struct CPoint {
    int32_t h = 0;
    int32_t v = 0;

    constexpr CPoint() = default;
    constexpr CPoint(int32_t h, int32_t v) : h(h), v(v) {}

    CPoint& operator()(int32_t nh, int32_t nv) { h = nh; v = nv; return *this; }
    CPoint& offset(int32_t dh, int32_t dv) { h += dh; v += dv; return *this; }

    constexpr bool operator==(const CPoint&) const = default;
};

// A rectangle of left, top, right, bottom. It never normalises itself: a
// rectangle whose right lies left of its left keeps its fields.
struct CRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    constexpr CRect() = default;
    constexpr CRect(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) {}

    CRect& operator()(int32_t l, int32_t t, int32_t r, int32_t b) {
        left = l; top = t; right = r; bottom = b;
        return *this;
    }

    constexpr int32_t width() const { return right - left; }
    constexpr int32_t height() const { return bottom - top; }

    // Moves all four edges by (dx, dy).
    CRect& offset(int32_t dx, int32_t dy) {
        left += dx; right += dx; top += dy; bottom += dy;
        return *this;
    }
    // Moves the rectangle so that its top-left corner is (x, y), keeping its size.
    CRect& moveTo(int32_t x, int32_t y) {
        int32_t w = width(), h = height();
        left = x; top = y; right = x + w; bottom = y + h;
        return *this;
    }
    // Grows (or shrinks, with negative values) on every side.
    CRect& inset(int32_t dx, int32_t dy) {
        left += dx; right -= dx; top += dy; bottom -= dy;
        return *this;
    }

    // left <= p.h < right and top <= p.v < bottom: the right column and the
    // bottom row are outside.
    bool pointInside(const CPoint& p) const;
    // right <= left or bottom <= top.
    bool isEmpty() const;
    // Intersects in place; disjoint rectangles leave a rectangle of zero
    // width or height, never an inverted one.
    CRect& bound(const CRect& r);
    // Rectangles that only touch along an edge or at a corner overlap.
    bool rectOverlap(const CRect& r) const;

    constexpr bool operator==(const CRect&) const = default;
};

// A colour of four bytes. spare travels with the colour but no drawing
// operation and no conversion reads it.
struct CColor {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t spare = 0;

    constexpr bool operator==(const CColor&) const = default;
};

inline constexpr CColor kTransparentCColor{255, 255, 255, 0};
inline constexpr CColor kBlackCColor{0, 0, 0, 0};
inline constexpr CColor kWhiteCColor{255, 255, 255, 0};
inline constexpr CColor kGreyCColor{127, 127, 127, 0};
inline constexpr CColor kRedCColor{255, 0, 0, 0};
inline constexpr CColor kGreenCColor{0, 255, 0, 0};
inline constexpr CColor kBlueCColor{0, 0, 255, 0};
inline constexpr CColor kYellowCColor{255, 255, 0, 0};
inline constexpr CColor kMagentaCColor{255, 0, 255, 0};
inline constexpr CColor kCyanCColor{0, 255, 255, 0};

// Font numbers 0..7; any other number is treated as kFontSystem wherever a
// font is set.
enum CFont : int32_t {
    kFontSystem = 0,
    kFontVeryBig,
    kFontBig,
    kFontNormal,
    kFontSmall,
    kFontSmaller,
    kFontVerySmall,
    kFontSymbol,
};
inline constexpr int kNumFonts = 8;

// Standard size in points of each font number.
extern const int32_t standardFontSize[kNumFonts];

// Platform font family of each font number: 0 system, 21 Helvetica,
// 3 Geneva, 23 Symbol.
extern const int32_t fontFamilyNumber[kNumFonts];

// Text face bits, handed to the platform unchanged.
using CTxtFace = int32_t;
enum : int32_t {
    kNormalFace = 0,
    kTxtFaceBold = 1,
    kTxtFaceItalic = 2,
    kTxtFaceUnderline = 4,
};

// Horizontal text placement; any other value places like kAlignLeft.
enum CHoriTxtAlign : int32_t {
    kAlignLeft = 0,
    kAlignCenter,
    kAlignRight,
};

// Every value other than kLineStyleDashed draws solid.
enum CLineStyle : int32_t {
    kLineStyleSolid = 0,
    kLineStyleDashed,
};

// Pen transfer mode; values other than kDrawModeCopy go to the platform's
// pen mode unchanged.
enum CDrawMode : int32_t {
    kDrawModeCopy = 0,
};

// Cursor kinds 0..6; any other value is ignored where a cursor is set.
enum CCursorType : int32_t {
    kCursorArrow = 0,
    kCursorWatch,
    kCursorHSize,
    kCursorVSize,
    kCursorSizeAll,
    kCursorNESWSize,
    kCursorNWSESize,
};

// The mouse-button set: buttons and modifier keys at the moment of asking.
// At most one of the three button bits is set.
enum CButton : int32_t {
    kMouseLeft = 1,
    kMouseMiddle = 2,
    kMouseRight = 4,
    kModShift = 8,
    kModCommand = 16,
    kModOption = 32,
    kModControl = 64,
};

// The platform's 16-bit colour record: each component 0..65535.
struct RGBColor {
    uint16_t red = 0;
    uint16_t green = 0;
    uint16_t blue = 0;
};

// Conversions to and from the platform's records. A platform rectangle
// field gets the low 16 bits of the CRect field (sign-extended back): the
// platform's rectangles are 16-bit.
void CRect2Rect(const CRect& cr, platform::Rect& rr);
void Rect2CRect(const platform::Rect& rr, CRect& cr);
// Each 8-bit component becomes component * 257 (0 -> 0, 255 -> 65535).
void CColor2RGBColor(const CColor& cc, RGBColor& rgb);
// Each component becomes the 16-bit one / 257, remainder dropped; the
// spare byte of the destination is left as it was.
void RGBColor2CColor(const RGBColor& rgb, CColor& cc);
// The pixel colour the platform paints for a 16-bit colour (component / 257).
platform::Rgb RGBColor2Rgb(const RGBColor& rgb);
platform::Rgb CColor2Rgb(const CColor& cc);
// A pixel colour read from the platform as a CColor (spare 0).
CColor Rgb2CColor(const platform::Rgb& rgb);
