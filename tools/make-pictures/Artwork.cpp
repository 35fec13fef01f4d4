#include "Artwork.h"

#include "Coverage.h"
#include "PixelFont.h"
#include "TitleFont.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

using platform::Rect;
using platform::Rgb;

namespace {

// Palette.
constexpr Rgb kPanelTop{54, 58, 65};
constexpr Rgb kPanelBottom{37, 40, 46};
constexpr Rgb kHeaderTop{33, 36, 41};
constexpr Rgb kHeaderBottom{24, 26, 30};
constexpr Rgb kRim{10, 11, 13};
constexpr Rgb kEdgeLight{78, 83, 92};
constexpr Rgb kLabel{166, 172, 181};
constexpr Rgb kLabelDim{108, 114, 123};
constexpr Rgb kAccent{84, 222, 208};
constexpr Rgb kAccentBright{168, 255, 246};
constexpr Rgb kAccentDim{58, 150, 141};
constexpr Rgb kScreenTop{17, 20, 24};
constexpr Rgb kScreenBottom{11, 13, 16};

// The editor's control rectangles, frame coordinates.
constexpr Rect kFreqNudgeSlider{71, 87, 92, 209};
constexpr Rect kRegenSlider{123, 87, 144, 209};
constexpr Rect kThreshSlider{97, 87, 118, 209};
constexpr Rect kTypeSwitch{10, 83, 66, 208};
constexpr Rect kKeepFreqsButton{55, 59, 126, 83};
constexpr Rect kSizeSwitch{150, 107, 190, 217};
constexpr Rect kWinTypeButton{122, 59, 193, 83};
constexpr Rect kDisplays[3] = {{71, 215, 91, 227}, {97, 215, 117, 227}, {123, 215, 143, 227}};

constexpr int kTypeImages = 5, kTypeImageHeight = 125;
constexpr int kSizeImages = 3, kSizeImageHeight = 110;
constexpr int kHandleWidth = 19, kHandleHeight = 18;
constexpr int kHandleRange = 104;   // slider travel: handle top from row 0 to row 104

float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

// A soft halo around a light: alpha falls from peak at the centre to 0 at r.
void glow(Canvas& c, Vec centre, float radius, Rgb colour, float peak) {
    int x0 = int(std::floor(centre.x - radius)), x1 = int(std::ceil(centre.x + radius));
    int y0 = int(std::floor(centre.y - radius)), y1 = int(std::ceil(centre.y + radius));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            float dx = float(x) + 0.5f - centre.x, dy = float(y) + 0.5f - centre.y;
            float d = std::sqrt(dx * dx + dy * dy) / radius;
            if (d < 1.0f) c.blend(x, y, colour, peak * (1.0f - d) * (1.0f - d));
        }
}

Rect around(Vec centre, float r) {
    return Rect{int(std::floor(centre.x - r)) - 1, int(std::floor(centre.y - r)) - 1,
                int(std::ceil(centre.x + r)) + 1, int(std::ceil(centre.y + r)) + 1};
}

Rect around(float l, float t, float r, float b) {
    return Rect{int(std::floor(l)) - 1, int(std::floor(t)) - 1, int(std::ceil(r)) + 1, int(std::ceil(b)) + 1};
}

// A round indicator light, lit or dark.
void led(Canvas& c, Vec centre, float r, bool lit) {
    Coverage rim(around(centre, r + 1.5f));
    rim.addEllipse(centre, r + 0.9f, r + 0.9f);
    c.paint(rim, kRim, 0.9f);
    if (lit) glow(c, centre, r * 3.2f, kAccent, 0.45f);
    Coverage body(around(centre, r + 1.0f));
    body.addEllipse(centre, r, r);
    if (lit)
        c.paintGradient(body, centre.y - r, kAccentBright, centre.y + r, Rgb{52, 196, 182});
    else
        c.paintGradient(body, centre.y - r, Rgb{74, 79, 86}, centre.y + r, Rgb{38, 41, 46});
    Coverage spark(around(Vec{centre.x - r * 0.35f, centre.y - r * 0.4f}, r * 0.5f));
    spark.addEllipse(Vec{centre.x - r * 0.3f, centre.y - r * 0.38f}, r * 0.38f, r * 0.3f);
    c.paint(spark, Rgb{255, 255, 254}, lit ? 0.75f : 0.22f);
}

