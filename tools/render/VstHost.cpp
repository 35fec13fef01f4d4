#include "VstHost.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>

#include "RenderError.h"

namespace {

using EntryProc = AEffect* (*)(audioMasterCallback);

// The host currently loading or running a plug-in. The renderer hosts one
// instance at a time; the pointer lets the callback answer the version query
// that arrives before the record exists.
VstHost* sCurrent = nullptr;

// Answers for the processing level query: the renderer works offline.
constexpr intptr_t kProcessLevelOffline = 4;
constexpr intptr_t kAutomationOff = 1;
constexpr intptr_t kLanguageEnglish = 1;

// Buffers handed to the plug-in for texts: far larger than any text the
// interface allows, cleared before every call and terminated after it.
constexpr size_t kTextBuffer = 512;

void copyText(void* ptr, const char* text, size_t limit) {
    if (ptr == nullptr) return;
    std::strncpy(static_cast<char*>(ptr), text, limit - 1);
    static_cast<char*>(ptr)[limit - 1] = '\0';
}

}  // namespace

VstHost::VstHost(const std::string& path) : path_(path) {
    // A bare file name would make dlopen search the library path instead of
    // the working directory.
    std::string openPath = path.find('/') == std::string::npos ? "./" + path : path;
    module_ = dlopen(openPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module_ == nullptr) {
        const char* why = dlerror();
        throw RenderError(kExitPlugin, "cannot load plug-in " + path + ": " +
                                           (why != nullptr ? why : "unknown dlopen error"));
    }
    EntryProc entry = nullptr;
    for (const char* name : {"VSTPluginMain", "main_macho", "main"}) {
        dlerror();
        void* symbol = dlsym(module_, name);
        if (symbol != nullptr) {
            entry = reinterpret_cast<EntryProc>(symbol);
            entryName_ = name;
            break;
        }
    }
    if (entry == nullptr) {
        dlclose(module_);
        throw RenderError(kExitPlugin, "plug-in " + path +
                                           " has no entry point (VSTPluginMain, main_macho or main)");
    }
    sCurrent = this;
    effect_ = entry(&VstHost::hostCallback);
    if (effect_ == nullptr) {
        sCurrent = nullptr;
        dlclose(module_);
        throw RenderError(kExitPlugin, "plug-in " + path + " entry point returned no effect");
    }
    if (effect_->magic != kEffectMagic) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<uint32_t>(effect_->magic));
        // The record is not a VST 2 effect: nothing in it may be called, and
        // unloading a module whose state is unknown is no safer than keeping it.
        effect_ = nullptr;
        sCurrent = nullptr;
        throw RenderError(kExitPlugin, "plug-in " + path + " returned a record with wrong magic " +
                                           buffer + " (expected 0x56737450 'VstP')");
    }
    if (effect_->dispatcher == nullptr) {
        effect_ = nullptr;
        sCurrent = nullptr;
        throw RenderError(kExitPlugin, "plug-in " + path + " record has no dispatcher");
    }
    dispatch(effOpen);
    opened_ = true;
}

VstHost::~VstHost() {
    if (effect_ != nullptr) {
        if (resumed_) suspend();
        if (opened_) dispatch(effClose);
        effect_ = nullptr;
    }
    if (module_ != nullptr) dlclose(module_);
    if (sCurrent == this) sCurrent = nullptr;
}

intptr_t VstHost::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

void VstHost::prepare(double sampleRate, int32_t blockSize) {
    sampleRate_ = sampleRate;
    blockSize_ = blockSize;
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    dispatch(effSetBlockSize, 0, blockSize);
}

void VstHost::resume() {
    dispatch(effMainsChanged, 0, 1);
    resumed_ = true;
}

void VstHost::suspend() {
    dispatch(effMainsChanged, 0, 0);
    resumed_ = false;
}

bool VstHost::canProcess() const {
    return ((effect_->flags & effFlagsCanReplacing) != 0 && effect_->processReplacing != nullptr) ||
           effect_->process != nullptr;
}

void VstHost::process(float** inputs, float** outputs, int32_t frames) {
    if ((effect_->flags & effFlagsCanReplacing) != 0 && effect_->processReplacing != nullptr) {
        effect_->processReplacing(effect_, inputs, outputs, frames);
        return;
    }
    for (int32_t c = 0; c < effect_->numOutputs; ++c)
        std::memset(outputs[c], 0, sizeof(float) * static_cast<size_t>(frames));
    effect_->process(effect_, inputs, outputs, frames);
}

std::string VstHost::text(int32_t opcode, int32_t index) {
    char buffer[kTextBuffer] = {};
    dispatch(opcode, index, 0, buffer);
    buffer[kTextBuffer - 1] = '\0';
    return buffer;
}

