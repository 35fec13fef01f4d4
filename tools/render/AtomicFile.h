// A file that appears under its final name only when complete: writers fill a
// temporary file in the same folder, and commit() renames it over the target.
// Until then an existing target stays as it was; a temporary that is never
// committed is removed by the destructor, and also when the process is
// interrupted or killed by a fatal signal (a crashing plug-in, Ctrl-C).
#pragma once

#include <string>

class AtomicFile {
public:
    // Creates the temporary file; throws RenderError (kExitOutput) when the
    // folder cannot take it.
    explicit AtomicFile(const std::string& target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    const std::string& tempPath() const { return tempPath_; }
    const std::string& target() const { return target_; }

    // Gives the file the target's permissions (or the usual ones for a new
    // file) and renames it into place; throws RenderError on failure.
    void commit();

private:
    static void forgetOnSignal(const std::string& path);
    static void removeOnSignal(const std::string& path);

    std::string target_;
    std::string tempPath_;
    bool committed_ = false;
};
