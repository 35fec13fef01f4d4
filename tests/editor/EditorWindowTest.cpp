// The editor in a real X11 window, through the built plug-in module only.
//
// The test is the host: it starts its own Xvfb, loads Trellisor.so with
// dlopen, creates a top-level window and hands its id to effEditOpen, and
// runs a user-interface thread that calls effEditIdle about 30 times a
// second. Real pointer and key events come from XTest on the test's own
// connection while the plug-in tracks them inside effEditIdle; the screen is
// read back with get-image.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <malloc.h>
#include <unistd.h>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AEffect.h"
#include "Picture.h"
#include "XvfbServer.h"

namespace {

using namespace std::chrono_literals;

// ------------------------------------------------------------- the X server

// The window tests' server, started on first use, DISPLAY pointing at it.
trellisor::test::XvfbServer& xserver() {
    return trellisor::test::XvfbServer::shared({.width = 640, .height = 480});
}

// ------------------------------------------------------------- host callback

struct HostCall {
    int32_t opcode;
    int32_t index;
    float opt;
};

std::mutex gCallsMutex;
std::vector<HostCall> gCalls;

intptr_t hostCallback(AEffect*, int32_t opcode, int32_t index, intptr_t, void*, float opt) {
    if (opcode == audioMasterVersion)
        return 2400;
    std::lock_guard<std::mutex> lock(gCallsMutex);
    if (opcode == audioMasterAutomate || opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit)
        gCalls.push_back({opcode, index, opt});
    return 0;
}

// Waits up to two seconds for a recorded call with this opcode (and value,
// when given); the plug-in handles the pointer only at its next idle.
bool waitForCall(int32_t opcode, int32_t index, float opt = -1.0f) {
    for (int i = 0; i < 200; ++i) {
        {
            std::lock_guard<std::mutex> lock(gCallsMutex);
            for (const HostCall& c : gCalls)
                if (c.opcode == opcode && c.index == index && (opt < 0.0f || c.opt == opt))
                    return true;
        }
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

std::vector<HostCall> takeCalls() {
    std::lock_guard<std::mutex> lock(gCallsMutex);
    std::vector<HostCall> out;
    out.swap(gCalls);
    return out;
}

// ------------------------------------------------------------- the host's UI thread

// Runs every dispatcher call of the test and effEditIdle about every 33 ms.
class UiThread {
public:
    explicit UiThread(AEffect* effect) : effect(effect), thread([this] { run(); }) {}
    ~UiThread() {
        stopping = true;
        thread.join();
    }
    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr) {
        std::packaged_task<intptr_t()> task([=, this] {
            return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
        });
        auto answer = task.get_future();
        {
            std::lock_guard<std::mutex> lock(mutex);
            tasks.push_back(std::move(task));
        }
        return answer.get();
    }
    std::atomic<bool> idling{false};
    std::atomic<long> idles{0};

private:
    void run() {
        while (!stopping) {
            std::deque<std::packaged_task<intptr_t()>> pending;
            {
                std::lock_guard<std::mutex> lock(mutex);
                pending.swap(tasks);
            }
            for (auto& t : pending)
                t();
            if (idling) {
                effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
                ++idles;
            }
            std::this_thread::sleep_for(33ms);
        }
    }
    AEffect* effect;
    std::mutex mutex;
    std::deque<std::packaged_task<intptr_t()>> tasks;
    std::atomic<bool> stopping{false};
    std::thread thread;
};

// ------------------------------------------------------------- fixture

class EditorWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (!xserver().available())
            GTEST_SKIP() << "no X server for the window test: " << xserver().reason();
        takeCalls();
        module = dlopen(TRELLISOR_PLUGIN, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << dlerror();
        using Entry = AEffect* (*)(audioMasterCallback);
        auto entry = reinterpret_cast<Entry>(dlsym(module, "VSTPluginMain"));
        ASSERT_NE(entry, nullptr);
        effect = entry(hostCallback);
        ASSERT_NE(effect, nullptr);
        ASSERT_EQ(effect->flags & effFlagsHasEditor, effFlagsHasEditor);
        effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);

        ERect* rect = nullptr;
        ASSERT_EQ(effect->dispatcher(effect, effEditGetRect, 0, 0, &rect, 0.0f), 1);
        ASSERT_NE(rect, nullptr);
        width = rect->right - rect->left;
        height = rect->bottom - rect->top;
        ASSERT_GE(width, 193);
        ASSERT_GE(height, 227);

        conn = xcb_connect(nullptr, nullptr);
        ASSERT_FALSE(xcb_connection_has_error(conn))
            << "error " << xcb_connection_has_error(conn) << " on " << (getenv("DISPLAY") ? getenv("DISPLAY") : "(none)");
        screen = xcb_setup_roots_iterator(xcb_get_setup(conn)).data;
        hostWindow = xcb_generate_id(conn);
        const uint32_t values[] = {screen->white_pixel, 1};
        xcb_create_window(conn, XCB_COPY_FROM_PARENT, hostWindow, screen->root, 0, 0,
                          uint16_t(width), uint16_t(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(conn, hostWindow);
        sync();
        ui = std::make_unique<UiThread>(effect);
    }

    void TearDown() override {
        if (ui) {
            ui->idling = false;
            ui->dispatch(effEditClose);
            ui->dispatch(effClose);
            ui.reset();
        }
        if (conn) {
            xcb_destroy_window(conn, hostWindow);
            xcb_disconnect(conn);
        }
        if (module)
            dlclose(module);
    }

    void sync() { free(xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr)); }

    void openEditor() {
        ASSERT_EQ(ui->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(uintptr_t(hostWindow))), 1);
        ui->idling = true;
        waitIdles(6);
    }
    void waitIdles(long count) {
        const long target = ui->idles + count;
        for (int i = 0; i < 400 && ui->idles < target; ++i)
            std::this_thread::sleep_for(10ms);
    }

