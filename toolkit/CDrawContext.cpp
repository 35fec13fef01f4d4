#include "CDrawContext.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "CFrame.h"
#include "Port.h"
#include "Window.h"

namespace {

const char kSolidHex[] = "FFFFFFFFFFFFFFFF";
const char kDashedHex[] = "F0F0F0F00F0F0F0F";

// Selects a port for the duration of one operation and restores the port
// that was current before, whatever path the operation leaves by.
class PortScope {
public:
    explicit PortScope(platform::Port* port) : saved(platform::Port::current()) {
        if (port) platform::Port::setCurrent(port);
    }
    ~PortScope() { platform::Port::setCurrent(saved); }
    PortScope(const PortScope&) = delete;
    PortScope& operator=(const PortScope&) = delete;

private:
    platform::Port* saved;
};

platform::Rect toPlatform(const CRect& r) {
    platform::Rect out;
    CRect2Rect(r, out);
    return out;
}

CRect moved(const CRect& r, const CPoint& by) {
    return CRect(r.left + by.h, r.top + by.v, r.right + by.h, r.bottom + by.v);
}

} // namespace

CDrawContext::CDrawContext(CFrame* frame, void* systemContext, void* window)
    : systemContext(systemContext), window(window), frame(frame) {
    if (frame)
        frame->getViewSize(clipRect);
    else
        clipRect = CRect(0, 0, 1000, 1000);
    if (window) {
        setFrameColor(frameColor);
        setLineStyle(lineStyle);
        setFillColor(fillColor);
        setFontColor(fontColor);
    }
}

CDrawContext::~CDrawContext() = default;

void* CDrawContext::getPort() {
    if (!window) return nullptr;
    platform::Port* p = &static_cast<platform::Window*>(window)->port();
    if (!prepared) {
        p->setTextMode(platform::kTextTransparent);
        p->setPenMode(platform::kPenCopy);
        p->setFillPattern(platform::kSolidPattern);
        prepared = true;
    }
    return p;
}

void* CDrawContext::getBitmap() {
    platform::Port* p = port();
    if (p && p->lockPixels()) return p;
    return nullptr;
}

void CDrawContext::releaseBitmap() {
    platform::Port* p = port();
    if (p && p->isLocked()) p->unlockPixels();
}

platform::Window* CDrawContext::inputWindow() const {
    if (!bOffscreen) return static_cast<platform::Window*>(window);
    return frame ? frame->getPlatformWindow() : nullptr;
}

void CDrawContext::applyPen(platform::Port& p) {
    platform::PenState pen = p.penState();
    pen.width = int(frameWidth);
    pen.height = int(frameWidth);
    pen.pattern = platform::Pattern::fromHex(lineStyle == kLineStyleDashed ? kDashedHex : kSolidHex);
    pen.mode = drawMode == kDrawModeCopy ? int(platform::kPenCopy) : int(drawMode);
    p.setPenState(pen);
}

// ---- state ---------------------------------------------------------------

void CDrawContext::setLineStyle(CLineStyle style) {
    lineStyle = style;
    if (!window) return;
    platform::Port* p = port();
    if (!p) return;
    PortScope scope(p);
    p->setPenPattern(platform::Pattern::fromHex(style == kLineStyleDashed ? kDashedHex : kSolidHex));
}

void CDrawContext::setLineWidth(long width) {
    frameWidth = width;
    if (!window) return;
    platform::Port* p = port();
    if (!p) return;
    PortScope scope(p);
    p->setPenSize(int(width), int(width));
}

void CDrawContext::setDrawMode(CDrawMode mode) {
    if (mode == drawMode) return;
    drawMode = mode;
    if (!window) return;
    platform::Port* p = port();
    if (!p) return;
    PortScope scope(p);
    p->setPenMode(mode == kDrawModeCopy ? int(platform::kPenCopy) : int(mode));
}

void CDrawContext::setClipRect(const CRect& clip) {
    clipRect = clip;
    if (!window) return;
    platform::Port* p = port();
    if (!p) return;
    PortScope scope(p);
    p->setClip(toPlatform(clip));
}

void CDrawContext::resetClipRect() {
    CRect r(0, 0, 1000, 1000);
    if (frame) frame->getViewSize(r);
    setClipRect(r);
}

