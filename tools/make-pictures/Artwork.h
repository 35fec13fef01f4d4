// Artwork: the editor's pictures 128 to 138, drawn from scratch.
//
// The editor places its controls at fixed rectangles on the background
// picture (128); every control picture starts as the background panel under
// its rectangle, so controls sit seamlessly on the panel. Sizes the editor
// relies on: slider tracks 21 x 122, handles 19 x 18 (drawn with pure white
// as the transparent colour), the wave-type switch 56 x 625 (five images of
// 56 x 125), the FFT-size switch 40 x 330 (three images of 40 x 110), the
// on/off buttons 71 x 48 (off image in rows 0-23, on image in rows 24-47).
// Drawing is deterministic: the same program writes the same pixels.
#pragma once

#include "Canvas.h"

#include <vector>

struct PictureInfo {
    int id;
    char const* name;   // file name is "<id>-<name>.png"
    int width;
    int height;
};

class Artwork {
public:
    static constexpr int kWidth = 203;
    static constexpr int kHeight = 250;

    Artwork();

    // The eleven pictures in id order.
    static std::vector<PictureInfo> const& pictures();

    // The picture with the id (128 to 138); an empty 0 x 0 canvas otherwise.
    Canvas render(int id) const;

    // The whole editor as it looks with the given control values (sliders,
    // switches and buttons in the editor's order FreqNudge, Regen, Type,
    // keepfreqs, FFT Size, Thresh, Win Type, each 0 to 1), with plain
    // stand-ins for the value displays. For checking the artwork by eye.
    Canvas preview(float const values[7]) const;

private:
    Canvas background() const;
    Canvas sliderTrack(platform::Rect const& at) const;
    Canvas sliderHandle(platform::Rect const& at) const;
    Canvas waveSwitch() const;
    Canvas sizeSwitch() const;
    Canvas button(platform::Rect const& at, char const* label, int faceLeft) const;

    Canvas panel_;
};

// Nearest-neighbour enlargement by a whole factor, for looking at pixels.
Canvas enlarge(Canvas const& src, int factor);
