// A picture held in an off-screen world, ready to be copied onto a drawing
// context. Shared by reference count: the creator holds the first
// reference, every further holder calls remember when it takes the bitmap
// and forget when it lets it go; the last forget deletes it. Never delete a
// bitmap directly.
//
// Threads: user-interface thread only.
#pragma once

#include "CGeometry.h"

class CDrawContext;
class CFrame;

namespace platform {
class PictureStore;
}

class CBitmap {
public:
    // Loads the picture with this resource id. A missing picture gives a
    // 0 x 0 bitmap without a world (isLoaded false).
    explicit CBitmap(long resourceID);
    // An off-screen world of width x height with undefined pixels; the frame
    // is not used.
    CBitmap(CFrame& frame, long width, long height);

    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    // Copies the area at offset with the size of rect into context at rect
    // moved by the context's offset. The source area is clipped to the
    // bitmap; the copy is not clipped by the context's clip rectangle.
    void draw(CDrawContext* context, CRect& rect, const CPoint& offset = CPoint(0, 0));
    // As draw, leaving out masked-off pixels, or without a mask those equal
    // to the transparent colour.
    void drawTransparent(CDrawContext* context, CRect& rect, const CPoint& offset = CPoint(0, 0));
    // As draw, blended: dst = src * alpha / 255 + dst * (255 - alpha) / 255.
    void drawAlphaBlend(CDrawContext* context, CRect& rect, const CPoint& offset = CPoint(0, 0),
                        unsigned char alpha = 128);

    long getWidth() const { return width; }
    long getHeight() const { return height; }
    long getResourceID() const { return resourceID; }

    void forget();
    void remember();
    long getNbReference() const { return nbReference; }

    // The world (a platform port), for contexts that draw into the bitmap.
    void* getHandle() const { return pHandle; }
    bool isLoaded() const { return pHandle != nullptr; }

    void setTransparentColor(const CColor color) { transparentCColor = color; }
    CColor getTransparentColor() const { return transparentCColor; }
    // Builds a one-bit mask from context's pixels at offset (surface
    // coordinates): set where the pixel differs from the transparent colour.
    void setTransparencyMask(CDrawContext* context, const CPoint& offset = CPoint(0, 0));
    bool hasMask() const { return pMask != nullptr; }

    // Where pictures are loaded from: the plug-in's embedded resources unless
    // a store is given (tests). null restores the resources.
    static void setPictureStore(platform::PictureStore* store);

protected:
    ~CBitmap();

    enum class Mode { copy, transparent, blend };
    void copyInto(CDrawContext* context, CRect& rect, const CPoint& offset, Mode mode,
                  unsigned char alpha);

    long resourceID = 0;
    long nbReference = 1;
    long width = 0;
    long height = 0;
    CColor transparentCColor = kTransparentCColor;
    void* pHandle = nullptr;
    void* pMask = nullptr;
};
