// CControl, the view that carries a value, and CControlListener, the
// interface through which a control reports changes made by the user.
//
// A control holds a value with a minimum, a maximum and a default, a tag that
// names it to its listener and an optional background bitmap (shared by
// reference count). Its dirty rule: it needs drawing when the value differs
// from the value last drawn (old value) or when its view's dirty flag is set.
// Every draw of a derived control ends with setDirty(false).
//
// Reporting: controls report only changes from a user gesture (mouse, wheel,
// key). setValue from code never reports, never clamps and does not set the
// dirty flag; the changed value makes the control dirty by the rule above.
//
// Threads: everything runs on the user-interface thread, except setValue and
// getValue, which the editor may call from the thread on which the host sets
// parameters: the value is one aligned 32-bit float stored and loaded whole
// (a relaxed atomic, plain moves in machine code). Nothing here locks.
#pragma once

#include <atomic>

#include "CView.h"

class CBitmap;
class CControl;
class CDrawContext;

// Style bits shared by sliders and parameter displays.
enum : long {
    kStyleHorizontal = 0x0001,   // slider: horizontal
    kStyleVertical = 0x0002,     // slider: vertical
    kStyleShadowText = 0x0004,   // display: text shadow one pixel right and down
    kStyleLeft = 0x0008,         // slider: minimum at the left end
    kStyleRight = 0x0010,        // slider: minimum at the right end
    kStyleTop = 0x0020,          // slider: minimum at the top end
    kStyleBottom = 0x0040,       // slider: minimum at the bottom end
    kStyle3DIn = 0x0080,         // display: sunken frame
    kStyle3DOut = 0x0100,        // display: raised frame
    kStyleNoText = 0x0800,       // display: no text
    kStyleNoDraw = 0x1000,       // display: nothing drawn
};

// Receives the changes that a user gesture made to a control. Implemented
// beside a main base; the control holds a pointer to this part. It is never
// deleted through this interface, hence the protected destructor.
class CControlListener {
public:
    // context: the gesture's drawing context, or null for a key change (then
    // the listener must not draw).
    virtual void valueChanged(CDrawContext* context, CControl* control) = 0;

protected:
    ~CControlListener() = default;
};

class CControl : public CView {
public:
    // Takes a reference on background when it is not null. The listener is
    // not owned and may be null.
    CControl(const CRect& size, CControlListener* listener, long tag, CBitmap* background);
    ~CControl() override;

    void draw(CDrawContext* context) override = 0;
    // Value and old value differ (a NaN value always), or the dirty flag is set.
    bool isDirty() override;
    // true: dirty flag set and old value made to differ from value;
    // false: flag cleared and old value = value (the control counts as drawn).
    void setDirty(bool val = true) override;

    // Hands idle time to the editor through the parent frame; tracking loops
    // call it. Without a parent frame it does nothing.
    virtual void doIdleStuff();
    virtual void setValue(float val);
    virtual float getValue();
    virtual void setMin(float val);
    virtual float getMin();
    virtual void setMax(float val);
    virtual float getMax();
    virtual void setOldValue(float val);
    virtual float getOldValue();
    virtual void setDefaultValue(float val);
    virtual float getDefaultValue();
    virtual void setTag(long val);
    // Takes a reference on the new bitmap, then drops the one on the old, so
    // setting the bitmap already held is harmless. Does not mark dirty.
    virtual void setBackground(CBitmap* background);
    virtual CBitmap* getBackground();
    virtual void setWheelInc(float val);
    virtual float getWheelInc();
    // Above the maximum: the maximum; else below the minimum: the minimum.
    virtual void bounceValue();

    long getTag() const { return tag; }
    CControlListener* getListener() const { return listener; }

protected:
    // Reports a user change: when dirty and a listener is set, valueChanged.
    void reportIfDirty(CDrawContext* context);
    float loadValue() const { return value.load(std::memory_order_relaxed); }
    void storeValue(float val) { value.store(val, std::memory_order_relaxed); }

    // Truncation toward zero that stays defined for every input: NaN gives 0
    // and magnitudes beyond 2^30 saturate there. Equal to a plain conversion
    // for every value a control's geometry produces.
    static long truncToLong(double x);

    CControlListener* listener;
    long tag;
    float oldValue = 1.0f;
    float defaultValue = 0.5f;
    std::atomic<float> value{0.0f};
    float vmin = 0.0f;
    float vmax = 1.0f;
    float wheelInc = 0.1f;
    CBitmap* pBackground;
};
