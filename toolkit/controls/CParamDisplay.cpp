#include "CParamDisplay.h"

#include <cstdio>

#include "CBitmap.h"
#include "CDrawContext.h"

namespace {
constexpr int kTextSize = 256;
}

CParamDisplay::CParamDisplay(const CRect& size, CBitmap* background, const long style)
    : CControl(size, nullptr, 0, background), style(style) {
    if (style & kStyleNoDraw)
        setDirty(false);
}

CParamDisplay::~CParamDisplay() = default;

bool CParamDisplay::sameColor(const CColor& a, const CColor& b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

void CParamDisplay::setFont(CFont val) {
    if (fontID != val)
        setDirty(true);
    fontID = val;
}

void CParamDisplay::setFontColor(CColor color) {
    if (!sameColor(fontColor, color))
        setDirty(true);
    fontColor = color;
}

void CParamDisplay::setBackColor(CColor color) {
    if (!sameColor(backColor, color))
        setDirty(true);
    backColor = color;
}

void CParamDisplay::setFrameColor(CColor color) {
    if (!sameColor(frameColor, color))
        setDirty(true);
    frameColor = color;
}

void CParamDisplay::setShadowColor(CColor color) {
    if (!sameColor(shadowColor, color))
        setDirty(true);
    shadowColor = color;
}

void CParamDisplay::setHoriAlign(CHoriTxtAlign hAlign) {
    if (horiTxtAlign != hAlign)
        setDirty(true);
    horiTxtAlign = hAlign;
}

void CParamDisplay::setBackOffset(CPoint& offset) { backOffset = offset; }
void CParamDisplay::setStringConvert(StringConvert convert) { stringConvert = convert; }

void CParamDisplay::setStringConvert(StringConvertWithData convert, void* data) {
    stringConvert2 = convert;
    userData = data;
}

void CParamDisplay::setString2FloatConvert(String2FloatConvert convert) {
    string2FloatConvert = convert;
}

void CParamDisplay::setStyle(long val) {
    if (style != val)
        setDirty(true);
    style = val;
}

void CParamDisplay::setTxtFace(CTxtFace val) {
    if (txtFace != val)
        setDirty(true);
    txtFace = val;
}

void CParamDisplay::setTextTransparency(bool val) { bTextTransparencyEnabled = val; }

void CParamDisplay::draw(CDrawContext* context) {
    char string[kTextSize];
    const float current = loadValue();
    if (stringConvert2) {
        string[0] = 0;
        stringConvert2(current, string, userData);
    } else if (stringConvert) {
        string[0] = 0;
        stringConvert(current, string);
    } else {
        std::snprintf(string, sizeof string, "%2.2f", static_cast<double>(current));
    }
    // A converter is trusted to stay inside the buffer; terminate anyway so a
    // missing NUL cannot make the text run on.
    string[kTextSize - 1] = 0;
    drawText(context, string);
}

void CParamDisplay::drawText(CDrawContext* context, char* string, CBitmap* newBack) {
    setDirty(false);
    if (style & kStyleNoDraw)
        return;

    CBitmap* back = newBack ? newBack : pBackground;
    if (back) {
        if (bTransparencyEnabled)
            back->drawTransparent(context, size, backOffset);
        else
            back->draw(context, size, backOffset);
    } else if (!bTransparencyEnabled) {
        context->setFillColor(backColor);
        context->fillRect(size);
        if (!(style & (kStyle3DIn | kStyle3DOut))) {
            context->setFrameColor(frameColor);
            context->drawRect(size);
        }
    }

    if (style & (kStyle3DIn | kStyle3DOut)) {
        const bool sunken = (style & kStyle3DIn) != 0;
        context->setFrameColor(sunken ? backColor : frameColor);
        context->moveTo(CPoint(size.left, size.bottom));
        context->lineTo(CPoint(size.left, size.top));
        context->lineTo(CPoint(size.right + 1, size.top));
        context->setFrameColor(sunken ? frameColor : backColor);
        context->moveTo(CPoint(size.right, size.top + 1));
        context->lineTo(CPoint(size.right, size.bottom));
        context->lineTo(CPoint(size.left, size.bottom));
    }

    if (style & kStyleNoText)
        return;

    context->setFont(fontID, 0, txtFace);
    const short opaque = bTextTransparencyEnabled ? 0 : 1;
    if (style & kStyleShadowText) {
        CRect shadow = size;
        shadow.offset(1, 1);
        context->setFontColor(shadowColor);
        context->drawString(string, shadow, opaque, horiTxtAlign);
    }
    context->setFontColor(fontColor);
    context->drawString(string, size, opaque, horiTxtAlign);
}
