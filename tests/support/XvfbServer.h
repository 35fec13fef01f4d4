// A private Xvfb for tests that need a real X server.
//
// Xvfb picks a free display itself (-displayfd), so parallel test programs
// never share or steal one. A test either owns a server (and may kill it
// mid-test), or asks for the program's shared server, which starts on first
// use and stops after the last test.
#pragma once

#include <sys/types.h>

#include <csignal>
#include <string>

namespace trellisor::test {

class XvfbServer {
public:
    struct Options {
        int width = 640;
        int height = 480;
        int depth = 24;
        // Point DISPLAY at the server once it runs.
        bool exportDisplay = true;
        // When Xvfb is missing or does not start, use the DISPLAY of the
        // environment instead, if it accepts connections.
        bool fallBackToDisplay = false;
    };

    XvfbServer() = default;
    explicit XvfbServer(Options options) : options_(options) {}
    ~XvfbServer() { kill(SIGTERM); }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Starts the server (once: a running one is kept). False when there is
    // no display to use; reason() then says why.
    bool start();
    // Sends the signal to a server this object started and waits for it to
    // end; SIGKILL leaves its clients with a dead connection.
    void kill(int signal);
    void stop() { kill(SIGTERM); }

    bool available() const { return !display_.empty(); }
    // ":N", or the fallen-back DISPLAY.
    const std::string& display() const { return display_; }
    const std::string& reason() const { return reason_; }

    // The server shared by the tests of the program that ask with these
    // options: started on the first call, stopped after the last test.
    static XvfbServer& shared(const Options& options);

    // Whether a client can connect to the display now.
    static bool accepts(const std::string& display);

private:
    bool spawn(const std::string& xvfb);

    Options options_;
    std::string display_;
    std::string reason_;
    pid_t pid_ = -1;
};

}  // namespace trellisor::test
