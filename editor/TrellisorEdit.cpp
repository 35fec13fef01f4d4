#include "TrellisorEdit.h"

#include <new>

#include "TrellisorEditor.h"

namespace {
constexpr int32_t kUniqueId = ('K' << 24) | ('S' << 16) | ('V' << 8) | '0';
}

TrellisorEdit::TrellisorEdit(audioMasterCallback audioMaster) : Trellisor(audioMaster) {
    setUniqueID(kUniqueId);
    // The editor's base registers it as this effect's editor.
    editor = new (std::nothrow) TrellisorEditor(this);
    if (!editor)
        oome = true;
}

TrellisorEdit::~TrellisorEdit() = default;

void TrellisorEdit::setParameter(int32_t index, float value) {
    Trellisor::setParameter(index, value);
    if (editor)
        static_cast<TrellisorEditor*>(editor)->setParameter(index, value);
}

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    // Called from the C entry point: nothing may leave as an exception.
    try {
        return new (std::nothrow) TrellisorEdit(audioMaster);
    } catch (...) {
        return nullptr;
    }
}