// A raised key face with a dark rim (lit: pressed in and tinted).
void keyFace(Canvas& c, float l, float t, float r, float b, float radius, bool lit) {
    Coverage rim(around(l - 1.0f, t - 1.0f, r + 1.0f, b + 1.0f));
    rim.addRoundRect(l - 1.0f, t - 1.0f, r + 1.0f, b + 1.0f, radius + 1.0f);
    c.paint(rim, kRim);
    Coverage shine(around(l, b, r, b + 2.0f));
    shine.addRoundRect(l, b, r, b + 1.6f, 0.8f);
    c.paint(shine, kEdgeLight, 0.45f);
    Coverage face(around(l, t, r, b));
    face.addRoundRect(l, t, r, b, radius);
    if (lit) {
        c.paintGradient(face, t, Rgb{30, 36, 40}, b, Rgb{42, 54, 57});
    } else {
        c.paintGradient(face, t, Rgb{80, 85, 93}, b, Rgb{52, 55, 62});
        Coverage top(around(l, t, r, t + 1.0f));
        top.addRoundRect(l + 1.0f, t, r - 1.0f, t + 1.0f, 0.5f);
        c.paint(top, Rgb{118, 124, 133}, 0.7f);
    }
}

// One period of each wave type, as points (u in 0..1, value -1..1); jumps
// are vertical segments.
std::vector<Vec> wavePeriod(int type) {
    std::vector<Vec> p;
    constexpr int kSteps = 24;
    constexpr float kTwoPi = 6.28318531f;
    switch (type) {
    case 0:
        for (int i = 0; i <= kSteps; ++i) {
            float u = float(i) / kSteps;
            p.push_back({u, std::sin(kTwoPi * u)});
        }
        break;
    case 1:
        p = {{0.0f, 0.0f}, {0.25f, 1.0f}, {0.75f, -1.0f}, {1.0f, 0.0f}};
        break;
    case 2:
        p = {{0.0f, 1.0f}, {1.0f, -1.0f}, {1.0f, 1.0f}};
        break;
    case 3:
        p = {{0.0f, 1.0f}, {0.5f, 1.0f}, {0.5f, -1.0f}, {1.0f, -1.0f}, {1.0f, 1.0f}};
        break;
    default:
        for (int i = 0; i <= kSteps / 2; ++i) {
            float u = float(i) / kSteps;
            p.push_back({u, std::sin(kTwoPi * u)});
        }
        p.push_back({0.5f, -1.0f});
        p.push_back({1.0f, -1.0f});
        p.push_back({1.0f, 0.0f});
        break;
    }
    return p;
}

// Two periods of a wave type across [x0, x1], centred on yc.
std::vector<Vec> waveform(int type, float x0, float x1, float yc, float amplitude) {
    std::vector<Vec> out;
    float period = (x1 - x0) * 0.5f;
    for (int k = 0; k < 2; ++k) {
        auto one = wavePeriod(type);
        if (k == 1 && type == 2) one.insert(one.begin(), Vec{0.0f, 1.0f});
        for (std::size_t i = 0; i < one.size(); ++i) {
            // The last point of a period's closing jump ends the drawing.
            if (k == 1 && i + 1 == one.size() && (type == 2 || type == 3)) break;
            Vec v = one[i];
            Vec pt{x0 + (float(k) + v.x) * period, yc - v.y * amplitude};
            if (!out.empty() && out.back().x == pt.x && out.back().y == pt.y) continue;
            out.push_back(pt);
        }
    }
    return out;
}

