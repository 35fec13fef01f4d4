// Port: a pixel surface with its drawing state and our own raster operations.
//
// A port is what a window draws into and what an off-screen world is: a
// width x height array of pixels at depth 32 (0x00RRGGBB, see PlatformTypes.h)
// or at depth 1 (every pixel black or white). Its state is a pen (position,
// size w x h, 8 x 8 pattern, PenMode), a fill pattern, foreground and
// background colours, a clip rectangle and the text settings.
//
// Contracts shared by every operation:
// - Coordinates are port pixels; (0, 0) is the top-left pixel.
// - Every drawing operation paints only pixels inside both the surface and the
//   clip rectangle. Block copies (copyBits, copyMask, drawPicture) ignore the
//   clip and are limited by the surfaces alone.
// - A pattern pixel (x, y) uses row y mod 8, bit 7 - (x mod 8) of the pattern.
// - Writing a colour into a depth-1 port stores black when
//   red + green + blue < 383 and white otherwise; reading answers black or white.
// - Nothing throws. All of it runs on the user-interface thread only; a port
//   is never shared between threads.
#pragma once

#include "PlatformTypes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

class Picture;

// An 8 x 8 one-bit pattern, row 0 first, the most significant bit leftmost.
struct Pattern {
    uint8_t rows[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    friend bool operator==(Pattern const&, Pattern const&) = default;
    // Pattern from 16 hexadecimal digits ("F0F0F0F00F0F0F0F"); digits that are
    // missing or not hexadecimal count as 0.
    static Pattern fromHex(char const* hex);
};

constexpr Pattern kSolidPattern{};

struct PenState {
    Point position;
    int width = 1;
    int height = 1;
    Pattern pattern;
    int mode = kPenCopy;
    friend bool operator==(PenState const&, PenState const&) = default;
};

// Metrics of the port's current font, in pixels (1 pt = 1 px).
struct FontInfo {
    int ascent = 0;
    int descent = 0;
    int widMax = 0;    // widest advance of the face
    int leading = 0;   // extra space between lines, >= 0
};

class Port {
public:
    // Creates an off-screen world of width x height. depth 0 or 32: screen
    // depth (32 bits); 1: a one-bit world for masks. A new world is white,
    // with the defaults listed below. Answers null (and allocates nothing)
    // when width or height is not positive, the depth is another value, the
    // size exceeds the world limit, or memory runs out. The caller owns it.
    static Port* newWorld(int width, int height, int depth = 0);
    static void disposeWorld(Port* world);   // null is allowed

    // Largest number of pixels newWorld accepts; 0 restores the default
    // (64 Mi pixels). Tests use it to make world creation fail.
    static void setWorldPixelLimit(std::size_t pixels);

    // The process's current port (the one drawing code selected last);
    // null at start. Saved and restored around drawing by the callers.
    static Port* current();
    static void setCurrent(Port* port);

