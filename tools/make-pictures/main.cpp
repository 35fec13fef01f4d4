// trellisor-make-pictures: draws the editor's pictures and writes them as
// PNG files, one per id, named <id>-<name>.png.
//
//   trellisor-make-pictures --out DIR          the eleven pictures into DIR
//   trellisor-make-pictures --preview FILE     the whole editor, composed
//       [--zoom N]                             enlarged N times (1 to 8)
//       [--values a,b,c,d,e,f,g]               control values 0..1 in the
//                                              order FreqNudge, Regen, Type,
//                                              keepfreqs, FFT Size, Thresh,
//                                              Win Type
// Both may be given together. Exit status 0 on success, 1 when a file cannot
// be written, 2 for a usage error.
#include "Artwork.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: trellisor-make-pictures [--out DIR] [--preview FILE [--zoom N] "
                 "[--values a,b,c,d,e,f,g]]\n");
    return 2;
}

bool parseValues(char const* text, float values[7]) {
    for (int i = 0; i < 7; ++i) {
        char* end = nullptr;
        float v = std::strtof(text, &end);
        if (end == text || v < 0.0f || v > 1.0f) return false;
        values[i] = v;
        text = end;
        if (i < 6) {
            if (*text != ',') return false;
            ++text;
        }
    }
    return *text == '\0';
}

} // namespace

int main(int argc, char** argv) {
    std::string out, preview;
    int zoom = 1;
    // The effect's defaults, Win Type shown on.
    float values[7] = {0.5f, 0.25f, 0.0f, 0.0f, 0.0f, 0.85f, 1.0f};
    for (int i = 1; i < argc; ++i) {
        auto arg = [&](char const* name) { return std::strcmp(argv[i], name) == 0 && i + 1 < argc; };
        if (arg("--out")) {
            out = argv[++i];
        } else if (arg("--preview")) {
            preview = argv[++i];
        } else if (arg("--zoom")) {
            zoom = std::atoi(argv[++i]);
            if (zoom < 1 || zoom > 8) return usage();
        } else if (arg("--values")) {
            if (!parseValues(argv[++i], values)) return usage();
        } else {
            return usage();
        }
    }
    if (out.empty() && preview.empty()) return usage();

    Artwork art;
    if (!out.empty()) {
        for (PictureInfo const& p : Artwork::pictures()) {
            std::string path = out + "/" + std::to_string(p.id) + "-" + p.name + ".png";
            if (!art.render(p.id).save(path)) {
                std::fprintf(stderr, "trellisor-make-pictures: cannot write %s\n", path.c_str());
                return 1;
            }
        }
    }
    if (!preview.empty()) {
        Canvas picture = art.preview(values);
        if (zoom > 1) picture = enlarge(picture, zoom);
        if (!picture.save(preview)) {
            std::fprintf(stderr, "trellisor-make-pictures: cannot write %s\n", preview.c_str());
            return 1;
        }
    }
    return 0;
}
