// The committed editor pictures: exactly the sizes the editor's layout
// needs, embedded under their ids, seamless on the background, with visible
// states, and identical to what the generator draws now.
#include "Artwork.h"
#include "Picture.h"
#include "Port.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;
using platform::Picture;
using platform::Rect;
using platform::Rgb;

namespace {

// What the editor needs of each picture. Handles: at most 20 wide, exactly
// 18 high; the background: at least 193 x 227 (checked separately).
struct Need {
    int id;
    int width;   // 0: see the id's own check
    int height;
};
constexpr Need kNeeds[] = {
    {128, 0, 0},    {129, 21, 122}, {130, 0, 18},   {131, 21, 122}, {132, 0, 18},  {133, 56, 625},
    {134, 71, 48},  {135, 40, 330}, {136, 21, 122}, {137, 0, 18},   {138, 71, 48},
};

// The editor's view rectangles (frame coordinates) that must lie on the
// background, and which picture shows in each.
struct View {
    int id;   // 0 for the value displays
    Rect rect;
};
constexpr View kViews[] = {
    {129, {71, 87, 92, 209}},   {0, {71, 215, 91, 227}},   {131, {123, 87, 144, 209}}, {0, {123, 215, 143, 227}},
    {133, {10, 83, 66, 208}},   {134, {55, 59, 126, 83}},  {135, {150, 107, 190, 217}}, {136, {97, 87, 118, 209}},
    {0, {97, 215, 117, 227}},   {138, {122, 59, 193, 83}},
};

std::vector<fs::path> filesFor(int id) {
    std::vector<fs::path> found;
    std::string prefix = std::to_string(id) + "-", exact = std::to_string(id) + ".png";
    for (auto const& entry : fs::directory_iterator(TRELLISOR_RESOURCES_DIR)) {
        std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".png") continue;
        if (name == exact || name.rfind(prefix, 0) == 0) found.push_back(entry.path());
    }
    return found;
}

std::unique_ptr<Picture> decodeFile(fs::path const& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty()) return nullptr;
    return Picture::decodePng(bytes.data(), bytes.size());
}

// The committed picture of an id; fails the test when it is missing.
std::unique_ptr<Picture> committed(int id) {
    auto files = filesFor(id);
    if (files.size() != 1) {
        ADD_FAILURE() << "expected exactly one file for picture " << id << " in " << TRELLISOR_RESOURCES_DIR
                      << ", found " << files.size();
        return nullptr;
    }
    auto picture = decodeFile(files[0]);
    if (!picture) ADD_FAILURE() << files[0] << " is not a readable PNG";
    return picture;
}

// Number of pixels in which the two differ; -1 when the sizes differ.
long difference(Picture const& a, Picture const& b) {
    if (a.width() != b.width() || a.height() != b.height()) return -1;
    long n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!(a.pixel(x, y) == b.pixel(x, y))) ++n;
    return n;
}

long difference(Picture const& a, Canvas const& b) {
    if (a.width() != b.width() || a.height() != b.height()) return -1;
    long n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!(a.pixel(x, y) == b.at(x, y))) ++n;
    return n;
}

// Pixels that differ between two equally sized areas of one picture.
long areaDifference(Picture const& p, int x0, int y0, int x1, int y1, int w, int h) {
    long n = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (!(p.pixel(x0 + x, y0 + y) == p.pixel(x1 + x, y1 + y))) ++n;
    return n;
}

} // namespace

TEST(PictureFiles, EachIdHasOneFileOfTheSizeTheLayoutNeeds) {
    for (Need const& need : kNeeds) {
        SCOPED_TRACE("picture " + std::to_string(need.id));
        auto p = committed(need.id);
        if (!p) continue;
        if (need.id == 128) {
            EXPECT_GE(p->width(), 193);
            EXPECT_GE(p->height(), 227);
            continue;
        }
        if (need.width == 0) EXPECT_LE(p->width(), 20) << "a handle is at most 20 wide";
        else EXPECT_EQ(p->width(), need.width);
        EXPECT_EQ(p->height(), need.height);
    }
}

TEST(PictureFiles, EveryViewOfTheLayoutLiesOnTheBackground) {
    auto bg = committed(128);
    ASSERT_TRUE(bg);
    for (View const& v : kViews) {
        EXPECT_GE(v.rect.left, 0);
        EXPECT_GE(v.rect.top, 0);
        EXPECT_LE(v.rect.right, bg->width()) << "view at x " << v.rect.left;
        EXPECT_LE(v.rect.bottom, bg->height()) << "view at y " << v.rect.top;
    }
}

TEST(PictureFiles, TheEmbeddedStoreServesTheCommittedPictures) {
    auto& store = platform::PictureStore::resources();
    for (Need const& need : kNeeds) {
        SCOPED_TRACE("picture " + std::to_string(need.id));
        Picture const* embedded = store.picture(need.id);
        ASSERT_NE(embedded, nullptr) << "not embedded into the binary";
        auto file = committed(need.id);
        ASSERT_TRUE(file);
        EXPECT_EQ(difference(*embedded, *file), 0);
    }
}

