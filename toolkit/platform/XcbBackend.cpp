// The X11 backend over XCB. XCB rather than Xlib: the plug-in lives in the
// host's process, and XCB reports errors per request instead of through a
// process-wide handler that may end the process on a BadWindow.
//
// Each window has its own display connection. It is a child of the host's
// window, shows the port's pixels by put-image, repaints on Expose, reads
// the pointer by query-pointer and delivers presses and keys to its
// listener from processEvents. User-interface thread only.
#include "Window.h"

#include "Port.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <poll.h>
#include <time.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace platform {

namespace {

class XcbWindow;

class XcbBackend final : public Backend {
public:
    Window* openWindow(void* parent, int width, int height) override;
    uint32_t tickCount() override;
    void delay(uint32_t ticks) override;
    void runEventLoop(double seconds) override;
    uint32_t doubleClickTicks() override { return 30; }

    void add(XcbWindow* w) { windows_.push_back(w); }
    void remove(XcbWindow* w) { windows_.erase(std::remove(windows_.begin(), windows_.end(), w), windows_.end()); }

private:
    std::vector<XcbWindow*> windows_;
};

// X keysyms that have a virtual key code.
struct VirtMap {
    uint32_t keysym;
    uint8_t virt;
};
constexpr VirtMap kVirtKeys[] = {
    {0xff08, kVirtBack},     {0xff09, kVirtTab},      {0xff0b, kVirtClear},    {0xff0d, kVirtReturn},
    {0xff13, kVirtPause},    {0xff1b, kVirtEscape},   {0x0020, kVirtSpace},    {0xff57, kVirtEnd},
    {0xff50, kVirtHome},     {0xff51, kVirtLeft},     {0xff52, kVirtUp},       {0xff53, kVirtRight},
    {0xff54, kVirtDown},     {0xff55, kVirtPageUp},   {0xff56, kVirtPageDown}, {0xff60, kVirtSelect},
    {0xff61, kVirtPrint},    {0xff8d, kVirtEnter},    {0xff63, kVirtInsert},   {0xffff, kVirtDelete},
    {0xff6a, kVirtHelp},     {0xffaa, kVirtMultiply}, {0xffab, kVirtAdd},      {0xffac, kVirtSeparator},
    {0xffad, kVirtSubtract}, {0xffae, kVirtDecimal},  {0xffaf, kVirtDivide},   {0xff7f, kVirtNumLock},
    {0xff14, kVirtScroll},   {0xffe1, kVirtShift},    {0xffe2, kVirtShift},    {0xffe3, kVirtControl},
    {0xffe4, kVirtControl},  {0xffe9, kVirtAlt},      {0xffea, kVirtAlt},      {0xffbd, kVirtEquals},
    // Keypad cursor keys (Num Lock off).
    {0xff95, kVirtHome},     {0xff96, kVirtLeft},     {0xff97, kVirtUp},       {0xff98, kVirtRight},
    {0xff99, kVirtDown},     {0xff9a, kVirtPageUp},   {0xff9b, kVirtPageDown}, {0xff9c, kVirtEnd},
    {0xff9e, kVirtInsert},   {0xff9f, kVirtDelete},
};

unsigned pointerModifiers(uint16_t state) {
    unsigned m = 0;
    if (state & XCB_MOD_MASK_SHIFT)
        m |= kModifierShift;
    if (state & XCB_MOD_MASK_CONTROL)
        m |= kModifierCommand;
    if (state & XCB_MOD_MASK_1)
        m |= kModifierOption;
    if (state & XCB_MOD_MASK_4)
        m |= kModifierControl;
    return m;
}

uint8_t keyModifiers(uint16_t state) {
    uint8_t m = 0;
    if (state & XCB_MOD_MASK_SHIFT)
        m |= kKeyShift;
    if (state & XCB_MOD_MASK_1)
        m |= kKeyAlternate;
    if (state & XCB_MOD_MASK_CONTROL)
        m |= kKeyCommand;
    if (state & XCB_MOD_MASK_4)
        m |= kKeyControl;
    return m;
}

int buttonFromDetail(uint8_t detail) {
    switch (detail) {
    case 1: return kButtonPrimary;
    case 2: return kButtonMiddle;
    case 3: return kButtonSecondary;
    default: return kButtonNone;
    }
}

int buttonFromMask(uint16_t mask) {
    if (mask & XCB_BUTTON_MASK_1)
        return kButtonPrimary;
    if (mask & XCB_BUTTON_MASK_3)
        return kButtonSecondary;
    if (mask & XCB_BUTTON_MASK_2)
        return kButtonMiddle;
    return kButtonNone;
}

int shiftOf(uint32_t mask) {
    int s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++s;
    }
    return s;
}
int widthOf(uint32_t mask) {
    mask >>= shiftOf(mask);
    int w = 0;
    while (mask & 1) {
        mask >>= 1;
        ++w;
    }
    return w;
}

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T> using Reply = std::unique_ptr<T, FreeDeleter>;

