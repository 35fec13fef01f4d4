#include "CView.h"

#include "CFrame.h"

CView::CView(const CRect& size) : size(size), mouseableArea(size) {}

CView::~CView() = default;

void CView::draw(CDrawContext* context) {
    (void)context;
    setDirty(false);
}

void CView::drawRect(CDrawContext* context, CRect& updateRect) {
    (void)updateRect;
    draw(context);
}

bool CView::checkUpdate(CRect& updateRect) {
    return updateRect.rectOverlap(size);
}

void CView::mouse(CDrawContext* context, CPoint& where) {
    (void)context;
    (void)where;
}

void CView::update(CDrawContext* context) {
    if (isDirty()) {
        draw(context);
        setDirty(false);
    }
}

void CView::notify(CView* sender, const char* message) {
    (void)sender;
    (void)message;
}

long CView::onKeyDown(VstKeyCode& keyCode) {
    (void)keyCode;
    return -1;
}

long CView::onKeyUp(VstKeyCode& keyCode) {
    (void)keyCode;
    return -1;
}

bool CView::onDrop(void** ptrItems, long count, long type, CPoint& where) {
    (void)ptrItems;
    (void)count;
    (void)type;
    (void)where;
    return false;
}

bool CView::onWheel(CDrawContext* context, const CPoint& where, float distance) {
    (void)context;
    (void)where;
    (void)distance;
    return false;
}

void CView::looseFocus(CDrawContext* context) { (void)context; }

void CView::takeFocus(CDrawContext* context) { (void)context; }

bool CView::isDirty() { return bDirty; }

void CView::setDirty(bool val) { bDirty = val; }

void CView::setMouseEnabled(bool enable) { bMouseEnabled = enable; }

bool CView::getMouseEnabled() { return bMouseEnabled; }

void CView::setMouseableArea(const CRect& rect) { mouseableArea = rect; }

CRect& CView::getMouseableArea(CRect& rect) {
    rect = mouseableArea;
    return rect;
}

bool CView::hitTest(const CPoint& where) {
    return where.h >= size.left && where.h <= size.right && where.v >= size.top &&
           where.v <= size.bottom;
}

void CView::setTransparency(bool val) { bTransparencyEnabled = val; }

bool CView::getTransparency() { return bTransparencyEnabled; }

void CView::setViewSize(CRect& rect) {
    size = rect;
    setDirty(true);
}

CRect& CView::getViewSize(CRect& rect) {
    rect = size;
    return rect;
}

void CView::setParent(CFrame* frame) { pParent = frame; }

void CView::setParentView(CView* view) { pParentView = view; }

void* CView::getEditor() {
    return pParent ? pParent->getEditor() : nullptr;
}

bool CView::removed(CView* parent) {
    (void)parent;
    return true;
}

bool CView::attached(CView* parent) {
    (void)parent;
    return true;
}

void CView::forget() {
    if (nbReference > 0) {
        nbReference--;
        if (nbReference == 0) delete this;
    }
}

void CView::remember() { nbReference++; }

long CView::getNbReference() { return nbReference; }

void CView::redraw() {
    if (pParent) pParent->draw(this);
}
