#include "AtomicFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

#include "RenderError.h"

namespace {

// Temporary files to remove when a signal ends the process. The handler may
// only make async-signal-safe calls, so the paths sit in fixed storage.
constexpr int kSlots = 8;
constexpr size_t kPathLength = 4096;
char sPending[kSlots][kPathLength];
volatile std::sig_atomic_t sUsed[kSlots];
const int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

extern "C" void removePendingAndDie(int signal) {
    for (int i = 0; i < kSlots; ++i)
        if (sUsed[i]) unlink(sPending[i]);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void installHandlers() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (int s : kSignals) {
        struct sigaction action {};
        action.sa_handler = removePendingAndDie;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        struct sigaction previous {};
        sigaction(s, nullptr, &previous);
        // Leave signals the caller chose to ignore ignored.
        if (previous.sa_handler != SIG_IGN) sigaction(s, &action, nullptr);
    }
}

}  // namespace

void AtomicFile::removeOnSignal(const std::string& path) {
    if (path.size() >= kPathLength) return;
    installHandlers();
    for (int i = 0; i < kSlots; ++i) {
        if (sUsed[i]) continue;
        std::memcpy(sPending[i], path.c_str(), path.size() + 1);
        sUsed[i] = 1;
        return;
    }
}

void AtomicFile::forgetOnSignal(const std::string& path) {
    for (int i = 0; i < kSlots; ++i)
        if (sUsed[i] && path == sPending[i]) sUsed[i] = 0;
}

AtomicFile::AtomicFile(const std::string& target) : target_(target) {
    std::string::size_type slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (name.empty()) throw RenderError(kExitOutput, "output path " + target + " names a folder, not a file");
    std::string pattern = (slash == std::string::npos ? std::string() : folder) + "." + name + ".tmp-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    int fd = mkstemp(buffer.data());
    if (fd < 0) {
        throw RenderError(kExitOutput, "cannot create a file in " + folder + " for " + target + ": " +
                                           std::strerror(errno));
    }
    close(fd);
    tempPath_ = buffer.data();
    removeOnSignal(tempPath_);
}

AtomicFile::~AtomicFile() {
    if (committed_ || tempPath_.empty()) return;
    forgetOnSignal(tempPath_);
    unlink(tempPath_.c_str());
}

void AtomicFile::commit() {
    mode_t mode;
    struct stat existing;
    if (stat(target_.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    chmod(tempPath_.c_str(), mode);
    if (std::rename(tempPath_.c_str(), target_.c_str()) != 0) {
        throw RenderError(kExitOutput, "cannot rename " + tempPath_ + " to " + target_ + ": " +
                                           std::strerror(errno));
    }
    committed_ = true;
    forgetOnSignal(tempPath_);
}
