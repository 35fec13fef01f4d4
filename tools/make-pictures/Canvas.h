// Canvas: one picture being drawn, a 32-bit platform port with the
// compositing the artwork needs on top of the port's raster: vertical
// gradients, blending by opacity, painting through an anti-aliased Coverage,
// crops and placement. Owns its port.
#pragma once

#include "PlatformTypes.h"

#include <string>

namespace platform { class Port; }
class Coverage;

class Canvas {
public:
    // A canvas of width x height filled with the colour.
    Canvas(int width, int height, platform::Rgb fill);
    ~Canvas();
    Canvas(Canvas const&) = delete;
    Canvas& operator=(Canvas const&) = delete;
    Canvas(Canvas&&) noexcept;
    Canvas& operator=(Canvas&&) noexcept;

    int width() const;
    int height() const;
    platform::Rect bounds() const { return platform::Rect{0, 0, width(), height()}; }
    platform::Port& port() { return *port_; }
    platform::Port const& port() const { return *port_; }

    // Black outside the canvas; writes outside are ignored.
    platform::Rgb at(int x, int y) const;
    void set(int x, int y, platform::Rgb c);
    // Mixes c into the pixel: result = c * alpha + pixel * (1 - alpha),
    // alpha clamped to [0, 1], each component rounded.
    void blend(int x, int y, platform::Rgb c, float alpha);

    void fill(platform::Rect const& r, platform::Rgb c);
    // Each row of r gets the colour interpolated from top (first row) to
    // bottom (last row).
    void gradient(platform::Rect const& r, platform::Rgb top, platform::Rgb bottom);
    // Blends the colour by coverage x opacity over the coverage's area.
    void paint(Coverage const& shape, platform::Rgb c, float opacity = 1.0f);
    // The same with a vertical gradient from y0 (top colour) to y1.
    void paintGradient(Coverage const& shape, float y0, platform::Rgb top, float y1, platform::Rgb bottom,
                       float opacity = 1.0f);
    // Adds deterministic grain of +-amplitude to every pixel of r, the same
    // for a given seed; streak (0 to 1) mixes in one value per row.
    void grain(platform::Rect const& r, unsigned seed, int amplitude, float streak);

    // A copy of the area r of this canvas.
    Canvas crop(platform::Rect const& r) const;
    // Copies all of src with its top-left corner at (x, y).
    void place(Canvas const& src, int x, int y);
    // The same, leaving out source pixels of pure white (255, 255, 255).
    void placeTransparent(Canvas const& src, int x, int y);
    // The same from the area r of src.
    void placeArea(Canvas const& src, platform::Rect const& r, int x, int y);

    // Writes an RGB PNG; false when it cannot.
    bool save(std::string const& path) const;

private:
    platform::Port* port_ = nullptr;
};

// Linear mix of two colours: t = 0 gives a, 1 gives b.
platform::Rgb mix(platform::Rgb a, platform::Rgb b, float t);
// Every component multiplied by f (clamped to 0..255).
platform::Rgb scale(platform::Rgb c, float f);
