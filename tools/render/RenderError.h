// The one kind of failure the renderer reports: a one-line message for stderr
// and the process exit code that goes with it. Thrown only inside the tool;
// never across the plug-in boundary (the host callback catches everything).
#pragma once

#include <stdexcept>
#include <string>

// Exit codes of trellisor-render.
enum RenderExit : int {
    kExitOk = 0,
    kExitInternal = 1,   // unexpected failure inside the tool
    kExitUsage = 2,      // command line: unknown option, bad value, unknown parameter, output extension
    kExitInput = 3,      // input file missing, unreadable or with an unsupported channel count
    kExitPlugin = 4,     // plug-in cannot be loaded, has no entry point, or its record is unusable
    kExitOutput = 5,     // output file or picture cannot be written
};

class RenderError : public std::runtime_error {
public:
    RenderError(RenderExit code, const std::string& message)
        : std::runtime_error(message), code_(code) {}
    RenderExit code() const { return code_; }

private:
    RenderExit code_;
};
