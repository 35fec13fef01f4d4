// CVerticalSwitch: shows one image out of a vertical strip of equally tall
// images and maps a click or drag along its height onto one of N positions,
// with values 0, 1/(N - 1), ..., 1.
//
// The bitmap (the control's background) holds the images one under another,
// image i from row i x image height. Drawing takes the nearest image,
// trunc(value x (N - 1) + 0.5); a click takes the position under the mouse,
// one per image height / N pixels. A drag is a modal tracking loop bracketed
// by beginEdit/endEdit and ends when the button set changes in any way. The
// default value is 0.0; left button plus command (and nothing else) restores
// it without an edit gesture.
//
// A switch needs N of at least 2; with fewer positions, or an image height
// that is not positive, every click maps to 0.0.
//
// Threads: user-interface thread only (setValue excepted, see CControl).
#pragma once

#include "CControl.h"

class CVerticalSwitch : public CControl {
public:
    CVerticalSwitch(const CRect& size, CControlListener* listener, long tag, long subPixmaps,
                    long heightOfOneImage, long iMaxPositions, CBitmap* background,
                    CPoint& offset);
    ~CVerticalSwitch() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where) override;

    // The image that value selects: trunc(value x (N - 1) + 0.5), with NaN
    // and huge values kept defined (see CControl::truncToLong).
    long imageIndex();

    long getImageHeight() const { return heightOfOneImage; }
    long getPositionCount() const { return iMaxPositions; }

protected:
    CPoint offset;
    long subPixmaps;
    long heightOfOneImage;
    long iMaxPositions;
};
