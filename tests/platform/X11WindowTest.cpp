// Windows on a real X server (an Xvfb that the fixture starts), and the
// window behaviour that the XCB and the headless backends share.
//
// The test plays the host: it creates a top-level parent window on its own
// connection, lets the backend open the editor's child window on it, reads
// what is on the screen with get-image and sends real input with XTest.
#include "HeadlessBackend.h"
#include "Port.h"
#include "Window.h"
#include "XvfbServer.h"

#include <gtest/gtest.h>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace platform;

namespace {

// ------------------------------------------------------------------ the X server

using trellisor::test::XvfbServer;

// The server of the tests (24-bit), DISPLAY pointing at it; without Xvfb,
// the DISPLAY of the environment when it answers.
XvfbServer& xserver() {
    return XvfbServer::shared({.width = 320, .height = 240, .depth = 24, .fallBackToDisplay = true});
}
// A 16-bit server for the pixel conversion, started on first use.
XvfbServer& xserver16() {
    return XvfbServer::shared({.width = 320, .height = 240, .depth = 16, .exportDisplay = false});
}

// ------------------------------------------------------------------ what a listener saw

struct Recorder : WindowListener {
    struct Click {
        Point where;
        int button;
        unsigned modifiers;
        PointerState during;
    };
    std::vector<Click> clicks;
    std::vector<KeyEvent> keys;
    std::vector<float> wheel;
    int exposes = 0;
    Window* window = nullptr;

    std::function<void()> duringMouseDown;
    void onMouseDown(Point where, int button, unsigned modifiers) override {
        // Like a control's tracking loop: ask the pointer while the button is down.
        clicks.push_back(Click{where, button, modifiers, window ? window->queryPointer() : PointerState{}});
        if (duringMouseDown)
            duringMouseDown();
    }
    long onKeyDown(KeyEvent const& k) override {
        keys.push_back(k);
        return 1;
    }
    void onWheel(float d) override { wheel.push_back(d); }
    void onExpose(Rect) override { ++exposes; }

    struct Drop {
        DropKind kind;
        std::vector<std::string> items;
        Point where;
    };
    std::vector<Drop> drops;
    bool acceptDrops = true;
    bool onDrop(DropKind kind, std::vector<std::string> const& items, Point where) override {
        drops.push_back(Drop{kind, items, where});
        return acceptDrops;
    }
};

// ------------------------------------------------------------------ harnesses

// The host side of a test: the parent window, the screen, the input.
class Harness {
public:
    virtual ~Harness() = default;
    virtual Backend& backend() = 0;
    virtual void* parent() = 0;
    virtual Rgb screenPixel(Window& w, int x, int y) = 0;
    virtual void press(Window& w, Point p, int xButton) = 0;
    virtual void release(Window& w, Point p, int xButton) = 0;
    virtual void destroyParent() = 0;
};

class HeadlessHarness : public Harness {
public:
    Backend& backend() override { return backend_; }
    void* parent() override { return &parent_; }
    Rgb screenPixel(Window& w, int x, int y) override { return w.port().getPixel(x, y); }
    void press(Window& w, Point p, int xButton) override {
        int button = xButton == 1 ? kButtonPrimary : xButton == 3 ? kButtonSecondary : kButtonMiddle;
        backend_.clearPointer(PointerState{p, button, 0});
        static_cast<HeadlessWindow&>(w).postMouseDown(p, button, 0);
    }
    void release(Window& w, Point p, int) override {
        backend_.clearPointer(PointerState{p, kButtonNone, 0});
        static_cast<HeadlessWindow&>(w).postMouseUp(p);
    }
    void destroyParent() override {}

private:
    HeadlessBackend backend_;
    int parent_ = 0;
};

class X11Harness : public Harness {
public:
    static constexpr int kParentX = 10, kParentY = 20;

    // A parent window at (x, y) on the screen; x + 200 may leave the screen.
    explicit X11Harness(int x = kParentX, int y = kParentY, std::string const& display = xserver().display())
        : x_(x), y_(y) {
        c_ = xcb_connect(display.c_str(), nullptr);
        if (!c_ || xcb_connection_has_error(c_))
            return;
        screen_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        parent_ = xcb_generate_id(c_);
        uint32_t values[] = {screen_->black_pixel, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY};
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, parent_, screen_->root, int16_t(x), int16_t(y), 200, 150, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK,
                          values);
        xcb_map_window(c_, parent_);
        sync();
        keysyms_ = xcb_key_symbols_alloc(c_);
        ok_ = true;
    }
    ~X11Harness() override {
        if (keysyms_)
            xcb_key_symbols_free(keysyms_);
        if (c_) {
            if (parent_ && !parentDestroyed_)
                xcb_destroy_window(c_, parent_);
            xcb_flush(c_);
            xcb_disconnect(c_);
        }
    }
    bool ok() const { return ok_; }

