#include "Window.h"

namespace platform {

namespace {
Backend* gBackend = nullptr;
}

Backend& backend() { return gBackend ? *gBackend : x11Backend(); }

void setBackend(Backend* b) { gBackend = b; }

} // namespace platform
