#include "ProgressMeter.h"

#include <cstdio>

namespace {

void formatTime(char* buffer, size_t size, double seconds) {
    if (seconds < 0.0 || seconds > 359999.0) {
        std::snprintf(buffer, size, "--:--");
        return;
    }
    int whole = static_cast<int>(seconds + 0.5);
    std::snprintf(buffer, size, "%d:%02d", whole / 60, whole % 60);
}

}  // namespace

ProgressMeter::ProgressMeter(size_t totalFrames, double sampleRate, bool enabled)
    : total_(totalFrames), sampleRate_(sampleRate), enabled_(enabled),
      start_(std::chrono::steady_clock::now()), lastDraw_(start_) {}

double ProgressMeter::elapsed() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void ProgressMeter::update(size_t doneFrames) {
    done_ = doneFrames;
    if (!enabled_) return;
    auto now = std::chrono::steady_clock::now();
    if (drawn_ && now - lastDraw_ < std::chrono::milliseconds(100)) return;
    lastDraw_ = now;
    draw(doneFrames);
}

void ProgressMeter::finish() {
    if (!enabled_) return;
    draw(done_);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void ProgressMeter::draw(size_t doneFrames) {
    drawn_ = true;
    double fraction = total_ > 0 ? static_cast<double>(doneFrames) / static_cast<double>(total_) : 1.0;
    if (fraction > 1.0) fraction = 1.0;
    double seconds = elapsed();
    double audioSeconds = static_cast<double>(doneFrames) / sampleRate_;
    double speed = seconds > 0.0 ? audioSeconds / seconds : 0.0;
    double remaining = fraction > 0.0 ? seconds * (1.0 - fraction) / fraction : -1.0;
    constexpr int kWidth = 30;
    char bar[kWidth + 1];
    int filled = static_cast<int>(fraction * kWidth);
    for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '.';
    bar[kWidth] = '\0';
    char elapsedText[16], remainingText[16];
    formatTime(elapsedText, sizeof elapsedText, seconds);
    formatTime(remainingText, sizeof remainingText, remaining);
    std::fprintf(stderr, "\r[%s] %5.1f%%  elapsed %s  remaining %s  %.1fx real time ", bar,
                 fraction * 100.0, elapsedText, remainingText, speed);
    std::fflush(stderr);
}