void strokeInto(Canvas& c, std::vector<Vec> const& path, float width, Rgb colour, float opacity) {
    float minX = path[0].x, maxX = path[0].x, minY = path[0].y, maxY = path[0].y;
    for (Vec p : path) {
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
    float h = width * 0.5f + 1.0f;
    Coverage line(around(minX - h, minY - h, maxX + h, maxY + h));
    line.addStroke(path, width);
    c.paint(line, colour, opacity);
}

// A thin engraved rule: dark line with a light one below.
void rule(Canvas& c, int x0, int x1, int y) {
    if (x1 <= x0) return;
    c.fill(Rect{x0, y, x1, y + 1}, Rgb{20, 22, 26});
    c.fill(Rect{x0, y + 1, x1, y + 2}, Rgb{72, 77, 85});
}

// A label with a one-pixel drop shadow.
void label(Canvas& c, PixelFont const& font, float cx, int y, char const* text, Rgb colour) {
    font.drawCentred(c, cx, y + 1, text, Rgb{8, 9, 11}, 0.55f);
    font.drawCentred(c, cx, y, text, colour);
}

} // namespace

std::vector<PictureInfo> const& Artwork::pictures() {
    static const std::vector<PictureInfo> list = {
        {128, "background", kWidth, kHeight},
        {129, "freqnudge-track", 21, 122},
        {130, "freqnudge-handle", kHandleWidth, kHandleHeight},
        {131, "regen-track", 21, 122},
        {132, "regen-handle", kHandleWidth, kHandleHeight},
        {133, "wavetype-switch", 56, kTypeImages * kTypeImageHeight},
        {134, "keepfreqs-button", 71, 48},
        {135, "fftsize-switch", 40, kSizeImages * kSizeImageHeight},
        {136, "thresh-track", 21, 122},
        {137, "thresh-handle", kHandleWidth, kHandleHeight},
        {138, "wintype-button", 71, 48},
    };
    return list;
}

