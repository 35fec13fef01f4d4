// COnOffButton: shows the upper (off) or lower (on) half of its bitmap and
// flips between 0.0 and 1.0 on each left click.
//
// It acts on the press: no tracking, no waiting for the release, no
// default-value click and no beginEdit/endEdit bracket. Every click is
// reported to the listener, even when the value did not change.
//
// Threads: user-interface thread only (setValue excepted, see CControl).
#pragma once

#include "CControl.h"

class COnOffButton : public CControl {
public:
    COnOffButton(const CRect& size, CControlListener* listener, long tag, CBitmap* background);
    ~COnOffButton() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where) override;

    // The first bitmap row shown for the present value.
    long sourceRow();
};
