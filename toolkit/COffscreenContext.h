// A drawing context over an off-screen world: views compose background,
// handle and children here and reach the screen with one block copy.
//
// The size never changes after construction. A world that cannot be created
// leaves the context without one: drawing into it and copying out of it do
// nothing. Threads: user-interface thread only.
#pragma once

#include "CDrawContext.h"

class COffscreenContext : public CDrawContext {
public:
    // A world of width x height owned by the context, painted with
    // backgroundColor.
    COffscreenContext(CFrame* frame, long width, long height,
                      const CColor backgroundColor = kBlackCColor);
    // With drawInBitmap, draws straight into the bitmap's own world (not
    // owned; a bitmap is required). Otherwise owns a world of the bitmap's
    // size (20 x 20 without one) painted with the bitmap, or black.
    COffscreenContext(CDrawContext* context, CBitmap* bitmap, bool drawInBitmap = false);
    ~COffscreenContext() override;

    void* getBitmap() override;
    void releaseBitmap() override;
    void* getPort() override;

    // Copies the area of this surface at srcOffset with the size of destRect
    // into destination at destRect moved by destination's offset. Not
    // limited by destination's clip rectangle.
    void copyFrom(CDrawContext* destination, CRect destRect, CPoint srcOffset = CPoint(0, 0));
    // The same as copyFrom.
    void transfert(CDrawContext* destination, CRect destRect, CPoint srcOffset = CPoint(0, 0));
    // Copies srcRect (moved by source's offset) out of source into this
    // surface with its top-left corner at destOffset.
    void copyTo(CDrawContext* source, CRect& srcRect, CPoint destOffset = CPoint(0, 0));

    long getWidth() const { return width; }
    long getHeight() const { return height; }
    bool hasWorld() const { return window != nullptr; }

protected:
    bool destroyPixmap = false;
    CBitmap* backgroundBitmap = nullptr;
    long height = 20;
    long width = 20;
    CColor backgroundColor = kBlackCColor;
};
