#include "Port.h"

#include "FontEngine.h"
#include "Picture.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace platform {

namespace {

constexpr std::size_t kDefaultWorldLimit = std::size_t(64) << 20;
std::size_t gWorldLimit = kDefaultWorldLimit;
Port* gCurrent = nullptr;

int mod8(int x) { return ((x % 8) + 8) % 8; }

bool darkColour(Rgb c) { return int(c.red) + int(c.green) + int(c.blue) < 383; }

// Inside test of the ellipse inscribed in r for the centre of pixel (x, y),
// in exact integer arithmetic on doubled coordinates.
struct Ellipse {
    long long l = 0, t = 0, a = 0, b = 0;
    bool valid = false;
    explicit Ellipse(Rect const& r) {
        l = r.left;
        t = r.top;
        a = (long long)r.right - r.left;
        b = (long long)r.bottom - r.top;
        valid = a > 0 && b > 0;
    }
    bool inside(int x, int y) const {
        if (!valid)
            return false;
        __int128 X = 2 * (__int128)x + 1 - (2 * (__int128)l + a);
        __int128 Y = 2 * (__int128)y + 1 - (2 * (__int128)t + b);
        __int128 A2 = (__int128)a * a, B2 = (__int128)b * b;
        return X * X * B2 + Y * Y * A2 <= A2 * B2;
    }
    // Direction of the pixel centre in degrees, 0 at twelve o'clock,
    // clockwise, on the ellipse stretched to a circle.
    double angle(int x, int y) const {
        double X = double(2 * (long long)x + 1 - (2 * l + a)) / double(a);
        double Y = double(2 * (long long)y + 1 - (2 * t + b)) / double(b);
        if (X == 0 && Y == 0)
            return 0;
        double deg = std::atan2(X, -Y) * (180.0 / 3.14159265358979323846);
        if (deg < 0)
            deg += 360;
        return deg;
    }
};

struct ArcRange {
    bool all = false;
    bool none = false;
    double start = 0;
    double sweep = 0;
    ArcRange(int startAngle, int arcAngle) {
        if (arcAngle >= 360 || arcAngle <= -360) {
            all = true;
            return;
        }
        if (arcAngle == 0) {
            none = true;
            return;
        }
        int s = startAngle, a = arcAngle;
        if (a < 0) {
            s += a;
            a = -a;
        }
        s = ((s % 360) + 360) % 360;
        start = s;
        sweep = a;
    }
    bool holds(double deg) const {
        if (all)
            return true;
        if (none)
            return false;
        double d = deg - start;
        if (d < 0)
            d += 360;
        return d <= sweep;
    }
};

} // namespace

