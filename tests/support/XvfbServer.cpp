#include "XvfbServer.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <list>
#include <memory>
#include <mutex>
#include <vector>

extern char** environ;

namespace trellisor::test {

namespace {

std::mutex gSharedMutex;
std::list<std::pair<XvfbServer::Options, std::unique_ptr<XvfbServer>>> gShared;

bool same(const XvfbServer::Options& a, const XvfbServer::Options& b) {
    return a.width == b.width && a.height == b.height && a.depth == b.depth &&
           a.exportDisplay == b.exportDisplay && a.fallBackToDisplay == b.fallBackToDisplay;
}

// Stops the shared servers after the last test, before static destruction.
struct StopShared : ::testing::Environment {
    void TearDown() override {
        std::lock_guard<std::mutex> lock(gSharedMutex);
        for (auto& entry : gShared)
            entry.second->stop();
    }
};
[[maybe_unused]] ::testing::Environment* const gStopShared =
    ::testing::AddGlobalTestEnvironment(new StopShared);

}  // namespace

bool XvfbServer::accepts(const std::string& display) {
    xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
    const bool ok = c && !xcb_connection_has_error(c);
    if (c)
        xcb_disconnect(c);
    return ok;
}

bool XvfbServer::start() {
    if (pid_ > 0)
        return true;
    display_.clear();
    reason_.clear();
    const std::string xvfb = XVFB_PATH;
    if (xvfb.empty())
        reason_ = "no Xvfb found at build time";
    else if (access(xvfb.c_str(), X_OK) != 0)
        reason_ = "Xvfb at " + xvfb + " (found at build time) is not executable";
    else if (!spawn(xvfb))
        reason_ = "Xvfb at " + xvfb + " did not start";

    if (display_.empty() && options_.fallBackToDisplay) {
        const char* d = std::getenv("DISPLAY");
        if (d && *d && accepts(d))
            display_ = d;
        else
            reason_ += " and no X display is reachable";
    }
    if (display_.empty())
        return false;
    reason_.clear();
    if (options_.exportDisplay)
        setenv("DISPLAY", display_.c_str(), 1);
    return true;
}

void XvfbServer::kill(int signal) {
    if (pid_ > 0) {
        ::kill(pid_, signal);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

// Xvfb writes the display number and a newline once it accepts clients, and
// closes the pipe when it gives up.
bool XvfbServer::spawn(const std::string& xvfb) {
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    const std::string screen =
        std::to_string(options_.width) + "x" + std::to_string(options_.height) + "x" + std::to_string(options_.depth);
    std::vector<std::string> args{xvfb,  "-displayfd", std::to_string(fds[1]), "-screen", "0", screen,
                                  "-nolisten", "tcp", "-noreset"};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, xvfb.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        return false;
    }
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n')
            break;
        number += c;
    }
    close(fds[0]);
    if (number.empty() || !accepts(":" + number)) {
        ::kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return false;
    }
    pid_ = pid;
    display_ = ":" + number;
    return true;
}

XvfbServer& XvfbServer::shared(const Options& options) {
    std::lock_guard<std::mutex> lock(gSharedMutex);
    for (auto& entry : gShared)
        if (same(entry.first, options))
            return *entry.second;
    gShared.emplace_back(options, std::make_unique<XvfbServer>(options));
    XvfbServer& server = *gShared.back().second;
    server.start();
    return server;
}

}  // namespace trellisor::test
