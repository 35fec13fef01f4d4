#include "CSlider.h"

#include <new>

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"
#include "COffscreenContext.h"

namespace {
// Virtual keys and the shift bit of the host's key record.
constexpr unsigned char kVirtKeyLeft = 11;
constexpr unsigned char kVirtKeyUp = 12;
constexpr unsigned char kVirtKeyRight = 13;
constexpr unsigned char kVirtKeyDown = 14;
constexpr unsigned char kKeyModifierShift = 1;
}  // namespace

CSlider::CSlider(const CRect& size, CControlListener* listener, long tag, long iMinPos,
                 long iMaxPos, CBitmap* handle, CBitmap* background, CPoint& offset, long style)
    : CControl(size, listener, tag, background),
      offset(offset),
      style(style),
      widthControl(size.right - size.left),
      heightControl(size.bottom - size.top) {
    takeHandle(handle);
    rangeHandle = iMaxPos - iMinPos;
    minPos = isHorizontal() ? iMinPos - size.left : iMinPos - size.top;
    CPoint origin(0, 0);
    setOffsetHandle(origin);
}

CSlider::CSlider(const CRect& size, CControlListener* listener, long tag, CPoint& offsetHandle,
                 long travelLength, CBitmap* handle, CBitmap* background, CPoint& offset,
                 long style)
    : CControl(size, listener, tag, background),
      offset(offset),
      style(style),
      widthControl(size.right - size.left),
      heightControl(size.bottom - size.top) {
    takeHandle(handle);
    minPos = 0;
    rangeHandle = travelLength - (isHorizontal() ? widthOfSlider : heightOfSlider);
    setOffsetHandle(offsetHandle);
}

CSlider::~CSlider() {
    if (pHandle)
        pHandle->forget();
}

void CSlider::takeHandle(CBitmap* handle) {
    pHandle = handle;
    if (pHandle) {
        pHandle->remember();
        widthOfSlider = pHandle->getWidth();
        heightOfSlider = pHandle->getHeight();
    } else {
        widthOfSlider = 1;
        heightOfSlider = 1;
    }
}

void CSlider::setOffsetHandle(CPoint& val) {
    offsetHandle = val;
    if (isHorizontal()) {
        minTmp = offsetHandle.h + minPos;
        maxTmp = minTmp + rangeHandle + widthOfSlider;
    } else {
        minTmp = offsetHandle.v + minPos;
        maxTmp = minTmp + rangeHandle + heightOfSlider;
    }
}

void CSlider::setHandle(CBitmap* handle) {
    if (handle)
        handle->remember();
    if (pHandle)
        pHandle->forget();
    pHandle = handle;
    if (pHandle) {
        widthOfSlider = pHandle->getWidth();
        heightOfSlider = pHandle->getHeight();
    }
}

CBitmap* CSlider::getHandle() { return pHandle; }
void CSlider::setDrawTransparentHandle(bool val) { bDrawTransparentEnabled = val; }
void CSlider::setFreeClick(bool val) { bFreeClick = val; }
bool CSlider::getFreeClick() { return bFreeClick; }
void CSlider::setZoomFactor(float val) { zoomFactor = val; }
float CSlider::getZoomFactor() { return zoomFactor; }

bool CSlider::attached(CView* parent) {
    delete pOScreen;
    pOScreen = new (std::nothrow) COffscreenContext(pParent, widthControl, heightControl, kBlackCColor);
    return CControl::attached(parent);
}

bool CSlider::removed(CView* parent) {
    delete pOScreen;
    pOScreen = nullptr;
    return CControl::removed(parent);
}

float CSlider::handleFraction() {
    const float current = loadValue();
    return (style & (kStyleLeft | kStyleTop)) ? current : 1.0f - current;
}

long CSlider::handleShift() {
    return truncToLong(handleFraction() * static_cast<float>(rangeHandle));
}

CRect CSlider::handleRect() {
    CRect r;
    if (isHorizontal()) {
        r.top = offsetHandle.v;
        r.bottom = r.top + heightOfSlider;
        r.left = offsetHandle.h + handleShift();
        if (r.left < minTmp)
            r.left = minTmp;
        r.right = r.left + widthOfSlider;
        if (r.right > maxTmp)
            r.right = maxTmp;
    } else {
        r.left = offsetHandle.h;
        r.right = r.left + widthOfSlider;
        r.top = offsetHandle.v + handleShift();
        if (r.top < minTmp)
            r.top = minTmp;
        r.bottom = r.top + heightOfSlider;
        if (r.bottom > maxTmp)
            r.bottom = maxTmp;
    }
    return r;
}

void CSlider::draw(CDrawContext* context) {
    // Only attached sliders have a surface to compose in; the toolkit draws
    // attached views only, so an unattached one just counts as drawn.
    if (pOScreen) {
        if (pBackground) {
            CRect whole(0, 0, widthControl, heightControl);
            if (bTransparencyEnabled)
                pBackground->drawTransparent(pOScreen, whole, offset);
            else
                pBackground->draw(pOScreen, whole, offset);
        }
        CRect rectNew = handleRect();
        if (pHandle) {
            if (bDrawTransparentEnabled)
                pHandle->drawTransparent(pOScreen, rectNew, CPoint(0, 0));
            else
                pHandle->draw(pOScreen, rectNew, CPoint(0, 0));
        }
        pOScreen->copyFrom(context, size, CPoint(0, 0));
    }
    setDirty(false);
}

