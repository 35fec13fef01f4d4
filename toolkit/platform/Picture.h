// Picture and PictureStore: images by numeric id, decoded from PNG data that
// is embedded into the binary at build time.
//
// The plug-in's pictures are the files resources/<id>.png or
// resources/<id>-<name>.png; the build turns them into a table of bytes
// (EmbedPictures.cmake) that PictureStore::resources() serves. A picture is
// decoded once, when it is first asked for, and then kept for the life of the
// store. PNG transparency is composited over white, the colour that
// transparent bitmap drawing leaves out. User-interface thread only; nothing
// throws.
#pragma once

#include "PlatformTypes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

class Picture {
public:
    Picture(int width, int height, std::vector<uint32_t> pixels)
        : width_(width), height_(height), pixels_(std::move(pixels)) {}
    int width() const { return width_; }
    int height() const { return height_; }
    // The picture frame: always (0, 0, width, height).
    Rect frame() const { return Rect{0, 0, width_, height_}; }
    // height rows of width pixels, 0x00RRGGBB.
    uint32_t const* pixels() const { return pixels_.data(); }
    Rgb pixel(int h, int v) const { return fromPixel(pixels_[std::size_t(v) * std::size_t(width_) + std::size_t(h)]); }

    // Decodes PNG bytes; null when they are not a readable PNG or exceed
    // 16384 pixels in either direction.
    static std::unique_ptr<Picture> decodePng(unsigned char const* data, std::size_t size);

private:
    int width_;
    int height_;
    std::vector<uint32_t> pixels_;
};

// One embedded file: its id and its PNG bytes (static storage).
struct EmbeddedPicture {
    int id;
    unsigned char const* data;
    std::size_t size;
};

class PictureStore {
public:
    // A store over a table of embedded files; the table must outlive it.
    PictureStore(EmbeddedPicture const* table, std::size_t count);
    ~PictureStore();
    PictureStore(PictureStore const&) = delete;
    PictureStore& operator=(PictureStore const&) = delete;

    // The picture with this id, decoded on first request; null when no file
    // has the id or its data cannot be decoded (asked again, still null).
    Picture const* picture(int id);

    // The store of the pictures embedded from resources/.
    static PictureStore& resources();

private:
    struct Entry;
    std::vector<Entry> entries_;
};

// Writes a port's pixels as an RGB PNG file; false when it cannot.
class Port;
bool savePng(Port const& port, char const* path);

} // namespace platform