    ~Port();
    Port(Port const&) = delete;
    Port& operator=(Port const&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    int depth() const { return depth_; }
    Rect bounds() const { return Rect{0, 0, width_, height_}; }

    // Pixel buffer: height rows of width pixels, 0x00RRGGBB (depth 1 too).
    uint32_t const* pixels() const { return pixels_.data(); }

    // Locking brackets direct use of the pixel buffer (block copies by the
    // toolkit). lockPixels answers false when the buffer cannot be locked;
    // locks nest.
    bool lockPixels();
    void unlockPixels();
    bool isLocked() const { return locks_ > 0; }
    // Test hook: makes lockPixels fail from now on (true) or work again.
    void setLockRefused(bool refused) { lockRefused_ = refused; }

    // Resizes the surface, keeping the pixels of the common top-left area;
    // new pixels are white. False (nothing changed) for a non-positive size
    // or when memory runs out. The clip becomes the whole new surface.
    bool resize(int width, int height);

    // --- state. Defaults: foreground black, background white, pen at (0, 0)
    // 1 x 1 solid kPenCopy, fill pattern solid, clip = the whole surface,
    // font family 0, size 12, face 0, text mode kTextTransparent.
    Rgb foreColor() const { return fore_; }
    Rgb backColor() const { return back_; }
    void setForeColor(Rgb c) { fore_ = c; }
    void setBackColor(Rgb c) { back_ = c; }

    PenState penState() const { return pen_; }
    void setPenState(PenState const& s);
    void setPenSize(int width, int height);   // values below 0 become 0: a 0 pen paints nothing
    void setPenPattern(Pattern const& p) { pen_.pattern = p; }
    void setPenMode(int mode) { pen_.mode = mode; }
    Point penPosition() const { return pen_.position; }

    Pattern fillPattern() const { return fillPattern_; }
    void setFillPattern(Pattern const& p) { fillPattern_ = p; }

    Rect clip() const { return clip_; }
    void setClip(Rect const& r) { clip_ = r; }   // may reach outside the surface; may be empty

    // --- pen drawing (pen size, pen pattern, pen mode, foreground/background).
    void moveTo(int h, int v) { pen_.position = Point{h, v}; }
    // Paints the pen rectangle [x, x + w) x [y, y + h) at every point of the
    // line from the pen position to (h, v), both ends included; the points
    // are the Bresenham line stepping along the longer axis, its error term
    // starting at half the longer distance. The pen moves to (h, v).
    void lineTo(int h, int v);

    // --- filling (fill pattern, copy mode: pattern pixels foreground, the
    // others background).
    // Paints left <= x < right, top <= y < bottom.
    void fillRect(Rect const& r);
    // The ellipse inscribed in r holds the pixels whose centres (x + 0.5,
    // y + 0.5) lie inside or on it. Angles are whole degrees, 0 at twelve
    // o'clock, positive clockwise, measured on the ellipse stretched to a
    // circle (45 passes through the rectangle's corner). An arc covers the
    // pixels whose centre direction lies in [start, start + arc] (arc < 0
    // runs counter-clockwise); |arc| >= 360 is the whole ellipse, arc 0
    // nothing.
    void fillArc(Rect const& r, int startAngle, int arcAngle);
    // The outline of that ellipse with the pen inside r: the pixels of the
    // ellipse of r that are not in the ellipse of r inset by the pen size;
    // drawn with the pen's pattern and mode, limited to the arc as fillArc.
    void frameArc(Rect const& r, int startAngle, int arcAngle);
    // Fills the polygon through count points (closed back to the first) with
    // a solid colour: the pixels whose centres are inside by the even-odd
    // rule. Fewer than 3 points paint nothing.
    void fillPoly(Point const* points, int count, Rgb colour);

    // --- pixels
    // The pixel at (h, v); black outside the surface. Not clipped.
    Rgb getPixel(int h, int v) const;
    // Stores one pixel directly (no pen, pattern or clip); ignored outside.
    void setPixel(int h, int v, Rgb c);
    // Paints with colour the region of pixels that have the colour of the
    // seed pixel and are connected to it through their four neighbours,
    // searched over the whole surface and painted inside the clip. A seed
    // outside the surface paints nothing. The port's colours are untouched.
    void seedFill(Point seed, Rgb colour);

    // --- text (FreeType; family, size in pixels, face bits, TextMode)
    void setTextFont(int family) { textFamily_ = family; }
    void setTextSize(int size) { textSize_ = size; }
    void setTextFace(int face) { textFace_ = face; }
    void setTextMode(int mode) { textMode_ = mode; }
    int textFont() const { return textFamily_; }
    int textSize() const { return textSize_; }
    int textFace() const { return textFace_; }
    int textMode() const { return textMode_; }
    FontInfo fontInfo() const;
    // Sum of the glyph advances of the bytes (Mac Roman characters).
    int textWidth(char const* text, int length) const;
    // Draws the text with its baseline starting at the pen, in the
    // foreground colour (anti-aliased glyphs blended into the destination);
    // kTextOpaque first paints the background colour over the cell from
    // baseline - ascent to baseline + descent, textWidth wide. Underline
    // paints a one-pixel row below the baseline. The pen advances by
    // textWidth. Clipped.
    void drawText(char const* text, int length);

    // --- block copies, not clipped by either port's clip; the rectangles
    // must have the same size (the smaller size is used otherwise) and are
    // cut to both surfaces.
    // kCopyPlain replaces; kCopyTransparent leaves the destination where the
    // source pixel equals dst's background colour (compared at the source's
    // depth); kCopyBlend makes each component
    // src * weight / 255 + dst * (255 - weight) / 255 (each term truncated).
    // Other modes copy plainly. Foreground and background never tint.
    static void copyBits(Port const& src, Port& dst, Rect const& srcRect, Rect const& dstRect,
                         int mode, uint8_t weight = 255);
    // Copies the pixels whose mask pixel is black (red + green + blue < 383;
    // a depth-1 mask stores exactly that).
    static void copyMask(Port const& src, Port const& mask, Port& dst, Rect const& srcRect,
                         Rect const& maskRect, Rect const& dstRect);
    // Puts a picture's pixels with its top-left corner at `at` (no clip).
    void drawPicture(Picture const& picture, Point at);

    // Union of the areas painted since the last call, then cleared. Windows
    // use it to push only changed pixels.
    Rect takeDirty();
    Rect dirty() const { return dirty_; }
    void markDirty(Rect const& r);

private:
    Port(int width, int height, int depth);
    uint32_t store(Rgb c) const;
    bool inClip(int x, int y) const;
    void paintPatterned(int x, int y, Pattern const& pattern, int mode);
    void paintPenRect(int x, int y);
    template <class Inside> void fillShape(Rect const& area, Inside inside, bool usePen);

    int width_ = 0;
    int height_ = 0;
    int depth_ = 32;
    std::vector<uint32_t> pixels_;
    int locks_ = 0;
    bool lockRefused_ = false;

    Rgb fore_ = kBlack;
    Rgb back_ = kWhite;
    PenState pen_;
    Pattern fillPattern_;
    Rect clip_;
    int textFamily_ = kFamilySystem;
    int textSize_ = 12;
    int textFace_ = 0;
    int textMode_ = kTextTransparent;
    Rect dirty_;
};

} // namespace platform
