#include "COffscreenContext.h"

#include "CBitmap.h"
#include "CFrame.h"
#include "Port.h"

#include <cstring>
#include <utility>

namespace {

platform::Rect toPlatform(const CRect& r) {
    platform::Rect out;
    CRect2Rect(r, out);
    return out;
}

} // namespace

COffscreenContext::COffscreenContext(CFrame* frame, long width, long height,
                                     const CColor backgroundColor)
    : CDrawContext(frame, nullptr, nullptr), height(height), width(width),
      backgroundColor(backgroundColor) {
    bOffscreen = true;
    CRect clip(0, 0, int32_t(width), int32_t(height));
    if (clip.right < clip.left) std::swap(clip.left, clip.right);
    if (clip.bottom < clip.top) std::swap(clip.top, clip.bottom);
    clipRect = clip;
    platform::Port* world = platform::Port::newWorld(int(width), int(height), 0);
    if (world) {
        window = world;
        destroyPixmap = true;
    }
    std::memcpy(fillPattern, "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 8);
    setFillColor(backgroundColor);
    setFrameColor(backgroundColor);
    CRect all(0, 0, int32_t(width), int32_t(height));
    fillRect(all);
    drawRect(all);
}

COffscreenContext::COffscreenContext(CDrawContext* context, CBitmap* bitmap, bool drawInBitmap)
    : CDrawContext(context ? context->getFrame() : nullptr, nullptr, nullptr),
      backgroundBitmap(bitmap) {
    bOffscreen = true;
    if (bitmap) {
        width = bitmap->getWidth();
        height = bitmap->getHeight();
        clipRect = CRect(0, 0, int32_t(width), int32_t(height));
    }
    if (drawInBitmap) {
        // Draws into the bitmap's own world, which the bitmap keeps.
        if (bitmap) window = bitmap->getHandle();
        return;
    }
    platform::Port* world = platform::Port::newWorld(int(width), int(height), 0);
    if (!world) return;
    window = world;
    destroyPixmap = true;
    CRect all(0, 0, int32_t(width), int32_t(height));
    if (bitmap) {
        bitmap->draw(this, all, CPoint(0, 0));
    } else {
        setFillColor(kBlackCColor);
        setFrameColor(kBlackCColor);
        fillRect(all);
        drawRect(all);
    }
}

COffscreenContext::~COffscreenContext() {
    if (destroyPixmap && window) platform::Port::disposeWorld(static_cast<platform::Port*>(window));
    window = nullptr;
}

void* COffscreenContext::getPort() {
    prepared = true;
    return window;
}

void* COffscreenContext::getBitmap() {
    platform::Port* p = static_cast<platform::Port*>(window);
    if (p && p->lockPixels()) return p;
    return nullptr;
}

void COffscreenContext::releaseBitmap() {
    platform::Port* p = static_cast<platform::Port*>(window);
    if (p && p->isLocked()) p->unlockPixels();
}

namespace {

// One plain block copy from src to dst, untinted; src and dst rectangles in
// surface coordinates of equal size.
void blockCopy(CDrawContext* source, CDrawContext* destination, const CRect& srcRect,
               const CRect& dstRect) {
    platform::Port* dst = static_cast<platform::Port*>(destination->getPort());
    platform::Port* src = static_cast<platform::Port*>(source->getPort());
    if (!dst || !src) return;
    platform::Port* saved = platform::Port::current();
    platform::Port::setCurrent(dst);
    platform::Rgb fore = dst->foreColor(), back = dst->backColor();
    dst->setForeColor(platform::kBlack);
    dst->setBackColor(platform::kWhite);
    void* dstBits = destination->getBitmap();
    void* srcBits = source->getBitmap();
    if (dstBits && srcBits)
        platform::Port::copyBits(*src, *dst, toPlatform(srcRect), toPlatform(dstRect),
                                 platform::kCopyPlain);
    if (srcBits) source->releaseBitmap();
    if (dstBits) destination->releaseBitmap();
    dst->setForeColor(fore);
    dst->setBackColor(back);
    platform::Port::setCurrent(saved);
}

} // namespace

void COffscreenContext::copyFrom(CDrawContext* destination, CRect destRect, CPoint srcOffset) {
    if (!window || !destination) return;
    const CPoint& o = destination->getOffset();
    CRect dst(destRect.left + o.h, destRect.top + o.v, destRect.right + o.h, destRect.bottom + o.v);
    CRect src(srcOffset.h, srcOffset.v, srcOffset.h + destRect.width(), srcOffset.v + destRect.height());
    blockCopy(this, destination, src, dst);
}

void COffscreenContext::transfert(CDrawContext* destination, CRect destRect, CPoint srcOffset) {
    copyFrom(destination, destRect, srcOffset);
}

void COffscreenContext::copyTo(CDrawContext* source, CRect& srcRect, CPoint destOffset) {
    if (!window || !source) return;
    const CPoint& o = source->getOffset();
    CRect src(srcRect.left + o.h, srcRect.top + o.v, srcRect.right + o.h, srcRect.bottom + o.v);
    CRect dst(destOffset.h, destOffset.v, destOffset.h + srcRect.width(), destOffset.v + srcRect.height());
    blockCopy(source, this, src, dst);
}
