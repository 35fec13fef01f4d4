// A view that holds an ordered list of child views, paints a background
// (bitmap or colour) behind them, composes them off screen by default, and
// hands events to them in its own coordinates (origin at its top-left
// corner). CCView is the node of its list.
//
// Ownership: each node holds one reference on its view for as long as the
// view is in the list; removing with release drops the creator's reference
// as well. The container owns its off-screen context and holds a reference
// on its background bitmap.
//
// Nesting: a container that draws straight into its parent's context adds
// its corner to the offsets in force, so directly drawing containers nest
// (at the top level the offsets are (0, 0) and the result is the corner).
//
// Threads: user-interface thread only.
#pragma once

#include "CView.h"

class CBitmap;
class COffscreenContext;

// The list node: takes a reference on its view, drops it when deleted.
class CCView {
public:
    explicit CCView(CView* view);
    ~CCView();

    CCView(const CCView&) = delete;
    CCView& operator=(const CCView&) = delete;

    CView* pView;
    CCView* pNext = nullptr;
    CCView* pPrevious = nullptr;
};

enum {
    kContainerRedrawAll = 0,
    kContainerUpdateDirty = 1,
};

class CViewContainer : public CView {
public:
    CViewContainer(const CRect& size, CFrame* frame, CBitmap* background = nullptr);
    ~CViewContainer() override;

    void draw(CDrawContext* context) override;
    void drawRect(CDrawContext* context, CRect& updateRect) override;
    void mouse(CDrawContext* context, CPoint& where) override;
    void update(CDrawContext* context) override;
    long onKeyDown(VstKeyCode& keyCode) override;
    long onKeyUp(VstKeyCode& keyCode) override;
    bool onDrop(void** ptrItems, long count, long type, CPoint& where) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    void looseFocus(CDrawContext* context = nullptr) override;
    void takeFocus(CDrawContext* context = nullptr) override;
    bool isDirty() override;
    bool hitTest(const CPoint& where) override;
    void setViewSize(CRect& rect) override;
    bool removed(CView* parent) override;
    bool attached(CView* parent) override;

    // Appends the view on top; a null view is ignored.
    virtual void addView(CView* view);
    virtual void addView(CView* view, CRect& mouseableArea, bool mouseEnabled = true);
    // With release, the creator's reference is dropped too.
    virtual void removeView(CView* view, const bool& withForget = true);
    virtual void removeAll(const bool& withForget = true);
    virtual bool isChild(CView* view);
    virtual long getNbViews();
    // The view at index (0 = first added), or null outside the list.
    virtual CView* getView(long index);
    virtual void setBackgroundColor(CColor color);
    virtual void setBackground(CBitmap* background);
    virtual CBitmap* getBackground();
    virtual void setBackgroundOffset(const CPoint& offset);
    virtual void setMode(long val);
    virtual long getMode();
    virtual void useOffscreen(bool b);

    // Whether a mouse-enabled child is hit at where (parent coordinates).
    bool hitTestSubViews(const CPoint& where);
    // The topmost child whose mouseable area holds the mouse position.
    CView* getCurrentView();

    COffscreenContext* getOffscreenContext() const { return pOffscreenContext; }
    CColor getBackgroundColor() const { return backgroundColor; }
    const CPoint& getBackgroundOffset() const { return backgroundOffset; }

protected:
    // Creates the off-screen context of the container's size when drawing
    // off screen and none exists yet.
    void ensureOffscreen();
    // Paints the background into local (container coordinates) of target.
    void drawBackgroundRect(CDrawContext* target, const CRect& local);
    void unlink(CCView* node);

    CCView* pFirstView = nullptr;
    CCView* pLastView = nullptr;
    CBitmap* pBackground;
    long mode = kContainerRedrawAll;
    bool bDrawInOffscreen = true;
    COffscreenContext* pOffscreenContext = nullptr;
    CColor backgroundColor = kBlackCColor;
    CPoint backgroundOffset;
};

// Saves the context's screen offset and offset into save[0..3] and moves
// both by rect's top-left corner (to the corner itself when they are 0).
void modifyDrawContext(long save[4], CDrawContext* context, CRect& rect);
// Puts the four saved values back.
void restoreDrawContext(CDrawContext* context, long save[4]);
