#include "CViewContainer.h"

#include <new>

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"
#include "COffscreenContext.h"

CCView::CCView(CView* view) : pView(view) {
    if (pView) pView->remember();
}

CCView::~CCView() {
    if (pView) pView->forget();
}

void modifyDrawContext(long save[4], CDrawContext* context, CRect& rect) {
    CPoint screen = context->getOffsetScreen();
    CPoint offset = context->getOffset();
    save[0] = screen.h;
    save[1] = screen.v;
    save[2] = offset.h;
    save[3] = offset.v;
    // Adding (rather than setting) lets directly drawing containers nest;
    // on a context whose offsets are (0, 0) both become the corner.
    context->setOffsetScreen(CPoint(screen.h + rect.left, screen.v + rect.top));
    context->setOffset(CPoint(offset.h + rect.left, offset.v + rect.top));
}

void restoreDrawContext(CDrawContext* context, long save[4]) {
    context->setOffsetScreen(CPoint(int32_t(save[0]), int32_t(save[1])));
    context->setOffset(CPoint(int32_t(save[2]), int32_t(save[3])));
}

CViewContainer::CViewContainer(const CRect& rect, CFrame* frame, CBitmap* background)
    : CView(rect), pBackground(background) {
    pParent = frame;
    if (pBackground) pBackground->remember();
}

CViewContainer::~CViewContainer() {
    if (pBackground) pBackground->forget();
    pBackground = nullptr;
    removeAll(true);
    delete pOffscreenContext;
    pOffscreenContext = nullptr;
}

void CViewContainer::ensureOffscreen() {
    if (bDrawInOffscreen && !pOffscreenContext) {
        pOffscreenContext =
            new (std::nothrow) COffscreenContext(pParent, size.width(), size.height(), kBlackCColor);
    }
}

void CViewContainer::drawBackgroundRect(CDrawContext* target, const CRect& local) {
    CRect r = local;
    if (pBackground) {
        CPoint from(backgroundOffset.h + local.left, backgroundOffset.v + local.top);
        if (bTransparencyEnabled)
            pBackground->drawTransparent(target, r, from);
        else
            pBackground->draw(target, r, from);
    } else if (!bTransparencyEnabled) {
        // fillRect leaves out the left column and the top row; widening by
        // one there paints exactly the pixels of local.
        target->setFillColor(backgroundColor);
        target->fillRect(CRect(r.left - 1, r.top - 1, r.right, r.bottom));
    }
}

void CViewContainer::draw(CDrawContext* context) {
    ensureOffscreen();
    CDrawContext* target = context;
    long save[4] = {};
    bool offscreen = bDrawInOffscreen && pOffscreenContext;
    if (offscreen)
        target = pOffscreenContext;
    else if (context)
        modifyDrawContext(save, context, size);

    if (target) {
        drawBackgroundRect(target, CRect(0, 0, size.width(), size.height()));
        for (CCView* node = pFirstView; node; node = node->pNext) node->pView->draw(target);
    }

    if (offscreen) {
        if (context) pOffscreenContext->copyFrom(context, size, CPoint(0, 0));
    } else if (context) {
        restoreDrawContext(context, save);
    }
    setDirty(false);
}

void CViewContainer::drawRect(CDrawContext* context, CRect& updateRect) {
    ensureOffscreen();
    CDrawContext* target = context;
    long save[4] = {};
    bool offscreen = bDrawInOffscreen && pOffscreenContext;
    if (offscreen)
        target = pOffscreenContext;
    else if (context)
        modifyDrawContext(save, context, size);

    CRect clipped = updateRect;
    clipped.bound(size);
    CRect local = clipped;
    local.offset(-size.left, -size.top);

    if (target) {
        drawBackgroundRect(target, local);
        for (CCView* node = pFirstView; node; node = node->pNext)
            if (node->pView->checkUpdate(local)) node->pView->draw(target);
    }

    if (offscreen) {
        if (context) pOffscreenContext->copyFrom(context, clipped, CPoint(local.left, local.top));
    } else if (context) {
        restoreDrawContext(context, save);
    }
    setDirty(false);
}