    Backend& backend() override { return x11Backend(); }
    void* parent() override { return reinterpret_cast<void*>(uintptr_t(parent_)); }

    // The children of the parent window.
    std::vector<xcb_window_t> children() {
        std::vector<xcb_window_t> out;
        xcb_query_tree_reply_t* r = xcb_query_tree_reply(c_, xcb_query_tree(c_, parent_), nullptr);
        if (!r)
            return out;
        xcb_window_t* kids = xcb_query_tree_children(r);
        out.assign(kids, kids + xcb_query_tree_children_length(r));
        std::free(r);
        return out;
    }
    Rect geometry(xcb_window_t w) {
        xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, w), nullptr);
        if (!g)
            return Rect{};
        Rect r{g->x, g->y, g->x + g->width, g->y + g->height};
        std::free(g);
        return r;
    }
    Rgb screenPixel(Window& w, int x, int y) override {
        w.queryPointer();   // a round trip on the backend's connection: its drawing is done
        auto kids = children();
        if (kids.size() != 1)
            return Rgb{1, 2, 3};
        xcb_get_image_reply_t* img = xcb_get_image_reply(
            c_, xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, kids[0], int16_t(x), int16_t(y), 1, 1, ~0u), nullptr);
        if (!img)
            return Rgb{1, 2, 3};
        uint8_t const* d = xcb_get_image_data(img);
        uint32_t v = uint32_t(d[0]) | uint32_t(d[1]) << 8 | uint32_t(d[2]) << 16;
        std::free(img);
        return fromPixel(v);
    }
    // The raw pixel value of the child window at (x, y), of 2 or 4 bytes.
    uint32_t rawPixel(Window& w, int x, int y) {
        w.queryPointer();
        auto kids = children();
        if (kids.size() != 1)
            return 0xdeadbeef;
        xcb_get_image_reply_t* img = xcb_get_image_reply(
            c_, xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, kids[0], int16_t(x), int16_t(y), 1, 1, ~0u), nullptr);
        if (!img)
            return 0xdeadbeef;
        uint8_t const* d = xcb_get_image_data(img);
        uint32_t v = img->depth == 16 ? uint32_t(d[0]) | uint32_t(d[1]) << 8
                                      : uint32_t(d[0]) | uint32_t(d[1]) << 8 | uint32_t(d[2]) << 16;
        std::free(img);
        return v;
    }
    void moveTo(Point p) {
        xcb_test_fake_input(c_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, screen_->root, int16_t(x_ + p.h),
                            int16_t(y_ + p.v), 0);
    }
    void press(Window&, Point p, int xButton) override {
        moveTo(p);
        xcb_test_fake_input(c_, XCB_BUTTON_PRESS, uint8_t(xButton), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        sync();
    }
    void release(Window&, Point p, int xButton) override {
        moveTo(p);
        xcb_test_fake_input(c_, XCB_BUTTON_RELEASE, uint8_t(xButton), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        sync();
    }
    void key(uint32_t keysym, bool shift = false) {
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(keysyms_, keysym);
        xcb_keycode_t* shiftCodes = xcb_key_symbols_get_keycode(keysyms_, 0xffe1);
        if (!codes || !shiftCodes) {
            std::free(codes);
            std::free(shiftCodes);
            ADD_FAILURE() << "no keycode for keysym " << keysym;
            return;
        }
        if (shift)
            xcb_test_fake_input(c_, XCB_KEY_PRESS, shiftCodes[0], XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(c_, XCB_KEY_PRESS, codes[0], XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(c_, XCB_KEY_RELEASE, codes[0], XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        if (shift)
            xcb_test_fake_input(c_, XCB_KEY_RELEASE, shiftCodes[0], XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        std::free(codes);
        std::free(shiftCodes);
        sync();
    }
    void destroyParent() override {
        xcb_destroy_window(c_, parent_);
        parentDestroyed_ = true;
        sync();
    }
    void remap() {
        xcb_unmap_window(c_, parent_);
        xcb_map_window(c_, parent_);
        sync();
    }
    void sync() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

    // --- an XDND drag source on the test's connection
    xcb_atom_t atom(char const* name) {
        xcb_intern_atom_reply_t* r =
            xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, uint16_t(std::strlen(name)), name), nullptr);
        xcb_atom_t a = r ? r->atom : 0;
        std::free(r);
        return a;
    }
    xcb_window_t makeSource() {
        xcb_window_t w = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, screen_->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen_->root_visual, 0, nullptr);
        xcb_set_selection_owner(c_, w, atom("XdndSelection"), XCB_CURRENT_TIME);
        sync();
        return w;
    }
    void sendXdnd(xcb_window_t target, char const* type, uint32_t d0, uint32_t d1, uint32_t d2, uint32_t d3,
                  uint32_t d4) {
        xcb_client_message_event_t m;
        std::memset(&m, 0, sizeof m);
        m.response_type = XCB_CLIENT_MESSAGE;
        m.format = 32;
        m.window = target;
        m.type = atom(type);
        uint32_t d[5] = {d0, d1, d2, d3, d4};
        std::memcpy(m.data.data32, d, sizeof d);
        xcb_send_event(c_, 0, target, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<char const*>(&m));
        sync();
    }
    // Waits for an event of that type on the test's connection while the
    // window keeps processing its own; the caller frees it. Null after 3 s.
    xcb_generic_event_t* awaitEvent(Window& w, uint8_t type) {
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (std::chrono::steady_clock::now() < end) {
            w.processEvents();
            while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
                if ((e->response_type & 0x7f) == type)
                    return e;
                std::free(e);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return nullptr;
    }
    // Answers the pending request for the selection with data.
    bool answerSelection(Window& w, std::string const& data) {
        auto* e = reinterpret_cast<xcb_selection_request_event_t*>(awaitEvent(w, XCB_SELECTION_REQUEST));
        if (!e)
            return false;
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, e->requestor, e->property, e->target, 8,
                            uint32_t(data.size()), data.data());
        xcb_selection_notify_event_t n;
        std::memset(&n, 0, sizeof n);
        n.response_type = XCB_SELECTION_NOTIFY;
        n.requestor = e->requestor;
        n.selection = e->selection;
        n.target = e->target;
        n.property = e->property;
        n.time = e->time;
        xcb_send_event(c_, 0, e->requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<char const*>(&n));
        std::free(e);
        sync();
        return true;
    }
    // The XdndAware version on a window, 0 when it has none.
    uint32_t xdndAware(xcb_window_t w) {
        xcb_get_property_reply_t* r =
            xcb_get_property_reply(c_, xcb_get_property(c_, 0, w, atom("XdndAware"), XCB_ATOM_ATOM, 0, 1), nullptr);
        uint32_t v = (r && xcb_get_property_value_length(r) == 4) ? *static_cast<uint32_t*>(xcb_get_property_value(r)) : 0;
        std::free(r);
        return v;
    }

private:
    xcb_connection_t* c_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
    xcb_window_t parent_ = 0;
    xcb_key_symbols_t* keysyms_ = nullptr;
    bool parentDestroyed_ = false;
    bool ok_ = false;
    int x_, y_;
};

// Runs the window's event processing until pred holds (at most 3 s).
bool waitFor(Window& w, std::function<bool()> const& pred) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    for (;;) {
        w.processEvents();
        if (pred())
            return true;
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};

} // namespace

// ------------------------------------------------------------------ shared behaviour

class WindowContract : public ::testing::TestWithParam<std::string> {
protected:
    std::unique_ptr<Harness> harness;
    std::unique_ptr<Window> window;
    Recorder recorder;

    void SetUp() override {
        if (GetParam() == "x11") {
            if (!xserver().available())
                GTEST_SKIP() << "X11 window tests skipped: " << xserver().reason();
            auto x = std::make_unique<X11Harness>();
            ASSERT_TRUE(x->ok()) << "cannot connect to " << xserver().display();
            harness = std::move(x);
        } else {
            harness = std::make_unique<HeadlessHarness>();
        }
        window.reset(harness->backend().openWindow(harness->parent(), 64, 48));
        ASSERT_TRUE(window) << "opening the child window failed";
        recorder.window = window.get();
        window->setListener(&recorder);
        ASSERT_TRUE(waitFor(*window, [&] { return recorder.exposes > 0; })) << "no first expose";
    }
};

TEST_P(WindowContract, DrawnPixelsReachTheScreen) {
    Port& port = window->port();
    EXPECT_EQ(port.bounds(), (Rect{0, 0, 64, 48}));
    port.setForeColor(kRed);
    port.fillRect(Rect{2, 3, 10, 8});
    port.setPixel(40, 30, kBlue);
    port.setPixel(63, 47, Rgb{12, 34, 56});
    window->processEvents();
    EXPECT_EQ(harness->screenPixel(*window, 2, 3), kRed);
    EXPECT_EQ(harness->screenPixel(*window, 9, 7), kRed);
    EXPECT_EQ(harness->screenPixel(*window, 10, 7), kWhite);
    EXPECT_EQ(harness->screenPixel(*window, 40, 30), kBlue);
    EXPECT_EQ(harness->screenPixel(*window, 63, 47), (Rgb{12, 34, 56}));
    EXPECT_EQ(harness->screenPixel(*window, 0, 0), kWhite);
}

TEST_P(WindowContract, AClickIsDeliveredAtItsWindowPositionWhileTheButtonIsHeld) {
    harness->press(*window, Point{5, 7}, 1);
    ASSERT_TRUE(waitFor(*window, [&] { return !recorder.clicks.empty(); })) << "no click delivered";
    Recorder::Click const& c = recorder.clicks[0];
    EXPECT_EQ(c.where, (Point{5, 7}));
    EXPECT_EQ(c.button, kButtonPrimary);
    EXPECT_EQ(c.during.button, kButtonPrimary) << "the pointer reports the held button";
    EXPECT_EQ(c.during.where, (Point{5, 7}));
    harness->release(*window, Point{6, 9}, 1);
    MouseEvent up;
    bool gotUp = false;
    for (int i = 0; i < 100 && !gotUp; ++i) {
        gotUp = window->takeMouseEvent(kMaskMouseUp, &up);
        if (!gotUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(gotUp) << "the release is pending for whoever asks";
    EXPECT_EQ(up.where, (Point{6, 9}));
    PointerState after = window->queryPointer();
    EXPECT_EQ(after.button, kButtonNone);
    EXPECT_EQ(after.where, (Point{6, 9}));
    // Secondary button.
    harness->press(*window, Point{20, 21}, 3);
    ASSERT_TRUE(waitFor(*window, [&] { return recorder.clicks.size() == 2; }));
    EXPECT_EQ(recorder.clicks[1].button, kButtonSecondary);
    harness->release(*window, Point{20, 21}, 3);
}

TEST_P(WindowContract, ClosingAfterTheParentIsGoneIsSafe) {
    window->port().fillRect(Rect{0, 0, 5, 5});
    harness->destroyParent();
    window->processEvents();
    window->port().fillRect(Rect{0, 0, 9, 9});
    window->flush();
    window->setCursor(kCursorShapeWatch);
    EXPECT_EQ(window->queryPointer().button, kButtonNone) << "tracking loops end";
    window->processEvents();
    window.reset();
    SUCCEED() << "closed without a crash";
}

INSTANTIATE_TEST_SUITE_P(Backends, WindowContract, ::testing::Values("headless", "x11"),
                         [](auto const& info) { return info.param; });

// ------------------------------------------------------------------ X11 only

class X11Window : public ::testing::Test {
protected:
    std::unique_ptr<X11Harness> host;
    std::unique_ptr<Window> window;
    Recorder recorder;

    void SetUp() override {
        if (!xserver().available())
            GTEST_SKIP() << "X11 window tests skipped: " << xserver().reason();
        host = std::make_unique<X11Harness>();
        ASSERT_TRUE(host->ok());
        window.reset(x11Backend().openWindow(host->parent(), 64, 48));
        ASSERT_TRUE(window);
        recorder.window = window.get();
        window->setListener(&recorder);
        ASSERT_TRUE(waitFor(*window, [&] { return recorder.exposes > 0; }));
    }
};

TEST_F(X11Window, IsOneChildOfTheHostsWindowWithTheEditorsSize) {
    auto kids = host->children();
    ASSERT_EQ(kids.size(), 1u);
    EXPECT_EQ(host->geometry(kids[0]), (Rect{0, 0, 64, 48}));
    EXPECT_EQ(window->screenPosition(), (Point{X11Harness::kParentX, X11Harness::kParentY}));
    EXPECT_TRUE(window->isAlive());
    ASSERT_TRUE(window->setSize(80, 30));
    EXPECT_EQ(window->port().bounds(), (Rect{0, 0, 80, 30}));
    window->queryPointer();
    EXPECT_EQ(host->geometry(kids[0]), (Rect{0, 0, 80, 30}));
    window.reset();
    // The server handles the two connections' requests in its own order.
    bool gone = false;
    for (int i = 0; i < 200 && !gone; ++i) {
        gone = host->children().empty();
        if (!gone)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(gone) << "closing destroys the child window";
}

TEST_F(X11Window, RepaintsFromItsPortOnExpose) {
    window->port().setForeColor(kBlue);
    window->port().fillRect(Rect{0, 0, 64, 48});
    window->processEvents();
    ASSERT_EQ(host->screenPixel(*window, 30, 30), kBlue);
    int before = recorder.exposes;
    host->remap();   // the server clears the window and sends Expose
    ASSERT_TRUE(waitFor(*window, [&] { return recorder.exposes > before; }));
    EXPECT_EQ(host->screenPixel(*window, 30, 30), kBlue);
    EXPECT_EQ(host->screenPixel(*window, 63, 0), kBlue);
}

TEST_F(X11Window, KeysAndWheelReachTheListener) {
    host->moveTo(Point{10, 10});   // keyboard focus follows the pointer
    host->sync();
    host->key('a');
    host->key(0xff51);          // Left
    host->key('b', true);       // shift + b
    // a, Left, the Shift key itself, then B with the shift modifier.
    ASSERT_TRUE(waitFor(*window, [&] { return recorder.keys.size() >= 4; })) << recorder.keys.size();
    EXPECT_EQ(recorder.keys[0].character, 'a');
    EXPECT_EQ(recorder.keys[0].virt, 0);
    EXPECT_EQ(recorder.keys[0].modifier, 0);
    EXPECT_EQ(recorder.keys[1].virt, kVirtLeft);
    EXPECT_EQ(recorder.keys[1].character, 0);
    EXPECT_EQ(recorder.keys[2].virt, kVirtShift);
    EXPECT_EQ(recorder.keys[3].character, 'B');
    EXPECT_EQ(recorder.keys[3].modifier, kKeyShift);
    host->press(*window, Point{10, 10}, 4);
    host->release(*window, Point{10, 10}, 4);
    host->press(*window, Point{10, 10}, 5);
    host->release(*window, Point{10, 10}, 5);
    ASSERT_TRUE(waitFor(*window, [&] { return recorder.wheel.size() >= 2; }));
    EXPECT_EQ(recorder.wheel[0], 1.0f);
    EXPECT_EQ(recorder.wheel[1], -1.0f);
    EXPECT_TRUE(recorder.clicks.empty()) << "wheel steps are not clicks";
}

TEST_F(X11Window, EventLoopDeliversAndWaits) {
    host->press(*window, Point{3, 3}, 1);
    auto start = std::chrono::steady_clock::now();
    x11Backend().runEventLoop(0.05);
    double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(took, 0.045);
    EXPECT_LT(took, 1.0);
    ASSERT_EQ(recorder.clicks.size(), 1u);
    host->release(*window, Point{3, 3}, 1);
}

TEST_F(X11Window, ATrackingLoopPollsThePointerAndDrawsUntilTheRelease) {
    std::vector<Point> track;
    int polls = 0;
    bool nested = false;
    recorder.duringMouseDown = [&] {
        if (nested)
            return;
        nested = true;
        for (;;) {
            PointerState s = window->queryPointer();
            if (s.button != kButtonPrimary)
                break;
            track.push_back(s.where);
            window->port().setPixel(s.where.h, s.where.v, kRed);
            x11Backend().runEventLoop(0.004);
            if (++polls == 3) {
                host->moveTo(Point{30, 20});   // the user drags...
                host->sync();
            }
            if (polls == 6) {
                host->press(*window, Point{31, 21}, 2);   // ...presses the middle button meanwhile...
                host->release(*window, Point{31, 21}, 2);
                host->release(*window, Point{31, 21}, 1);   // ...and lets go
            }
            ASSERT_LT(polls, 500) << "the loop never saw the release";
        }
        EXPECT_EQ(host->screenPixel(*window, 30, 20), kRed) << "drawing inside the loop reaches the screen";
        EXPECT_EQ(recorder.clicks.size(), 1u) << "no click is delivered into the running handler";
    };
    host->press(*window, Point{4, 4}, 1);
    ASSERT_TRUE(waitFor(*window, [&] { return recorder.clicks.size() == 2; }));
    ASSERT_FALSE(track.empty());
    EXPECT_EQ(track.front(), (Point{4, 4}));
    EXPECT_EQ(track.back(), (Point{30, 20}));
    EXPECT_EQ(recorder.clicks[1].button, kButtonMiddle) << "the click during the loop comes after it, once";
}

TEST_F(X11Window, ClosingRightAfterTheParentIsDestroyed) {
    host->destroyParent();
    window.reset();   // no event processed in between
    SUCCEED();
}

TEST_F(X11Window, ActsAsAnXdndDropTarget) {
    xcb_window_t child = host->children().at(0);
    EXPECT_EQ(host->xdndAware(child), 0u);
    window->setDropTarget(true);
    window->queryPointer();
    EXPECT_EQ(host->xdndAware(child), 5u);
    xcb_window_t source = host->makeSource();
    xcb_atom_t copy = host->atom("XdndActionCopy");
    uint32_t at = uint32_t(X11Harness::kParentX + 12) << 16 | uint32_t(X11Harness::kParentY + 9);

    // A drag of two files and a web link.
    host->sendXdnd(child, "XdndEnter", source, 5u << 24, host->atom("text/uri-list"), 0, 0);
    host->sendXdnd(child, "XdndPosition", source, 0, at, XCB_CURRENT_TIME, copy);
    auto* status = reinterpret_cast<xcb_client_message_event_t*>(host->awaitEvent(*window, XCB_CLIENT_MESSAGE));
    ASSERT_NE(status, nullptr) << "no XdndStatus";
    EXPECT_EQ(status->type, host->atom("XdndStatus"));
    EXPECT_EQ(status->data.data32[0], child);
    EXPECT_EQ(status->data.data32[1] & 1, 1u) << "accepted";
    EXPECT_EQ(status->data.data32[4], copy);
    std::free(status);
    host->sendXdnd(child, "XdndDrop", source, 0, XCB_CURRENT_TIME, 0, 0);
    ASSERT_TRUE(host->answerSelection(*window, "file:///tmp/a%20b.wav\r\n# comment\r\n"
                                               "file://localhost/tmp/c.wav\r\nhttp://example.invalid/x\r\n"));
    auto* finished = reinterpret_cast<xcb_client_message_event_t*>(host->awaitEvent(*window, XCB_CLIENT_MESSAGE));
    ASSERT_NE(finished, nullptr) << "no XdndFinished";
    EXPECT_EQ(finished->type, host->atom("XdndFinished"));
    EXPECT_EQ(finished->data.data32[1] & 1, 1u);
    std::free(finished);
    ASSERT_EQ(recorder.drops.size(), 1u);
    EXPECT_EQ(recorder.drops[0].kind, kDropFiles);
    EXPECT_EQ(recorder.drops[0].items, (std::vector<std::string>{"/tmp/a b.wav", "/tmp/c.wav"}));
    EXPECT_EQ(recorder.drops[0].where, (Point{12, 9}));

    // A text drop that the listener refuses: the source hears "not accepted".
    recorder.acceptDrops = false;
    host->sendXdnd(child, "XdndEnter", source, 5u << 24, host->atom("image/png"), host->atom("text/plain"), 0);
    host->sendXdnd(child, "XdndPosition", source, 0, at, XCB_CURRENT_TIME, copy);
    std::free(host->awaitEvent(*window, XCB_CLIENT_MESSAGE));
    host->sendXdnd(child, "XdndDrop", source, 0, XCB_CURRENT_TIME, 0, 0);
    ASSERT_TRUE(host->answerSelection(*window, "hello drop"));
    finished = reinterpret_cast<xcb_client_message_event_t*>(host->awaitEvent(*window, XCB_CLIENT_MESSAGE));
    ASSERT_NE(finished, nullptr);
    EXPECT_EQ(finished->data.data32[1] & 1, 0u);
    std::free(finished);
    ASSERT_EQ(recorder.drops.size(), 2u);
    EXPECT_EQ(recorder.drops[1].kind, kDropText);
    EXPECT_EQ(recorder.drops[1].items, (std::vector<std::string>{"hello drop"}));

    // No longer a target: refused at the first position, nothing delivered.
    window->setDropTarget(false);
    host->sendXdnd(child, "XdndEnter", source, 5u << 24, host->atom("text/uri-list"), 0, 0);
    host->sendXdnd(child, "XdndPosition", source, 0, at, XCB_CURRENT_TIME, copy);
    status = reinterpret_cast<xcb_client_message_event_t*>(host->awaitEvent(*window, XCB_CLIENT_MESSAGE));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->data.data32[1] & 1, 0u);
    std::free(status);
    EXPECT_EQ(host->xdndAware(child), 0u);
    EXPECT_EQ(recorder.drops.size(), 2u);
}

TEST(X11Backend, RefusesWhatItCannotOpen) {
    if (!xserver().available())
        GTEST_SKIP() << "X11 window tests skipped: " << xserver().reason();
    EXPECT_EQ(x11Backend().openWindow(nullptr, 10, 10), nullptr);
    EXPECT_EQ(x11Backend().openWindow(reinterpret_cast<void*>(uintptr_t(0x3fffff7)), 10, 10), nullptr)
        << "a window id that does not exist";
    X11Harness host;
    ASSERT_TRUE(host.ok());
    EXPECT_EQ(x11Backend().openWindow(host.parent(), 0, 10), nullptr);
    EXPECT_TRUE(host.children().empty());
}

TEST(X11Backend, TwoWindowsOnTwoParentsWorkSideBySide) {
    if (!xserver().available())
        GTEST_SKIP() << "X11 window tests skipped: " << xserver().reason();
    X11Harness a, b(220, 20);   // side by side, not overlapping
    ASSERT_TRUE(a.ok() && b.ok());
    std::unique_ptr<Window> wa(x11Backend().openWindow(a.parent(), 20, 20));
    std::unique_ptr<Window> wb(x11Backend().openWindow(b.parent(), 30, 10));
    ASSERT_TRUE(wa && wb);
    wa->port().setForeColor(kRed);
    wa->port().fillRect(Rect{0, 0, 20, 20});
    wb->port().setForeColor(kBlue);
    wb->port().fillRect(Rect{0, 0, 30, 10});
    x11Backend().runEventLoop(0.01);
    EXPECT_EQ(a.screenPixel(*wa, 5, 5), kRed);
    EXPECT_EQ(b.screenPixel(*wb, 5, 5), kBlue);
    wa.reset();
    wb->port().setPixel(0, 0, kRed);
    x11Backend().runEventLoop(0.01);
    EXPECT_EQ(b.screenPixel(*wb, 0, 0), kRed);
}

TEST(X11Backend, ConvertsPixelsForA16BitScreen) {
    XvfbServer& server = xserver16();
    if (!server.available())
        GTEST_SKIP() << "16-bit X server not available: " << server.reason();
    X11Harness host(X11Harness::kParentX, X11Harness::kParentY, server.display());
    ASSERT_TRUE(host.ok());
    std::string saved = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    setenv("DISPLAY", server.display().c_str(), 1);
    std::unique_ptr<Window> w(x11Backend().openWindow(host.parent(), 8, 2));
    setenv("DISPLAY", saved.c_str(), 1);
    ASSERT_TRUE(w);
    Rgb const colours[] = {kRed, Rgb{0, 255, 0}, kBlue, kWhite, Rgb{12, 34, 56}, Rgb{0, 0, 0}};
    for (int i = 0; i < 6; ++i)
        w->port().setPixel(i, 1, colours[i]);
    w->processEvents();
    uint32_t const expected[] = {0xF800, 0x07E0, 0x001F, 0xFFFF, (12u >> 3) << 11 | (34u >> 2) << 5 | (56u >> 3), 0};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(host.rawPixel(*w, i, 1), expected[i]) << "pixel " << i;
}

TEST(X11Backend, TicksAreSixtiethsOfASecond) {
    Backend& b = x11Backend();
    uint32_t t0 = b.tickCount();
    b.delay(6);
    uint32_t t1 = b.tickCount();
    EXPECT_GE(t1 - t0, 5u);
    EXPECT_LE(t1 - t0, 30u);
    EXPECT_EQ(b.doubleClickTicks(), 30u);
}
