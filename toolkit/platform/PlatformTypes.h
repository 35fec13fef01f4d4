// Plain value types of the platform layer: colours, points, rectangles and
// the small enumerations shared by ports, windows and input.
//
// Nothing here allocates, locks or names a system library. Everything in the
// platform layer runs on the host's user-interface thread only; none of it is
// ever called from the audio thread.
#pragma once

#include <cstdint>

namespace platform {

// A colour of 8 bits per component. Pixels of a 32-bit port are stored as
// 0x00RRGGBB (see toPixel), which is also the layout X servers use for
// 24-bit TrueColor visuals on little-endian machines.
struct Rgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    friend bool operator==(Rgb const&, Rgb const&) = default;
};

constexpr uint32_t toPixel(Rgb c) {
    return (uint32_t(c.red) << 16) | (uint32_t(c.green) << 8) | uint32_t(c.blue);
}
constexpr Rgb fromPixel(uint32_t p) {
    return Rgb{uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)};
}

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};

// A point in port (pixel) coordinates: x to the right, y downward.
struct Point {
    int h = 0;
    int v = 0;
    friend bool operator==(Point const&, Point const&) = default;
};

// A rectangle of the pixels left <= x < right, top <= y < bottom.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(Rect const&, Rect const&) = default;
    bool isEmpty() const { return right <= left || bottom <= top; }
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool contains(Point p) const { return p.h >= left && p.h < right && p.v >= top && p.v < bottom; }
};

// Intersection; an empty result is returned as it falls (test with isEmpty).
Rect intersect(Rect const& a, Rect const& b);
// The smallest rectangle holding both; an empty operand is ignored.
Rect unite(Rect const& a, Rect const& b);

// Pen transfer modes (the pen and every shape filled through the pen pattern).
// Each painted pixel looks at its pattern bit: 1 = "pattern pixel".
//   kPenCopy (8, also 0): pattern pixels get the foreground colour, the others
//     the background colour.
//   kPenOr (9, also 1): pattern pixels get the foreground, the others are left.
//   kPenXor (10, also 2): pattern pixels invert the destination (each
//     component c becomes 255 - c), the others are left.
//   kPenBic (11, also 3): pattern pixels get the background, the others are left.
//   12..15 (also 4..7): the same four with the pattern inverted.
// Any other value behaves as kPenCopy.
enum PenMode : int {
    kPenCopy = 8,
    kPenOr = 9,
    kPenXor = 10,
    kPenBic = 11,
    kPenNotCopy = 12,
    kPenNotOr = 13,
    kPenNotXor = 14,
    kPenNotBic = 15,
};

// Text transfer: opaque paints the background colour behind the text first.
enum TextMode : int {
    kTextOpaque = 0,
    kTextTransparent = 1,
};

// Text face bits.
enum TextFace : int {
    kFaceBold = 1,
    kFaceItalic = 2,
    kFaceUnderline = 4,
};

// Font families as numbered by the toolkit; any other number is the system font.
enum FontFamily : int {
    kFamilySystem = 0,
    kFamilyGeneva = 3,
    kFamilyHelvetica = 21,
    kFamilySymbol = 23,
};

// Block-copy modes.
enum CopyMode : int {
    kCopyPlain = 0,        // every destination pixel replaced
    kCopyBlend = 32,       // weighted by the op weight, see copyBits
    kCopyTransparent = 36, // source pixels equal to the destination port's
                           // background colour leave the destination as it was
};

// Button state as read from the pointer: no button, primary, secondary, middle.
enum ButtonState : int {
    kButtonNone = 0,
    kButtonPrimary = 1,
    kButtonSecondary = 2,
    kButtonMiddle = 3,
};

// Modifier-key bits. On X11 the command key (the primary shortcut
// modifier) is Control, option is Alt (Mod1) and control is Super (Mod4).
enum Modifier : unsigned {
    kModifierCommand = 0x100,
    kModifierShift = 0x200,
    kModifierOption = 0x800,
    kModifierControl = 0x1000,
};

enum CursorShape : int {
    kCursorShapeArrow = 0,
    kCursorShapeWatch = 1,
    kCursorShapeCrossHair = 2,
    kCursorShapePlus = 3,
};

// Everything the pointer reports at one moment; position in window port
// coordinates.
struct PointerState {
    Point where;
    int button = kButtonNone;   // ButtonState
    unsigned modifiers = 0;     // Modifier bits
};

// A mouse-down or mouse-up that the window received.
struct MouseEvent {
    enum Kind { kDown, kUp };
    Kind kind = kDown;
    Point where;                // window port coordinates
    int button = kButtonPrimary;
    unsigned modifiers = 0;
    uint32_t ticks = 0;         // tick count when it happened
};

// Masks for Window::takeMouseEvent.
enum EventMask : unsigned {
    kMaskMouseDown = 2,
    kMaskMouseUp = 4,
};

// Virtual key codes of the host's key record (0: a plain character).
enum VirtualKey : uint8_t {
    kVirtBack = 1, kVirtTab, kVirtClear, kVirtReturn, kVirtPause, kVirtEscape,
    kVirtSpace, kVirtNext, kVirtEnd, kVirtHome, kVirtLeft, kVirtUp, kVirtRight,
    kVirtDown, kVirtPageUp, kVirtPageDown, kVirtSelect, kVirtPrint, kVirtEnter,
    kVirtSnapshot, kVirtInsert, kVirtDelete, kVirtHelp, kVirtNumpad0,
    kVirtNumpad9 = kVirtNumpad0 + 9, kVirtMultiply, kVirtAdd, kVirtSeparator,
    kVirtSubtract, kVirtDecimal, kVirtDivide, kVirtF1, kVirtF12 = kVirtF1 + 11,
    kVirtNumLock, kVirtScroll, kVirtShift, kVirtControl, kVirtAlt, kVirtEquals,
};
static_assert(kVirtLeft == 11 && kVirtDown == 14 && kVirtEquals == 57);

// Modifier bits of the host's key record.
enum KeyModifier : uint8_t {
    kKeyShift = 1,
    kKeyAlternate = 2,
    kKeyCommand = 4,   // the Control key on X11
    kKeyControl = 8,   // the Super (Mod4) key on X11
};

// A key as the host's key opcodes carry it: the character (0 when the key
// has none), a VirtualKey (0 for plain characters) and KeyModifier bits.
struct KeyEvent {
    int32_t character = 0;
    uint8_t virt = 0;
    uint8_t modifier = 0;
};

} // namespace platform
