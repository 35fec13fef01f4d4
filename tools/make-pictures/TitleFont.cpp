#include "TitleFont.h"

namespace {
constexpr float kSpacing = 1.9f;   // design units between letters
}

float TitleFont::advance(char c) const {
    switch (c) {
    case 'T': return 6.4f;
    case 'e': return 5.9f;
    case 'i': return 0.0f;
    case 'l': return 0.0f;
    case 'o': return 6.0f;
    case 'r': return 3.8f;
    case 's': return 5.0f;
    default: return 4.0f;
    }
}

float TitleFont::width(std::string_view text) const {
    float w = 0.0f;
    for (std::size_t i = 0; i < text.size(); ++i) w += advance(text[i]) + (i + 1 < text.size() ? kSpacing : 0.0f);
    return w * unit_ + stroke_;
}

void TitleFont::add(Coverage& shape, float x, float y, std::string_view text) const {
    float pen = x + stroke_ * 0.5f;
    for (char c : text) {
        addLetter(shape, pen, y, c);
        pen += (advance(c) + kSpacing) * unit_;
    }
}

void TitleFont::addLetter(Coverage& shape, float x, float y, char c) const {
    // Design point (u, v), v = 10 on the baseline, to picture coordinates.
    auto at = [&](float u, float v) { return Vec{x + u * unit_, y + (v - 10.0f) * unit_}; };
    auto line = [&](std::initializer_list<Vec> design) {
        std::vector<Vec> pts;
        for (Vec d : design) pts.push_back(at(d.x, d.y));
        shape.addStroke(pts, stroke_);
    };
    auto curve = [&](std::initializer_list<Vec> design) {
        std::vector<Vec> pts;
        for (Vec d : design) pts.push_back(at(d.x, d.y));
        shape.addStroke(Coverage::smooth(pts, 6), stroke_);
    };
    auto ellipseArc = [&](float cu, float cv, float ru, float rv, float a0, float a1,
                          std::vector<Vec> before = {}) {
        std::vector<Vec> pts;
        for (Vec d : before) pts.push_back(at(d.x, d.y));
        for (Vec d : Coverage::arc(Vec{cu, cv}, ru, rv, a0, a1, 40)) pts.push_back(at(d.x, d.y));
        shape.addStroke(pts, stroke_);
    };
    switch (c) {
    case 'T':
        line({{0.0f, 0.0f}, {6.4f, 0.0f}});
        line({{3.2f, 0.0f}, {3.2f, 10.0f}});
        break;
    case 'r':
        line({{0.0f, 3.0f}, {0.0f, 10.0f}});
        curve({{0.0f, 6.2f}, {0.7f, 4.3f}, {2.1f, 3.2f}, {3.8f, 3.05f}});
        break;
    case 'e':
        ellipseArc(2.95f, 6.5f, 2.95f, 3.5f, 0.0f, -318.0f, {{0.0f, 6.5f}});
        break;
    case 'l':
        line({{0.0f, 0.0f}, {0.0f, 10.0f}});
        break;
    case 'i': {
        line({{0.0f, 3.0f}, {0.0f, 10.0f}});
        Vec dot = at(0.0f, 0.7f);
        shape.addEllipse(dot, stroke_ * 0.62f, stroke_ * 0.62f);
        break;
    }
    case 's':
        curve({{4.8f, 3.9f}, {3.6f, 3.1f}, {2.1f, 3.05f}, {0.7f, 3.6f}, {0.45f, 5.0f}, {1.7f, 6.2f},
               {3.5f, 6.75f}, {4.85f, 7.7f}, {4.8f, 9.2f}, {3.3f, 9.95f}, {1.6f, 9.95f}, {0.1f, 9.1f}});
        break;
    case 'o':
        ellipseArc(3.0f, 6.5f, 3.0f, 3.5f, 0.0f, 360.0f);
        break;
    default:
        break;
    }
}
