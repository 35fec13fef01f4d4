// The module's entry points. Linux hosts look up VSTPluginMain; main_macho is
// the historical name. Both create one effect instance per call and return
// its record, or null. Nothing thrown inside may reach the host.
#include "AudioEffect.h"

namespace {

AEffect* createPlugin(audioMasterCallback audioMaster) noexcept {
    if (!audioMaster) return nullptr;
    try {
        if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
        // oome tells about the instance being created now: a failure of an
        // earlier one must not refuse every later instance of the process.
        oome = false;
        AudioEffect* effect = createEffectInstance(audioMaster);
        if (!effect) return nullptr;
        if (oome) {
            delete effect;
            return nullptr;
        }
        return effect->getAeffect();
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) AEffect* main_macho(audioMasterCallback audioMaster) {
    return createPlugin(audioMaster);
}

__attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
    return createPlugin(audioMaster);
}

}  // extern "C"
