#include "CVerticalSwitch.h"

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"

CVerticalSwitch::CVerticalSwitch(const CRect& size, CControlListener* listener, long tag,
                                 long subPixmaps, long heightOfOneImage, long iMaxPositions,
                                 CBitmap* background, CPoint& offset)
    : CControl(size, listener, tag, background),
      offset(offset),
      subPixmaps(subPixmaps),
      heightOfOneImage(heightOfOneImage),
      iMaxPositions(iMaxPositions) {
    defaultValue = 0.0f;
}

CVerticalSwitch::~CVerticalSwitch() = default;

long CVerticalSwitch::imageIndex() {
    const float steps = static_cast<float>(iMaxPositions - 1);
    const float index = loadValue() * steps + 0.5f;
    return truncToLong(index);
}

void CVerticalSwitch::draw(CDrawContext* context) {
    if (pBackground) {
        // Rows beyond the strip are clipped away by the bitmap.
        const long row = truncToLong(static_cast<double>(imageIndex()) *
                                     static_cast<double>(heightOfOneImage));
        CPoint source(0, static_cast<int32_t>(row));
        if (bTransparencyEnabled)
            pBackground->drawTransparent(context, size, source);
        else
            pBackground->draw(context, size, source);
    }
    setDirty(false);
}

void CVerticalSwitch::mouse(CDrawContext* context, CPoint& where) {
    if (!bMouseEnabled || !context)
        return;

    const long button = context->getMouseButtons();
    if (!(button & kMouseLeft))
        return;
    if (button == (kMouseLeft | kModCommand)) {
        storeValue(getDefaultValue());
        reportIfDirty(context);
        return;
    }

    const double step = static_cast<double>(heightOfOneImage) / static_cast<double>(iMaxPositions);
    const bool mappable = iMaxPositions >= 2 && heightOfOneImage > 0;

    if (pParent)
        pParent->beginEdit(tag);
    do {
        float v = 0.0f;
        if (mappable) {
            const long k = truncToLong(static_cast<double>(where.v - size.top) / step);
            v = static_cast<float>(k) / static_cast<float>(iMaxPositions - 1);
        }
        if (v > 1.0f)
            v = 1.0f;
        else if (v < 0.0f)
            v = 0.0f;
        storeValue(v);
        reportIfDirty(context);

        context->getMouseLocation(where);
        doIdleStuff();
    } while (context->getMouseButtons() == button);
    if (pParent)
        pParent->endEdit(tag);
}