    // XTest input at frame coordinates (the host window sits at the origin).
    void moveTo(int x, int y) {
        xcb_test_fake_input(conn, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, screen->root, int16_t(x),
                            int16_t(y), 0);
        sync();
        std::this_thread::sleep_for(60ms);
    }
    void button(bool down) {
        xcb_test_fake_input(conn, down ? XCB_BUTTON_PRESS : XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME,
                            XCB_NONE, 0, 0, 0);
        sync();
        std::this_thread::sleep_for(150ms);
    }
    void key(uint32_t keysym, bool down) {
        xcb_key_symbols_t* syms = xcb_key_symbols_alloc(conn);
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(syms, keysym);
        ASSERT_NE(codes, nullptr);
        xcb_test_fake_input(conn, down ? XCB_KEY_PRESS : XCB_KEY_RELEASE, codes[0], XCB_CURRENT_TIME,
                            XCB_NONE, 0, 0, 0);
        free(codes);
        xcb_key_symbols_free(syms);
        sync();
        std::this_thread::sleep_for(60ms);
    }
    // A click whose press is held until the plug-in has answered it.
    void clickAt(int x, int y, int32_t opcode, int32_t index) {
        moveTo(x, y);
        button(true);
        EXPECT_TRUE(waitForCall(opcode, index)) << "no answer to the press at " << x << ", " << y;
        button(false);
        waitIdles(3);
    }
    float parameter(int32_t index) { return effect->getParameter(effect, index); }

    // The host window's pixels, 0x00RRGGBB.
    std::vector<uint32_t> screenshot() {
        xcb_get_image_reply_t* image = xcb_get_image_reply(
            conn,
            xcb_get_image(conn, XCB_IMAGE_FORMAT_Z_PIXMAP, hostWindow, 0, 0, uint16_t(width),
                          uint16_t(height), ~0u),
            nullptr);
        std::vector<uint32_t> pixels;
        if (!image)
            return pixels;
        const int bytes = xcb_get_image_data_length(image);
        if (bytes == width * height * 4) {
            pixels.resize(size_t(width) * size_t(height));
            std::memcpy(pixels.data(), xcb_get_image_data(image), size_t(bytes));
            for (uint32_t& p : pixels)
                p &= 0x00FFFFFF;
        }
        free(image);
        return pixels;
    }

