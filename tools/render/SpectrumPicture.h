// Spectrogram pictures: short-time Fourier analysis of one or more signals,
// drawn one above the other on a shared time axis, with a logarithmic
// frequency axis in Hz, a dB colour legend and a title per panel.
#pragma once

#include <string>
#include <vector>

#include "Image.h"

class Spectrogram {
public:
    struct Panel {
        std::string title;
        const std::vector<float>* samples;
    };

    static constexpr int kFftSize = 2048;
    static constexpr int kPlotWidth = 900;
    static constexpr int kPlotHeight = 260;
    static constexpr double kFloorDb = -100.0;
    static constexpr double kLowHz = 20.0;

    static Image draw(const std::vector<Panel>& panels, double sampleRate);

    // Where things are in the picture: the left edge of the plots, the top
    // edge of panel p's plot, the plot row (0 at the top) of a frequency and
    // the plot column of a time. Axis ticks are drawn at these positions.
    static int plotLeft();
    static int plotTop(size_t panel);
    static double lowHz(double sampleRate);
    static int rowOf(double hz, double sampleRate);
    static int columnOf(double seconds, double duration);

    // Colour of a level in dB relative to a full-scale sine (0 dB at the top
    // of the map, kFloorDb at the bottom).
    static Rgb colour(double db);
};