class XcbWindow final : public Window {
public:
    static XcbWindow* open(XcbBackend& owner, uintptr_t parent, int width, int height);
    ~XcbWindow() override;

    Port& port() override { return *port_; }
    void setListener(WindowListener* listener) override { listener_ = listener; }
    void flush() override;
    void processEvents() override;
    PointerState queryPointer() override;
    bool takeMouseEvent(unsigned mask, MouseEvent* event) override;
    void setCursor(int shape) override;
    bool setSize(int width, int height) override;
    Point screenPosition() override;
    void setDropTarget(bool active) override;
    bool isAlive() override { return alive_ && !xcb_connection_has_error(c_); }

    int fd() const { return xcb_get_file_descriptor(c_); }

private:
    XcbWindow(XcbBackend& owner) : owner_(owner) {}
    bool init(uintptr_t parent, int width, int height);
    void internAtoms();
    void onClientMessage(xcb_client_message_event_t const* m);
    void onSelectionNotify(xcb_selection_notify_event_t const* n);
    void sendToSource(xcb_atom_t type, uint32_t d1, uint32_t d2, uint32_t d3, uint32_t d4);
    void finishDrop(bool accepted);
    void push(Rect r);
    void readAll();
    void dispatch(xcb_generic_event_t* e);
    uint32_t pack(uint32_t rgb) const;

    XcbBackend& owner_;
    xcb_connection_t* c_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
    xcb_window_t window_ = 0;
    xcb_gcontext_t gc_ = 0;
    xcb_font_t cursorFont_ = 0;
    xcb_cursor_t cursors_[4] = {0, 0, 0, 0};
    xcb_key_symbols_t* keysyms_ = nullptr;
    std::unique_ptr<Port> port_;
    WindowListener* listener_ = nullptr;
    std::deque<xcb_generic_event_t*> pending_;
    bool alive_ = false;
    bool delivering_ = false;
    bool dropTarget_ = false;
    // XDND drop target state.
    enum Atom { kAware, kEnter, kPosition, kStatus, kLeave, kDrop, kFinished, kSelection, kTypeList,
                kActionCopy, kUriList, kTextUtf8, kUtf8String, kTextPlain, kProperty, kAtomCount };
    xcb_atom_t atoms_[kAtomCount] = {};
    xcb_window_t dndSource_ = 0;
    xcb_atom_t dndType_ = 0;
    Point dndWhere_;
    bool dndConverting_ = false;
    PointerState lastPointer_;
    // Image format of the screen's depth.
    uint8_t depth_ = 24;
    int bytesPerPixel_ = 4;
    int scanlinePad_ = 32;
    bool msbFirst_ = false;
    uint32_t masks_[3] = {0xff0000, 0xff00, 0xff};
    bool direct_ = true;
    std::size_t maxRequestBytes_ = 0;
};

XcbWindow* XcbWindow::open(XcbBackend& owner, uintptr_t parent, int width, int height) {
    auto* w = new (std::nothrow) XcbWindow(owner);
    if (!w)
        return nullptr;
    if (!w->init(parent, width, height)) {
        delete w;
        return nullptr;
    }
    owner.add(w);
    return w;
}

