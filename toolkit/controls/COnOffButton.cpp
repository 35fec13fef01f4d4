#include "COnOffButton.h"

#include <cmath>

#include "CBitmap.h"
#include "CDrawContext.h"

COnOffButton::COnOffButton(const CRect& size, CControlListener* listener, long tag,
                           CBitmap* background)
    : CControl(size, listener, tag, background) {}

COnOffButton::~COnOffButton() = default;

long COnOffButton::sourceRow() {
    if (loadValue() == 0.0f || !pBackground)
        return 0;
    return pBackground->getHeight() / 2;
}

void COnOffButton::draw(CDrawContext* context) {
    const long row = sourceRow();
    if (pBackground) {
        CPoint source(0, static_cast<int32_t>(row));
        if (bTransparencyEnabled)
            pBackground->drawTransparent(context, size, source);
        else
            pBackground->draw(context, size, source);
    }
    setDirty(false);
}

void COnOffButton::mouse(CDrawContext* context, CPoint& where) {
    (void)where;
    if (!bMouseEnabled || !context)
        return;
    if (!(context->getMouseButtons() & kMouseLeft))
        return;
    // std::trunc keeps NaN and huge values defined; NaN counts as "on".
    storeValue(std::trunc(loadValue()) == 0.0f ? 1.0f : 0.0f);
    doIdleStuff();
    if (listener)
        listener->valueChanged(context, this);
}
