#include "Fft.h"

#include <cmath>
#include <utility>

Fft::Fft(size_t size) : size_(size), twiddles_(size / 2), reversed_(size) {
    size_t bits = 0;
    while ((size_t{1} << bits) < size) ++bits;
    for (size_t i = 0; i < size; ++i) {
        size_t r = 0;
        for (size_t b = 0; b < bits; ++b)
            if ((i >> b) & 1) r |= size_t{1} << (bits - 1 - b);
        reversed_[i] = r;
    }
    const double step = -2.0 * 3.141592653589793 / static_cast<double>(size);
    for (size_t k = 0; k < size / 2; ++k)
        twiddles_[k] = {std::cos(step * static_cast<double>(k)), std::sin(step * static_cast<double>(k))};
}

void Fft::forward(std::vector<std::complex<double>>& data) const {
    for (size_t i = 0; i < size_; ++i)
        if (i < reversed_[i]) std::swap(data[i], data[reversed_[i]]);
    for (size_t half = 1; half < size_; half *= 2) {
        const size_t stride = size_ / (2 * half);
        for (size_t start = 0; start < size_; start += 2 * half) {
            for (size_t k = 0; k < half; ++k) {
                std::complex<double> odd = data[start + k + half] * twiddles_[k * stride];
                data[start + k + half] = data[start + k] - odd;
                data[start + k] += odd;
            }
        }
    }
}