bool XcbWindow::init(uintptr_t parent, int width, int height) {
    if (parent == 0 || parent > 0xFFFFFFFFu || width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return false;
    port_.reset(Port::newWorld(width, height, 0));
    if (!port_)
        return false;
    int screenNumber = 0;
    c_ = xcb_connect(nullptr, &screenNumber);
    if (!c_ || xcb_connection_has_error(c_))
        return false;
    xcb_setup_t const* setup = xcb_get_setup(c_);
    for (auto it = xcb_setup_roots_iterator(setup); it.rem; --screenNumber, xcb_screen_next(&it))
        if (screenNumber == 0) {
            screen_ = it.data;
            break;
        }
    if (!screen_)
        return false;
    // The parent must exist.
    xcb_generic_error_t* err = nullptr;
    Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c_, xcb_get_geometry(c_, xcb_window_t(parent)), &err));
    std::free(err);
    if (!geometry)
        return false;

    // Pixel format of the root depth.
    depth_ = screen_->root_depth;
    xcb_visualtype_t* visual = nullptr;
    for (auto d = xcb_screen_allowed_depths_iterator(screen_); d.rem && !visual; xcb_depth_next(&d))
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
            if (v.data->visual_id == screen_->root_visual) {
                visual = v.data;
                break;
            }
    if (!visual || (visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR && visual->_class != XCB_VISUAL_CLASS_DIRECT_COLOR))
        return false;
    masks_[0] = visual->red_mask;
    masks_[1] = visual->green_mask;
    masks_[2] = visual->blue_mask;
    int bpp = 0;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        if (f.data->depth == depth_) {
            bpp = f.data->bits_per_pixel;
            scanlinePad_ = f.data->scanline_pad;
        }
    if (bpp != 16 && bpp != 24 && bpp != 32)
        return false;
    bytesPerPixel_ = bpp / 8;
    msbFirst_ = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    direct_ = bpp == 32 && !msbFirst_ && masks_[0] == 0xff0000 && masks_[1] == 0xff00 && masks_[2] == 0xff;
    maxRequestBytes_ = std::size_t(xcb_get_maximum_request_length(c_)) * 4;

    window_ = xcb_generate_id(c_);
    uint32_t mask = XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_EVENT_MASK | XCB_CW_COLORMAP;
    uint32_t values[] = {screen_->white_pixel, 0,
                         XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                             XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE |
                             XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                         screen_->default_colormap};
    xcb_void_cookie_t made =
        xcb_create_window_checked(c_, depth_, window_, xcb_window_t(parent), 0, 0, uint16_t(width),
                                  uint16_t(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual,
                                  mask, values);
    if (xcb_generic_error_t* e = xcb_request_check(c_, made)) {
        std::free(e);
        window_ = 0;
        return false;
    }
    alive_ = true;
    gc_ = xcb_generate_id(c_);
    xcb_create_gc(c_, gc_, window_, 0, nullptr);
    keysyms_ = xcb_key_symbols_alloc(c_);
    internAtoms();
    xcb_map_window(c_, window_);
    port_->markDirty(port_->bounds());
    xcb_flush(c_);
    return true;
}

XcbWindow::~XcbWindow() {
    owner_.remove(this);
    for (xcb_generic_event_t* e : pending_)
        std::free(e);
    if (c_) {
        if (!xcb_connection_has_error(c_)) {
            // When the host destroyed the parent first, our window is gone
            // too; the BadWindow that these requests may earn arrives as an
            // event on our own connection and is dropped with it.
            if (window_ && alive_)
                xcb_destroy_window(c_, window_);
            if (gc_)
                xcb_free_gc(c_, gc_);
            for (xcb_cursor_t cur : cursors_)
                if (cur)
                    xcb_free_cursor(c_, cur);
            if (cursorFont_)
                xcb_close_font(c_, cursorFont_);
            xcb_flush(c_);
        }
        if (keysyms_)
            xcb_key_symbols_free(keysyms_);
        xcb_disconnect(c_);
    }
}

uint32_t XcbWindow::pack(uint32_t rgb) const {
    uint32_t out = 0;
    for (int k = 0; k < 3; ++k) {
        uint32_t comp = (rgb >> (16 - 8 * k)) & 0xff;
        int w = widthOf(masks_[k]);
        uint32_t v = w >= 8 ? comp << (w - 8) : comp >> (8 - w);
        out |= (v << shiftOf(masks_[k])) & masks_[k];
    }
    return out;
}

