#include "CFrame.h"

#include <cstring>
#include <new>

#include "AEffGUIEditor.h"
#include "AudioEffectX.h"
#include "CBitmap.h"
#include "CDrawContext.h"
#include "CViewContainer.h"
#include "Port.h"
#include "Window.h"

// Delivers the frame window's events as the host's editor requests would
// arrive: through the editor when there is one, else to the frame itself.
class CFrameWindowEvents : public platform::WindowListener {
public:
    explicit CFrameWindowEvents(CFrame& frame) : frame(frame) {}

    void onMouseDown(platform::Point where, int button, unsigned modifiers) override {
        (void)button;
        (void)modifiers;
        if (AEffGUIEditor* editor = editorOf()) {
            editor->mouse(where.h, where.v);
        } else {
            CPoint p(where.h, where.v);
            frame.mouse(nullptr, p);
        }
    }

    long onKeyDown(platform::KeyEvent const& key) override {
        VstKeyCode code{key.character, key.virt, key.modifier};
        if (AEffGUIEditor* editor = editorOf()) return editor->onKeyDown(code);
        return frame.onKeyDown(code);
    }

    long onKeyUp(platform::KeyEvent const& key) override {
        VstKeyCode code{key.character, key.virt, key.modifier};
        if (AEffGUIEditor* editor = editorOf()) return editor->onKeyUp(code);
        return frame.onKeyUp(code);
    }

    void onWheel(float distance) override {
        if (AEffGUIEditor* editor = editorOf())
            editor->onWheel(distance);
        else
            frame.onWheel(nullptr, CPoint(0, 0), distance);
    }

    // The platform repaints exposed areas from the window's pixels, so only
    // the first exposure, before anything was drawn, asks for a drawing; any
    // number of later exposures costs nothing here.
    void onExpose(platform::Rect area) override {
        (void)area;
        if (!frame.isFirstDrawPending()) return;
        if (AEffGUIEditor* editor = editorOf())
            editor->draw(nullptr);
        else
            frame.draw(static_cast<CView*>(nullptr));
    }

    bool onDrop(platform::DropKind kind, std::vector<std::string> const& items,
                platform::Point where) override {
        (void)where;
        if (!frame.isDropActive()) return false;
        return frame.receiveDrop(kind == platform::kDropFiles, items) == CFrame::kDropAccepted;
    }

private:
    AEffGUIEditor* editorOf() const { return static_cast<AEffGUIEditor*>(frame.getEditor()); }
    CFrame& frame;
};

CFrame::CFrame(const CRect& rect, void* hostWindow, void* editor)
    : CView(rect), pEditor(editor) {
    bOpenFlag = true;
    openPlatformWindow(hostWindow);
}

CFrame::CFrame(const CRect& rect, const char* title, void* editor, const long style)
    : CView(rect), pEditor(editor) {
    bOpenFlag = false;
    bAddedWindow = true;
    vstWindow = new (std::nothrow) VstWindow;
    if (vstWindow) {
        std::memset(vstWindow, 0, sizeof *vstWindow);
        if (title) {
            std::strncpy(vstWindow->title, title, sizeof vstWindow->title - 1);
            vstWindow->title[sizeof vstWindow->title - 1] = 0;
        }
        vstWindow->xPos = int16_t(size.left);
        vstWindow->yPos = int16_t(size.top);
        vstWindow->width = int16_t(size.width());
        vstWindow->height = int16_t(size.height());
        vstWindow->style = int32_t(style);
        vstWindow->parent = nullptr;
        vstWindow->userHandle = nullptr;
        vstWindow->winHandle = nullptr;
    }
}

CFrame::~CFrame() {
    setCursor(kCursorArrow);
    setDropActive(false);
    removeAll(true);
    if (pBackground) pBackground->forget();
    pBackground = nullptr;
    delete pFrameContext;
    pFrameContext = nullptr;
    if (bAddedWindow) close();
    delete vstWindow;
    vstWindow = nullptr;
    if (platform::Window* w = getPlatformWindow()) {
        w->setListener(nullptr);
        delete w;
    }
    pSystemWindow = nullptr;
    delete pListener;
    pListener = nullptr;
    delete[] ppViews;
    ppViews = nullptr;
}

