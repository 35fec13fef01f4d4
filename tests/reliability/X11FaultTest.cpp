// X11 faults while the editor is open, through the built plug-in module as
// a host loads it: the host destroys its window before effEditClose, and the
// X server goes away (killed) with the editor open. The plug-in must neither
// crash nor end the process, idle calls must come back at once, and an audio
// thread that processes blocks all the while must keep going. Also 1000
// open/close cycles on a real server with flat file descriptors.
#include <gtest/gtest.h>

#include <dirent.h>
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "AEffect.h"
#include "XvfbServer.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

intptr_t host(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

int openDescriptors() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

// The host's audio thread: blocks of 512 samples of a tone, without pause.
class AudioThread {
public:
    explicit AudioThread(AEffect* e) : effect_(e), thread_([this] { run(); }) {}
    ~AudioThread() { stop(); }
    void stop() {
        running_ = false;
        if (thread_.joinable()) thread_.join();
    }
    long blocks() const { return blocks_.load(); }
    bool allFinite() const { return finite_.load(); }
    // Waits up to two seconds for more blocks than now.
    bool advances() {
        const long start = blocks();
        for (int i = 0; i < 200; ++i) {
            if (blocks() > start + 2) return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

private:
    void run() {
        std::vector<float> in(512), out0(512), out1(512);
        double phase = 0;
        while (running_) {
            for (float& v : in) {
                v = 0.5f * static_cast<float>(std::sin(phase));
                phase += 0.0627;
            }
            float* ins[2] = {in.data(), in.data()};
            float* outs[2] = {out0.data(), out1.data()};
            effect_->processReplacing(effect_, ins, outs, 512);
            for (float v : out0)
                if (!std::isfinite(v)) finite_ = false;
            ++blocks_;
            std::this_thread::sleep_for(1ms);
        }
    }
    AEffect* effect_;
    std::atomic<bool> running_{true};
    std::atomic<long> blocks_{0};
    std::atomic<bool> finite_{true};
    std::thread thread_;
};

class X11Faults : public ::testing::Test {
protected:
    void SetUp() override {
        if (!server.start()) GTEST_SKIP() << "no X server for the X11 fault tests: " << server.reason();
        // Kept mapped after dlclose, as many hosts keep plug-ins, so that the
        // leak sanitizer at exit still sees the module's own globals.
        module = dlopen(TRELLISOR_PLUGIN, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        ASSERT_NE(module, nullptr) << dlerror();
        auto entry = reinterpret_cast<AEffect* (*)(audioMasterCallback)>(dlsym(module, "VSTPluginMain"));
        ASSERT_NE(entry, nullptr);
        effect = entry(host);
        ASSERT_NE(effect, nullptr);
        dispatch(effOpen);
        dispatch(effMainsChanged, 0, 1);
        conn = xcb_connect(server.display().c_str(), nullptr);
        ASSERT_FALSE(xcb_connection_has_error(conn));
        screen = xcb_setup_roots_iterator(xcb_get_setup(conn)).data;
    }
    void TearDown() override {
        audio.reset();
        if (effect) dispatch(effClose);
        if (conn) xcb_disconnect(conn);
        if (module) dlclose(module);
    }

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr) {
        return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
    }
    xcb_window_t hostWindow() {
        const xcb_window_t w = xcb_generate_id(conn);
        const uint32_t values[] = {screen->white_pixel, 1};
        xcb_create_window(conn, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 260, 260, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(conn, w);
        sync();
        return w;
    }
    void sync() { free(xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr)); }
    static void* asPtr(xcb_window_t w) { return reinterpret_cast<void*>(uintptr_t(w)); }
    // count idle calls a host makes about every 10 ms; answers the longest
    // one in milliseconds.
    double idleFor(int count) {
        double longest = 0;
        for (int i = 0; i < count; ++i) {
            const auto t0 = Clock::now();
            dispatch(effEditIdle);
            longest = std::max(longest, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
            std::this_thread::sleep_for(10ms);
        }
        return longest;
    }

    // A server of each test's own, so that a test may kill it.
    trellisor::test::XvfbServer server{{.width = 640, .height = 480}};
    void* module = nullptr;
    AEffect* effect = nullptr;
    xcb_connection_t* conn = nullptr;
    xcb_screen_t* screen = nullptr;
    std::unique_ptr<AudioThread> audio;
};

TEST_F(X11Faults, ParentDestroyedBeforeEditClose) {
    audio = std::make_unique<AudioThread>(effect);
    const xcb_window_t parent = hostWindow();
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, asPtr(parent)), 1);
    idleFor(10);
    xcb_destroy_window(conn, parent);
    sync();
    EXPECT_LT(idleFor(30), 500.0) << "an idle call hangs once the parent is gone";
    effect->setParameter(effect, 1, 0.8f);
    dispatch(effEditDraw);
    EXPECT_TRUE(audio->advances()) << "the audio stopped";
    dispatch(effEditClose);
    // A new window of the host takes the editor again.
    const xcb_window_t second = hostWindow();
    EXPECT_EQ(dispatch(effEditOpen, 0, 0, asPtr(second)), 1);
    idleFor(5);
    dispatch(effEditClose);
    EXPECT_TRUE(audio->advances());
    EXPECT_TRUE(audio->allFinite());
}

TEST_F(X11Faults, ServerKilledWhileTheEditorIsOpen) {
    audio = std::make_unique<AudioThread>(effect);
    const xcb_window_t parent = hostWindow();
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, asPtr(parent)), 1);
    idleFor(10);
    server.kill(SIGKILL);
    // The host keeps calling its idle and drawing, changes parameters and
    // at last closes the editor; none of it may end the process.
    EXPECT_LT(idleFor(30), 500.0) << "an idle call hangs without a server";
    effect->setParameter(effect, 2, 0.6f);
    dispatch(effEditDraw);
    ERect* rect = nullptr;
    EXPECT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_TRUE(audio->advances()) << "the audio stopped with the server";
    dispatch(effEditClose);
    // Opening again without a server fails quietly.
    dispatch(effEditOpen, 0, 0, asPtr(parent));
    idleFor(3);
    dispatch(effEditClose);
    EXPECT_TRUE(audio->advances());
    EXPECT_TRUE(audio->allFinite());
    xcb_disconnect(conn);
    conn = nullptr;
}

TEST_F(X11Faults, ThousandOpenCloseCyclesOnARealServer) {
    const xcb_window_t parent = hostWindow();
    auto cycle = [&] {
        ASSERT_EQ(dispatch(effEditOpen, 0, 0, asPtr(parent)), 1);
        dispatch(effEditIdle);
        dispatch(effEditClose);
    };
    for (int i = 0; i < 10; ++i) cycle();
    const int before = openDescriptors();
    for (int i = 0; i < 1000; ++i) {
        cycle();
        if (HasFatalFailure()) return;
    }
    const int after = openDescriptors();
    std::printf("1000 X11 editor cycles: %d file descriptors before, %d after\n", before, after);
    EXPECT_EQ(after, before) << "display connections are left open";
}

}  // namespace