void XcbWindow::push(Rect r) {
    r = intersect(r, port_->bounds());
    if (r.isEmpty() || !isAlive())
        return;
    int w = r.width();
    std::size_t pad = std::size_t(scanlinePad_ / 8);
    std::size_t rowBytes = (std::size_t(w) * bytesPerPixel_ + pad - 1) / pad * pad;
    std::size_t budget = maxRequestBytes_ > 64 ? maxRequestBytes_ - 64 : 0;
    int rowsPerRequest = int(std::min<std::size_t>(std::size_t(r.height()), budget / rowBytes));
    if (rowsPerRequest <= 0)
        return;
    std::vector<uint8_t> buffer;
    try {
        buffer.resize(rowBytes * std::size_t(rowsPerRequest));
    } catch (std::bad_alloc const&) {
        return;
    }
    for (int y0 = r.top; y0 < r.bottom; y0 += rowsPerRequest) {
        int rows = std::min(rowsPerRequest, r.bottom - y0);
        for (int y = 0; y < rows; ++y) {
            uint32_t const* src = port_->pixels() + std::size_t(y0 + y) * std::size_t(port_->width()) + r.left;
            uint8_t* dst = buffer.data() + std::size_t(y) * rowBytes;
            if (direct_) {
                std::memcpy(dst, src, std::size_t(w) * 4);
                continue;
            }
            for (int x = 0; x < w; ++x) {
                uint32_t v = pack(src[x]);
                for (int b = 0; b < bytesPerPixel_; ++b) {
                    int shift = msbFirst_ ? 8 * (bytesPerPixel_ - 1 - b) : 8 * b;
                    dst[std::size_t(x) * bytesPerPixel_ + b] = uint8_t(v >> shift);
                }
            }
        }
        xcb_put_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, window_, gc_, uint16_t(w), uint16_t(rows), int16_t(r.left),
                      int16_t(y0), 0, depth_, uint32_t(rowBytes * std::size_t(rows)), buffer.data());
    }
}

void XcbWindow::flush() {
    Rect dirty = port_->takeDirty();
    if (!isAlive())
        return;
    push(dirty);
    xcb_flush(c_);
}

void XcbWindow::readAll() {
    if (!c_)
        return;
    while (xcb_generic_event_t* e = xcb_poll_for_event(c_))
        pending_.push_back(e);
}

void XcbWindow::processEvents() {
    flush();
    if (!c_)
        return;
    if (delivering_) {
        // Called from a handler's tracking loop: keep the events for the
        // outer pass, but drain the socket so that waiting on it blocks.
        readAll();
        return;
    }
    delivering_ = true;
    readAll();
    while (!pending_.empty()) {
        xcb_generic_event_t* e = pending_.front();
        pending_.pop_front();
        dispatch(e);
        std::free(e);
        if (pending_.empty())
            readAll();
    }
    delivering_ = false;
    flush();
}

void XcbWindow::dispatch(xcb_generic_event_t* e) {
    switch (e->response_type & 0x7f) {
    case XCB_EXPOSE: {
        auto* x = reinterpret_cast<xcb_expose_event_t*>(e);
        Rect area{x->x, x->y, x->x + x->width, x->y + x->height};
        push(area);
        xcb_flush(c_);
        if (listener_)
            listener_->onExpose(area);
        break;
    }
    case XCB_BUTTON_PRESS: {
        auto* b = reinterpret_cast<xcb_button_press_event_t*>(e);
        if (!listener_)
            break;
        if (b->detail == 4 || b->detail == 5) {
            listener_->onWheel(b->detail == 4 ? 1.0f : -1.0f);
            break;
        }
        int button = buttonFromDetail(b->detail);
        if (button != kButtonNone)
            listener_->onMouseDown(Point{b->event_x, b->event_y}, button, pointerModifiers(b->state));
        break;
    }
    case XCB_KEY_PRESS:
    case XCB_KEY_RELEASE: {
        auto* k = reinterpret_cast<xcb_key_press_event_t*>(e);
        if (!listener_ || !keysyms_)
            break;
        int column = (k->state & XCB_MOD_MASK_SHIFT) ? 1 : 0;
        xcb_keysym_t sym = xcb_key_symbols_get_keysym(keysyms_, k->detail, column);
        if (sym == 0 && column == 1)
            sym = xcb_key_symbols_get_keysym(keysyms_, k->detail, 0);
        KeyEvent key;
        key.modifier = keyModifiers(k->state);
        for (VirtMap const& m : kVirtKeys)
            if (m.keysym == sym)
                key.virt = m.virt;
        if (sym >= 0xffb0 && sym <= 0xffb9)
            key.virt = uint8_t(kVirtNumpad0 + (sym - 0xffb0));
        else if (sym >= 0xffbe && sym <= 0xffc9)
            key.virt = uint8_t(kVirtF1 + (sym - 0xffbe));
        if ((sym >= 0x20 && sym <= 0x7e) || (sym >= 0xa0 && sym <= 0xff))
            key.character = int32_t(sym);
        else if (sym >= 0x1000000 && sym <= 0x110ffff)
            key.character = int32_t(sym - 0x1000000);
        if (key.virt == 0 && key.character == 0)
            break;
        if ((e->response_type & 0x7f) == XCB_KEY_PRESS)
            listener_->onKeyDown(key);
        else
            listener_->onKeyUp(key);
        break;
    }
    case XCB_CLIENT_MESSAGE:
        onClientMessage(reinterpret_cast<xcb_client_message_event_t*>(e));
        break;
    case XCB_SELECTION_NOTIFY:
        onSelectionNotify(reinterpret_cast<xcb_selection_notify_event_t*>(e));
        break;
    case XCB_DESTROY_NOTIFY: {
        auto* d = reinterpret_cast<xcb_destroy_notify_event_t*>(e);
        if (d->window == window_)
            alive_ = false;
        break;
    }
    default:
        break;   // errors (response_type 0) and everything else are dropped
    }
}

