#include "CBitmap.h"

#include "CDrawContext.h"
#include "Picture.h"
#include "Port.h"

namespace {

platform::PictureStore* pictureStore = nullptr;

platform::Rect toPlatform(const CRect& r) {
    platform::Rect out;
    CRect2Rect(r, out);
    return out;
}

} // namespace

void CBitmap::setPictureStore(platform::PictureStore* store) { pictureStore = store; }

CBitmap::CBitmap(long id) : resourceID(id) {
    platform::PictureStore& store = pictureStore ? *pictureStore : platform::PictureStore::resources();
    const platform::Picture* picture = store.picture(int(id));
    if (picture) {
        platform::Rect frame = picture->frame();
        width = frame.right;
        height = frame.bottom;
        platform::Port* world = platform::Port::newWorld(int(width), int(height), 0);
        if (world) {
            platform::Port* saved = platform::Port::current();
            platform::Port::setCurrent(world);
            world->drawPicture(*picture, platform::Point{0, 0});
            platform::Port::setCurrent(saved);
            pHandle = world;
        }
    }
    transparentCColor = kTransparentCColor;
}

CBitmap::CBitmap(CFrame& frame, long w, long h) : width(w), height(h) {
    (void)frame;
    pHandle = platform::Port::newWorld(int(w), int(h), 0);
    transparentCColor = kTransparentCColor;
}

CBitmap::~CBitmap() {
    platform::Port::disposeWorld(static_cast<platform::Port*>(pHandle));
    platform::Port::disposeWorld(static_cast<platform::Port*>(pMask));
}

void CBitmap::remember() { nbReference++; }

void CBitmap::forget() {
    if (nbReference > 0) {
        nbReference--;
        if (nbReference == 0) delete this;
    }
}

void CBitmap::draw(CDrawContext* context, CRect& rect, const CPoint& offset) {
    copyInto(context, rect, offset, Mode::copy, 255);
}

void CBitmap::drawTransparent(CDrawContext* context, CRect& rect, const CPoint& offset) {
    copyInto(context, rect, offset, Mode::transparent, 255);
}

void CBitmap::drawAlphaBlend(CDrawContext* context, CRect& rect, const CPoint& offset,
                             unsigned char alpha) {
    copyInto(context, rect, offset, Mode::blend, alpha);
}

void CBitmap::copyInto(CDrawContext* context, CRect& rect, const CPoint& offset, Mode mode,
                       unsigned char alpha) {
    if (!context) return;
    const CPoint& o = context->getOffset();
    CRect src(offset.h, offset.v, offset.h + rect.width(), offset.v + rect.height());
    CRect dst(rect.left + o.h, rect.top + o.v, rect.right + o.h, rect.bottom + o.v);
    // A source area reaching outside the bitmap is cut to it, and the
    // destination with it, so that every copied pixel keeps its place.
    if (src.left < 0) { dst.left -= src.left; src.left = 0; }
    if (src.top < 0) { dst.top -= src.top; src.top = 0; }
    if (src.right > width) { dst.right -= src.right - int32_t(width); src.right = int32_t(width); }
    if (src.bottom > height) { dst.bottom -= src.bottom - int32_t(height); src.bottom = int32_t(height); }

    platform::Port* dstPort = static_cast<platform::Port*>(context->getPort());
    void* bits = context->getBitmap();
    platform::Port* world = static_cast<platform::Port*>(pHandle);
    if (world && bits && dstPort && !src.isEmpty() && world->lockPixels()) {
        platform::Port* saved = platform::Port::current();
        platform::Port::setCurrent(dstPort);
        platform::Rgb fore = dstPort->foreColor(), back = dstPort->backColor();
        dstPort->setForeColor(platform::kBlack);
        switch (mode) {
        case Mode::copy:
            dstPort->setBackColor(platform::kWhite);
            platform::Port::copyBits(*world, *dstPort, toPlatform(src), toPlatform(dst),
                                     platform::kCopyPlain);
            break;
        case Mode::blend:
            dstPort->setBackColor(platform::kWhite);
            platform::Port::copyBits(*world, *dstPort, toPlatform(src), toPlatform(dst),
                                     platform::kCopyBlend, alpha);
            break;
        case Mode::transparent:
            dstPort->setBackColor(CColor2Rgb(transparentCColor));
            if (pMask)
                platform::Port::copyMask(*world, *static_cast<platform::Port*>(pMask), *dstPort,
                                         toPlatform(src), toPlatform(src), toPlatform(dst));
            else
                platform::Port::copyBits(*world, *dstPort, toPlatform(src), toPlatform(dst),
                                         platform::kCopyTransparent);
            break;
        }
        dstPort->setForeColor(fore);
        dstPort->setBackColor(back);
        platform::Port::setCurrent(saved);
        world->unlockPixels();
    }
    if (bits) context->releaseBitmap();
}

void CBitmap::setTransparencyMask(CDrawContext* context, const CPoint& offset) {
    platform::Port::disposeWorld(static_cast<platform::Port*>(pMask));
    pMask = nullptr;
    platform::Port* mask = platform::Port::newWorld(int(width), int(height), 1);
    if (!mask) return;
    platform::Port* source = context ? static_cast<platform::Port*>(context->getPort()) : nullptr;
    platform::Rgb key = CColor2Rgb(transparentCColor);
    // Bit set (black) where the pixel differs from the transparent colour.
    for (long y = 0; y < height; y++)
        for (long x = 0; x < width; x++) {
            bool set = false;
            if (source) set = !(source->getPixel(int(offset.h + x), int(offset.v + y)) == key);
            mask->setPixel(int(x), int(y), set ? platform::kBlack : platform::kWhite);
        }
    pMask = mask;
}