Artwork::Artwork() : panel_(kWidth, kHeight, kPanelBottom) {
    Canvas& c = panel_;
    PixelFont small(PixelFont::kSmall);

    c.gradient(c.bounds(), kPanelTop, kPanelBottom);
    c.grain(c.bounds(), 1, 2, 0.7f);

    // Header band with the product name and its mark.
    Rect header{0, 0, kWidth, 47};
    c.gradient(header, kHeaderTop, kHeaderBottom);
    c.grain(header, 2, 2, 0.5f);
    c.fill(Rect{0, 47, kWidth, 48}, Rgb{12, 13, 15});
    c.fill(Rect{0, 48, kWidth, 49}, Rgb{76, 81, 89});

    TitleFont title(1.42f, 1.8f);
    Coverage shadow(Rect{6, 6, 120, 40});
    title.add(shadow, 12.0f, 28.0f, "Trellisor");
    c.paint(shadow, Rgb{0, 0, 0}, 0.6f);
    Coverage name(Rect{6, 6, 120, 40});
    title.add(name, 12.0f, 27.0f, "Trellisor");
    c.paintGradient(name, 12.0f, Rgb{246, 248, 251}, 27.0f, Rgb{196, 202, 210});
    small.draw(c, 13, 33, "SPECTRAL RESYNTHESIS", kAccentDim);

    // The mark: a trellis, a diamond lattice with lit crossings.
    Vec m{180.5f, 23.5f};
    float half = 13.0f;
    Coverage outline(Rect{164, 7, 198, 41});
    auto diamond = [&](float s) {
        return std::vector<Vec>{{m.x, m.y - s}, {m.x + s, m.y}, {m.x, m.y + s}, {m.x - s, m.y}, {m.x, m.y - s}};
    };
    outline.addStroke(diamond(half), 1.5f);
    for (float a : {-half / 3.0f, half / 3.0f}) {
        // Lines u = a and v = a of the rotated grid, u = dx + dy, v = dx - dy.
        outline.addStroke({{m.x + (a - half) * 0.5f, m.y + (a + half) * 0.5f},
                           {m.x + (a + half) * 0.5f, m.y + (a - half) * 0.5f}},
                          1.0f);
        outline.addStroke({{m.x + (a - half) * 0.5f, m.y - (a + half) * 0.5f},
                           {m.x + (a + half) * 0.5f, m.y + (half - a) * 0.5f}},
                          1.0f);
    }
    c.paint(outline, kAccentDim);
    for (float a : {-half / 3.0f, half / 3.0f})
        for (float b : {-half / 3.0f, half / 3.0f}) {
            Vec p{m.x + (a + b) * 0.5f, m.y + (a - b) * 0.5f};
            glow(c, p, 3.5f, kAccent, 0.35f);
            Coverage dot(around(p, 2.0f));
            dot.addEllipse(p, 1.1f, 1.1f);
            c.paint(dot, kAccentBright);
        }

    // Wave section title over the wave-type switch.
    label(c, small, 12.0f + float(small.width("WAVE")) * 0.5f, 69, "WAVE", kLabel);
    rule(c, 12 + small.width("WAVE") + 4, 53, 71);

    // FFT size section title over its switch, and the unit under it.
    float sizeCentre = float(kSizeSwitch.left + kSizeSwitch.right) * 0.5f;
    label(c, small, sizeCentre, 96, "FFT SIZE", kLabel);
    rule(c, kSizeSwitch.left, kSizeSwitch.left + 4, 98);
    rule(c, kSizeSwitch.right - 4, kSizeSwitch.right, 98);
    label(c, small, sizeCentre, 223, "POINTS", kLabelDim);

    // The recessed bay of the three sliders, their displays and names.
    float bl = 67.5f, bt = 85.0f, br = 148.0f, bb = 246.0f;
    Coverage bayLight(around(bl, bt, br, bb + 1.0f));
    bayLight.addRoundRect(bl, bt + 1.0f, br, bb + 1.0f, 4.0f);
    c.paint(bayLight, kEdgeLight, 0.5f);
    Coverage bayRim(around(bl, bt, br, bb));
    bayRim.addRoundRect(bl, bt, br, bb, 4.0f);
    c.paint(bayRim, Rgb{14, 15, 18}, 0.9f);
    Coverage bay(around(bl, bt, br, bb));
    bay.addRoundRect(bl + 1.0f, bt + 1.0f, br - 1.0f, bb - 1.0f, 3.0f);
    c.paintGradient(bay, bt, Rgb{30, 33, 38}, bb, Rgb{40, 43, 49});
    c.grain(Rect{69, 87, 147, 245}, 3, 1, 0.6f);

    for (Rect d : kDisplays) {
        c.fill(Rect{d.left - 1, d.top - 1, d.right + 1, d.bottom + 1}, Rgb{8, 9, 11});
        c.fill(Rect{d.left - 1, d.bottom + 1, d.right + 1, d.bottom + 2}, kEdgeLight);
        c.fill(d, Rgb{0, 0, 0});
    }
    float nudgeCentre = float(kFreqNudgeSlider.left + kFreqNudgeSlider.right) * 0.5f;
    float threshCentre = float(kThreshSlider.left + kThreshSlider.right) * 0.5f;
    float regenCentre = float(kRegenSlider.left + kRegenSlider.right) * 0.5f;
    label(c, small, nudgeCentre, 232, "FREQ", kLabel);
    label(c, small, nudgeCentre, 238, "NUDGE", kLabel);
    label(c, small, threshCentre, 235, "THRESH", kLabel);
    label(c, small, regenCentre, 235, "REGEN", kLabel);

    // The maker's name and the corner screws.
    small.draw(c, 12, 238, "KESTOVA", kLabelDim);
    for (Vec s : {Vec{6.5f, 6.5f}, Vec{196.5f, 6.5f}, Vec{6.5f, 243.5f}, Vec{196.5f, 243.5f}}) {
        Coverage hole(around(s, 3.5f));
        hole.addEllipse(s, 3.0f, 3.0f);
        c.paint(hole, kRim, 0.8f);
        Coverage head(around(s, 3.0f));
        head.addEllipse(s, 2.3f, 2.3f);
        c.paintGradient(head, s.y - 2.3f, Rgb{120, 126, 134}, s.y + 2.3f, Rgb{62, 66, 73});
        Coverage slot(around(s, 3.0f));
        slot.addStroke({{s.x - 1.5f, s.y + 1.0f}, {s.x + 1.5f, s.y - 1.0f}}, 0.8f);
        c.paint(slot, Rgb{30, 32, 36});
    }
}