platform::Window* CFrame::getPlatformWindow() const {
    return static_cast<platform::Window*>(pSystemWindow);
}

AEffGUIEditor* CFrame::guiEditor() const { return static_cast<AEffGUIEditor*>(pEditor); }

AudioEffectX* CFrame::effectX() {
    AEffGUIEditor* editor = guiEditor();
    if (!editor) return nullptr;
    return dynamic_cast<AudioEffectX*>(editor->getEffect());
}

void CFrame::openPlatformWindow(void* hostWindow) {
    pHostWindow = hostWindow;
    if (hostWindow) {
        // The window holds the whole frame rectangle from the window's origin.
        int w = size.right > 0 ? size.right : 0;
        int h = size.bottom > 0 ? size.bottom : 0;
        platform::Window* window = platform::backend().openWindow(hostWindow, w, h);
        if (window) {
            pSystemWindow = window;
            if (!pListener) pListener = new (std::nothrow) CFrameWindowEvents(*this);
            window->setListener(pListener);
            initFrame(hostWindow);
        }
    }
    delete pFrameContext;
    pFrameContext = new (std::nothrow) CDrawContext(this, pSystemWindow, pSystemWindow);
    if (pFrameContext) {
        pFrameContext->setOffset(CPoint(size.left, size.top));
        pFrameContext->setOffsetScreen(CPoint(size.left, size.top));
    }
}

bool CFrame::open(CPoint* point) {
    if (!bAddedWindow || bOpenFlag) return false;
    if (point && vstWindow) {
        vstWindow->xPos = int16_t(point->h);
        vstWindow->yPos = int16_t(point->v);
    }
    AudioEffectX* effect = effectX();
    if (!effect || !vstWindow) return false;
    void* hostWindow = effect->openWindow(vstWindow);
    if (hostWindow) {
        openPlatformWindow(hostWindow);
        bOpenFlag = true;
    }
    return bOpenFlag;
}

bool CFrame::close() {
    if (!bAddedWindow || !bOpenFlag || !pHostWindow) return false;
    if (AudioEffectX* effect = effectX()) effect->closeWindow(vstWindow);
    setDropActive(false);
    delete pFrameContext;
    pFrameContext = nullptr;
    if (platform::Window* w = getPlatformWindow()) {
        w->setListener(nullptr);
        delete w;
    }
    pSystemWindow = nullptr;
    pHostWindow = nullptr;
    return true;
}

bool CFrame::initFrame(void* hostWindow) {
    if (!hostWindow) return false;
    setDropActive(true);
    return true;
}

bool CFrame::setDropActive(bool val) {
    platform::Window* w = getPlatformWindow();
    if (val && !bDropActive) {
        if (w) w->setDropTarget(true);
        bDropActive = true;
    } else if (!val && bDropActive) {
        if (w) w->setDropTarget(false);
        bDropActive = false;
    }
    return true;
}

long CFrame::receiveDrop(bool files, const std::vector<std::string>& items) {
    if (items.empty()) return kDropNotAccepted;
    CPoint where;
    if (files) {
        // Type 0: one zero-terminated path per file.
        std::vector<const char*> paths;
        paths.reserve(items.size());
        for (const std::string& item : items) paths.push_back(item.c_str());
        getCurrentLocation(where);
        onDrop(reinterpret_cast<void**>(const_cast<char**>(paths.data())), long(paths.size()), 0,
               where);
        return kDropAccepted;
    }
    // Type 1: the text with a zero byte after it, and its length in bytes.
    const std::string& text = items.front();
    char* buffer = new (std::nothrow) char[text.size() + 2];
    if (!buffer) return kDropNotAccepted;
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = 0;
    buffer[text.size() + 1] = 0;
    getCurrentLocation(where);
    void* item = buffer;
    onDrop(&item, long(text.size()), 1, where);
    delete[] buffer;
    return kDropNotAccepted;
}