// ---------------------------------------------------------------- XDND target
//
// The window announces XDND version 5 while it is a drop target. A drag
// offering text/uri-list (preferred) or text is accepted with the copy
// action; at the drop the data is asked for by ConvertSelection and, when it
// arrives (SelectionNotify, handled like any other event, never waited for),
// the listener gets file paths (file: URIs, percent-decoded) or the text,
// and its answer goes back to the source in XdndFinished.

namespace {

std::string percentDecode(std::string const& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        auto hex = [](char c) {
            return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        };
        if (s[i] == '%' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
            out += char(hex(s[i + 1]) * 16 + hex(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// The local paths of the file: URIs in a text/uri-list.
std::vector<std::string> filePaths(std::string const& list) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < list.size()) {
        std::size_t end = list.find('\n', pos);
        if (end == std::string::npos)
            end = list.size();
        std::string line = list.substr(pos, end - pos);
        pos = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == '\0'))
            line.pop_back();
        if (line.empty() || line[0] == '#' || line.compare(0, 5, "file:") != 0)
            continue;
        std::string rest = line.substr(5);
        if (rest.compare(0, 2, "//") == 0) {
            std::size_t slash = rest.find('/', 2);   // skip the host part
            if (slash == std::string::npos)
                continue;
            rest = rest.substr(slash);
        }
        if (!rest.empty() && rest[0] == '/')
            out.push_back(percentDecode(rest));
    }
    return out;
}

} // namespace

void XcbWindow::internAtoms() {
    static char const* const kNames[kAtomCount] = {
        "XdndAware", "XdndEnter", "XdndPosition", "XdndStatus", "XdndLeave", "XdndDrop", "XdndFinished",
        "XdndSelection", "XdndTypeList", "XdndActionCopy", "text/uri-list", "text/plain;charset=utf-8",
        "UTF8_STRING", "text/plain", "TRELLISOR_DROP"};
    xcb_intern_atom_cookie_t cookies[kAtomCount];
    for (int i = 0; i < kAtomCount; ++i)
        cookies[i] = xcb_intern_atom(c_, 0, uint16_t(std::strlen(kNames[i])), kNames[i]);
    for (int i = 0; i < kAtomCount; ++i) {
        Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(c_, cookies[i], nullptr));
        atoms_[i] = r ? r->atom : 0;
    }
}

void XcbWindow::setDropTarget(bool active) {
    dropTarget_ = active;
    if (!isAlive() || !atoms_[kAware])
        return;
    if (active) {
        uint32_t version = 5;
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window_, atoms_[kAware], XCB_ATOM_ATOM, 32, 1, &version);
    } else {
        xcb_delete_property(c_, window_, atoms_[kAware]);
    }
    xcb_flush(c_);
}

void XcbWindow::sendToSource(xcb_atom_t type, uint32_t d1, uint32_t d2, uint32_t d3, uint32_t d4) {
    xcb_client_message_event_t m;
    std::memset(&m, 0, sizeof m);
    m.response_type = XCB_CLIENT_MESSAGE;
    m.format = 32;
    m.window = dndSource_;
    m.type = type;
    m.data.data32[0] = window_;
    m.data.data32[1] = d1;
    m.data.data32[2] = d2;
    m.data.data32[3] = d3;
    m.data.data32[4] = d4;
    xcb_send_event(c_, 0, dndSource_, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<char const*>(&m));
    xcb_flush(c_);
}