Canvas Artwork::background() const { return panel_.crop(panel_.bounds()); }

Canvas Artwork::sliderTrack(Rect const& at) const {
    Canvas c = panel_.crop(at);
    // Tick marks at the handle's centre line for every tenth of the range.
    for (int k = 0; k <= 10; ++k) {
        int top = int(float(k) / 10.0f * float(kHandleRange));
        int y = top + 8;
        bool major = k % 5 == 0;
        Rgb ink = major ? Rgb{150, 156, 166} : Rgb{96, 102, 112};
        c.fill(Rect{major ? 2 : 3, y, 7, y + 1}, ink);
        c.fill(Rect{14, y, major ? 19 : 18, y + 1}, ink);
    }
    // The slot the handle runs in.
    Coverage light(Rect{7, 2, 14, 121});
    light.addRoundRect(9.0f, 5.0f, 12.6f, 118.6f, 1.8f);
    c.paint(light, kEdgeLight, 0.5f);
    Coverage slot(Rect{7, 2, 14, 121});
    slot.addRoundRect(9.0f, 4.0f, 12.0f, 118.0f, 1.5f);
    c.paint(slot, Rgb{5, 6, 7});
    return c;
}

Canvas Artwork::sliderHandle(Rect const& at) const {
    // Composed over the track's colour beside the slot, then everything the
    // cap does not cover becomes the transparent white.
    Canvas track = sliderTrack(at);
    Rgb under = track.at(1, 60);
    Canvas tmp(kHandleWidth, kHandleHeight, under);
    Rect all = tmp.bounds();
    Coverage cap(all);
    cap.addRoundRect(0.0f, 0.0f, float(kHandleWidth), 17.0f, 2.6f);
    Coverage shade(all);
    shade.addRoundRect(1.0f, 2.0f, float(kHandleWidth) - 1.0f, 18.0f, 2.6f);
    tmp.paint(shade, Rgb{0, 0, 0}, 0.45f);
    tmp.paint(cap, Rgb{14, 15, 18});
    Coverage face(all);
    face.addRoundRect(1.0f, 1.0f, float(kHandleWidth) - 1.0f, 16.0f, 1.9f);
    tmp.paintGradient(face, 1.0f, Rgb{222, 226, 231}, 16.0f, Rgb{120, 125, 133});
    // Grip grooves and the centre line.
    for (int y : {3, 5, 11, 13}) {
        tmp.fill(Rect{3, y, kHandleWidth - 3, y + 1}, Rgb{84, 88, 95});
        tmp.fill(Rect{3, y + 1, kHandleWidth - 3, y + 2}, Rgb{236, 238, 241});
    }
    tmp.fill(Rect{1, 8, kHandleWidth - 1, 9}, Rgb{16, 118, 110});

    Canvas out(kHandleWidth, kHandleHeight, platform::kWhite);
    for (int y = 0; y < kHandleHeight; ++y)
        for (int x = 0; x < kHandleWidth; ++x) {
            bool covered = cap.at(x, y) > 0.0f || shade.at(x, y) > 0.15f;
            if (!covered) continue;
            Rgb p = tmp.at(x, y);
            if (p == platform::kWhite) p = Rgb{254, 254, 254};
            out.set(x, y, p);
        }
    return out;
}

