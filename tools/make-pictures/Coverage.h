// Coverage: an anti-aliased shape mask over an area of a picture.
//
// Shapes are rasterised by the platform port at scale x scale sub-pixels per
// picture pixel; the coverage of a picture pixel is the share of its
// sub-pixels inside the shape (0 to 1). Shapes added are united; shapes cut
// are taken away. Coordinates are picture pixels as floats: pixel (x, y)
// spans [x, x + 1) x [y, y + 1). Everything is deterministic: the same calls
// give the same coverage on every machine.
#pragma once

#include "PlatformTypes.h"

#include <memory>
#include <vector>

namespace platform { class Port; }

struct Vec {
    float x = 0.0f;
    float y = 0.0f;
};

class Coverage {
public:
    // A coverage of nothing over the area (picture coordinates).
    explicit Coverage(platform::Rect area, int scale = 8);
    ~Coverage();
    Coverage(Coverage&&) noexcept;
    Coverage& operator=(Coverage&&) noexcept;

    platform::Rect area() const { return area_; }

    void addPolygon(std::vector<Vec> const& points);
    void cutPolygon(std::vector<Vec> const& points);
    void addEllipse(Vec centre, float rx, float ry);
    void cutEllipse(Vec centre, float rx, float ry);
    // The rectangle [left, right) x [top, bottom) with corners of the radius.
    void addRoundRect(float left, float top, float right, float bottom, float radius);
    void cutRoundRect(float left, float top, float right, float bottom, float radius);
    // A line of the width through the points, with round ends and joins.
    void addStroke(std::vector<Vec> const& path, float width);

    // Share of the pixel covered, 0 outside the area.
    float at(int x, int y) const;

    // Points on an ellipse from angle a0 to a1 in degrees (0 to the right,
    // positive clockwise on screen), both ends included.
    static std::vector<Vec> arc(Vec centre, float rx, float ry, float a0, float a1, int steps);
    // A smooth path through the points (Catmull-Rom, steps per segment).
    static std::vector<Vec> smooth(std::vector<Vec> const& points, int steps);

private:
    void polygon(std::vector<Vec> const& points, bool add);
    static std::vector<Vec> roundRect(float left, float top, float right, float bottom, float radius);

    platform::Rect area_;
    int scale_;
    platform::Port* port_ = nullptr;
};