Rect intersect(Rect const& a, Rect const& b) {
    return Rect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

Rect unite(Rect const& a, Rect const& b) {
    if (a.isEmpty())
        return b;
    if (b.isEmpty())
        return a;
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

Pattern Pattern::fromHex(char const* hex) {
    Pattern p;
    for (int i = 0; i < 8; ++i) {
        int byte = 0;
        for (int j = 0; j < 2; ++j) {
            int digit = 0;
            char c = (hex && *hex) ? *hex++ : 0;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            byte = byte * 16 + digit;
        }
        p.rows[i] = uint8_t(byte);
    }
    return p;
}

// ---------------------------------------------------------------- worlds

Port::Port(int width, int height, int depth)
    : width_(width), height_(height), depth_(depth == 1 ? 1 : 32),
      pixels_(std::size_t(width) * std::size_t(height), 0x00FFFFFFu), clip_{0, 0, width, height} {}

Port::~Port() {
    if (gCurrent == this)
        gCurrent = nullptr;
}

Port* Port::newWorld(int width, int height, int depth) {
    if (width <= 0 || height <= 0)
        return nullptr;
    if (depth != 0 && depth != 32 && depth != 1)
        return nullptr;
    if (std::size_t(width) * std::size_t(height) > gWorldLimit)
        return nullptr;
    try {
        return new Port(width, height, depth);
    } catch (std::bad_alloc const&) {
        return nullptr;
    }
}

void Port::disposeWorld(Port* world) { delete world; }

void Port::setWorldPixelLimit(std::size_t pixels) {
    gWorldLimit = pixels == 0 ? kDefaultWorldLimit : pixels;
}

Port* Port::current() { return gCurrent; }
void Port::setCurrent(Port* port) { gCurrent = port; }

bool Port::lockPixels() {
    if (lockRefused_)
        return false;
    ++locks_;
    return true;
}

void Port::unlockPixels() {
    if (locks_ > 0)
        --locks_;
}

bool Port::resize(int width, int height) {
    if (width <= 0 || height <= 0)
        return false;
    if (std::size_t(width) * std::size_t(height) > gWorldLimit)
        return false;
    try {
        std::vector<uint32_t> next(std::size_t(width) * std::size_t(height), 0x00FFFFFFu);
        int w = std::min(width, width_), h = std::min(height, height_);
        for (int y = 0; y < h; ++y)
            std::copy_n(pixels_.begin() + std::ptrdiff_t(y) * width_, w,
                        next.begin() + std::ptrdiff_t(y) * width);
        pixels_.swap(next);
    } catch (std::bad_alloc const&) {
        return false;
    }
    width_ = width;
    height_ = height;
    clip_ = bounds();
    dirty_ = bounds();
    return true;
}

// ---------------------------------------------------------------- state

void Port::setPenState(PenState const& s) {
    pen_ = s;
    pen_.width = std::max(0, pen_.width);
    pen_.height = std::max(0, pen_.height);
}

void Port::setPenSize(int width, int height) {
    pen_.width = std::max(0, width);
    pen_.height = std::max(0, height);
}

uint32_t Port::store(Rgb c) const {
    if (depth_ == 1)
        return darkColour(c) ? 0u : 0x00FFFFFFu;
    return toPixel(c);
}

bool Port::inClip(int x, int y) const {
    return x >= 0 && y >= 0 && x < width_ && y < height_ && clip_.contains(Point{x, y});
}

void Port::markDirty(Rect const& r) { dirty_ = unite(dirty_, intersect(r, bounds())); }

Rect Port::takeDirty() {
    Rect r = dirty_;
    dirty_ = Rect{};
    return r;
}

// Paints one pixel through a pattern in a pen mode; the caller has checked
// the clip.
void Port::paintPatterned(int x, int y, Pattern const& pattern, int mode) {
    int m = (mode < 0 || mode > 15) ? 0 : (mode & 7);
    bool bit = (pattern.rows[mod8(y)] >> (7 - mod8(x))) & 1;
    if (m >= 4)
        bit = !bit;
    uint32_t& px = pixels_[std::size_t(y) * std::size_t(width_) + std::size_t(x)];
    switch (m & 3) {
    case 0:
        px = store(bit ? fore_ : back_);
        break;
    case 1:
        if (bit)
            px = store(fore_);
        break;
    case 2:
        if (bit)
            px = store(fromPixel(px ^ 0x00FFFFFFu));
        break;
    default:
        if (bit)
            px = store(back_);
        break;
    }
}

// ---------------------------------------------------------------- pen

void Port::paintPenRect(int x, int y) {
    for (int yy = y; yy < y + pen_.height; ++yy)
        for (int xx = x; xx < x + pen_.width; ++xx)
            if (inClip(xx, yy))
                paintPatterned(xx, yy, pen_.pattern, pen_.mode);
}

void Port::lineTo(int h, int v) {
    int x = pen_.position.h, y = pen_.position.v;
    pen_.position = Point{h, v};
    if (pen_.width <= 0 || pen_.height <= 0)
        return;
    markDirty(intersect(Rect{std::min(x, h), std::min(y, v), std::max(x, h) + pen_.width,
                             std::max(y, v) + pen_.height},
                        clip_));
    long long dx = std::llabs((long long)h - x), dy = std::llabs((long long)v - y);
    int sx = h >= x ? 1 : -1, sy = v >= y ? 1 : -1;
    if (dx >= dy) {
        long long err = dx / 2;
        for (long long i = 0; i <= dx; ++i) {
            paintPenRect(x, y);
            x += sx;
            err -= dy;
            if (err < 0) {
                y += sy;
                err += dx;
            }
        }
    } else {
        long long err = dy / 2;
        for (long long i = 0; i <= dy; ++i) {
            paintPenRect(x, y);
            y += sy;
            err -= dx;
            if (err < 0) {
                x += sx;
                err += dy;
            }
        }
    }
}

// ---------------------------------------------------------------- shapes

template <class Inside> void Port::fillShape(Rect const& area, Inside inside, bool usePen) {
    Rect r = intersect(intersect(area, clip_), bounds());
    if (r.isEmpty())
        return;
    markDirty(r);
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (inside(x, y)) {
                if (usePen)
                    paintPatterned(x, y, pen_.pattern, pen_.mode);
                else
                    paintPatterned(x, y, fillPattern_, kPenCopy);
            }
}

void Port::fillRect(Rect const& r) {
    fillShape(r, [](int, int) { return true; }, false);
}

void Port::fillArc(Rect const& r, int startAngle, int arcAngle) {
    Ellipse e(r);
    ArcRange range(startAngle, arcAngle);
    if (!e.valid || range.none)
        return;
    fillShape(r, [&](int x, int y) { return e.inside(x, y) && range.holds(e.angle(x, y)); }, false);
}

void Port::frameArc(Rect const& r, int startAngle, int arcAngle) {
    Ellipse outer(r);
    ArcRange range(startAngle, arcAngle);
    if (!outer.valid || range.none || pen_.width <= 0 || pen_.height <= 0)
        return;
    Ellipse inner(Rect{r.left + pen_.width, r.top + pen_.height, r.right - pen_.width,
                       r.bottom - pen_.height});
    fillShape(r,
              [&](int x, int y) {
                  return outer.inside(x, y) && !inner.inside(x, y) &&
                         range.holds(outer.angle(x, y));
              },
              true);
}

void Port::fillPoly(Point const* points, int count, Rgb colour) {
    if (!points || count < 3)
        return;
    Rect box{points[0].h, points[0].v, points[0].h, points[0].v};
    for (int i = 1; i < count; ++i)
        box = Rect{std::min(box.left, points[i].h), std::min(box.top, points[i].v),
                   std::max(box.right, points[i].h), std::max(box.bottom, points[i].v)};
    Rect r = intersect(intersect(box, clip_), bounds());
    if (r.isEmpty())
        return;
    markDirty(r);
    uint32_t value = store(colour);
    std::vector<double> xs;
    for (int y = r.top; y < r.bottom; ++y) {
        double yc = y + 0.5;
        xs.clear();
        for (int i = 0; i < count; ++i) {
            Point p = points[i], q = points[(i + 1) % count];
            if ((p.v <= yc) != (q.v <= yc))
                xs.push_back(p.h + (yc - p.v) * double(q.h - p.h) / double(q.v - p.v));
        }
        std::sort(xs.begin(), xs.end());
        for (std::size_t k = 0; k + 1 < xs.size(); k += 2) {
            int x0 = std::max(r.left, int(std::ceil(xs[k] - 0.5)));
            int x1 = std::min(r.right, int(std::ceil(xs[k + 1] - 0.5)));
            for (int x = x0; x < x1; ++x)
                pixels_[std::size_t(y) * std::size_t(width_) + std::size_t(x)] = value;
        }
    }
}

// ---------------------------------------------------------------- pixels

Rgb Port::getPixel(int h, int v) const {
    if (h < 0 || v < 0 || h >= width_ || v >= height_)
        return kBlack;
    return fromPixel(pixels_[std::size_t(v) * std::size_t(width_) + std::size_t(h)]);
}

void Port::setPixel(int h, int v, Rgb c) {
    if (h < 0 || v < 0 || h >= width_ || v >= height_)
        return;
    pixels_[std::size_t(v) * std::size_t(width_) + std::size_t(h)] = store(c);
    markDirty(Rect{h, v, h + 1, v + 1});
}

void Port::seedFill(Point seed, Rgb colour) {
    if (seed.h < 0 || seed.v < 0 || seed.h >= width_ || seed.v >= height_)
        return;
    std::size_t const w = std::size_t(width_);
    uint32_t const target = pixels_[std::size_t(seed.v) * w + std::size_t(seed.h)];
    uint32_t const value = store(colour);
    std::vector<uint8_t> seen(pixels_.size(), 0);
    std::vector<std::size_t> stack{std::size_t(seed.v) * w + std::size_t(seed.h)};
    seen[stack.back()] = 1;
    Rect painted;
    while (!stack.empty()) {
        std::size_t i = stack.back();
        stack.pop_back();
        int x = int(i % w), y = int(i / w);
        if (inClip(x, y)) {
            pixels_[i] = value;
            painted = unite(painted, Rect{x, y, x + 1, y + 1});
        }
        auto visit = [&](int nx, int ny) {
            if (nx < 0 || ny < 0 || nx >= width_ || ny >= height_)
                return;
            std::size_t n = std::size_t(ny) * w + std::size_t(nx);
            if (!seen[n] && pixels_[n] == target) {
                seen[n] = 1;
                stack.push_back(n);
            }
        };
        visit(x - 1, y);
        visit(x + 1, y);
        visit(x, y - 1);
        visit(x, y + 1);
    }
    markDirty(painted);
}

// ---------------------------------------------------------------- text

FontInfo Port::fontInfo() const {
    return FontEngine::instance().info(TextStyle{textFamily_, textSize_, textFace_});
}

int Port::textWidth(char const* text, int length) const {
    if (!text || length <= 0)
        return 0;
    return FontEngine::instance().width(TextStyle{textFamily_, textSize_, textFace_}, text, length);
}

void Port::drawText(char const* text, int length) {
    if (!text || length <= 0)
        return;
    TextStyle style{textFamily_, textSize_, textFace_};
    FontEngine& engine = FontEngine::instance();
    FontInfo info = engine.info(style);
    int width = engine.width(style, text, length);
    Point origin = pen_.position;
    Rect cell{origin.h, origin.v - info.ascent, origin.h + width, origin.v + info.descent};
    markDirty(intersect(Rect{cell.left - info.widMax, cell.top, cell.right + info.widMax, cell.bottom + 2},
                        clip_));
    if (textMode_ == kTextOpaque) {
        Rect r = intersect(intersect(cell, clip_), bounds());
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                pixels_[std::size_t(y) * std::size_t(width_) + std::size_t(x)] = store(back_);
    }
    engine.draw(style, text, length, origin, [&](int x, int y, uint8_t coverage) {
        if (coverage == 0 || !inClip(x, y))
            return;
        uint32_t& px = pixels_[std::size_t(y) * std::size_t(width_) + std::size_t(x)];
        Rgb d = fromPixel(px);
        auto mix = [coverage](uint8_t f, uint8_t b) {
            return uint8_t((unsigned(f) * coverage + unsigned(b) * (255u - coverage) + 127u) / 255u);
        };
        px = store(Rgb{mix(fore_.red, d.red), mix(fore_.green, d.green), mix(fore_.blue, d.blue)});
    });
    if (textFace_ & kFaceUnderline) {
        int y = origin.v + 1;
        for (int x = origin.h; x < origin.h + width; ++x)
            if (inClip(x, y))
                pixels_[std::size_t(y) * std::size_t(width_) + std::size_t(x)] = store(fore_);
    }
    pen_.position.h += width;
}

// ---------------------------------------------------------------- copies

namespace {

// The offsets (dx, dy) of a copy of w x h that stay inside both surfaces.
struct CopySpan {
    int x0, x1, y0, y1;
};

CopySpan span(int w, int h, Rect const& a, int aw, int ah, Rect const& b, int bw, int bh) {
    CopySpan s;
    s.x0 = std::max({0, -a.left, -b.left});
    s.y0 = std::max({0, -a.top, -b.top});
    s.x1 = std::min({w, aw - a.left, bw - b.left});
    s.y1 = std::min({h, ah - a.top, bh - b.top});
    return s;
}

} // namespace

void Port::copyBits(Port const& src, Port& dst, Rect const& srcRect, Rect const& dstRect, int mode,
                    uint8_t weight) {
    int w = std::min(srcRect.width(), dstRect.width());
    int h = std::min(srcRect.height(), dstRect.height());
    if (w <= 0 || h <= 0)
        return;
    CopySpan s = span(w, h, srcRect, src.width_, src.height_, dstRect, dst.width_, dst.height_);
    if (s.x1 <= s.x0 || s.y1 <= s.y0)
        return;
    // Copying within one port: read from a snapshot of the source area.
    std::vector<uint32_t> snapshot;
    uint32_t const* base = src.pixels_.data();
    std::size_t stride = std::size_t(src.width_);
    int ox = srcRect.left, oy = srcRect.top;
    if (&src == &dst) {
        int sw = s.x1 - s.x0, sh = s.y1 - s.y0;
        snapshot.resize(std::size_t(sw) * std::size_t(sh));
        for (int y = 0; y < sh; ++y)
            std::copy_n(src.pixels_.begin() + std::ptrdiff_t(oy + s.y0 + y) * src.width_ + (ox + s.x0), sw,
                        snapshot.begin() + std::ptrdiff_t(y) * sw);
        base = snapshot.data();
        stride = std::size_t(sw);
        ox = -s.x0;
        oy = -s.y0;
    }
    uint32_t const key = src.store(dst.back_);
    for (int dy = s.y0; dy < s.y1; ++dy) {
        for (int dx = s.x0; dx < s.x1; ++dx) {
            uint32_t sp = base[std::size_t(oy + dy) * stride + std::size_t(ox + dx)];
            uint32_t& dp = dst.pixels_[std::size_t(dstRect.top + dy) * std::size_t(dst.width_) +
                                       std::size_t(dstRect.left + dx)];
            if (mode == kCopyTransparent) {
                if (sp != key)
                    dp = dst.store(fromPixel(sp));
            } else if (mode == kCopyBlend) {
                Rgb a = fromPixel(sp), b = fromPixel(dp);
                auto mix = [weight](uint8_t x, uint8_t y) {
                    return uint8_t(unsigned(x) * weight / 255u + unsigned(y) * (255u - weight) / 255u);
                };
                dp = dst.store(Rgb{mix(a.red, b.red), mix(a.green, b.green), mix(a.blue, b.blue)});
            } else {
                dp = dst.store(fromPixel(sp));
            }
        }
    }
    dst.markDirty(Rect{dstRect.left + s.x0, dstRect.top + s.y0, dstRect.left + s.x1, dstRect.top + s.y1});
}

void Port::copyMask(Port const& src, Port const& mask, Port& dst, Rect const& srcRect, Rect const& maskRect,
                    Rect const& dstRect) {
    int w = std::min({srcRect.width(), maskRect.width(), dstRect.width()});
    int h = std::min({srcRect.height(), maskRect.height(), dstRect.height()});
    if (w <= 0 || h <= 0)
        return;
    CopySpan a = span(w, h, srcRect, src.width_, src.height_, dstRect, dst.width_, dst.height_);
    CopySpan m = span(w, h, maskRect, mask.width_, mask.height_, dstRect, dst.width_, dst.height_);
    CopySpan s{std::max(a.x0, m.x0), std::min(a.x1, m.x1), std::max(a.y0, m.y0), std::min(a.y1, m.y1)};
    if (s.x1 <= s.x0 || s.y1 <= s.y0)
        return;
    std::vector<uint32_t> out;
    out.reserve(std::size_t(s.x1 - s.x0) * std::size_t(s.y1 - s.y0));
    // Read everything first so that a copy within one port sees the old pixels.
    for (int dy = s.y0; dy < s.y1; ++dy)
        for (int dx = s.x0; dx < s.x1; ++dx)
            out.push_back(src.pixels_[std::size_t(srcRect.top + dy) * std::size_t(src.width_) +
                                      std::size_t(srcRect.left + dx)]);
    std::size_t k = 0;
    for (int dy = s.y0; dy < s.y1; ++dy)
        for (int dx = s.x0; dx < s.x1; ++dx, ++k) {
            Rgb mp = fromPixel(mask.pixels_[std::size_t(maskRect.top + dy) * std::size_t(mask.width_) +
                                            std::size_t(maskRect.left + dx)]);
            if (darkColour(mp))
                dst.pixels_[std::size_t(dstRect.top + dy) * std::size_t(dst.width_) +
                            std::size_t(dstRect.left + dx)] = dst.store(fromPixel(out[k]));
        }
    dst.markDirty(Rect{dstRect.left + s.x0, dstRect.top + s.y0, dstRect.left + s.x1, dstRect.top + s.y1});
}

void Port::drawPicture(Picture const& picture, Point at) {
    Rect dst{at.h, at.v, at.h + picture.width(), at.v + picture.height()};
    Rect r = intersect(dst, bounds());
    if (r.isEmpty())
        return;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            pixels_[std::size_t(y) * std::size_t(width_) + std::size_t(x)] =
                store(picture.pixel(x - at.h, y - at.v));
    markDirty(r);
}

} // namespace platform
