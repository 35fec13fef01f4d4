#include "CControl.h"

#include <cmath>

#include "CBitmap.h"
#include "CFrame.h"

CControl::CControl(const CRect& size, CControlListener* listener, long tag, CBitmap* background)
    : CView(size), listener(listener), tag(tag), pBackground(background) {
    if (pBackground)
        pBackground->remember();
}

CControl::~CControl() {
    if (pBackground)
        pBackground->forget();
}

bool CControl::isDirty() {
    // A NaN value compares unequal to everything, so it is always dirty.
    return loadValue() != oldValue || bDirty;
}

void CControl::setDirty(bool val) {
    CView::setDirty(val);
    const float current = loadValue();
    if (val)
        oldValue = current == -1.0f ? 0.0f : -1.0f;
    else
        oldValue = current;
}

void CControl::doIdleStuff() {
    if (pParent)
        pParent->doIdleStuff();
}

void CControl::setValue(float val) { storeValue(val); }
float CControl::getValue() { return loadValue(); }
void CControl::setMin(float val) { vmin = val; }
float CControl::getMin() { return vmin; }
void CControl::setMax(float val) { vmax = val; }
float CControl::getMax() { return vmax; }
void CControl::setOldValue(float val) { oldValue = val; }
float CControl::getOldValue() { return oldValue; }
void CControl::setDefaultValue(float val) { defaultValue = val; }
float CControl::getDefaultValue() { return defaultValue; }
void CControl::setTag(long val) { tag = val; }

void CControl::setBackground(CBitmap* background) {
    if (background)
        background->remember();
    if (pBackground)
        pBackground->forget();
    pBackground = background;
}

CBitmap* CControl::getBackground() { return pBackground; }
void CControl::setWheelInc(float val) { wheelInc = val; }
float CControl::getWheelInc() { return wheelInc; }

void CControl::bounceValue() {
    const float current = loadValue();
    if (current > vmax)
        storeValue(vmax);
    else if (current < vmin)
        storeValue(vmin);
}

void CControl::reportIfDirty(CDrawContext* context) {
    if (isDirty() && listener)
        listener->valueChanged(context, this);
}

long CControl::truncToLong(double x) {
    constexpr double kLimit = 1073741824.0;   // 2^30
    if (std::isnan(x))
        return 0;
    if (x >= kLimit)
        return 1L << 30;
    if (x <= -kLimit)
        return -(1L << 30);
    return static_cast<long>(x);
}
