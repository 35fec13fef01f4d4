#include "Canvas.h"

#include "Coverage.h"
#include "Picture.h"
#include "Port.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

uint8_t clampByte(float v) {
    return uint8_t(std::clamp(int(std::lround(v)), 0, 255));
}

} // namespace

platform::Rgb mix(platform::Rgb a, platform::Rgb b, float t) {
    return platform::Rgb{clampByte(float(a.red) + (float(b.red) - float(a.red)) * t),
                         clampByte(float(a.green) + (float(b.green) - float(a.green)) * t),
                         clampByte(float(a.blue) + (float(b.blue) - float(a.blue)) * t)};
}

platform::Rgb scale(platform::Rgb c, float f) {
    return platform::Rgb{clampByte(float(c.red) * f), clampByte(float(c.green) * f), clampByte(float(c.blue) * f)};
}

Canvas::Canvas(int width, int height, platform::Rgb fillColour) {
    port_ = platform::Port::newWorld(width, height);
    if (port_) fill(bounds(), fillColour);
}

Canvas::~Canvas() { platform::Port::disposeWorld(port_); }

Canvas::Canvas(Canvas&& other) noexcept : port_(std::exchange(other.port_, nullptr)) {}

Canvas& Canvas::operator=(Canvas&& other) noexcept {
    if (this != &other) {
        platform::Port::disposeWorld(port_);
        port_ = std::exchange(other.port_, nullptr);
    }
    return *this;
}

int Canvas::width() const { return port_ ? port_->width() : 0; }
int Canvas::height() const { return port_ ? port_->height() : 0; }

platform::Rgb Canvas::at(int x, int y) const { return port_ ? port_->getPixel(x, y) : platform::kBlack; }

void Canvas::set(int x, int y, platform::Rgb c) {
    if (port_) port_->setPixel(x, y, c);
}

void Canvas::blend(int x, int y, platform::Rgb c, float alpha) {
    if (!port_ || x < 0 || y < 0 || x >= width() || y >= height()) return;
    alpha = std::clamp(alpha, 0.0f, 1.0f);
    if (alpha <= 0.0f) return;
    set(x, y, mix(at(x, y), c, alpha));
}

void Canvas::fill(platform::Rect const& r, platform::Rgb c) {
    if (!port_) return;
    port_->setFillPattern(platform::kSolidPattern);
    port_->setForeColor(c);
    port_->fillRect(r);
}

void Canvas::gradient(platform::Rect const& r, platform::Rgb top, platform::Rgb bottom) {
    int rows = r.height();
    for (int y = r.top; y < r.bottom; ++y) {
        float t = rows > 1 ? float(y - r.top) / float(rows - 1) : 0.0f;
        fill(platform::Rect{r.left, y, r.right, y + 1}, mix(top, bottom, t));
    }
}

void Canvas::paint(Coverage const& shape, platform::Rgb c, float opacity) {
    platform::Rect a = shape.area();
    for (int y = a.top; y < a.bottom; ++y)
        for (int x = a.left; x < a.right; ++x) {
            float cov = shape.at(x, y);
            if (cov > 0.0f) blend(x, y, c, cov * opacity);
        }
}

void Canvas::paintGradient(Coverage const& shape, float y0, platform::Rgb top, float y1, platform::Rgb bottom,
                           float opacity) {
    platform::Rect a = shape.area();
    for (int y = a.top; y < a.bottom; ++y) {
        float t = y1 > y0 ? std::clamp((float(y) + 0.5f - y0) / (y1 - y0), 0.0f, 1.0f) : 0.0f;
        platform::Rgb c = mix(top, bottom, t);
        for (int x = a.left; x < a.right; ++x) {
            float cov = shape.at(x, y);
            if (cov > 0.0f) blend(x, y, c, cov * opacity);
        }
    }
}

void Canvas::grain(platform::Rect const& r, unsigned seed, int amplitude, float streak) {
    uint32_t state = seed * 2654435761u + 12345u;
    auto next = [&state]() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    int span = 2 * amplitude + 1;
    for (int y = r.top; y < r.bottom; ++y) {
        float row = float(int(next() % uint32_t(span)) - amplitude);
        for (int x = r.left; x < r.right; ++x) {
            float px = float(int(next() % uint32_t(span)) - amplitude);
            float d = row * streak + px * (1.0f - streak);
            platform::Rgb c = at(x, y);
            set(x, y, platform::Rgb{clampByte(float(c.red) + d), clampByte(float(c.green) + d),
                                    clampByte(float(c.blue) + d)});
        }
    }
}

Canvas Canvas::crop(platform::Rect const& r) const {
    Canvas out(r.width(), r.height(), platform::kBlack);
    if (port_ && out.port_)
        platform::Port::copyBits(*port_, *out.port_, r, out.bounds(), platform::kCopyPlain);
    return out;
}

void Canvas::place(Canvas const& src, int x, int y) { placeArea(src, src.bounds(), x, y); }

void Canvas::placeArea(Canvas const& src, platform::Rect const& r, int x, int y) {
    if (!port_ || !src.port_) return;
    platform::Port::copyBits(*src.port_, *port_, r, platform::Rect{x, y, x + r.width(), y + r.height()},
                             platform::kCopyPlain);
}

void Canvas::placeTransparent(Canvas const& src, int x, int y) {
    if (!port_ || !src.port_) return;
    platform::Rgb back = port_->backColor();
    port_->setBackColor(platform::kWhite);
    platform::Port::copyBits(*src.port_, *port_, src.bounds(),
                             platform::Rect{x, y, x + src.width(), y + src.height()}, platform::kCopyTransparent);
    port_->setBackColor(back);
}

bool Canvas::save(std::string const& path) const { return port_ && platform::savePng(*port_, path.c_str()); }
