// The surface that views draw on and where they ask about the mouse.
//
// A context wraps one platform window port (the frame's window) or, as
// COffscreenContext, one off-screen world. Every position passed to a drawing
// operation is in the caller's coordinates; the context adds its offset to
// obtain surface coordinates. The pen position and the clip rectangle are held
// in surface coordinates. Mouse positions come back in the caller's
// coordinates by subtracting the screen offset.
//
// Port discipline: every operation that touches the platform saves the
// current port, selects this context's port (through the virtual getPort),
// acts, and restores the saved port before returning.
//
// Threads: user-interface thread only; a context is never shared between
// threads. Contexts do not own their window or their frame.
#pragma once

#include <cstdint>

#include "CGeometry.h"

class CFrame;
class CBitmap;

namespace platform {
class Port;
class Window;
}

class CDrawContext {
public:
    // window is the platform window (a platform::Window*, e.g. the frame's
    // getSystemWindow()) and may be null: then the setters only store and the
    // drawing operations do nothing. The clip rectangle starts as the frame's size,
    // or (0, 0, 1000, 1000) without a frame.
    CDrawContext(CFrame* frame, void* systemContext, void* window);
    virtual ~CDrawContext();

    CDrawContext(const CDrawContext&) = delete;
    CDrawContext& operator=(const CDrawContext&) = delete;

    // Locks the pixel buffer of the port for a block copy and returns it
    // (a platform::Port*; null when there is none or it cannot be locked);
    // releaseBitmap unlocks it.
    virtual void* getBitmap();
    virtual void releaseBitmap();
    // Prepares the port on the first call (text mode transparent, pen mode
    // copy, solid fill pattern) and returns it (a platform::Port*, or null).
    virtual void* getPort();

    // Pen and shapes. See the source for the pixel rules.
    void moveTo(const CPoint& point);
    void lineTo(const CPoint& point);
    void polyLine(const CPoint* points, long count);
    void fillPolygon(const CPoint* points, long count);
    void drawRect(const CRect& rect);
    void fillRect(const CRect& rect);
    void drawArc(const CRect& rect, const CPoint& point1, const CPoint& point2);
    void fillArc(const CRect& rect, const CPoint& point1, const CPoint& point2);
    void drawEllipse(const CRect& rect);
    void fillEllipse(const CRect& rect);
    void drawPoint(const CPoint& point, CColor color);
    CColor getPoint(const CPoint& point);
    void floodFill(const CPoint& start);

    // State. The setters store the value and, with a window, apply it to the
    // port.
    void setLineStyle(CLineStyle style);
    CLineStyle getLineStyle() const { return lineStyle; }
    void setLineWidth(long width);
    long getLineWidth() const { return frameWidth; }
    void setDrawMode(CDrawMode mode);
    CDrawMode getDrawMode() const { return drawMode; }
    void setClipRect(const CRect& clip);
    CRect& getClipRect(CRect& clip) const { clip = clipRect; return clip; }
    void resetClipRect();
    void setFillColor(CColor color);
    CColor getFillColor() const { return fillColor; }
    void setFrameColor(CColor color);
    CColor getFrameColor() const { return frameColor; }
    void setFontColor(CColor color);
    CColor getFontColor() const { return fontColor; }
    // size 0 selects the font's standard size; a font outside 0..7 becomes 0.
    void setFont(CFont font, long size = 0, long style = 0);
    CFont getFont() const { return font; }
    long getFontSize() const { return fontSize; }

    // Text.
    long getStringWidth(const char* string);
    void drawString(const char* string, const CRect& rect, short opaque = false,
                    CHoriTxtAlign align = kAlignCenter);

    // Mouse.
    long getMouseButtons();
    void getMouseLocation(CPoint& point);
    bool waitDoubleClick();
    bool waitDrag();

    // Offsets: offset is added to drawing coordinates; offsetScreen is
    // subtracted from mouse positions.
    void setOffset(const CPoint& p) { offset = p; }
    const CPoint& getOffset() const { return offset; }
    void setOffsetScreen(const CPoint& p) { offsetScreen = p; }
    const CPoint& getOffsetScreen() const { return offsetScreen; }

    CFrame* getFrame() const { return frame; }
    void* getWindow() const { return window; }
    void* getSystemContext() const { return systemContext; }
    // The current pen position, in surface coordinates.
    const CPoint& getPenPosition() const { return penLoc; }
    // Font metrics read by the last setFont (all 0 before).
    int16_t getFontAscent() const { return fontAscent; }
    int16_t getFontDescent() const { return fontDescent; }

protected:
    // The platform port, or null without a window.
    platform::Port* port() { return static_cast<platform::Port*>(getPort()); }
    // The window whose pointer the mouse queries read: the context's own, or
    // for an off-screen context the frame's.
    platform::Window* inputWindow() const;
    // Applies the stored pen (size, pattern, mode) to the port.
    void applyPen(platform::Port& p);
    // Makes color the port's foreground colour (nothing without a window).
    void applyForeColor(CColor color);

    CPoint offsetScreen;
    CPoint offset;
    void* systemContext;
    void* window;
    CFrame* frame;
    long fontSize = 0;
    CFont font = kFontSystem;
    CColor fontColor = kWhiteCColor;
    CPoint penLoc;
    long frameWidth = 1;
    CColor frameColor = kWhiteCColor;
    CColor fillColor = kBlackCColor;
    CLineStyle lineStyle = kLineStyleSolid;
    CDrawMode drawMode = kDrawModeCopy;
    CRect clipRect;
    int16_t fontAscent = 0;
    int16_t fontDescent = 0;
    int16_t fontWidMax = 0;
    int16_t fontLeading = 0;
    uint8_t fillPattern[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    bool prepared = false;
    bool bOffscreen = false;
};

// Direction from centre to point in 1/64 degree, counter-clockwise from the
// positive x axis with y downward (a full turn is 23040).
long convertPoint2Angle(CPoint& centre, CPoint& point);
