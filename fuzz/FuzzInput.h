// A front-to-back reader of a fuzzer's input: little-endian integers and raw
// floats in the order they are asked for, zero once the input is used up, so
// that every byte string is a valid program and seeds can be written by hand
// (fuzz/make-seeds.py).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace fuzzinput {

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    size_t remaining() const { return empty() ? 0 : size_ - pos_; }

    template <typename T>
    T take() {
        T out{};
        unsigned char bytes[sizeof(T)] = {};
        for (size_t i = 0; i < sizeof(T) && pos_ < size_; ++i)
            bytes[i] = data_[pos_++];
        std::memcpy(&out, bytes, sizeof(T));
        return out;
    }
    uint8_t u8() { return take<uint8_t>(); }
    uint16_t u16() { return take<uint16_t>(); }
    int32_t i32() { return take<int32_t>(); }
    int64_t i64() { return take<int64_t>(); }
    float f32() { return take<float>(); }

    // Copies up to n bytes into out; answers how many were there.
    size_t bytes(void* out, size_t n) {
        const size_t k = n < remaining() ? n : remaining();
        if (k) std::memcpy(out, data_ + pos_, k);
        pos_ += k;
        return k;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// The values a hostile host sends for floats: non-finite, huge, denormal,
// out of the normalised range, and a few ordinary ones.
inline float specialFloat(uint8_t selector) {
    constexpr float kTable[] = {
        std::numeric_limits<float>::quiet_NaN(),
        std::numeric_limits<float>::infinity(),
        -std::numeric_limits<float>::infinity(),
        1e30f,
        -1e30f,
        std::numeric_limits<float>::denorm_min(),
        -std::numeric_limits<float>::denorm_min(),
        1e-40f,
        -1.0f,
        2.0f,
        0.0f,
        -0.0f,
        1.0f,
        0.5f,
        0.999999f,
        std::numeric_limits<float>::max(),
        std::numeric_limits<float>::lowest(),
        44100.0f,
        96000.0f,
        -std::numeric_limits<float>::quiet_NaN(),
    };
    return kTable[selector % (sizeof(kTable) / sizeof(kTable[0]))];
}

}  // namespace fuzzinput