    // Whether the handle picture's non-white pixels show with its top-left
    // corner at (left, top).
    bool handleShowsAt(const std::vector<uint32_t>& shot, const platform::Picture& handle, int left,
                       int top) {
        int compared = 0;
        for (int v = 0; v < handle.height(); ++v)
            for (int h = 0; h < handle.width(); ++h) {
                const uint32_t want = handle.pixels()[size_t(v) * size_t(handle.width()) + size_t(h)];
                if (want == 0xFFFFFF)
                    continue;   // left out by transparent drawing
                ++compared;
                if (shot[size_t(top + v) * size_t(width) + size_t(left + h)] != want)
                    return false;
            }
        return compared > 0;
    }

    void* module = nullptr;
    AEffect* effect = nullptr;
    int width = 0;
    int height = 0;
    xcb_connection_t* conn = nullptr;
    xcb_screen_t* screen = nullptr;
    xcb_window_t hostWindow = 0;
    std::unique_ptr<UiThread> ui;
};

TEST_F(EditorWindow, GesturesReachTheHostAndTheScreenShowsThem) {
    openEditor();
    takeCalls();

    // Drag Regen from 0.25 to 0.75 (free click: row 95 + 104 (1 - value)).
    moveTo(133, 173);
    button(true);
    ASSERT_TRUE(waitForCall(audioMasterBeginEdit, 1)) << "the drag did not start";
    moveTo(133, 150);
    moveTo(133, 121);
    ASSERT_TRUE(waitForCall(audioMasterAutomate, 1, 0.75f)) << "the drag did not arrive";
    button(false);
    waitIdles(3);
    auto calls = takeCalls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(calls.front().index, 1);
    EXPECT_EQ(calls.back().opcode, audioMasterEndEdit);
    EXPECT_EQ(calls.back().index, 1);
    const HostCall& lastAutomate = calls[calls.size() - 2];
    EXPECT_EQ(lastAutomate.opcode, audioMasterAutomate);
    EXPECT_EQ(lastAutomate.index, 1);
    EXPECT_EQ(lastAutomate.opt, 0.75f);
    for (size_t i = 1; i + 1 < calls.size(); ++i)
        EXPECT_EQ(calls[i].opcode, audioMasterAutomate) << "call " << i;
    EXPECT_EQ(parameter(1), 0.75f);

    // The Type switch, 60 rows below its top: 0.5, bracketed.
    clickAt(30, 143, audioMasterBeginEdit, 2);
    calls = takeCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(calls[1].opcode, audioMasterAutomate);
    EXPECT_EQ(calls[1].index, 2);
    EXPECT_EQ(calls[1].opt, 0.5f);
    EXPECT_EQ(calls[2].opcode, audioMasterEndEdit);
    EXPECT_EQ(parameter(2), 0.5f);

    // keepfreqs toggles on, without a bracket.
    clickAt(60, 70, audioMasterAutomate, 3);
    calls = takeCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].opcode, audioMasterAutomate);
    EXPECT_EQ(calls[0].index, 3);
    EXPECT_EQ(calls[0].opt, 1.0f);
    EXPECT_EQ(parameter(3), 1.0f);

    // The host moves FreqNudge; the handle follows at the next idle.
    platform::PictureStore& store = platform::PictureStore::resources();
    const platform::Picture* freqHandle = store.picture(130);
    const platform::Picture* regenHandle = store.picture(132);
    ASSERT_NE(freqHandle, nullptr);
    ASSERT_NE(regenHandle, nullptr);
    effect->setParameter(effect, 0, 0.2f);
    waitIdles(3);
    auto shot = screenshot();
    ASSERT_EQ(shot.size(), size_t(width) * size_t(height));
    EXPECT_TRUE(handleShowsAt(shot, *freqHandle, 72, 87 + 83)) << "FreqNudge at 0.2";
    EXPECT_FALSE(handleShowsAt(shot, *freqHandle, 72, 87 + 52)) << "no longer at the middle";

    // Command-click (Control on X11) puts FreqNudge back to its default.
    moveTo(80, 120);
    key(0xffe3, true);   // Control_L
    button(true);
    EXPECT_TRUE(waitForCall(audioMasterAutomate, 0, 0.5f));
    button(false);
    key(0xffe3, false);
    waitIdles(3);
    calls = takeCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].opcode, audioMasterAutomate);
    EXPECT_EQ(calls[0].index, 0);
    EXPECT_EQ(calls[0].opt, 0.5f);
    EXPECT_EQ(parameter(0), 0.5f);

    // An arrow key on the keyboard: the focus left the sliders with the last
    // click, so it reaches Thresh, the last view that takes keys.
    moveTo(100, 40);
    key(0xff52, true);   // Up
    key(0xff52, false);
    EXPECT_TRUE(waitForCall(audioMasterAutomate, 5)) << "the key did not reach Thresh";
    waitIdles(3);
    calls = takeCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_FLOAT_EQ(calls[0].opt, 0.95f);
    EXPECT_FLOAT_EQ(parameter(5), 0.95f);

    // The screen: Regen's handle top at row 87 + trunc(0.25 x 104) = 113.
    shot = screenshot();
    EXPECT_TRUE(handleShowsAt(shot, *regenHandle, 124, 87 + 26));
    EXPECT_FALSE(handleShowsAt(shot, *regenHandle, 124, 87 + 78)) << "gone from its start";
    EXPECT_TRUE(handleShowsAt(shot, *freqHandle, 72, 87 + 52)) << "FreqNudge back at the middle";
}

