// CSlider: a control drawn from a background and a handle that moves along a
// straight track; CVerticalSlider and CHorizontalSlider fix its orientation.
//
// Background and handle are composed in an off-screen surface of the
// slider's size, created when the slider is attached to a frame and deleted
// when it is removed, and reach the screen in one copy (no flicker). An owner
// removes a slider from its frame before deleting it.
//
// Gestures: drag (a modal tracking loop bracketed by beginEdit/endEdit, the
// slider becoming the frame's edit view), fine drag with shift (movement
// divided by the zoom factor), a free click that centres the handle on the
// mouse, the wheel and the arrow keys (one wheel increment per step, a tenth
// with shift; not bracketed), and the default-value click (left button plus
// command, nothing else).
//
// A handle range of 0 (no travel) has no position-to-value mapping: drags on
// such a slider are ignored and start no edit gesture; the default-value
// click, the wheel and the keys still work.
//
// Threads: user-interface thread only (setValue excepted, see CControl).
#pragma once

#include "CControl.h"

class COffscreenContext;

class CSlider : public CControl {
public:
    // Travel start and end are frame coordinates along the axis: the handle
    // range is their difference, and the start relative to the slider's left
    // (horizontal) or top (vertical) edge becomes the minimum position.
    CSlider(const CRect& size, CControlListener* listener, long tag, long iMinPos, long iMaxPos,
            CBitmap* handle, CBitmap* background, CPoint& offset, long style);
    // The handle travels travelLength pixels minus its own length, starting
    // at offsetHandle inside the slider.
    CSlider(const CRect& size, CControlListener* listener, long tag, CPoint& offsetHandle,
            long travelLength, CBitmap* handle, CBitmap* background, CPoint& offset,
            long style);
    // Drops the handle's reference. The off-screen surface is removed's work.
    ~CSlider() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    long onKeyDown(VstKeyCode& keyCode) override;
    bool attached(CView* parent) override;
    bool removed(CView* parent) override;

    virtual void setDrawTransparentHandle(bool val);
    virtual void setFreeClick(bool val);
    virtual bool getFreeClick();
    // The handle's track starts at val inside the slider; recomputes the
    // lowest handle position and the highest handle end.
    virtual void setOffsetHandle(CPoint& val);
    // Takes a reference on the new handle, drops the old one; the limits are
    // not recomputed until the next setOffsetHandle.
    virtual void setHandle(CBitmap* handle);
    virtual CBitmap* getHandle();
    virtual void setZoomFactor(float val);
    virtual float getZoomFactor();

    // Geometry, for inspection.
    long getHandleRange() const { return rangeHandle; }
    long getMinPos() const { return minPos; }
    long getMinHandlePos() const { return minTmp; }
    long getMaxHandleEnd() const { return maxTmp; }
    long getStyle() const { return style; }
    const CPoint& getOffsetHandle() const { return offsetHandle; }
    COffscreenContext* getOffscreen() const { return pOScreen; }
    // The handle rectangle as drawn, in the slider's own coordinates.
    CRect handleRect();

protected:
    bool isHorizontal() const { return (style & kStyleHorizontal) != 0; }
    // f of the handle: value with kStyleLeft or kStyleTop, else 1 - value.
    float handleFraction();
    // trunc(f x handle range) in single precision.
    long handleShift();
    void takeHandle(CBitmap* handle);

    CPoint offset;
    CPoint offsetHandle;
    CBitmap* pHandle = nullptr;
    COffscreenContext* pOScreen = nullptr;
    long widthOfSlider = 1;    // handle width
    long heightOfSlider = 1;   // handle height
    long rangeHandle = 0;
    long style;
    long minTmp = 0;
    long maxTmp = 0;
    long minPos = 0;
    long widthControl;
    long heightControl;
    float zoomFactor = 10.0f;
    bool bDrawTransparentEnabled = true;
    bool bFreeClick = true;
};

class CVerticalSlider : public CSlider {
public:
    CVerticalSlider(const CRect& size, CControlListener* listener, long tag, long iMinPos,
                    long iMaxPos, CBitmap* handle, CBitmap* background, CPoint& offset,
                    long style);
    CVerticalSlider(const CRect& size, CControlListener* listener, long tag, CPoint& offsetHandle,
                    long travelLength, CBitmap* handle, CBitmap* background, CPoint& offset,
                    long style);
};

class CHorizontalSlider : public CSlider {
public:
    CHorizontalSlider(const CRect& size, CControlListener* listener, long tag, long iMinPos,
                      long iMaxPos, CBitmap* handle, CBitmap* background, CPoint& offset,
                      long style);
    CHorizontalSlider(const CRect& size, CControlListener* listener, long tag,
                      CPoint& offsetHandle, long travelLength, CBitmap* handle, CBitmap* background,
                      CPoint& offset, long style);
};