void CDrawContext::applyForeColor(CColor color) {
    if (!window) return;
    platform::Port* p = port();
    if (!p) return;
    PortScope scope(p);
    p->setForeColor(CColor2Rgb(color));
}

void CDrawContext::setFillColor(CColor color) {
    fillColor = color;
    applyForeColor(color);
}

void CDrawContext::setFrameColor(CColor color) {
    frameColor = color;
    applyForeColor(color);
}

void CDrawContext::setFontColor(CColor color) {
    fontColor = color;
    applyForeColor(color);
}

void CDrawContext::setFont(CFont newFont, long size, long style) {
    if (newFont < 0 || newFont >= kNumFonts) newFont = kFontSystem;
    font = newFont;
    fontSize = size != 0 ? size : standardFontSize[newFont];
    if (!window) return;
    platform::Port* p = port();
    if (!p) return;
    PortScope scope(p);
    p->setTextFace(int(style));
    p->setTextMode(platform::kTextOpaque);
    p->setTextSize(int(fontSize));
    p->setTextFont(fontFamilyNumber[newFont]);
    platform::FontInfo info = p->fontInfo();
    fontAscent = int16_t(info.ascent);
    fontDescent = int16_t(info.descent);
    fontWidMax = int16_t(info.widMax);
    fontLeading = int16_t(info.leading);
}

// ---- pen drawing ---------------------------------------------------------

void CDrawContext::moveTo(const CPoint& point) {
    penLoc = CPoint(point.h + offset.h, point.v + offset.v);
}

void CDrawContext::lineTo(const CPoint& point) {
    CPoint t(point.h + offset.h, point.v + offset.v);
    platform::Port* p = port();
    if (p) {
        PortScope scope(p);
        p->setForeColor(CColor2Rgb(frameColor));
        applyPen(*p);
        CPoint end = t;
        // Horizontal and vertical lines stop one pixel short of the target.
        if (t.v == penLoc.v)
            end.h = t.h > penLoc.h ? t.h - 1 : t.h + 1;
        else if (t.h == penLoc.h)
            end.v = t.v > penLoc.v ? t.v - 1 : t.v + 1;
        p->moveTo(penLoc.h, penLoc.v);
        p->lineTo(end.h, end.v);
    }
    penLoc = t;
}

void CDrawContext::polyLine(const CPoint* points, long count) {
    if (!points || count < 2) return;
    platform::Port* p = port();
    if (!p) return;
    PortScope scope(p);
    p->setForeColor(CColor2Rgb(frameColor));
    applyPen(*p);
    p->moveTo(points[0].h + offset.h, points[0].v + offset.v);
    for (long i = 1; i < count; i++) p->lineTo(points[i].h + offset.h, points[i].v + offset.v);
}

void CDrawContext::fillPolygon(const CPoint* points, long count) {
    if (!points || count < 3) return;
    platform::Port* p = port();
    if (!p) return;
    // Small polygons (the common case) need no allocation.
    constexpr long kLocal = 64;
    platform::Point local[kLocal];
    platform::Point* pts = local;
    platform::Point* heap = nullptr;
    if (count > kLocal) {
        heap = new (std::nothrow) platform::Point[size_t(count)];
        if (!heap) return;
        pts = heap;
    }
    for (long i = 0; i < count; i++) pts[i] = platform::Point{points[i].h + offset.h, points[i].v + offset.v};
    {
        PortScope scope(p);
        p->fillPoly(pts, int(count), CColor2Rgb(fillColor));
    }
    delete[] heap;
}

void CDrawContext::drawRect(const CRect& rect) {
    platform::Port* p = port();
    if (!p) return;
    CRect r = moved(rect, offset);
    PortScope scope(p);
    p->setForeColor(CColor2Rgb(frameColor));
    applyPen(*p);
    p->moveTo(r.left, r.top);
    p->lineTo(r.right, r.top);
    p->lineTo(r.right, r.bottom);
    p->lineTo(r.left, r.bottom);
    p->lineTo(r.left, r.top);
}

void CDrawContext::fillRect(const CRect& rect) {
    platform::Port* p = port();
    if (!p) return;
    CRect r = moved(rect, offset);
    // Inside the outline drawRect draws: the left column and top row stay out.
    CRect inner(r.left + 1, r.top + 1, r.right, r.bottom);
    PortScope scope(p);
    p->setForeColor(CColor2Rgb(fillColor));
    platform::Pattern pattern;
    std::memcpy(pattern.rows, fillPattern, sizeof pattern.rows);
    p->setFillPattern(pattern);
    p->fillRect(toPlatform(inner));
}

