// The picture store over embedded PNG data, and the PNG writer.
#include "Picture.h"
#include "Port.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace platform {
EmbeddedPicture const* testPictures(std::size_t& count);
}

using namespace platform;

namespace {

PictureStore& fixtures() {
    static PictureStore store = [] {
        std::size_t count = 0;
        EmbeddedPicture const* table = testPictures(count);
        return PictureStore(table, count);
    }();
    return store;
}

} // namespace

TEST(Pictures, FixturesAreEmbedded) {
    std::size_t count = 0;
    EmbeddedPicture const* table = testPictures(count);
    ASSERT_EQ(count, 3u) << "the PNG fixtures in tests/platform/fixtures are missing";
    EXPECT_EQ(table[0].id, 201);
    EXPECT_GT(table[0].size, 8u);
}

TEST(Pictures, DecodesPixelsAndFrame) {
    Picture const* p = fixtures().picture(201);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->frame(), (Rect{0, 0, 5, 4}));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(p->pixel(x, y), (Rgb{uint8_t(x * 50), uint8_t(y * 60), uint8_t(10 + x + y * 5)}))
                << x << "," << y;
    EXPECT_EQ(fixtures().picture(201), p) << "decoded once and kept";
}

TEST(Pictures, TransparencyIsCompositedOverWhite) {
    Picture const* p = fixtures().picture(202);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->pixel(0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(p->pixel(1, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(p->pixel(2, 0), (Rgb{127, 127, 127}));
}

TEST(Pictures, MissingOrBrokenPicturesAnswerNone) {
    EXPECT_EQ(fixtures().picture(128), nullptr);
    EXPECT_EQ(fixtures().picture(-1), nullptr);
    EXPECT_EQ(fixtures().picture(203), nullptr) << "truncated PNG";
    EXPECT_EQ(fixtures().picture(203), nullptr);
    EXPECT_EQ(PictureStore::resources().picture(-7), nullptr);
    EXPECT_EQ(Picture::decodePng(nullptr, 0), nullptr);
    unsigned char junk[64] = {0x89, 'P', 'N', 'G'};
    EXPECT_EQ(Picture::decodePng(junk, sizeof junk), nullptr);
    PictureStore empty(nullptr, 0);
    EXPECT_EQ(empty.picture(201), nullptr);
}

TEST(Pictures, DrawPicturePlacesItsPixelsCutToThePort) {
    Picture const* p = fixtures().picture(201);
    ASSERT_NE(p, nullptr);
    std::unique_ptr<Port> port(Port::newWorld(6, 6));
    port->setClip(Rect{});   // pictures are not clipped
    port->drawPicture(*p, Point{2, 3});
    EXPECT_EQ(port->getPixel(2, 3), p->pixel(0, 0));
    EXPECT_EQ(port->getPixel(5, 5), p->pixel(3, 2));
    EXPECT_EQ(port->getPixel(1, 3), (Rgb{255, 255, 255}));
    port->drawPicture(*p, Point{-3, -2});
    EXPECT_EQ(port->getPixel(0, 0), p->pixel(3, 2));
}

TEST(Pictures, SavePngRoundTrip) {
    std::unique_ptr<Port> port(Port::newWorld(7, 3));
    for (int x = 0; x < 7; ++x)
        port->setPixel(x, 1, Rgb{uint8_t(x * 30), uint8_t(255 - x), 9});
    std::string path = "/tmp/trellisor-platform-" + std::to_string(getpid()) + ".png";
    ASSERT_TRUE(savePng(*port, path.c_str()));
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(path.c_str());
    std::unique_ptr<Picture> back = Picture::decodePng(bytes.data(), bytes.size());
    ASSERT_TRUE(back);
    ASSERT_EQ(back->frame(), port->bounds());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(back->pixel(x, y), port->getPixel(x, y));
    EXPECT_FALSE(savePng(*port, "/nonexistent-dir/x.png"));
    EXPECT_FALSE(savePng(*port, nullptr));
}