void XcbWindow::finishDrop(bool accepted) {
    if (dndSource_)
        sendToSource(atoms_[kFinished], accepted ? 1u : 0u, accepted ? atoms_[kActionCopy] : 0u, 0, 0);
    dndSource_ = 0;
    dndType_ = 0;
    dndConverting_ = false;
}

void XcbWindow::onClientMessage(xcb_client_message_event_t const* m) {
    if (m->format != 32 || !atoms_[kEnter])
        return;
    uint32_t const* d = m->data.data32;
    if (m->type == atoms_[kEnter]) {
        dndSource_ = d[0];
        dndType_ = 0;
        dndConverting_ = false;
        std::vector<xcb_atom_t> types;
        if (d[1] & 1) {
            Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(
                c_, xcb_get_property(c_, 0, dndSource_, atoms_[kTypeList], XCB_ATOM_ATOM, 0, 256), nullptr));
            if (r && r->format == 32) {
                auto* a = static_cast<xcb_atom_t*>(xcb_get_property_value(r.get()));
                types.assign(a, a + xcb_get_property_value_length(r.get()) / 4);
            }
        } else {
            for (int i = 2; i < 5; ++i)
                if (d[i])
                    types.push_back(d[i]);
        }
        for (Atom want : {kUriList, kTextUtf8, kUtf8String, kTextPlain})
            if (!dndType_ && std::find(types.begin(), types.end(), atoms_[want]) != types.end())
                dndType_ = atoms_[want];
    } else if (m->type == atoms_[kPosition]) {
        if (d[0] != dndSource_)
            return;
        Point root{int16_t(d[2] >> 16), int16_t(d[2] & 0xffff)};
        Point origin = screenPosition();
        dndWhere_ = Point{root.h - origin.h, root.v - origin.v};
        bool accept = dropTarget_ && dndType_ != 0;
        sendToSource(atoms_[kStatus], accept ? 3u : 0u, 0, 0, accept ? atoms_[kActionCopy] : 0u);
    } else if (m->type == atoms_[kLeave]) {
        if (d[0] == dndSource_) {
            dndSource_ = 0;
            dndType_ = 0;
            dndConverting_ = false;
        }
    } else if (m->type == atoms_[kDrop]) {
        if (d[0] != dndSource_)
            return;
        if (!dropTarget_ || !dndType_ || !listener_) {
            finishDrop(false);
            return;
        }
        dndConverting_ = true;
        xcb_convert_selection(c_, window_, atoms_[kSelection], dndType_, atoms_[kProperty], d[2]);
        xcb_flush(c_);
    }
}

void XcbWindow::onSelectionNotify(xcb_selection_notify_event_t const* n) {
    if (!dndConverting_ || n->selection != atoms_[kSelection])
        return;
    if (n->property == XCB_NONE) {
        finishDrop(false);
        return;
    }
    Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(
        c_, xcb_get_property(c_, 1, window_, n->property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1u << 22), nullptr));
    if (!r || r->format != 8) {
        finishDrop(false);
        return;
    }
    std::string data(static_cast<char const*>(xcb_get_property_value(r.get())),
                     std::size_t(xcb_get_property_value_length(r.get())));
    std::vector<std::string> items;
    DropKind kind = kDropText;
    if (dndType_ == atoms_[kUriList]) {
        kind = kDropFiles;
        items = filePaths(data);
    } else {
        items.push_back(data);
    }
    bool accepted = !items.empty() && listener_ && listener_->onDrop(kind, items, dndWhere_);
    finishDrop(accepted);
}

PointerState XcbWindow::queryPointer() {
    PointerState s = lastPointer_;
    s.button = kButtonNone;
    if (!isAlive())
        return s;
    xcb_generic_error_t* err = nullptr;
    Reply<xcb_query_pointer_reply_t> r(xcb_query_pointer_reply(c_, xcb_query_pointer(c_, window_), &err));
    std::free(err);
    if (!r)
        return s;   // window gone: no button, so tracking loops end
    s.where = Point{r->win_x, r->win_y};
    s.button = buttonFromMask(r->mask);
    s.modifiers = pointerModifiers(r->mask);
    lastPointer_ = s;
    return s;
}

