// Loads the built plug-in file the way a Linux host does and reaches the
// record only through raw bytes at the x86-64 offsets, never through the
// project's own declarations.
#pragma once

#include <dlfcn.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace blackbox {

// Raw record: an opaque block of 192 bytes.
struct Record;

using HostCallback = intptr_t (*)(Record*, int32_t, int32_t, intptr_t, void*, float);
using EntryPoint = Record* (*)(HostCallback);
using Dispatcher = intptr_t (*)(Record*, int32_t, int32_t, intptr_t, void*, float);
using Process = void (*)(Record*, float**, float**, int32_t);
using SetParameter = void (*)(Record*, int32_t, float);
using GetParameter = float (*)(Record*, int32_t);

namespace offset {
constexpr size_t magic = 0, dispatcher = 8, process = 16, setParameter = 24, getParameter = 32,
                 numPrograms = 40, numParams = 44, numInputs = 48, numOutputs = 52, flags = 56,
                 resvd1 = 64, resvd2 = 72, initialDelay = 80, realQualities = 84,
                 offQualities = 88, ioRatio = 92, object = 96, user = 104, uniqueID = 112,
                 version = 116, processReplacing = 120, processDouble = 128, future = 136,
                 size = 192;
}  // namespace offset

template <typename T>
T field(const Record* record, size_t at) {
    T value;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(record) + at, sizeof(T));
    return value;
}

inline intptr_t dispatch(Record* r, int32_t opcode, int32_t index = 0, intptr_t value = 0,
                         void* ptr = nullptr, float opt = 0.0f) {
    return field<Dispatcher>(r, offset::dispatcher)(r, opcode, index, value, ptr, opt);
}

// dlopen handle that closes itself.
class Module {
public:
    explicit Module(const char* path) : handle(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {
        if (!handle) error = dlerror();
    }
    ~Module() {
        if (handle) dlclose(handle);
    }
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    bool loaded() const { return handle != nullptr; }
    const std::string& loadError() const { return error; }
    EntryPoint entry(const char* name) const {
        return handle ? reinterpret_cast<EntryPoint>(dlsym(handle, name)) : nullptr;
    }

private:
    void* handle;
    std::string error;
};

}  // namespace blackbox
