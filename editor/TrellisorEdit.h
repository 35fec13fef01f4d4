// The product's effect object as the entry point creates it: the spectral
// effect together with its editor.
//
// Every parameter change, from the host or from the editor, goes through
// setParameter, which stores the value in the effect and hands the index on
// to the editor so that its controls follow. setParameter may run on the
// thread that sets parameters; neither part draws, allocates or locks there.
#pragma once

#include "Trellisor.h"

class TrellisorEdit : public Trellisor {
public:
    // Builds the effect, then its editor; sets oome when the editor cannot
    // be created (the entry point then discards the effect).
    explicit TrellisorEdit(audioMasterCallback audioMaster);
    // The effect base destroys the editor.
    ~TrellisorEdit() override;

    void setParameter(int32_t index, float value) override;
};