void CViewContainer::update(CDrawContext* context) {
    switch (mode) {
    case kContainerRedrawAll:
        if (isDirty()) draw(context);
        break;
    case kContainerUpdateDirty:
        if (bDirty) {
            draw(context);
        } else if (bDrawInOffscreen && pOffscreenContext) {
            bool something = isDirty();
            for (CCView* node = pFirstView; node; node = node->pNext)
                node->pView->update(pOffscreenContext);
            if (something && context)
                pOffscreenContext->copyFrom(context, size, CPoint(0, 0));
        } else if (context) {
            long save[4] = {};
            modifyDrawContext(save, context, size);
            for (CCView* node = pFirstView; node; node = node->pNext) node->pView->update(context);
            restoreDrawContext(context, save);
        }
        setDirty(false);
        break;
    default:
        break;
    }
}

void CViewContainer::mouse(CDrawContext* context, CPoint& where) {
    CPoint local(where.h - size.left, where.v - size.top);
    long save[4] = {};
    if (context) modifyDrawContext(save, context, size);
    for (CCView* node = pLastView; node; node = node->pPrevious) {
        CView* view = node->pView;
        if (view->getMouseEnabled() && view->hitTest(local)) {
            view->mouse(context, local);
            break;
        }
    }
    if (context) restoreDrawContext(context, save);
}

long CViewContainer::onKeyDown(VstKeyCode& keyCode) {
    for (CCView* node = pLastView; node; node = node->pPrevious) {
        long result = node->pView->onKeyDown(keyCode);
        if (result != -1) return result;
    }
    return -1;
}

long CViewContainer::onKeyUp(VstKeyCode& keyCode) {
    for (CCView* node = pLastView; node; node = node->pPrevious) {
        long result = node->pView->onKeyUp(keyCode);
        if (result != -1) return result;
    }
    return -1;
}

bool CViewContainer::onDrop(void** ptrItems, long count, long type, CPoint& where) {
    if (!pParent) return false;
    CPoint local(where.h - size.left, where.v - size.top);
    for (CCView* node = pLastView; node; node = node->pPrevious) {
        CView* view = node->pView;
        CRect area;
        view->getMouseableArea(area);
        bool inside = local.h >= area.left && local.h <= area.right && local.v >= area.top &&
                      local.v <= area.bottom;
        if (view->getMouseEnabled() && inside && view->onDrop(ptrItems, count, type, local))
            return true;
    }
    return false;
}

bool CViewContainer::onWheel(CDrawContext* context, const CPoint& where, float distance) {
    CView* view = getCurrentView();
    if (!view) return false;
    CPoint local(where.h - size.left, where.v - size.top);
    long save[4] = {};
    if (context) modifyDrawContext(save, context, size);
    bool result = view->onWheel(context, local, distance);
    if (context) restoreDrawContext(context, save);
    return result;
}

void CViewContainer::looseFocus(CDrawContext* context) {
    for (CCView* node = pFirstView; node; node = node->pNext) node->pView->looseFocus(context);
}

void CViewContainer::takeFocus(CDrawContext* context) {
    for (CCView* node = pFirstView; node; node = node->pNext) node->pView->takeFocus(context);
}

bool CViewContainer::isDirty() {
    if (bDirty) return true;
    for (CCView* node = pFirstView; node; node = node->pNext)
        if (node->pView->isDirty()) return true;
    return false;
}

bool CViewContainer::hitTest(const CPoint& where) {
    return CView::hitTest(where);
}

void CViewContainer::setViewSize(CRect& rect) {
    CView::setViewSize(rect);
    if (pOffscreenContext) {
        delete pOffscreenContext;
        pOffscreenContext =
            new (std::nothrow) COffscreenContext(pParent, size.width(), size.height(), kBlackCColor);
    }
}

bool CViewContainer::removed(CView* parent) {
    (void)parent;
    delete pOffscreenContext;
    pOffscreenContext = nullptr;
    return true;
}

