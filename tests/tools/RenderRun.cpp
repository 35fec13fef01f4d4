#include "RenderRun.h"

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::vector<char*> argv(const std::vector<std::string>& args, std::vector<std::string>& storage) {
    storage.clear();
    storage.push_back(RENDER_TOOL);
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& s : storage) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int decode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); }

}  // namespace

RenderRun RenderRun::run(const std::vector<std::string>& args, const std::string& folder, long fileSizeLimit) {
    char outName[] = "/tmp/render-out-XXXXXX";
    char errName[] = "/tmp/render-err-XXXXXX";
    int outFd = mkstemp(outName);
    int errFd = mkstemp(errName);
    std::vector<std::string> storage;
    std::vector<char*> pointers = argv(args, storage);
    pid_t child = fork();
    if (child == 0) {
        dup2(outFd, STDOUT_FILENO);
        dup2(errFd, STDERR_FILENO);
        int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, STDIN_FILENO);
        if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(126);
        if (fileSizeLimit > 0) {
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    close(outFd);
    close(errFd);
    RenderRun result;
    result.exitCode = decode(status);
    result.out = slurp(outName);
    result.err = slurp(errName);
    unlink(outName);
    unlink(errName);
    return result;
}

RenderRun RenderRun::runOnTerminal(const std::vector<std::string>& args, const std::string& folder) {
    std::vector<std::string> storage;
    std::vector<char*> pointers = argv(args, storage);
    int master = -1;
    pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
    if (child == 0) {
        if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(126);
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    RenderRun result;
    char buffer[4096];
    for (;;) {
        ssize_t got = read(master, buffer, sizeof buffer);
        if (got <= 0) break;  // EIO once the child has closed the terminal
        result.err.append(buffer, static_cast<size_t>(got));
    }
    int status = 0;
    waitpid(child, &status, 0);
    close(master);
    result.exitCode = decode(status);
    return result;
}