// ---- views ---------------------------------------------------------------

CView** CFrame::allocateViews(long capacity) {
    return new (std::nothrow) CView*[size_t(capacity)];
}

bool CFrame::addView(CView* view) {
    if (!view) return false;
    if (viewCount >= viewCapacity) {
        long capacity = viewCapacity + 20;
        CView** grown = allocateViews(capacity);
        // A failed growth refuses the view and keeps the views already held.
        if (!grown) return false;
        for (long i = 0; i < viewCount; i++) grown[i] = ppViews[i];
        delete[] ppViews;
        ppViews = grown;
        viewCapacity = capacity;
    }
    ppViews[viewCount++] = view;
    view->setParent(this);
    view->attached(this);
    return true;
}

bool CFrame::removeView(CView* view, const bool& withForget) {
    for (long i = 0; i < viewCount; i++) {
        if (ppViews[i] != view) continue;
        // A view that leaves must not stay behind as the focus holder.
        if (pEditView == view) {
            pEditView = nullptr;
            view->looseFocus(nullptr);
        }
        for (long j = i; j + 1 < viewCount; j++) ppViews[j] = ppViews[j + 1];
        viewCount--;
        view->removed(this);
        if (withForget) view->forget();
        break;
    }
    return true;
}

bool CFrame::removeAll(const bool& withForget) {
    if (pEditView) {
        CView* edit = pEditView;
        pEditView = nullptr;
        edit->looseFocus(nullptr);
    }
    CView** views = ppViews;
    long count = viewCount;
    ppViews = nullptr;
    viewCount = 0;
    viewCapacity = 0;
    for (long i = 0; i < count; i++) {
        views[i]->removed(this);
        if (withForget) views[i]->forget();
    }
    delete[] views;
    return true;
}

bool CFrame::isChild(CView* view) {
    for (long i = 0; i < viewCount; i++)
        if (ppViews[i] == view) return true;
    return false;
}

long CFrame::getNbViews() { return viewCount; }

CView* CFrame::getView(long index) {
    if (index < 0 || index >= viewCount) return nullptr;
    return ppViews[index];
}

void CFrame::setBackground(CBitmap* background) {
    if (background == pBackground) return;
    if (pBackground) pBackground->forget();
    pBackground = background;
    if (pBackground) pBackground->remember();
}

bool CFrame::setModalView(CView* view) {
    if (view && pModalView) return false;
    if (pModalView) pModalView->removed(this);
    pModalView = view;
    if (pModalView) pModalView->attached(this);
    return true;
}

void CFrame::setEditView(CView* view) {
    CView* previous = pEditView;
    pEditView = view;
    if (previous) previous->looseFocus(nullptr);
}

void CFrame::invalidate(const CRect& rect) {
    for (long i = 0; i < viewCount; i++) {
        CRect r;
        ppViews[i]->getViewSize(r);
        if (r.rectOverlap(rect)) ppViews[i]->setDirty(true);
    }
}

// ---- drawing -------------------------------------------------------------

CDrawContext* CFrame::borrowContext(bool& temporary) {
    temporary = false;
    if (pFrameContext) return pFrameContext;
    CDrawContext* context = new (std::nothrow) CDrawContext(this, pSystemWindow, pSystemWindow);
    if (context) {
        context->setOffset(CPoint(size.left, size.top));
        context->setOffsetScreen(CPoint(size.left, size.top));
        temporary = true;
    }
    return context;
}

void CFrame::paintBackground(CDrawContext* context, const CRect& rect) {
    if (!pBackground || !context) return;
    CRect r = rect;
    pBackground->draw(context, r, CPoint(rect.left, rect.top));
}

void CFrame::draw(CDrawContext* context) {
    bFirstDraw = false;
    if (!context) context = pFrameContext;
    if (!context) return;
    if (pBackground)
        paintBackground(context,
                        CRect(0, 0, int32_t(pBackground->getWidth()), int32_t(pBackground->getHeight())));
    for (long i = 0; i < viewCount; i++) ppViews[i]->draw(context);
    if (pModalView) pModalView->draw(context);
}

