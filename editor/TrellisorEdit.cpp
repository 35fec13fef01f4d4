#include "TrellisorEdit.h"

#include <new>

TrellisorEdit::TrellisorEdit(audioMasterCallback audioMaster) : Trellisor(audioMaster) {}

TrellisorEdit::~TrellisorEdit() = default;

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return new (std::nothrow) TrellisorEdit(audioMaster);
}