TEST(PictureFiles, AreWhatTheGeneratorDrawsNow) {
    Artwork art;
    for (Need const& need : kNeeds) {
        SCOPED_TRACE("picture " + std::to_string(need.id));
        auto file = committed(need.id);
        ASSERT_TRUE(file);
        EXPECT_EQ(difference(*file, art.render(need.id)), 0)
            << "resources/ is out of date: build the target update-pictures and commit the result";
    }
}

TEST(PictureFiles, TheGeneratorProgramWritesTheCommittedFiles) {
    fs::path dir = fs::temp_directory_path() / ("trellisor-art-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string command = std::string("\"") + TRELLISOR_MAKE_PICTURES + "\" --out \"" + dir.string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    for (Need const& need : kNeeds) {
        SCOPED_TRACE("picture " + std::to_string(need.id));
        auto files = filesFor(need.id);
        ASSERT_EQ(files.size(), 1u);
        fs::path written = dir / files[0].filename();
        ASSERT_TRUE(fs::exists(written)) << "the generator names the file differently: " << written;
        auto a = decodeFile(written);
        auto b = committed(need.id);
        ASSERT_TRUE(a && b);
        EXPECT_EQ(difference(*a, *b), 0);
    }
    std::string bogus = std::string("\"") + TRELLISOR_MAKE_PICTURES + "\" --bogus 2>/dev/null";
    EXPECT_NE(std::system(bogus.c_str()), 0) << "a usage error must not report success";
    fs::remove_all(dir);
}

// Control pictures start from the background under their rectangle, so the
// editor shows no seams: every corner pixel of every image equals the
// background there.
TEST(PictureLooks, ControlsSitSeamlesslyOnTheBackground) {
    auto bg = committed(128);
    ASSERT_TRUE(bg);
    struct Strip { int id; int images; };
    for (Strip s : {Strip{129, 1}, Strip{131, 1}, Strip{136, 1}, Strip{133, 5}, Strip{135, 3}, Strip{134, 2},
                    Strip{138, 2}}) {
        SCOPED_TRACE("picture " + std::to_string(s.id));
        auto p = committed(s.id);
        ASSERT_TRUE(p);
        Rect r{};
        for (View const& v : kViews)
            if (v.id == s.id) r = v.rect;
        int h = p->height() / s.images;
        for (int k = 0; k < s.images; ++k)
            for (auto [dx, dy] : {std::pair{0, 0}, std::pair{r.width() - 1, 0}, std::pair{0, h - 1},
                                  std::pair{r.width() - 1, h - 1}})
                EXPECT_EQ(p->pixel(dx, k * h + dy), bg->pixel(r.left + dx, r.top + dy))
                    << "image " << k << " pixel (" << dx << ", " << dy << ")";
    }
}

// The Win Type button is drawn after keepfreqs and covers its columns 67-70
// (frame columns 122-125): keepfreqs must keep its face out of them, and
// Win Type shows plain background there, so neither face is cut.
TEST(PictureLooks, TheOverlapOfTheTwoButtonsIsPlainBackground) {
    auto bg = committed(128);
    auto keep = committed(134);
    auto win = committed(138);
    ASSERT_TRUE(bg && keep && win);
    for (int row = 0; row < 48; ++row)
        for (int col = 0; col < 4; ++col) {
            EXPECT_EQ(keep->pixel(67 + col, row), bg->pixel(122 + col, 59 + row % 24)) << "keepfreqs row " << row;
            EXPECT_EQ(win->pixel(col, row), bg->pixel(122 + col, 59 + row % 24)) << "Win Type row " << row;
        }
}

TEST(PictureLooks, EveryStateOfASwitchOrButtonLooksDifferent) {
    struct Strip { int id; int images; };
    for (Strip s : {Strip{133, 5}, Strip{135, 3}, Strip{134, 2}, Strip{138, 2}}) {
        SCOPED_TRACE("picture " + std::to_string(s.id));
        auto p = committed(s.id);
        ASSERT_TRUE(p);
        int h = p->height() / s.images;
        for (int a = 0; a < s.images; ++a)
            for (int b = a + 1; b < s.images; ++b)
                // A state change must be plain to see, not a few stray pixels.
                EXPECT_GT(areaDifference(*p, 0, a * h, 0, b * h, p->width(), h), 100)
                    << "images " << a << " and " << b;
    }
}

// The slider draws its handle leaving out pure white: the handle's body must
// have none, or holes show the track through it; and the handle must stay
// inside the 21-pixel track when drawn one pixel in from its left edge.
TEST(PictureLooks, HandlesAreSolidWhereTheyAreDrawn) {
    for (int id : {130, 132, 137}) {
        SCOPED_TRACE("picture " + std::to_string(id));
        auto p = committed(id);
        ASSERT_TRUE(p);
        EXPECT_LE(1 + p->width(), 21);
        long opaque = 0;
        for (int y = 0; y < p->height(); ++y)
            for (int x = 0; x < p->width(); ++x)
                if (!(p->pixel(x, y) == platform::kWhite)) ++opaque;
        EXPECT_GT(opaque, long(p->width()) * p->height() * 3 / 4);
        for (int y = 1; y < 16; ++y)
            for (int x = 1; x + 1 < p->width(); ++x)
                EXPECT_FALSE(p->pixel(x, y) == platform::kWhite) << "hole at (" << x << ", " << y << ")";
    }
}