namespace {

// Start and sweep in the platform's terms: whole degrees, 0 at twelve
// o'clock, clockwise positive. Toolkit angles run counter-clockwise from
// three o'clock in 1/64 degree.
void platformArc(long start64, long sweep64, int& start, int& arc) {
    start = 90 - int(start64 / 64);
    arc = -int(sweep64 / 64);
}

} // namespace

void CDrawContext::drawArc(const CRect& rect, const CPoint& point1, const CPoint& point2) {
    platform::Port* p = port();
    if (!p) return;
    CRect r = moved(rect, offset);
    CPoint p1(point1.h + offset.h, point1.v + offset.v);
    CPoint p2(point2.h + offset.h, point2.v + offset.v);
    long start64 = 0, sweep64 = 23040;
    if (!(p1 == p2)) {
        CPoint c((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        long a1 = convertPoint2Angle(c, p1);
        long a2 = convertPoint2Angle(c, p2);
        start64 = a1;
        sweep64 = a2 - a1;
        if (sweep64 < 0) sweep64 += 23040;
    }
    int start, arc;
    platformArc(start64, sweep64, start, arc);
    PortScope scope(p);
    p->setForeColor(CColor2Rgb(frameColor));
    applyPen(*p);
    p->frameArc(toPlatform(r), start, arc);
}

void CDrawContext::fillArc(const CRect& rect, const CPoint& point1, const CPoint& point2) {
    platform::Port* p = port();
    if (!p) return;
    CRect r = moved(rect, offset);
    CPoint p1(point1.h + offset.h, point1.v + offset.v);
    CPoint p2(point2.h + offset.h, point2.v + offset.v);
    long start64 = 0, sweep64 = 23040;
    if (!(p1 == p2)) {
        CPoint c((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        long a1 = convertPoint2Angle(c, p1);
        long a2 = convertPoint2Angle(c, p2);
        start64 = a1;
        sweep64 = std::labs(a2 - a1);
    }
    int start, arc;
    platformArc(start64, sweep64, start, arc);
    PortScope scope(p);
    p->setForeColor(CColor2Rgb(fillColor));
    platform::Pattern pattern;
    std::memcpy(pattern.rows, fillPattern, sizeof pattern.rows);
    p->setFillPattern(pattern);
    p->fillArc(toPlatform(r), start, arc);
}

void CDrawContext::drawEllipse(const CRect& rect) {
    CPoint corner(rect.left, rect.top);
    drawArc(rect, corner, corner);
}

void CDrawContext::fillEllipse(const CRect& rect) {
    CPoint corner(rect.left, rect.top);
    fillArc(rect, corner, corner);
}

void CDrawContext::drawPoint(const CPoint& point, CColor color) {
    platform::Port* p = port();
    if (!p) return;
    long savedWidth = frameWidth;
    CColor savedColor = frameColor;
    frameWidth = 1;
    frameColor = color;
    {
        PortScope scope(p);
        p->setForeColor(CColor2Rgb(color));
        applyPen(*p);
        int h = point.h + offset.h, v = point.v + offset.v;
        p->moveTo(h, v);
        p->lineTo(h, v);
    }
    setLineWidth(savedWidth);
    setFrameColor(savedColor);
}

CColor CDrawContext::getPoint(const CPoint& point) {
    platform::Port* p = port();
    if (!p) return kBlackCColor;
    PortScope scope(p);
    return Rgb2CColor(p->getPixel(point.h + offset.h, point.v + offset.v));
}

void CDrawContext::floodFill(const CPoint& start) {
    platform::Port* p = port();
    if (!p) return;
    PortScope scope(p);
    p->seedFill(platform::Point{start.h + offset.h, start.v + offset.v}, CColor2Rgb(fillColor));
}

// ---- text ----------------------------------------------------------------

long CDrawContext::getStringWidth(const char* string) {
    if (!string) return 0;
    platform::Port* p = port();
    if (!p) return 0;
    PortScope scope(p);
    return p->textWidth(string, int(std::strlen(string)));
}

void CDrawContext::drawString(const char* string, const CRect& rect, short opaque,
                              CHoriTxtAlign align) {
    if (!string) return;
    platform::Port* p = port();
    if (!p) return;
    CRect r = moved(rect, offset);
    CRect visible = r;
    visible.bound(clipRect);
    if (visible.isEmpty()) return;

    PortScope scope(p);
    p->setTextMode(opaque ? platform::kTextOpaque : platform::kTextTransparent);
    p->setForeColor(CColor2Rgb(fontColor));
    p->setBackColor(CColor2Rgb(fillColor));

    int32_t height = r.bottom - r.top;
    int32_t y;
    if (height >= fontAscent + fontDescent)
        y = r.bottom - fontDescent - (height - fontAscent - fontDescent) / 2;
    else
        y = r.bottom - fontDescent;

    int length = int(std::strlen(string));
    int32_t width = p->textWidth(string, length);
    int32_t x;
    if (align == kAlignCenter)
        x = (r.left + r.right - width) / 2;
    else if (align == kAlignRight)
        x = r.right - width;
    else
        x = r.left;

    platform::Rect savedClip = p->clip();
    p->setClip(toPlatform(visible));
    p->moveTo(x, y);
    p->drawText(string, length);
    p->setClip(savedClip);
    p->setTextMode(platform::kTextTransparent);
}

// ---- mouse ---------------------------------------------------------------

long CDrawContext::getMouseButtons() {
    platform::Window* w = inputWindow();
    if (!w) return 0;
    platform::PointerState state = w->queryPointer();
    long buttons = 0;
    switch (state.button) {
    case platform::kButtonPrimary: buttons = kMouseLeft; break;
    case platform::kButtonSecondary: buttons = kMouseRight; break;
    case platform::kButtonMiddle: buttons = kMouseMiddle; break;
    default: break;
    }
    if (state.modifiers & platform::kModifierCommand) buttons |= kModCommand;
    if (state.modifiers & platform::kModifierShift) buttons |= kModShift;
    if (state.modifiers & platform::kModifierOption) buttons |= kModOption;
    if (state.modifiers & platform::kModifierControl) buttons |= kModControl;
    // A control-click reports as a right click without the control key.
    if ((buttons & kMouseLeft) && (buttons & kModControl)) {
        buttons &= ~long(kMouseLeft | kModControl);
        buttons |= kMouseRight;
    }
    return buttons;
}

void CDrawContext::getMouseLocation(CPoint& point) {
    platform::Window* w = inputWindow();
    platform::Point where{0, 0};
    if (w) where = w->queryPointer().where;
    point = CPoint(where.h - offsetScreen.h, where.v - offsetScreen.v);
}

bool CDrawContext::waitDoubleClick() {
    platform::Window* w = inputWindow();
    if (!w) return false;
    platform::Backend& b = platform::backend();
    uint32_t d = b.doubleClickTicks();
    uint32_t start = b.tickCount();
    // Elapsed ticks are taken modulo 2^32, so the clock's wrap does not stall.
    while (w->queryPointer().button != platform::kButtonNone && b.tickCount() - start < d / 2)
        b.delay(1);
    platform::MouseEvent event;
    if (!w->takeMouseEvent(platform::kMaskMouseUp, &event)) return false;
    while (w->queryPointer().button == platform::kButtonNone && b.tickCount() - start < d)
        b.delay(1);
    return w->takeMouseEvent(platform::kMaskMouseDown, &event);
}

bool CDrawContext::waitDrag() {
    if (!frame) return false;
    CPoint m;
    getMouseLocation(m);
    CRect square(m.h - 2, m.v - 2, m.h + 2, m.v + 2);
    while (getMouseButtons() == kMouseLeft) {
        frame->doIdleStuff();
        CPoint now;
        getMouseLocation(now);
        if (!square.pointInside(now)) return true;
    }
    return false;
}

// ---- angles --------------------------------------------------------------

long convertPoint2Angle(CPoint& centre, CPoint& point) {
    if (point.h == centre.h) return point.v < centre.v ? 5760 : 17280;
    if (point.v == centre.v) return point.h < centre.h ? 11520 : 0;
    double ratio = double(centre.v - point.v) / double(point.h - centre.h);
    long x = long(std::atan(ratio) * 3666.9298);
    if (point.h < centre.h) return x + 11520;
    if (point.v > centre.v) return x + 23040;
    return x;
}