Canvas Artwork::waveSwitch() const {
    Canvas strip(kTypeSwitch.width(), kTypeImages * kTypeImageHeight, platform::kBlack);
    for (int k = 0; k < kTypeImages; ++k) {
        Canvas c = panel_.crop(kTypeSwitch);
        // The screen holding the five waveforms.
        Coverage shine(Rect{11, 0, 56, 125});
        shine.addRoundRect(12.0f, 1.0f, 55.0f, 125.0f, 3.5f);
        c.paint(shine, kEdgeLight, 0.45f);
        Coverage rim(Rect{11, 0, 56, 125});
        rim.addRoundRect(12.0f, 0.0f, 55.0f, 124.0f, 3.5f);
        c.paint(rim, kRim);
        Coverage screen(Rect{11, 0, 56, 125});
        screen.addRoundRect(13.0f, 1.0f, 54.0f, 123.0f, 2.5f);
        c.paintGradient(screen, 1.0f, kScreenTop, 123.0f, kScreenBottom);
        for (int j = 1; j < kTypeImages; ++j) c.fill(Rect{14, 25 * j, 53, 25 * j + 1}, Rgb{30, 34, 40});

        Coverage row(Rect{13, 25 * k, 54, 25 * k + 25});
        row.addRoundRect(14.5f, float(25 * k) + 2.0f, 52.5f, float(25 * k) + 23.0f, 2.0f);
        c.paint(row, kAccent, 0.1f);

        for (int j = 0; j < kTypeImages; ++j) {
            float yc = float(25 * j) + 12.5f;
            bool on = j == k;
            led(c, Vec{6.0f, yc}, 2.4f, on);
            auto path = waveform(j, 19.0f, 48.5f, yc, 6.0f);
            if (on) {
                strokeInto(c, path, 4.0f, kAccent, 0.2f);
                strokeInto(c, path, 1.4f, kAccentBright, 1.0f);
            } else {
                strokeInto(c, path, 1.2f, Rgb{112, 119, 129}, 1.0f);
            }
        }
        strip.place(c, 0, k * kTypeImageHeight);
    }
    return strip;
}

Canvas Artwork::sizeSwitch() const {
    PixelFont digits(PixelFont::kDigits);
    char const* names[kSizeImages] = {"256", "512", "1024"};
    Canvas strip(kSizeSwitch.width(), kSizeImages * kSizeImageHeight, platform::kBlack);
    for (int k = 0; k < kSizeImages; ++k) {
        Canvas c = panel_.crop(kSizeSwitch);
        for (int j = 0; j < kSizeImages; ++j) {
            // Key j answers clicks in rows [j * 110 / 3, (j + 1) * 110 / 3).
            float top = float(j) * float(kSizeImageHeight) / 3.0f;
            float bottom = float(j + 1) * float(kSizeImageHeight) / 3.0f;
            bool on = j == k;
            keyFace(c, 3.0f, top + 3.0f, 37.0f, bottom - 3.0f, 3.0f, on);
            int barY = int(top + 10.0f);
            if (on) {
                glow(c, Vec{20.0f, float(barY) + 1.0f}, 9.0f, kAccent, 0.35f);
                c.fill(Rect{13, barY, 27, barY + 2}, kAccentBright);
            } else {
                c.fill(Rect{13, barY, 27, barY + 2}, Rgb{28, 31, 35});
            }
            int textY = barY + 7;
            if (on) digits.drawCentred(c, 20.0f, textY + 1, names[j], Rgb{0, 0, 0}, 0.5f);
            else digits.drawCentred(c, 20.0f, textY + 1, names[j], Rgb{24, 26, 30}, 0.6f);
            digits.drawCentred(c, 20.0f, textY, names[j], on ? kAccentBright : Rgb{196, 201, 208});
        }
        strip.place(c, 0, k * kSizeImageHeight);
    }
    return strip;
}

