// The root of the editor's views and their link to the outside: the host's
// window on one side, the editor (an AEffGUIEditor) and through it the
// effect on the other.
//
// The frame holds its views in a growable array (index 0 drawn first, the
// last on top) without taking references on them, paints one background
// bitmap behind them and can show one modal view above all others. It
// receives drops of files and text on its window and hands them to its views.
//
// The window: the frame opens its own platform window as a child of the
// host's window (on X11 the window id that effEditOpen carries) and closes it
// when destroyed. That window's events reach the editor as the host's mouse,
// key, wheel and draw requests would: a button press becomes the editor's
// mouse(x, y), a key its onKeyDown/onKeyUp, the first exposure (before
// anything was drawn) its draw. They are handled when the editor's idle (or
// a tracking loop's doIdleStuff) lets the platform process events. Later
// exposures need no drawing: the platform repaints from the window's pixels.
//
// Coordinates: views are placed in frame coordinates (origin at the frame's
// top-left corner). Points handed to mouse come in window coordinates; the
// frame converts them by its top-left corner before routing, and its
// context's offset and screen offset are that corner, so drawing and events
// agree for a frame at any position.
//
// Threads: user-interface thread only; nothing is locked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "CView.h"

class CBitmap;
class CDrawContext;
class AudioEffectX;
class AEffGUIEditor;

namespace platform {
class Window;
class WindowListener;
}

// The window description that an own-window frame hands to the host
// (audioMasterOpenWindow). Pointer fields are pointer-sized on this target.
struct VstWindow {
    char title[128];
    int16_t xPos;
    int16_t yPos;
    int16_t width;
    int16_t height;
    int32_t style;
    void* parent;
    void* userHandle;
    void* winHandle;
    char future[104];
};

class CFrame : public CView {
public:
    // A frame on a host window, open at once. Opens a platform window of
    // right x bottom pixels on hostWindow (none when hostWindow is null or the
    // platform refuses). editor is an AEffGUIEditor* or null. The frame
    // context's offset and screen offset are the rectangle's top-left corner.
    CFrame(const CRect& size, void* hostWindow, void* editor);
    // A frame that asks the host for a window of its own with open().
    CFrame(const CRect& size, const char* title, void* editor, const long style);
    ~CFrame() override;

    bool open(CPoint* point = nullptr);
    bool close();
    bool isOpen() const { return bOpenFlag; }

    void draw(CDrawContext* context = nullptr) override;
    void drawRect(CDrawContext* context, CRect& updateRect) override;
    // Draws the view alone when it is in the array; otherwise (null
    // included) the whole frame. Uses the frame context, or a temporary
    // context on the window.
    void draw(CView* view);
    // where is in window coordinates.
    void mouse(CDrawContext* context, CPoint& where) override;
    long onKeyDown(VstKeyCode& keyCode) override;
    long onKeyUp(VstKeyCode& keyCode) override;
    bool onDrop(void** ptrItems, long count, long type, CPoint& where) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    void update(CDrawContext* context) override;
    void* getEditor() override { return pEditor; }

    // Appends the view on top, growing the array by 20 slots when full. A
    // view that cannot be stored is refused (false).
    virtual bool addView(CView* view);
    virtual bool removeView(CView* view, const bool& withForget = true);
    virtual bool removeAll(const bool& withForget = true);
    virtual bool isChild(CView* view);
    virtual long getNbViews();
    virtual CView* getView(long index);

    // Redraws what is dirty, once the first full or partial draw happened.
    void idle();
    bool isSomethingDirty();
    // Marks every view that overlaps rect (touching counts) dirty.
    void invalidate(const CRect& rect);

    void setBackground(CBitmap* background);
    CBitmap* getBackground() const { return pBackground; }

    // False when a view is given while another modal view is set.
    bool setModalView(CView* view);
    CView* getModalView() const { return pModalView; }
    // The previous edit view loses the focus; the new one is not told.
    void setEditView(CView* view);
    CView* getEditView() const { return pEditView; }

    // The modal view, or the topmost view whose size holds the mouse.
    CView* getCurrentView();
    // The mouse position in frame coordinates; true.
    bool getCurrentLocation(CPoint& where);

    bool getPosition(long& x, long& y);
    bool getSize(CRect* rect);
    bool setSize(long width, long height);
    void setCursor(CCursorType type);

    // The drop receiver: files (type 0, each item a zero-terminated path) or
    // one text (type 1) dropped at the mouse position. Answers kDropAccepted
    // when files reached onDrop, kDropNotAccepted otherwise (text included).
    static constexpr long kDropAccepted = 0;
    static constexpr long kDropNotAccepted = -1854;
    long receiveDrop(bool files, const std::vector<std::string>& items);

    bool initFrame(void* hostWindow);
    bool setDropActive(bool val);
    bool isDropActive() const { return bDropActive; }

    // Links to the editor and the effect.
    void beginEdit(long index);
    void endEdit(long index);
    void doIdleStuff();
    long getTicks();
    long getKnobMode();

    // The platform window (a platform::Window*), or null.
    void* getSystemWindow() const { return pSystemWindow; }
    platform::Window* getPlatformWindow() const;
    void* getHostWindow() const { return pHostWindow; }
    CDrawContext* getFrameContext() const { return pFrameContext; }
    bool isFirstDrawPending() const { return bFirstDraw; }
    long getCapacity() const { return viewCapacity; }
    const VstWindow* getVstWindow() const { return vstWindow; }

protected:
    // The effect behind the editor, when it has the extended interface.
    AudioEffectX* effectX();
    // Views array allocation; null on failure (then the view is refused and
    // the array stays as it was).
    virtual CView** allocateViews(long capacity);
    // Opens the platform window on the host's window and makes the context.
    void openPlatformWindow(void* hostWindow);
    AEffGUIEditor* guiEditor() const;
    // The frame context, or a new context on the window that the caller
    // deletes (temporary set true).
    CDrawContext* borrowContext(bool& temporary);
    void paintBackground(CDrawContext* context, const CRect& rect);

    void* pEditor;
    void* pSystemWindow = nullptr;
    void* pHostWindow = nullptr;
    platform::WindowListener* pListener = nullptr;
    CBitmap* pBackground = nullptr;
    long viewCount = 0;
    long viewCapacity = 0;
    CView** ppViews = nullptr;
    CView* pModalView = nullptr;
    CView* pEditView = nullptr;
    bool bFirstDraw = true;
    bool bOpenFlag = true;
    bool bDropActive = false;
    CDrawContext* pFrameContext = nullptr;
    bool bAddedWindow = false;
    VstWindow* vstWindow = nullptr;
};
