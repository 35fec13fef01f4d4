// Runs trellisor-render as a child process and collects what it printed.
#pragma once

#include <string>
#include <vector>

struct RenderRun {
    int exitCode = -1;
    std::string out;  // standard output
    std::string err;  // standard error

    // Runs the program with `args`, in `folder` when given. A non-zero
    // fileSizeLimit caps the size of any file the program writes (writes past
    // it fail with EFBIG).
    static RenderRun run(const std::vector<std::string>& args, const std::string& folder = "",
                         long fileSizeLimit = 0);
    // Runs the program on a pseudo-terminal (stderr and stdout are the
    // terminal) and returns everything shown there.
    static RenderRun runOnTerminal(const std::vector<std::string>& args, const std::string& folder);
};