bool XcbWindow::takeMouseEvent(unsigned mask, MouseEvent* event) {
    readAll();
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
        uint8_t type = (*it)->response_type & 0x7f;
        if (type != XCB_BUTTON_PRESS && type != XCB_BUTTON_RELEASE)
            continue;
        auto* b = reinterpret_cast<xcb_button_press_event_t*>(*it);
        int button = buttonFromDetail(b->detail);
        if (button == kButtonNone)
            continue;
        bool down = type == XCB_BUTTON_PRESS;
        if (!((down && (mask & kMaskMouseDown)) || (!down && (mask & kMaskMouseUp))))
            continue;
        if (event) {
            event->kind = down ? MouseEvent::kDown : MouseEvent::kUp;
            event->where = Point{b->event_x, b->event_y};
            event->button = button;
            event->modifiers = pointerModifiers(b->state);
            event->ticks = uint32_t(uint64_t(b->time) * 60 / 1000);
        }
        std::free(*it);
        pending_.erase(it);
        return true;
    }
    return false;
}

void XcbWindow::setCursor(int shape) {
    static constexpr uint16_t kGlyphs[4] = {68, 150, 34, 90};   // left_ptr, watch, crosshair, plus
    if (shape < 0 || shape > 3 || !isAlive())
        return;
    if (!cursorFont_) {
        cursorFont_ = xcb_generate_id(c_);
        xcb_open_font(c_, cursorFont_, 6, "cursor");
    }
    if (!cursors_[shape]) {
        cursors_[shape] = xcb_generate_id(c_);
        xcb_create_glyph_cursor(c_, cursors_[shape], cursorFont_, cursorFont_, kGlyphs[shape],
                                uint16_t(kGlyphs[shape] + 1), 0, 0, 0, 0xffff, 0xffff, 0xffff);
    }
    uint32_t value = cursors_[shape];
    xcb_change_window_attributes(c_, window_, XCB_CW_CURSOR, &value);
    xcb_flush(c_);
}

bool XcbWindow::setSize(int width, int height) {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return false;
    if (!port_->resize(width, height))
        return false;
    if (isAlive()) {
        uint32_t values[] = {uint32_t(width), uint32_t(height)};
        xcb_configure_window(c_, window_, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, values);
        xcb_flush(c_);
    }
    return true;
}

Point XcbWindow::screenPosition() {
    if (!isAlive())
        return Point{};
    xcb_generic_error_t* err = nullptr;
    Reply<xcb_translate_coordinates_reply_t> r(xcb_translate_coordinates_reply(
        c_, xcb_translate_coordinates(c_, window_, screen_->root, 0, 0), &err));
    std::free(err);
    return r ? Point{r->dst_x, r->dst_y} : Point{};
}

Window* XcbBackend::openWindow(void* parent, int width, int height) {
    return XcbWindow::open(*this, reinterpret_cast<uintptr_t>(parent), width, height);
}

uint32_t XcbBackend::tickCount() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint32_t(uint64_t(ts.tv_sec) * 60 + uint64_t(ts.tv_nsec) * 60 / 1000000000);
}

void XcbBackend::delay(uint32_t ticks) {
    for (XcbWindow* w : windows_)
        w->flush();
    uint64_t ns = uint64_t(ticks) * 1000000000 / 60;
    timespec ts{time_t(ns / 1000000000), long(ns % 1000000000)};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

void XcbBackend::runEventLoop(double seconds) {
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    auto elapsed = [&start] {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return double(now.tv_sec - start.tv_sec) + double(now.tv_nsec - start.tv_nsec) * 1e-9;
    };
    for (;;) {
        std::vector<XcbWindow*> open = windows_;   // a handler may close a window
        for (XcbWindow* w : open)
            if (std::find(windows_.begin(), windows_.end(), w) != windows_.end())
                w->processEvents();
        double left = seconds - elapsed();
        if (left <= 0)
            return;
        std::vector<pollfd> fds;
        for (XcbWindow* w : windows_)
            if (w->isAlive())
                fds.push_back(pollfd{w->fd(), POLLIN, 0});
        int ms = int(left * 1000 + 0.999);
        if (fds.empty()) {
            timespec ts{time_t(left), long((left - double(time_t(left))) * 1e9)};
            nanosleep(&ts, nullptr);
            return;
        }
        poll(fds.data(), fds.size(), ms);
    }
}

} // namespace

Backend& x11Backend() {
    static XcbBackend instance;
    return instance;
}

} // namespace platform
