// A progress bar on stderr: percentage, elapsed and remaining time and speed
// as a multiple of real time. Drawn only when enabled (stderr is a terminal
// and the user did not ask for quiet), at most ten times a second.
#pragma once

#include <chrono>
#include <cstddef>

class ProgressMeter {
public:
    ProgressMeter(size_t totalFrames, double sampleRate, bool enabled);
    void update(size_t doneFrames);
    // Draws the final state and ends the line.
    void finish();
    // Seconds since construction.
    double elapsed() const;

private:
    void draw(size_t doneFrames);

    size_t total_;
    double sampleRate_;
    bool enabled_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
    bool drawn_ = false;
    size_t done_ = 0;
};
