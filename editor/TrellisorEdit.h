// The product's effect object as the entry point creates it: the spectral
// effect together with its editor.
#pragma once

#include "Trellisor.h"

class TrellisorEdit : public Trellisor {
public:
    explicit TrellisorEdit(audioMasterCallback audioMaster);
    ~TrellisorEdit() override;
};