Canvas Artwork::button(Rect const& at, char const* text, int faceLeft) const {
    PixelFont small(PixelFont::kSmall);
    Canvas strip(at.width(), 48, platform::kBlack);
    for (int state = 0; state < 2; ++state) {
        bool on = state == 1;
        Canvas c = panel_.crop(at);
        float l = float(faceLeft), r = float(faceLeft + 62);
        keyFace(c, l, 3.0f, r, 21.0f, 3.0f, on);
        led(c, Vec{l + 8.0f, 12.0f}, 2.3f, on);
        int tx = faceLeft + 16;
        small.draw(c, tx, 11, text, Rgb{0, 0, 0}, 0.5f);
        small.draw(c, tx, 10, text, on ? kAccentBright : Rgb{200, 205, 212});
        strip.place(c, 0, state * 24);
    }
    return strip;
}

Canvas Artwork::render(int id) const {
    switch (id) {
    case 128: return background();
    case 129: return sliderTrack(kFreqNudgeSlider);
    case 130: return sliderHandle(kFreqNudgeSlider);
    case 131: return sliderTrack(kRegenSlider);
    case 132: return sliderHandle(kRegenSlider);
    case 133: return waveSwitch();
    case 134: return button(kKeepFreqsButton, "KEEP FREQS", 2);
    case 135: return sizeSwitch();
    case 136: return sliderTrack(kThreshSlider);
    case 137: return sliderHandle(kThreshSlider);
    case 138: return button(kWinTypeButton, "WINDOW", 5);
    default: return Canvas(0, 0, platform::kBlack);
    }
}

Canvas Artwork::preview(float const values[7]) const {
    Canvas c = background();
    PixelFont small(PixelFont::kSmall);
    struct Slider { Rect rect; int track, handle, display; float value; char const* (*text)(float, char*); };
    auto percent = [](float v, char* buf) -> char const* { std::snprintf(buf, 16, "%d%%", int(v * 100.0f)); return buf; };
    auto detune = [](float v, char* buf) -> char const* { std::snprintf(buf, 16, "%1.2f", double(v) - 0.5); return buf; };
    Slider sliders[3] = {{kFreqNudgeSlider, 129, 130, 0, values[0], detune},
                         {kRegenSlider, 131, 132, 2, values[1], percent},
                         {kThreshSlider, 136, 137, 1, values[5], percent}};
    for (auto const& s : sliders) {
        c.place(render(s.track), s.rect.left, s.rect.top);
        int top = int((1.0f - clamp01(s.value)) * float(kHandleRange));
        c.placeTransparent(render(s.handle), s.rect.left + 1, s.rect.top + top);
        char buf[16];
        Rect d = kDisplays[s.display];
        c.fill(d, platform::kBlack);
        small.drawCentred(c, float(d.left + d.right) * 0.5f, d.top + 4, s.text(s.value, buf), platform::kWhite);
    }
    auto switchImage = [&](int id, Rect r, int images, int height, float v) {
        int index = int(clamp01(v) * float(images - 1) + 0.5f);
        c.placeArea(render(id), Rect{0, index * height, r.width(), index * height + height}, r.left, r.top);
    };
    switchImage(133, kTypeSwitch, kTypeImages, kTypeImageHeight, values[2]);
    switchImage(135, kSizeSwitch, kSizeImages, kSizeImageHeight, values[4]);
    auto buttonImage = [&](int id, Rect r, float v) {
        int row = v == 0.0f ? 0 : 24;
        c.placeArea(render(id), Rect{0, row, r.width(), row + 24}, r.left, r.top);
    };
    buttonImage(134, kKeepFreqsButton, values[3]);
    buttonImage(138, kWinTypeButton, values[6]);
    return c;
}

Canvas enlarge(Canvas const& src, int factor) {
    Canvas out(src.width() * factor, src.height() * factor, platform::kBlack);
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x)
            out.fill(Rect{x * factor, y * factor, x * factor + factor, y * factor + factor}, src.at(x, y));
    return out;
}
