// The editor binding on a real X server (an Xvfb the test starts): a host
// window, effEditOpen with its id, a frame with test views drawn by
// effEditIdle, a real pointer click reaching the right view, a flood of
// exposures handled without redrawing, and effEditClose.
//
// The test plays the host with its own connection to the display.
#include <gtest/gtest.h>

#include <xcb/xcb.h>
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

#include "AEffGUIEditor.h"
#include "AudioEffectX.h"
#include "ToolkitFixture.h"
#include "Window.h"
#include "XvfbServer.h"

namespace {

// An Xvfb for the whole program, started on first use, DISPLAY pointing at it.
trellisor::test::XvfbServer& xserver() {
    return trellisor::test::XvfbServer::shared({.width = 320, .height = 240});
}

// The host: a top-level window on its own connection, pixel reads and XTest input.
class Host {
public:
    static constexpr int kX = 10, kY = 20;
    Host() {
        c = xcb_connect(xserver().display().c_str(), nullptr);
        if (!c || xcb_connection_has_error(c)) return;
        screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        parent = xcb_generate_id(c);
        uint32_t values[] = {screen->black_pixel};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, parent, screen->root, kX, kY, 200, 150, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL, values);
        xcb_map_window(c, parent);
        sync();
        ok = true;
    }
    ~Host() {
        if (c) {
            if (parent) xcb_destroy_window(c, parent);
            xcb_flush(c);
            xcb_disconnect(c);
        }
    }
    void* window() const { return reinterpret_cast<void*>(uintptr_t(parent)); }
    std::vector<xcb_window_t> children() {
        std::vector<xcb_window_t> out;
        xcb_query_tree_reply_t* r = xcb_query_tree_reply(c, xcb_query_tree(c, parent), nullptr);
        if (!r) return out;
        xcb_window_t* kids = xcb_query_tree_children(r);
        out.assign(kids, kids + xcb_query_tree_children_length(r));
        std::free(r);
        return out;
    }
    // The pixel at (x, y) of the editor's window, as the screen shows it.
    CColor pixel(int x, int y) {
        auto kids = children();
        if (kids.size() != 1) return CColor{1, 2, 3, 0};
        xcb_get_image_reply_t* img = xcb_get_image_reply(
            c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, kids[0], int16_t(x), int16_t(y), 1, 1, ~0u), nullptr);
        if (!img) return CColor{1, 2, 3, 0};
        const uint8_t* d = xcb_get_image_data(img);
        CColor out{d[2], d[1], d[0], 0};
        std::free(img);
        return out;
    }
    void click(int x, int y) {
        xcb_test_fake_input(c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, screen->root, int16_t(kX + x),
                            int16_t(kY + y), 0);
        xcb_test_fake_input(c, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(c, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        sync();
    }
    // Sends count Expose events for the whole editor window.
    void exposeFlood(int count) {
        auto kids = children();
        if (kids.size() != 1) return;
        for (int i = 0; i < count; i++) {
            xcb_expose_event_t e;
            std::memset(&e, 0, sizeof e);
            e.response_type = XCB_EXPOSE;
            e.window = kids[0];
            e.width = 100;
            e.height = 80;
            e.count = 0;
            xcb_send_event(c, 0, kids[0], XCB_EVENT_MASK_EXPOSURE, reinterpret_cast<const char*>(&e));
        }
        sync();
    }
    void sync() { std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }

    xcb_connection_t* c = nullptr;
    xcb_screen_t* screen = nullptr;
    xcb_window_t parent = 0;
    bool ok = false;
};

intptr_t fakeHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

class Effect : public AudioEffectX {
public:
    Effect() : AudioEffectX(fakeHost, 1, 1) {}
    void process(float**, float**, int32_t) override {}
};

class Editor : public AEffGUIEditor {
public:
    explicit Editor(AudioEffect* e) : AEffGUIEditor(e) { rect = ERect{0, 0, 80, 100}; }
    ~Editor() override { close(); }
    int32_t open(void* ptr) override {
        AEffGUIEditor::open(ptr);
        frame = new CFrame(CRect(0, 0, 100, 80), ptr, this);
        left = new RecordingView(CRect(0, 0, 49, 79), nullptr, "left", nullptr, kRedCColor);
        right = new RecordingView(CRect(50, 0, 99, 79), nullptr, "right", nullptr, kBlueCColor);
        frame->addView(left);
        frame->addView(right);
        return 1;
    }
    void close() override {
        if (frame) {
            frame->removeView(left, false);
            frame->removeView(right, false);
        }
        delete left;
        delete right;
        left = right = nullptr;
        delete frame;
        frame = nullptr;
    }
    RecordingView* left = nullptr;
    RecordingView* right = nullptr;
};

class X11EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!xserver().available())
            GTEST_SKIP() << "X11 editor test skipped: " << xserver().reason();
        platform::setBackend(nullptr);  // the X11 backend
        host = std::make_unique<Host>();
        ASSERT_TRUE(host->ok);
        effect = std::make_unique<Effect>();
        editor = new Editor(effect.get());
    }
    void TearDown() override {
        effect.reset();
        host.reset();
    }
    intptr_t dispatch(int32_t opcode, intptr_t value = 0, void* ptr = nullptr) {
        AEffect* e = effect->getAeffect();
        return e->dispatcher(e, opcode, 0, value, ptr, 0);
    }
    // Idles as a host does, many times a second, until pred holds (3 s at most).
    bool idleUntil(const std::function<bool()>& pred) {
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        for (;;) {
            dispatch(effEditIdle);
            if (pred()) return true;
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    std::unique_ptr<Host> host;
    std::unique_ptr<Effect> effect;
    Editor* editor = nullptr;
};

TEST_F(X11EditorTest, OpenIdleClickFloodAndClose) {
    ASSERT_EQ(dispatch(effEditOpen, 0, host->window()), 1);
    ASSERT_NE(editor->getFrame(), nullptr);
    ASSERT_NE(editor->getFrame()->getSystemWindow(), nullptr) << "no child window on the host's";
    EXPECT_EQ(host->children().size(), 1u);

    // effEditIdle handles the first exposure: the frame is drawn and shown.
    ASSERT_TRUE(idleUntil([&] { return editor->left->draws > 0 && host->pixel(75, 40) == kBlueCColor; }));
    EXPECT_EQ(host->pixel(20, 40), kRedCColor);
    EXPECT_EQ(editor->right->draws, 1);

    // A dirty view is drawn by the idle and reaches the screen.
    editor->left->colour = kGreenCColor;
    editor->left->setDirty(true);
    ASSERT_TRUE(idleUntil([&] { return host->pixel(20, 40) == kGreenCColor; }));
    EXPECT_EQ(editor->left->draws, 2);

    // A real click on the right view.
    host->click(75, 30);
    ASSERT_TRUE(idleUntil([&] { return editor->right->clicks > 0; }));
    EXPECT_EQ(editor->left->clicks, 0);
    EXPECT_EQ(editor->right->lastClick, CPoint(75, 30));

    // A flood of exposures: handled within the idle calls, no redraw.
    host->exposeFlood(3000);
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; i++) dispatch(effEditIdle);
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_LT(took.count(), 2000);
    EXPECT_EQ(editor->left->draws, 2);
    EXPECT_EQ(editor->right->draws, 1);
    EXPECT_EQ(host->pixel(75, 40), kBlueCColor);

    EXPECT_EQ(dispatch(effEditClose), 0);
    EXPECT_EQ(editor->getFrame(), nullptr);
    host->sync();
    EXPECT_TRUE(host->children().empty()) << "effEditClose destroys the child window";
}

} // namespace
