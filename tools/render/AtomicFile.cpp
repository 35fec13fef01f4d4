#include "AtomicFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "RenderError.h"

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
}

AtomicFile::~AtomicFile() {
    if (!committed_ && !tempPath_.empty()) unlink(tempPath_.c_str());
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
}
