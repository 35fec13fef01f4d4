#include "Coverage.h"

#include "Port.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {
constexpr float kPi = 3.14159265358979f;
}

Coverage::Coverage(platform::Rect area, int scale) : area_(area), scale_(scale) {
    port_ = platform::Port::newWorld(std::max(1, area.width() * scale), std::max(1, area.height() * scale));
}

Coverage::~Coverage() { platform::Port::disposeWorld(port_); }

Coverage::Coverage(Coverage&& other) noexcept
    : area_(other.area_), scale_(other.scale_), port_(std::exchange(other.port_, nullptr)) {}

Coverage& Coverage::operator=(Coverage&& other) noexcept {
    if (this != &other) {
        platform::Port::disposeWorld(port_);
        area_ = other.area_;
        scale_ = other.scale_;
        port_ = std::exchange(other.port_, nullptr);
    }
    return *this;
}

void Coverage::polygon(std::vector<Vec> const& points, bool add) {
    if (!port_ || points.size() < 3) return;
    std::vector<platform::Point> scaled;
    scaled.reserve(points.size());
    for (Vec p : points)
        scaled.push_back(platform::Point{int(std::lround((p.x - float(area_.left)) * float(scale_))),
                                         int(std::lround((p.y - float(area_.top)) * float(scale_)))});
    port_->fillPoly(scaled.data(), int(scaled.size()), add ? platform::kBlack : platform::kWhite);
}

void Coverage::addPolygon(std::vector<Vec> const& points) { polygon(points, true); }
void Coverage::cutPolygon(std::vector<Vec> const& points) { polygon(points, false); }

std::vector<Vec> Coverage::arc(Vec c, float rx, float ry, float a0, float a1, int steps) {
    std::vector<Vec> out;
    steps = std::max(1, steps);
    for (int i = 0; i <= steps; ++i) {
        float a = (a0 + (a1 - a0) * float(i) / float(steps)) * kPi / 180.0f;
        out.push_back(Vec{c.x + rx * std::cos(a), c.y + ry * std::sin(a)});
    }
    return out;
}

std::vector<Vec> Coverage::smooth(std::vector<Vec> const& p, int steps) {
    if (p.size() < 3) return p;
    std::vector<Vec> out;
    for (std::size_t i = 0; i + 1 < p.size(); ++i) {
        Vec p0 = p[i == 0 ? 0 : i - 1], p1 = p[i], p2 = p[i + 1], p3 = p[std::min(i + 2, p.size() - 1)];
        for (int s = 0; s < steps; ++s) {
            float t = float(s) / float(steps), t2 = t * t, t3 = t2 * t;
            auto f = [&](float a, float b, float c, float d) {
                return 0.5f * ((2.0f * b) + (-a + c) * t + (2.0f * a - 5.0f * b + 4.0f * c - d) * t2 +
                               (-a + 3.0f * b - 3.0f * c + d) * t3);
            };
            out.push_back(Vec{f(p0.x, p1.x, p2.x, p3.x), f(p0.y, p1.y, p2.y, p3.y)});
        }
    }
    out.push_back(p.back());
    return out;
}

void Coverage::addEllipse(Vec c, float rx, float ry) {
    int steps = std::max(16, int(std::max(rx, ry) * 8.0f));
    auto pts = arc(c, rx, ry, 0.0f, 360.0f, steps);
    pts.pop_back();
    polygon(pts, true);
}

void Coverage::cutEllipse(Vec c, float rx, float ry) {
    int steps = std::max(16, int(std::max(rx, ry) * 8.0f));
    auto pts = arc(c, rx, ry, 0.0f, 360.0f, steps);
    pts.pop_back();
    polygon(pts, false);
}

std::vector<Vec> Coverage::roundRect(float l, float t, float r, float b, float radius) {
    radius = std::max(0.0f, std::min({radius, (r - l) * 0.5f, (b - t) * 0.5f}));
    if (radius <= 0.0f) return {{l, t}, {r, t}, {r, b}, {l, b}};
    int steps = std::max(4, int(radius * 4.0f));
    std::vector<Vec> pts;
    auto corner = [&](float cx, float cy, float a0) {
        auto a = arc(Vec{cx, cy}, radius, radius, a0, a0 + 90.0f, steps);
        pts.insert(pts.end(), a.begin(), a.end());
    };
    corner(r - radius, t + radius, -90.0f);
    corner(r - radius, b - radius, 0.0f);
    corner(l + radius, b - radius, 90.0f);
    corner(l + radius, t + radius, 180.0f);
    return pts;
}

void Coverage::addRoundRect(float l, float t, float r, float b, float radius) {
    polygon(roundRect(l, t, r, b, radius), true);
}

void Coverage::cutRoundRect(float l, float t, float r, float b, float radius) {
    polygon(roundRect(l, t, r, b, radius), false);
}

void Coverage::addStroke(std::vector<Vec> const& path, float width) {
    float h = width * 0.5f;
    for (std::size_t i = 0; i < path.size(); ++i) {
        addEllipse(path[i], h, h);
        if (i + 1 == path.size()) break;
        Vec a = path[i], b = path[i + 1];
        float dx = b.x - a.x, dy = b.y - a.y, len = std::sqrt(dx * dx + dy * dy);
        if (len <= 0.0f) continue;
        float nx = -dy / len * h, ny = dx / len * h;
        polygon({{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}}, true);
    }
}

float Coverage::at(int x, int y) const {
    if (!port_ || !area_.contains(platform::Point{x, y})) return 0.0f;
    int sx = (x - area_.left) * scale_, sy = (y - area_.top) * scale_;
    int inside = 0;
    uint32_t const* px = port_->pixels();
    for (int j = 0; j < scale_; ++j)
        for (int i = 0; i < scale_; ++i)
            if (px[std::size_t(sy + j) * std::size_t(port_->width()) + std::size_t(sx + i)] == 0) ++inside;
    return float(inside) / float(scale_ * scale_);
}
