#include "Picture.h"

#include "Port.h"

#include <png.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace platform {

// The table generated from resources/ at build time.
EmbeddedPicture const* embeddedResourcePictures(std::size_t& count);

std::unique_ptr<Picture> Picture::decodePng(unsigned char const* data, std::size_t size) {
    if (!data || size == 0)
        return nullptr;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size))
        return nullptr;
    if (image.width == 0 || image.height == 0 || image.width > 16384 || image.height > 16384) {
        png_image_free(&image);
        return nullptr;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<unsigned char> rgba;
    std::vector<uint32_t> pixels;
    try {
        rgba.resize(PNG_IMAGE_SIZE(image));
        pixels.resize(std::size_t(image.width) * image.height);
    } catch (std::bad_alloc const&) {
        png_image_free(&image);
        return nullptr;
    }
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
        png_image_free(&image);
        return nullptr;
    }
    // Composite over white.
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        unsigned char const* p = &rgba[i * 4];
        unsigned a = p[3];
        auto over = [a](unsigned c) { return uint8_t((c * a + 255u * (255u - a) + 127u) / 255u); };
        pixels[i] = toPixel(Rgb{over(p[0]), over(p[1]), over(p[2])});
    }
    try {
        return std::make_unique<Picture>(int(image.width), int(image.height), std::move(pixels));
    } catch (std::bad_alloc const&) {
        return nullptr;
    }
}

struct PictureStore::Entry {
    EmbeddedPicture file;
    bool tried = false;
    std::unique_ptr<Picture> picture;
};

PictureStore::PictureStore(EmbeddedPicture const* table, std::size_t count) {
    for (std::size_t i = 0; table && i < count; ++i)
        entries_.push_back(Entry{table[i], false, nullptr});
}

PictureStore::~PictureStore() = default;

Picture const* PictureStore::picture(int id) {
    for (Entry& e : entries_) {
        if (e.file.id != id)
            continue;
        if (!e.tried) {
            e.tried = true;
            e.picture = Picture::decodePng(e.file.data, e.file.size);
        }
        return e.picture.get();
    }
    return nullptr;
}

PictureStore& PictureStore::resources() {
    static PictureStore store = [] {
        std::size_t count = 0;
        EmbeddedPicture const* table = embeddedResourcePictures(count);
        return PictureStore(table, count);
    }();
    return store;
}

bool savePng(Port const& port, char const* path) {
    if (!path)
        return false;
    std::vector<unsigned char> rgb;
    try {
        rgb.resize(std::size_t(port.width()) * port.height() * 3);
    } catch (std::bad_alloc const&) {
        return false;
    }
    for (int i = 0; i < port.width() * port.height(); ++i) {
        Rgb c = fromPixel(port.pixels()[i]);
        rgb[std::size_t(i) * 3] = c.red;
        rgb[std::size_t(i) * 3 + 1] = c.green;
        rgb[std::size_t(i) * 3 + 2] = c.blue;
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(port.width());
    image.height = png_uint_32(port.height());
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path, 0, rgb.data(), 0, nullptr) != 0;
}

} // namespace platform