void CFrame::drawRect(CDrawContext* context, CRect& updateRect) {
    bFirstDraw = false;
    if (!context) context = pFrameContext;
    if (!context) return;
    paintBackground(context, updateRect);
    for (long i = 0; i < viewCount; i++)
        if (ppViews[i]->checkUpdate(updateRect)) ppViews[i]->drawRect(context, updateRect);
    if (pModalView && pModalView->checkUpdate(updateRect)) pModalView->draw(context);
}

void CFrame::draw(CView* view) {
    bool temporary;
    CDrawContext* context = borrowContext(temporary);
    if (!context) return;
    if (view && isChild(view))
        view->draw(context);
    else
        draw(context);
    if (temporary) delete context;
    if (platform::Window* w = getPlatformWindow()) w->flush();
}

void CFrame::update(CDrawContext* context) {
    if (!bOpenFlag) return;
    if (!context) context = pFrameContext;
    if (pModalView) {
        pModalView->update(context);
        return;
    }
    if (bDirty) {
        draw(context);
        setDirty(false);
        return;
    }
    for (long i = 0; i < viewCount; i++) ppViews[i]->update(context);
}

bool CFrame::isSomethingDirty() {
    if (pModalView || bDirty) return true;
    for (long i = 0; i < viewCount; i++)
        if (ppViews[i]->isDirty()) return true;
    return false;
}

void CFrame::idle() {
    if (!bOpenFlag || bFirstDraw || !isSomethingDirty()) return;
    bool temporary;
    CDrawContext* context = borrowContext(temporary);
    if (!context) return;
    update(context);
    if (temporary) delete context;
    if (platform::Window* w = getPlatformWindow()) w->flush();
}

// ---- input ---------------------------------------------------------------

void CFrame::mouse(CDrawContext* context, CPoint& where) {
    if (!context) context = pFrameContext;
    if (pEditView) {
        CView* edit = pEditView;
        pEditView = nullptr;
        edit->looseFocus(nullptr);
    }
    // Events come in window coordinates; views live in frame coordinates.
    // A context other than the frame's gets the frame's corner added to its
    // offsets for the duration of the click, so that drawing agrees.
    CPoint local(where.h - size.left, where.v - size.top);
    long save[4] = {};
    bool shifted = context && context != pFrameContext;
    if (shifted) modifyDrawContext(save, context, size);

    if (pModalView) {
        if (pModalView->hitTest(local)) pModalView->mouse(context, local);
    } else {
        for (long i = viewCount - 1; i >= 0; i--) {
            CView* view = ppViews[i];
            if (view->getMouseEnabled() && view->hitTest(local)) {
                view->mouse(context, local);
                break;
            }
        }
    }
    if (shifted) restoreDrawContext(context, save);
}

long CFrame::onKeyDown(VstKeyCode& keyCode) {
    long result = -1;
    if (pEditView) result = pEditView->onKeyDown(keyCode);
    if (result == -1 && pModalView) result = pModalView->onKeyDown(keyCode);
    if (result == -1)
        for (long i = viewCount - 1; i >= 0 && result == -1; i--) result = ppViews[i]->onKeyDown(keyCode);
    return result;
}

long CFrame::onKeyUp(VstKeyCode& keyCode) {
    long result = -1;
    if (pEditView) result = pEditView->onKeyUp(keyCode);
    if (result == -1 && pModalView) result = pModalView->onKeyUp(keyCode);
    if (result == -1)
        for (long i = viewCount - 1; i >= 0 && result == -1; i--) result = ppViews[i]->onKeyUp(keyCode);
    return result;
}

bool CFrame::onWheel(CDrawContext* context, const CPoint& where, float distance) {
    (void)where;
    CView* target = getCurrentView();
    if (!target) return false;
    bool temporary = false;
    if (!context) context = borrowContext(temporary);
    CPoint mouse;
    getCurrentLocation(mouse);
    bool result = target->onWheel(context, mouse, distance);
    if (temporary) delete context;
    return result;
}

