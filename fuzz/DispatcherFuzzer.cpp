// Fuzzes the dispatcher as a careless host would drive it: any sequence of
// opcodes 0-100 with any index, value and opt, through the record the entry
// point returns. Every opcode that reads or writes ptr gets a heap buffer of
// exactly the size that opcode is allowed to touch (kPtrUses), so the address
// sanitizer reports any access past it; every other opcode gets a pointer
// just past the end of a one-byte block, which no access may touch at all.
// effClose destroys the instance and the next opcode works on a new one.
// The editor runs on the headless platform.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "AEffect.h"
#include "FuzzInput.h"
#include "HeadlessBackend.h"

extern "C" AEffect* VSTPluginMain(audioMasterCallback audioMaster);

namespace {

intptr_t host(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// How an opcode uses ptr (and, for two opcodes, value as a pointer).
enum class Use {
    kNone,       // ptr is not the opcode's business
    kHandle,     // an opaque handle (effEditOpen's parent window)
    kWrite,      // a buffer the plug-in may write, up to `bytes`
    kWriteText,  // a text buffer of `bytes`: whatever is written ends with a NUL inside it
    kReadText,   // a NUL-terminated text the plug-in reads
    kRead,       // a record of `bytes` the plug-in may read
    kChunk,      // effSetChunk: `value` bytes of data
};

struct PtrUse {
    int32_t opcode;
    Use use;
    size_t bytes;
    size_t valueBytes;  // non-zero: value carries a pointer to a buffer of this size
};

// Sizes are those of the interface: texts as its conventions allow them,
// records as the published structures (32-bit ints, 64-bit pointers).
constexpr size_t kOpaque = 1024;  // records the plug-in only passes through
constexpr PtrUse kPtrUses[] = {
    {effSetProgramName, Use::kReadText, 0, 0},
    {effGetProgramName, Use::kWriteText, 24, 0},
    {effGetParamLabel, Use::kWriteText, 9, 0},
    {effGetParamDisplay, Use::kWriteText, 9, 0},
    {effGetParamName, Use::kWriteText, 10, 0},
    {effEditGetRect, Use::kWrite, sizeof(ERect*), 0},
    {effEditOpen, Use::kHandle, sizeof(int32_t), 0},
    {effEditDraw, Use::kRead, sizeof(ERect), 0},
    {effGetChunk, Use::kWrite, sizeof(void*), 0},
    {effSetChunk, Use::kChunk, 0, 0},
    {effProcessEvents, Use::kRead, 32, 0},              // VstEvents with two slots, none used
    {effString2Parameter, Use::kReadText, 0, 0},
    {effGetProgramNameIndexed, Use::kWriteText, 24, 0},
    {effGetInputProperties, Use::kWrite, 128, 0},       // VstPinProperties
    {effGetOutputProperties, Use::kWrite, 128, 0},
    {effOfflineNotify, Use::kRead, kOpaque, 0},         // VstAudioFile array
    {effOfflinePrepare, Use::kRead, kOpaque, 0},        // VstOfflineTask
    {effOfflineRun, Use::kRead, kOpaque, 0},
    {effProcessVarIo, Use::kRead, 40, 0},               // VstVariableIo
    {effSetSpeakerArrangement, Use::kRead, 904, 904},   // VstSpeakerArrangement, 8 speakers
    {effGetEffectName, Use::kWriteText, 32, 0},
    {effGetErrorText, Use::kWriteText, 256, 0},
    {effGetVendorString, Use::kWriteText, 64, 0},
    {effGetProductString, Use::kWriteText, 64, 0},
    {effCanDo, Use::kReadText, 0, 0},
    {effGetParameterProperties, Use::kWrite, 152, 0},   // VstParameterProperties
    {effGetMidiProgramName, Use::kWrite, 80, 0},        // MidiProgramName
    {effGetCurrentMidiProgram, Use::kWrite, 80, 0},
    {effGetMidiProgramCategory, Use::kWrite, 76, 0},    // MidiProgramCategory
    {effGetMidiKeyName, Use::kWrite, 80, 0},            // MidiKeyName
    {69, Use::kWrite, sizeof(void*), sizeof(void*)},    // effGetSpeakerArrangement: two out-pointers
    {70, Use::kWriteText, 64, 0},                       // effShellGetNextPlugin
    {75, Use::kRead, 64, 0},                            // effBeginLoadBank: VstPatchChunkInfo
    {76, Use::kRead, 64, 0},                            // effBeginLoadProgram
};

PtrUse useOf(int32_t opcode) {
    for (const PtrUse& u : kPtrUses)
        if (u.opcode == opcode) return u;
    return {opcode, Use::kNone, 0, 0};
}

// A heap block of exactly n bytes (at least one byte is allocated so that
// n == 0 still gives a distinct block whose every byte is out of bounds).
struct Block {
    explicit Block(size_t n, uint8_t fill) : size(n), base(static_cast<uint8_t*>(std::malloc(n ? n : 1))) {
        std::memset(base, fill, n ? n : 1);
    }
    ~Block() { std::free(base); }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    uint8_t* data() { return size ? base : base + 1; }
    size_t size;
    uint8_t* base;
};

int32_t takeIndex(fuzzinput::Reader& in, unsigned mode) {
    switch (mode) {
        case 0: return static_cast<int8_t>(in.u8());
        case 1: return in.i32();
        case 2: return 0;
        default: return static_cast<int32_t>(in.u8() % 12) - 1;  // -1 .. 10: around the parameters
    }
}

intptr_t takeValue(fuzzinput::Reader& in, unsigned mode) {
    switch (mode) {
        case 0: return static_cast<int8_t>(in.u8());
        case 1: return static_cast<intptr_t>(in.i64());
        case 2: return 0;
        default: return in.u16();
    }
}

float takeOpt(fuzzinput::Reader& in, unsigned mode) {
    switch (mode) {
        case 0: return 0.0f;
        case 1: return fuzzinput::specialFloat(in.u8());
        case 2: return in.f32();
        default: return static_cast<float>(in.u8()) / 255.0f;
    }
}

// Fails loudly: the fuzzer reports the input that led here.
[[noreturn]] void fault() { __builtin_trap(); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static platform::HeadlessBackend backend;
    platform::setBackend(&backend);
    backend.clearPointer(platform::PointerState{});

    fuzzinput::Reader in(data, size);
    AEffect* effect = nullptr;
    int steps = 0;
    while (!in.empty() && steps++ < 200) {
        if (!effect) {
            effect = VSTPluginMain(host);
            if (!effect) fault();  // a well-behaved host always gets an instance
        }
        const int32_t opcode = in.u8() % 101;
        const uint8_t modes = in.u8();
        const int32_t index = takeIndex(in, modes & 3u);
        intptr_t value = takeValue(in, (modes >> 2) & 3u);
        const float opt = takeOpt(in, (modes >> 4) & 3u);
        const bool nullPtr = (modes & 0x40u) != 0;

        const PtrUse use = useOf(opcode);
        size_t bytes = use.bytes;
        std::vector<uint8_t> text;
        if (use.use == Use::kReadText || use.use == Use::kChunk) {
            const size_t n = in.u8();
            text.resize(n);
            text.resize(in.bytes(text.data(), n));
            if (use.use == Use::kReadText) {
                text.push_back(0);
                bytes = text.size();
            } else {
                bytes = text.size();
                value = static_cast<intptr_t>(bytes);
            }
        }
        Block buffer(use.use == Use::kNone ? 0 : bytes, 0xA5);
        if (!text.empty()) std::memcpy(buffer.data(), text.data(), text.size());
        if (use.use == Use::kRead) std::memset(buffer.data(), 0, bytes);
        Block valueBuffer(use.valueBytes, 0);
        if (use.valueBytes) value = nullPtr ? 0 : reinterpret_cast<intptr_t>(valueBuffer.data());

        void* ptr = buffer.data();
        if (use.use != Use::kNone && nullPtr) ptr = nullptr;

        const intptr_t result = effect->dispatcher(effect, opcode, index, value, ptr, opt);

        if (opcode == effClose) {
            if (result != 1) fault();
            effect = nullptr;
            continue;
        }
        if (ptr && use.use == Use::kWriteText) {
            // Whatever was written is terminated inside the buffer.
            bool touched = false, terminated = false;
            for (size_t i = 0; i < bytes; ++i) {
                if (buffer.data()[i] != 0xA5) touched = true;
                if (buffer.data()[i] == 0) { terminated = true; break; }
            }
            if (touched && !terminated) fault();
        }
        if (ptr && opcode == effEditGetRect && result) {
            // The rectangle the plug-in pointed at must be readable.
            ERect* rect = nullptr;
            std::memcpy(&rect, buffer.data(), sizeof rect);
            if (!rect) fault();
            volatile int16_t sum = static_cast<int16_t>(rect->top + rect->left + rect->bottom + rect->right);
            (void)sum;
        }
        if (ptr && opcode == effGetChunk && result > 0) {
            const uint8_t* chunk = nullptr;
            std::memcpy(&chunk, buffer.data(), sizeof chunk);
            if (!chunk) fault();
            volatile uint8_t sum = 0;
            for (intptr_t i = 0; i < result; ++i) sum = static_cast<uint8_t>(sum + chunk[i]);
        }
    }
    if (effect) effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    return 0;
}
