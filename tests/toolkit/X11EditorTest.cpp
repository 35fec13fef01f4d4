// The editor binding on a real X server (an Xvfb the test starts): a host
// window, effEditOpen with its id, a frame with test views drawn by
// effEditIdle, a real pointer click reaching the right view, a flood of
// exposures handled without redrawing, and effEditClose.
//
// The test plays the host with its own connection to the display.
#include <gtest/gtest.h>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

extern char** environ;

namespace {

// An Xvfb on a free display, started once for the whole program.
class XServer {
public:
    static XServer& get() {
        static XServer server;
        return server;
    }
    bool available() const { return !display_.empty(); }
    const std::string& display() const { return display_; }
    const std::string& reason() const { return reason_; }
    void stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

private:
    XServer() {
        std::string xvfb = XVFB_PATH;
        if (xvfb.empty() || access(xvfb.c_str(), X_OK) != 0) {
            reason_ = "no Xvfb found at build time";
            return;
        }
        for (int n = 150; n < 190 && display_.empty(); ++n) {
            struct stat st;
            if (stat(("/tmp/.X" + std::to_string(n) + "-lock").c_str(), &st) == 0 ||
                stat(("/tmp/.X11-unix/X" + std::to_string(n)).c_str(), &st) == 0)
                continue;
            if (start(xvfb, n)) display_ = ":" + std::to_string(n);
        }
        if (display_.empty())
            reason_ = "Xvfb did not start";
        else
            setenv("DISPLAY", display_.c_str(), 1);
    }
    static bool canConnect(const std::string& display) {
        xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
        bool ok = c && !xcb_connection_has_error(c);
        if (c) xcb_disconnect(c);
        return ok;
    }
    bool start(const std::string& xvfb, int n) {
        std::string disp = ":" + std::to_string(n);
        std::vector<std::string> args{xvfb, disp, "-screen", "0", "320x240x24", "-nolisten", "tcp", "-noreset"};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        int rc = posix_spawn(&pid, xvfb.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) return false;
        for (int i = 0; i < 200; ++i) {
            if (waitpid(pid, nullptr, WNOHANG) == pid) return false;
            if (canConnect(disp)) {
                pid_ = pid;
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return false;
    }
    std::string display_;
    std::string reason_;
    pid_t pid_ = -1;
};

struct StopServer : ::testing::Environment {
    void TearDown() override { XServer::get().stop(); }
};
[[maybe_unused]] ::testing::Environment* const gStopServer =
    ::testing::AddGlobalTestEnvironment(new StopServer);

// The host: a top-level window on its own connection, pixel reads and XTest input.
class Host {
public:
    static constexpr int kX = 10, kY = 20;
    Host() {
        c = xcb_connect(XServer::get().display().c_str(), nullptr);
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
        if (!XServer::get().available())
            GTEST_SKIP() << "X11 editor test skipped: " << XServer::get().reason();
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
