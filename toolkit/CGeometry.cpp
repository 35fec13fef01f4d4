#include "CGeometry.h"

#include "PlatformTypes.h"

const int32_t standardFontSize[kNumFonts] = {12, 18, 14, 12, 10, 9, 9, 12};
const int32_t fontFamilyNumber[kNumFonts] = {0, 21, 21, 21, 21, 3, 21, 23};

bool CRect::pointInside(const CPoint& p) const {
    return left <= p.h && p.h < right && top <= p.v && p.v < bottom;
}

bool CRect::isEmpty() const {
    return right <= left || bottom <= top;
}

CRect& CRect::bound(const CRect& r) {
    if (left < r.left) left = r.left;
    if (top < r.top) top = r.top;
    if (right > r.right) right = r.right;
    if (bottom > r.bottom) bottom = r.bottom;
    if (bottom < top) bottom = top;
    if (right < left) right = left;
    return *this;
}

bool CRect::rectOverlap(const CRect& r) const {
    return right >= r.left && left <= r.right && bottom >= r.top && top <= r.bottom;
}

void CRect2Rect(const CRect& cr, platform::Rect& rr) {
    rr.left = int16_t(uint16_t(uint32_t(cr.left) & 0xFFFFu));
    rr.top = int16_t(uint16_t(uint32_t(cr.top) & 0xFFFFu));
    rr.right = int16_t(uint16_t(uint32_t(cr.right) & 0xFFFFu));
    rr.bottom = int16_t(uint16_t(uint32_t(cr.bottom) & 0xFFFFu));
}

void Rect2CRect(const platform::Rect& rr, CRect& cr) {
    cr.left = int16_t(uint16_t(uint32_t(rr.left) & 0xFFFFu));
    cr.top = int16_t(uint16_t(uint32_t(rr.top) & 0xFFFFu));
    cr.right = int16_t(uint16_t(uint32_t(rr.right) & 0xFFFFu));
    cr.bottom = int16_t(uint16_t(uint32_t(rr.bottom) & 0xFFFFu));
}

void CColor2RGBColor(const CColor& cc, RGBColor& rgb) {
    rgb.red = uint16_t(cc.red * 257);
    rgb.green = uint16_t(cc.green * 257);
    rgb.blue = uint16_t(cc.blue * 257);
}

void RGBColor2CColor(const RGBColor& rgb, CColor& cc) {
    cc.red = uint8_t(rgb.red / 257);
    cc.green = uint8_t(rgb.green / 257);
    cc.blue = uint8_t(rgb.blue / 257);
}

platform::Rgb RGBColor2Rgb(const RGBColor& rgb) {
    return platform::Rgb{uint8_t(rgb.red / 257), uint8_t(rgb.green / 257), uint8_t(rgb.blue / 257)};
}

platform::Rgb CColor2Rgb(const CColor& cc) {
    RGBColor rgb;
    CColor2RGBColor(cc, rgb);
    return RGBColor2Rgb(rgb);
}

CColor Rgb2CColor(const platform::Rgb& rgb) {
    return CColor{rgb.red, rgb.green, rgb.blue, 0};
}