// Open file descriptors of this process.
int openDescriptors() {
    int count = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d))
            ++count;
        closedir(d);
    }
    return count;
}

int childWindows(xcb_connection_t* conn, xcb_window_t window) {
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(conn, xcb_query_tree(conn, window), nullptr);
    if (!tree)
        return -1;
    const int n = xcb_query_tree_children_length(tree);
    free(tree);
    return n;
}

TEST_F(EditorWindow, HundredOpenCloseCyclesLeaveNothingBehind) {
    auto cycle = [this] {
        ASSERT_EQ(ui->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(uintptr_t(hostWindow))), 1);
        EXPECT_EQ(childWindows(conn, hostWindow), 1);
        ui->dispatch(effEditIdle);
        ui->dispatch(effEditIdle);
        ui->dispatch(effEditClose);
        sync();
        EXPECT_EQ(childWindows(conn, hostWindow), 0);
    };
    cycle();   // fonts and pictures are loaded once per process
    const int descriptors = openDescriptors();
    const int rootWindows = childWindows(conn, screen->root);
    const size_t heap = mallinfo2().uordblks;
    for (int i = 0; i < 100; ++i)
        cycle();
    EXPECT_EQ(openDescriptors(), descriptors) << "display connections are closed";
    EXPECT_EQ(childWindows(conn, screen->root), rootWindows);
    const size_t grown = mallinfo2().uordblks > heap ? mallinfo2().uordblks - heap : 0;
    EXPECT_LT(grown, 64u * 1024u) << "heap grew by " << grown << " bytes over 100 cycles";
}

}  // namespace

namespace {

TEST_F(EditorWindow, HostWindowDestroyedBeforeCloseIsSurvived) {
    openEditor();
    ui->idling = false;
    xcb_destroy_window(conn, hostWindow);
    sync();
    // Idle and mouse requests on the orphaned editor, then the close the
    // host sends at last: all harmless.
    ui->dispatch(effEditIdle);
    ui->dispatch(effEditIdle);
    EXPECT_EQ(ui->dispatch(effEditMouse, 30, 143), 1);
    ui->dispatch(effEditClose);
    EXPECT_EQ(parameter(2), 0.0f) << "nothing reached the Type switch";
    // A new host window takes the editor again.
    hostWindow = xcb_generate_id(conn);
    const uint32_t values[] = {screen->white_pixel, 1};
    xcb_create_window(conn, XCB_COPY_FROM_PARENT, hostWindow, screen->root, 0, 0, uint16_t(width),
                      uint16_t(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(conn, hostWindow);
    sync();
    openEditor();
    EXPECT_EQ(childWindows(conn, hostWindow), 1);
}

}  // namespace
