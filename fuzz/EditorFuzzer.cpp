// Fuzzes the editor on the headless platform: any sequence of open, close,
// idle, draw, host mouse requests with a scripted pointer (random points,
// buttons and modifiers, always ending released), keys, wheel turns, expose
// and mouse events posted to the window, file and text drops, host parameter
// writes with hostile values, knob-mode changes and time passing. Each input
// builds one instance and closes it, so the leak sanitizer sees whatever a
// sequence left behind.
#include <cstdint>
#include <string>
#include <vector>

#include "AEffect.h"
#include "FuzzInput.h"
#include "HeadlessBackend.h"

extern "C" AEffect* VSTPluginMain(audioMasterCallback audioMaster);

namespace {

intptr_t host(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

[[noreturn]] void fault() { __builtin_trap(); }

int32_t coordinate(fuzzinput::Reader& in) {
    return static_cast<int32_t>(in.u16() % 320) - 40;  // around and beyond the 200-odd pixel window
}

platform::Point point(fuzzinput::Reader& in) {
    platform::Point p;
    p.h = coordinate(in);
    p.v = coordinate(in);
    return p;
}

unsigned modifiers(uint8_t bits) {
    unsigned m = 0;
    if (bits & 1u) m |= platform::kModifierCommand;
    if (bits & 2u) m |= platform::kModifierShift;
    if (bits & 4u) m |= platform::kModifierOption;
    if (bits & 8u) m |= platform::kModifierControl;
    return m;
}

// Replaces the pointer script by up to 15 states of the input's choosing,
// followed by a released one, so that every tracking loop comes to an end.
void scriptPointer(platform::HeadlessBackend& backend, fuzzinput::Reader& in) {
    backend.clearPointer(platform::PointerState{});
    const int n = in.u8() % 16;
    platform::PointerState last;
    for (int i = 0; i < n; ++i) {
        platform::PointerState s;
        s.where = point(in);
        const uint8_t bits = in.u8();
        s.button = bits % 4;
        s.modifiers = modifiers(static_cast<uint8_t>(bits >> 2));
        backend.pushPointer(s);
        last = s;
    }
    last.button = platform::kButtonNone;
    backend.pushPointer(last);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static platform::HeadlessBackend backend;
    platform::setBackend(&backend);
    backend.clearPointer(platform::PointerState{});

    fuzzinput::Reader in(data, size);
    AEffect* effect = VSTPluginMain(host);
    if (!effect) fault();
    int32_t parentWindow = 7;
    auto window = [&]() -> platform::HeadlessWindow* {
        return backend.windows().empty() ? nullptr : backend.windows().back();
    };

    int steps = 0;
    while (!in.empty() && steps++ < 150) {
        const uint8_t op = in.u8() % 14;
        switch (op) {
            case 0:
                effect->dispatcher(effect, effEditOpen, 0, 0, &parentWindow, 0.0f);
                break;
            case 1:
                effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
                break;
            case 2:
                effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
                break;
            case 3: {
                ERect area{static_cast<int16_t>(coordinate(in)), static_cast<int16_t>(coordinate(in)),
                           static_cast<int16_t>(coordinate(in)), static_cast<int16_t>(coordinate(in))};
                effect->dispatcher(effect, effEditDraw, 0, 0, (in.u8() & 1u) ? &area : nullptr, 0.0f);
                break;
            }
            case 4: {
                const int32_t x = coordinate(in);
                const int32_t y = coordinate(in);
                scriptPointer(backend, in);
                effect->dispatcher(effect, effEditMouse, x, y, nullptr, 0.0f);
                break;
            }
            case 5: {
                const int32_t character = static_cast<int32_t>(in.u8());
                const intptr_t virt = in.u8();
                const float mods = static_cast<float>(in.u8() % 16);
                const uint8_t how = in.u8() % 3;
                const int32_t opcode = how == 0 ? effEditKeyDown : how == 1 ? effEditKeyUp : effEditKey;
                effect->dispatcher(effect, opcode, character, virt, nullptr, mods);
                break;
            }
            case 6:
                if (auto* w = window()) w->postWheel(static_cast<float>(static_cast<int8_t>(in.u8())) / 4.0f);
                break;
            case 7:
                if (auto* w = window()) {
                    const platform::Point at = point(in);
                    const uint8_t bits = in.u8();
                    std::vector<std::string> items;
                    const int count = bits % 4;
                    for (int i = 0; i < count; ++i) {
                        std::string item = (bits & 4u) ? "/tmp/" : "";
                        const int len = in.u8() % 24;
                        for (int c = 0; c < len; ++c) item.push_back(static_cast<char>(in.u8()));
                        items.push_back(item);
                    }
                    w->injectDrop((bits & 8u) ? platform::kDropText : platform::kDropFiles, items, at);
                }
                break;
            case 8: {
                const int32_t index = static_cast<int32_t>(in.u8() % 11) - 1;
                const uint8_t sel = in.u8();
                const float value = (sel & 1u) ? fuzzinput::specialFloat(in.u8())
                                               : static_cast<float>(in.u8()) / 255.0f;
                effect->setParameter(effect, index, value);
                break;
            }
            case 9:
                if (auto* w = window()) {
                    const platform::Point at = point(in);
                    const uint8_t bits = in.u8();
                    scriptPointer(backend, in);
                    switch (bits % 4) {
                        case 0: w->postMouseDown(at, 1 + bits / 4 % 3, modifiers(bits >> 4)); break;
                        case 1: w->postMouseUp(at, 1 + bits / 4 % 3, modifiers(bits >> 4)); break;
                        case 2: {
                            platform::KeyEvent key;
                            key.character = in.u8();
                            key.virt = in.u8();
                            key.modifier = static_cast<uint8_t>(bits >> 4);
                            if (bits & 4u) w->postKeyDown(key); else w->postKeyUp(key);
                            break;
                        }
                        default: {
                            const platform::Point to = point(in);
                            w->postExpose(platform::Rect{at.h, at.v, to.h, to.v});
                            break;
                        }
                    }
                }
                break;
            case 10:
                effect->dispatcher(effect, effSetEditKnobMode, 0, in.u8() % 4, nullptr, 0.0f);
                break;
            case 11:
                backend.advance(static_cast<uint64_t>(in.u16()) * 100u);
                break;
            case 12: {
                ERect* rect = nullptr;
                if (effect->dispatcher(effect, effEditGetRect, 0, 0, &rect, 0.0f)) {
                    if (!rect) fault();
                    if (rect->bottom <= rect->top || rect->right <= rect->left) fault();
                }
                break;
            }
            default:
                effect->dispatcher(effect, (in.u8() & 1u) ? effEditTop : effEditSleep, 0, 0, nullptr, 0.0f);
                break;
        }
    }
    // A host may close the plug-in with its editor still open.
    if (in.remaining() == 0 && (size & 1u)) effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    if (!backend.windows().empty()) fault();  // closing leaves no window open
    return 0;
}