bool CFrame::onDrop(void** ptrItems, long count, long type, CPoint& where) {
    if (pModalView || pEditView) return false;
    for (long i = viewCount - 1; i >= 0; i--) {
        CView* view = ppViews[i];
        CRect r;
        view->getViewSize(r);
        bool inside = where.h >= r.left && where.h <= r.right && where.v >= r.top && where.v <= r.bottom;
        if (view->getMouseEnabled() && inside && view->onDrop(ptrItems, count, type, where))
            return true;
    }
    return false;
}

CView* CFrame::getCurrentView() {
    if (pModalView) return pModalView;
    CPoint where;
    getCurrentLocation(where);
    for (long i = viewCount - 1; i >= 0; i--) {
        CRect r;
        ppViews[i]->getViewSize(r);
        if (where.h >= r.left && where.h <= r.right && where.v >= r.top && where.v <= r.bottom)
            return ppViews[i];
    }
    return nullptr;
}

bool CFrame::getCurrentLocation(CPoint& where) {
    CDrawContext context(this, pSystemWindow, pSystemWindow);
    context.setOffsetScreen(CPoint(size.left, size.top));
    context.getMouseLocation(where);
    return true;
}

// ---- window --------------------------------------------------------------

bool CFrame::getPosition(long& x, long& y) {
    if (!bOpenFlag) return false;
    platform::Window* w = getPlatformWindow();
    if (!w) return false;
    platform::Point p = w->screenPosition();
    x = p.h;
    y = p.v;
    return true;
}

bool CFrame::getSize(CRect* rect) {
    if (!bOpenFlag || !rect) return false;
    platform::Window* w = getPlatformWindow();
    if (!w) return false;
    platform::Rect b = w->port().bounds();
    *rect = CRect(b.left, b.top, b.right, b.bottom);
    return true;
}

bool CFrame::setSize(long width, long height) {
    if (!bOpenFlag) return false;
    if (width == size.width() && height == size.height()) return false;
    long oldWidth = size.width(), oldHeight = size.height();
    // Ask the host to resize its window when it can; whatever it answers,
    // the frame's rectangle and the frame's own child window follow.
    if (AudioEffectX* effect = effectX()) {
        char what[] = "sizeWindow";
        if (effect->canHostDo(what) > 0) effect->sizeWindow(int32_t(width), int32_t(height));
    }
    size.right = size.left + int32_t(width);
    size.bottom = size.top + int32_t(height);
    if (platform::Window* w = getPlatformWindow()) {
        platform::Rect b = w->port().bounds();
        w->setSize(int(b.width() - oldWidth + width), int(b.height() - oldHeight + height));
    }
    if (pFrameContext) pFrameContext->resetClipRect();
    return true;
}

void CFrame::setCursor(CCursorType type) {
    platform::Window* w = getPlatformWindow();
    if (!w) return;
    switch (type) {
    case kCursorArrow: w->setCursor(platform::kCursorShapeArrow); break;
    case kCursorWatch: w->setCursor(platform::kCursorShapeWatch); break;
    case kCursorSizeAll: w->setCursor(platform::kCursorShapePlus); break;
    case kCursorHSize:
    case kCursorVSize:
    case kCursorNESWSize:
    case kCursorNWSESize: w->setCursor(platform::kCursorShapeCrossHair); break;
    default: break;
    }
}

// ---- editor and effect ---------------------------------------------------

void CFrame::beginEdit(long index) {
    if (AudioEffectX* effect = effectX()) effect->beginEdit(int32_t(index));
}

void CFrame::endEdit(long index) {
    if (AudioEffectX* effect = effectX()) effect->endEdit(int32_t(index));
}

void CFrame::doIdleStuff() {
    if (AEffGUIEditor* editor = guiEditor()) editor->doIdleStuff();
}

long CFrame::getTicks() {
    return guiEditor() ? long(AEffGUIEditor::getTicks()) : 0;
}

long CFrame::getKnobMode() { return AEffGUIEditor::knobMode; }