std::string VstHost::paramName(int32_t index) { return text(effGetParamName, index); }
std::string VstHost::paramLabel(int32_t index) { return text(effGetParamLabel, index); }
std::string VstHost::paramDisplay(int32_t index) { return text(effGetParamDisplay, index); }

float VstHost::getParameter(int32_t index) {
    return effect_->getParameter != nullptr ? effect_->getParameter(effect_, index) : 0.0f;
}

void VstHost::setParameter(int32_t index, float value) {
    if (effect_->setParameter != nullptr) effect_->setParameter(effect_, index, value);
}

std::string VstHost::vendor() { return text(effGetVendorString, 0); }
std::string VstHost::product() { return text(effGetProductString, 0); }
std::string VstHost::effectName() { return text(effGetEffectName, 0); }
intptr_t VstHost::vendorVersion() { return dispatch(effGetVendorVersion); }
intptr_t VstHost::vstVersion() { return dispatch(effGetVstVersion); }
intptr_t VstHost::category() { return dispatch(effGetPlugCategory); }

intptr_t VstHost::hostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                               void* ptr, float opt) {
    // Nothing may unwind into the plug-in.
    try {
        VstHost* host = sCurrent;
        if (host == nullptr) return opcode == audioMasterVersion ? 2400 : 0;
        if (effect != nullptr && host->effect_ != nullptr && effect != host->effect_) return 0;
        return host->answer(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

intptr_t VstHost::answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    switch (opcode) {
        case audioMasterVersion: return 2400;
        case audioMasterCurrentId: return effect_ != nullptr ? effect_->uniqueID : 0;
        case audioMasterIdle: return 0;
        case audioMasterGetSampleRate: return static_cast<intptr_t>(sampleRate_);
        case audioMasterGetBlockSize: return blockSize_;
        case audioMasterGetCurrentProcessLevel: return kProcessLevelOffline;
        case audioMasterGetAutomationState: return kAutomationOff;
        case audioMasterGetLanguage: return kLanguageEnglish;
        case audioMasterWillReplaceOrAccumulate: return 1;
        case audioMasterGetTime: return 0;  // no transport
        case audioMasterGetVendorString: copyText(ptr, "Kestova Software", 64); return 1;
        case audioMasterGetProductString: copyText(ptr, "trellisor-render", 64); return 1;
        case audioMasterGetVendorVersion: return 104;
        default: break;
    }
    // The remaining messages are recorded so that --verbose can show them.
    Message message{opcode, index, value, opt, {}};
    if (opcode == audioMasterCanDo && ptr != nullptr) {
        message.text.assign(static_cast<const char*>(ptr), strnlen(static_cast<const char*>(ptr), 64));
    }
    if (messages_.size() < 100000) messages_.push_back(message);
    switch (opcode) {
        case audioMasterAutomate:
        case audioMasterBeginEdit:
        case audioMasterEndEdit:
        case audioMasterUpdateDisplay:
            return 1;
        case audioMasterIOChanged:
            return 1;  // initialDelay is read from the record when rendering starts
        case audioMasterCanDo: {
            const std::string& what = message.text;
            if (what == "acceptIOChanges") return 1;
            for (const char* no : {"sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo",
                                   "receiveVstEvents", "receiveVstMidiEvent", "sizeWindow",
                                   "openFileSelector", "closeFileSelector", "editFile",
                                   "startStopProcess", "shellCategory", "supplyIdle", "offline"}) {
                if (what == no) return -1;
            }
            return 0;
        }
        default:
            return 0;
    }
}

std::string VstHost::opcodeName(int32_t opcode) {
    switch (opcode) {
        case audioMasterAutomate: return "audioMasterAutomate";
        case audioMasterVersion: return "audioMasterVersion";
        case audioMasterCurrentId: return "audioMasterCurrentId";
        case audioMasterIdle: return "audioMasterIdle";
        case audioMasterPinConnected: return "audioMasterPinConnected";
        case audioMasterWantMidi: return "audioMasterWantMidi";
        case audioMasterGetTime: return "audioMasterGetTime";
        case audioMasterProcessEvents: return "audioMasterProcessEvents";
        case audioMasterIOChanged: return "audioMasterIOChanged";
        case audioMasterNeedIdle: return "audioMasterNeedIdle";
        case audioMasterSizeWindow: return "audioMasterSizeWindow";
        case audioMasterGetInputLatency: return "audioMasterGetInputLatency";
        case audioMasterGetOutputLatency: return "audioMasterGetOutputLatency";
        case audioMasterCanDo: return "audioMasterCanDo";
        case audioMasterUpdateDisplay: return "audioMasterUpdateDisplay";
        case audioMasterBeginEdit: return "audioMasterBeginEdit";
        case audioMasterEndEdit: return "audioMasterEndEdit";
        case audioMasterGetDirectory: return "audioMasterGetDirectory";
        default: return "audioMaster opcode " + std::to_string(opcode);
    }
}
