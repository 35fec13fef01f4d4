// In-place complex FFT of a power-of-two length, double precision, used for
// the spectrogram pictures. Not used on any audio path.
#pragma once

#include <complex>
#include <cstddef>
#include <vector>

class Fft {
public:
    explicit Fft(size_t size);  // size must be a power of two, at least 2
    size_t size() const { return size_; }
    // Forward transform (e^{-i...}), no scaling.
    void forward(std::vector<std::complex<double>>& data) const;

private:
    size_t size_;
    std::vector<std::complex<double>> twiddles_;  // e^{-2 pi i k / size}, k < size / 2
    std::vector<size_t> reversed_;                // bit-reversed index of each position
};