bool CViewContainer::attached(CView* parent) {
    (void)parent;
    ensureOffscreen();
    return true;
}

void CViewContainer::addView(CView* view) {
    if (!view) return;
    CCView* node = new (std::nothrow) CCView(view);
    if (!node) return;
    view->setParentView(this);
    view->setParent(pParent);
    node->pPrevious = pLastView;
    if (pLastView)
        pLastView->pNext = node;
    else
        pFirstView = node;
    pLastView = node;
    view->attached(this);
    view->setDirty(true);
}

void CViewContainer::addView(CView* view, CRect& area, bool mouseEnabled) {
    if (!view) return;
    view->setMouseEnabled(mouseEnabled);
    view->setMouseableArea(area);
    addView(view);
}

void CViewContainer::unlink(CCView* node) {
    if (node->pPrevious)
        node->pPrevious->pNext = node->pNext;
    else
        pFirstView = node->pNext;
    if (node->pNext)
        node->pNext->pPrevious = node->pPrevious;
    else
        pLastView = node->pPrevious;
}

void CViewContainer::removeView(CView* view, const bool& withForget) {
    CCView* node = pFirstView;
    while (node) {
        CCView* next = node->pNext;
        if (node->pView == view) {
            // Unlink first so that the view's removed() sees a consistent list.
            unlink(node);
            view->removed(this);
            if (withForget) view->forget();
            delete node;
        }
        node = next;
    }
}

void CViewContainer::removeAll(const bool& withForget) {
    CCView* node = pFirstView;
    pFirstView = nullptr;
    pLastView = nullptr;
    while (node) {
        CCView* next = node->pNext;
        CView* view = node->pView;
        view->removed(this);
        if (withForget) view->forget();
        delete node;
        node = next;
    }
}

bool CViewContainer::isChild(CView* view) {
    for (CCView* node = pFirstView; node; node = node->pNext)
        if (node->pView == view) return true;
    return false;
}

long CViewContainer::getNbViews() {
    long count = 0;
    for (CCView* node = pFirstView; node; node = node->pNext) count++;
    return count;
}

CView* CViewContainer::getView(long index) {
    if (index < 0) return nullptr;
    long i = 0;
    for (CCView* node = pFirstView; node; node = node->pNext, i++)
        if (i == index) return node->pView;
    return nullptr;
}

void CViewContainer::setBackgroundColor(CColor color) { backgroundColor = color; }

void CViewContainer::setBackground(CBitmap* background) {
    if (background == pBackground) return;
    if (pBackground) pBackground->forget();
    pBackground = background;
    if (pBackground) pBackground->remember();
}

CBitmap* CViewContainer::getBackground() { return pBackground; }

void CViewContainer::setBackgroundOffset(const CPoint& offset) { backgroundOffset = offset; }

void CViewContainer::setMode(long val) { mode = val; }

long CViewContainer::getMode() { return mode; }

void CViewContainer::useOffscreen(bool b) {
    bDrawInOffscreen = b;
    if (!b) {
        delete pOffscreenContext;
        pOffscreenContext = nullptr;
    }
}

bool CViewContainer::hitTestSubViews(const CPoint& where) {
    CPoint local(where.h - size.left, where.v - size.top);
    for (CCView* node = pLastView; node; node = node->pPrevious)
        if (node->pView->getMouseEnabled() && node->pView->hitTest(local)) return true;
    return false;
}

CView* CViewContainer::getCurrentView() {
    if (!pParent) return nullptr;
    CPoint where;
    pParent->getCurrentLocation(where);
    // From frame coordinates down to this container's: subtract the corner
    // of this container and of every container above it.
    for (CView* v = this; v; v = v->getParentView()) {
        CRect r;
        v->getViewSize(r);
        where.offset(-r.left, -r.top);
    }
    for (CCView* node = pLastView; node; node = node->pPrevious) {
        CRect area;
        node->pView->getMouseableArea(area);
        if (where.h >= area.left && where.h <= area.right && where.v >= area.top &&
            where.v <= area.bottom)
            return node->pView;
    }
    return nullptr;
}
