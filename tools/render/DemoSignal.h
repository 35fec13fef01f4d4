// The built-in demo input: about eight seconds of mono audio at 44100 Hz,
// synthesised from a fixed seed so that every run yields the same samples.
//   0.0 - 2.4 s  a harmonic tone gliding from 110 Hz up to 440 Hz and back
//   2.4 - 5.0 s  an A minor seventh chord with vibrato
//   5.0 - 6.4 s  a band-limited noise burst that swells and fades
//   6.4 - 8.0 s  drum-like hits: pitched kicks and a noisy snare
#pragma once

#include "AudioData.h"

class DemoSignal {
public:
    static constexpr double kSampleRate = 44100.0;
    static constexpr double kSeconds = 8.0;
    static AudioData make();
};
