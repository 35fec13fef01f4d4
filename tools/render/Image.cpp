#include "Image.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "AtomicFile.h"
#include "BitmapFont.h"
#include "RenderError.h"

Image::Image(int width, int height, Rgb background)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * static_cast<size_t>(height) * 3) {
    fill(0, 0, width, height, background);
}

void Image::set(int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    uint8_t* p = &pixels_[(static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)) * 3];
    p[0] = colour.r;
    p[1] = colour.g;
    p[2] = colour.b;
}

Rgb Image::get(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return {0, 0, 0};
    const uint8_t* p = &pixels_[(static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)) * 3];
    return {p[0], p[1], p[2]};
}

void Image::fill(int x, int y, int w, int h, Rgb colour) {
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) set(i, j, colour);
}

void Image::text(int x, int y, const std::string& text, Rgb colour, int scale) {
    int penX = x;
    for (char c : text) {
        const int top = y + (BitmapFont::descends(c) ? BitmapFont::kDescent * scale : 0);
        for (int gy = 0; gy < BitmapFont::kGlyphHeight; ++gy)
            for (int gx = 0; gx < BitmapFont::kGlyphWidth; ++gx)
                if (BitmapFont::pixel(c, gx, gy)) fill(penX + gx * scale, top + gy * scale, scale, scale, colour);
        penX += BitmapFont::kAdvance * scale;
    }
}

namespace {

// libpng reports errors through longjmp; this writer keeps every object
// with a destructor outside the function that calls setjmp.
bool writeRows(std::FILE* file, int width, int height, const std::vector<uint8_t>& pixels) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, const_cast<png_bytep>(&pixels[static_cast<size_t>(y) * static_cast<size_t>(width) * 3]));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

void Image::writePng(const std::string& path) const {
    AtomicFile file(path);
    std::FILE* out = std::fopen(file.tempPath().c_str(), "wb");
    if (out == nullptr) {
        throw RenderError(kExitOutput, "cannot write picture " + path + ": " + std::strerror(errno));
    }
    bool written = writeRows(out, width_, height_, pixels_);
    bool flushed = std::fflush(out) == 0 && std::ferror(out) == 0;
    bool closed = std::fclose(out) == 0;
    if (!written || !flushed || !closed) throw RenderError(kExitOutput, "cannot write picture " + path);
    file.commit();
}