void CSlider::mouse(CDrawContext* context, CPoint& where) {
    if (!bMouseEnabled || !context)
        return;

    long button = context->getMouseButtons();
    if (button == (kMouseLeft | kModCommand)) {
        storeValue(getDefaultValue());
        reportIfDirty(context);
        return;
    }
    if (!(button & kMouseLeft))
        return;
    // Without travel there is no position-to-value mapping.
    if (rangeHandle == 0)
        return;

    const bool horizontal = isHorizontal();
    long delta = horizontal ? size.left + offsetHandle.h : size.top + offsetHandle.v;
    if (!bFreeClick) {
        const long shift = handleShift();
        CRect r;
        if (horizontal) {
            r.top = size.top + offsetHandle.v;
            r.bottom = r.top + heightOfSlider;
            r.left = size.left + offsetHandle.h + shift;
            r.right = r.left + widthOfSlider;
        } else {
            r.left = size.left + offsetHandle.h;
            r.right = r.left + widthOfSlider;
            r.top = size.top + offsetHandle.v + shift;
            r.bottom = r.top + heightOfSlider;
        }
        if (where.h < r.left || where.h > r.right || where.v < r.top || where.v > r.bottom)
            return;
        delta += horizontal ? where.h - r.left : where.v - r.top;
    } else {
        delta += (horizontal ? widthOfSlider : heightOfSlider) / 2 - 1;
    }

    float anchor = loadValue();
    long rememberedButton = button;

    if (pParent) {
        pParent->beginEdit(tag);
        pParent->setEditView(this);
    }

    while (true) {
        button = context->getMouseButtons();
        if (!(button & kMouseLeft))
            break;

        if (!(button & kModShift)) {
            anchor = loadValue();
        } else if (button != rememberedButton) {
            anchor = loadValue();
            rememberedButton = button;
        }

        const long position = horizontal ? where.h : where.v;
        float v = static_cast<float>(position - delta) / static_cast<float>(rangeHandle);
        if (style & (kStyleRight | kStyleBottom))
            v = 1.0f - v;
        if (button & kModShift)
            v = anchor + (v - anchor) / zoomFactor;
        storeValue(v);
        bounceValue();
        reportIfDirty(context);

        context->getMouseLocation(where);
        doIdleStuff();
    }

    if (pParent)
        pParent->endEdit(tag);
}

bool CSlider::onWheel(CDrawContext* context, const CPoint& where, float distance) {
    (void)where;
    if (!bMouseEnabled)
        return false;
    const long button = context ? context->getMouseButtons() : 0;
    if (button & kModShift)
        storeValue(loadValue() + distance * 0.1f * wheelInc);
    else
        storeValue(loadValue() + distance * wheelInc);
    bounceValue();
    reportIfDirty(context);
    return true;
}

long CSlider::onKeyDown(VstKeyCode& keyCode) {
    float distance;
    switch (keyCode.virt) {
    case kVirtKeyUp:
    case kVirtKeyRight:
        distance = 1.0f;
        break;
    case kVirtKeyDown:
    case kVirtKeyLeft:
        distance = -1.0f;
        break;
    default:
        return -1;
    }
    if (keyCode.modifier & kKeyModifierShift)
        storeValue(loadValue() + distance * 0.1f * wheelInc);
    else
        storeValue(loadValue() + distance * wheelInc);
    bounceValue();
    reportIfDirty(nullptr);
    return 1;
}

CVerticalSlider::CVerticalSlider(const CRect& size, CControlListener* listener, long tag,
                                 long iMinPos, long iMaxPos, CBitmap* handle,
                                 CBitmap* background, CPoint& offset, long style)
    : CSlider(size, listener, tag, iMinPos, iMaxPos, handle, background, offset,
              style | kStyleVertical) {}

CVerticalSlider::CVerticalSlider(const CRect& size, CControlListener* listener, long tag,
                                 CPoint& offsetHandle, long travelLength, CBitmap* handle,
                                 CBitmap* background, CPoint& offset, long style)
    : CSlider(size, listener, tag, offsetHandle, travelLength, handle, background, offset,
              style | kStyleVertical) {}

CHorizontalSlider::CHorizontalSlider(const CRect& size, CControlListener* listener, long tag,
                                     long iMinPos, long iMaxPos, CBitmap* handle,
                                     CBitmap* background, CPoint& offset, long style)
    : CSlider(size, listener, tag, iMinPos, iMaxPos, handle, background, offset,
              style | kStyleHorizontal) {}

CHorizontalSlider::CHorizontalSlider(const CRect& size, CControlListener* listener, long tag,
                                     CPoint& offsetHandle, long travelLength, CBitmap* handle,
                                     CBitmap* background, CPoint& offset, long style)
    : CSlider(size, listener, tag, offsetHandle, travelLength, handle, background, offset,
              style | kStyleHorizontal) {}
