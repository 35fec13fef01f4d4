// The base of everything shown in the editor window: a rectangle in its
// parent's coordinates that draws itself into a drawing context, answers
// clicks, keys, the wheel and drops, and knows whether it needs redrawing.
//
// Redraw model: a view that changes marks itself dirty; the frame's idle pass
// calls update, which draws exactly the dirty views; every draw ends with the
// view marked clean.
//
// Ownership: a view is created with one reference, its creator's. A
// container's list node holds one more while the view is in the list; the
// frame holds none. forget at count 0 is ignored; the forget that drops the
// last reference deletes the view.
//
// Threads: user-interface thread only.
#pragma once

#include "AEffect.h"
#include "CGeometry.h"

class CDrawContext;
class CFrame;

class CView {
public:
    explicit CView(const CRect& size);
    virtual ~CView();

    CView(const CView&) = delete;
    CView& operator=(const CView&) = delete;

    // Draws the view and marks it clean.
    virtual void draw(CDrawContext* context);
    // Draws the whole view, whatever the rectangle.
    virtual void drawRect(CDrawContext* context, CRect& updateRect);
    // True when rect overlaps the size; touching counts.
    virtual bool checkUpdate(CRect& updateRect);
    virtual void mouse(CDrawContext* context, CPoint& where);
    // Draws when dirty.
    virtual void update(CDrawContext* context);
    virtual void notify(CView* sender, const char* message);
    // -1: not handled; any other value: handled.
    virtual long onKeyDown(VstKeyCode& keyCode);
    virtual long onKeyUp(VstKeyCode& keyCode);
    // type 0: items are file references, count their number; type 1: one
    // zero-terminated text, count its length in bytes.
    virtual bool onDrop(void** ptrItems, long count, long type, CPoint& where);
    virtual bool onWheel(CDrawContext* context, const CPoint& where, float distance);
    virtual void looseFocus(CDrawContext* context = nullptr);
    virtual void takeFocus(CDrawContext* context = nullptr);

    virtual bool isDirty();
    virtual void setDirty(bool val = true);
    virtual void setMouseEnabled(bool enable = true);
    virtual bool getMouseEnabled();
    virtual void setMouseableArea(const CRect& rect);
    virtual CRect& getMouseableArea(CRect& rect);
    // All four edges of the size belong to the view.
    virtual bool hitTest(const CPoint& where);
    virtual void setTransparency(bool val);
    virtual bool getTransparency();
    // The size becomes rect and the view is marked dirty; the mouseable area
    // stays.
    virtual void setViewSize(CRect& rect);
    virtual CRect& getViewSize(CRect& rect);
    virtual void setParent(CFrame* frame);
    virtual void setParentView(CView* view);
    // The parent frame's editor, or null.
    virtual void* getEditor();
    // Called when the view leaves / joins a frame or container; views that
    // need resources while shown take and free them here.
    virtual bool removed(CView* parent);
    virtual bool attached(CView* parent);
    virtual void forget();
    virtual void remember();
    virtual long getNbReference();

    // Asks the parent frame to draw this view now.
    void redraw();

    CFrame* getParent() const { return pParent; }
    CView* getParentView() const { return pParentView; }

protected:
    long nbReference = 1;
    CRect size;
    CRect mouseableArea;
    CFrame* pParent = nullptr;
    CView* pParentView = nullptr;
    bool bDirty = false;
    bool bMouseEnabled = true;
    bool bTransparencyEnabled = false;
};
