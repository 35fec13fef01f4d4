// Bitmaps: loading by id, reference counts and the three copy modes with
// offsets, masks and source areas that reach outside the bitmap.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

#include "CBitmap.h"
#include "COffscreenContext.h"
#include "Picture.h"
#include "ToolkitFixture.h"

namespace {

// Pixel (x, y) of the test pattern: distinct everywhere, never white.
platform::Rgb patternAt(int x, int y) {
    return platform::Rgb{uint8_t(x * 8), uint8_t(y * 8), 100};
}

class BitmapTest : public HeadlessTest {
protected:
    void TearDown() override {
        CBitmap::setPictureStore(nullptr);
        platform::Port::setWorldPixelLimit(0);
        HeadlessTest::TearDown();
    }

    // A bitmap of w x h filled with patternAt.
    CBitmap* patterned(int w, int h) {
        auto* b = new CBitmap(frame, w, h);
        platform::Port* world = static_cast<platform::Port*>(b->getHandle());
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) world->setPixel(x, y, patternAt(x, y));
        return b;
    }
    static platform::Port& portOf(CDrawContext& c) { return *static_cast<platform::Port*>(c.getPort()); }

    CFrame frame{CRect(0, 0, 10, 10), nullptr, nullptr};
};

TEST_F(BitmapTest, MissingPictureGivesAnEmptyBitmapThatDrawsNothing) {
    platform::PictureStore empty(nullptr, 0);
    CBitmap::setPictureStore(&empty);
    CBitmap* b = new CBitmap(4711);
    EXPECT_EQ(b->getWidth(), 0);
    EXPECT_EQ(b->getHeight(), 0);
    EXPECT_FALSE(b->isLoaded());
    EXPECT_EQ(b->getResourceID(), 4711);
    EXPECT_EQ(b->getTransparentColor(), kTransparentCColor);
    COffscreenContext dst(nullptr, 10, 10, kGreenCColor);
    CRect r(0, 0, 10, 10);
    b->draw(&dst, r, CPoint(0, 0));
    b->drawTransparent(&dst, r, CPoint(0, 0));
    for (int y = 0; y < 10; y++)
        for (int x = 0; x < 10; x++) ASSERT_EQ(pixelOf(portOf(dst), x, y), kGreenCColor);
    EXPECT_FALSE(portOf(dst).isLocked());
    b->forget();
}

TEST_F(BitmapTest, PictureFromTheStoreKeepsItsSizeAndPixels) {
    // A picture made here, saved as PNG and served by a store of its own.
    std::unique_ptr<platform::Port, void (*)(platform::Port*)> art(platform::Port::newWorld(7, 5),
                                                                   platform::Port::disposeWorld);
    for (int y = 0; y < 5; y++)
        for (int x = 0; x < 7; x++) art->setPixel(x, y, patternAt(x, y));
    const std::string path = ::testing::TempDir() + "bitmap-test-picture.png";
    ASSERT_TRUE(platform::savePng(*art, path.c_str()));
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(path.c_str());
    ASSERT_FALSE(bytes.empty());
    platform::EmbeddedPicture table[] = {{130, bytes.data(), bytes.size()}};
    platform::PictureStore store(table, 1);
    CBitmap::setPictureStore(&store);

    CBitmap* b = new CBitmap(130);
    ASSERT_TRUE(b->isLoaded());
    EXPECT_EQ(b->getWidth(), 7);
    EXPECT_EQ(b->getHeight(), 5);
    COffscreenContext dst(nullptr, 7, 5, kBlackCColor);
    CRect r(0, 0, 7, 5);
    b->draw(&dst, r, CPoint(0, 0));
    for (int y = 0; y < 5; y++)
        for (int x = 0; x < 7; x++) ASSERT_EQ(portOf(dst).getPixel(x, y), patternAt(x, y)) << x << "," << y;
    b->forget();
}

TEST_F(BitmapTest, ReferenceCountFollowsRememberAndForget) {
    CBitmap* b = patterned(4, 4);
    EXPECT_EQ(b->getNbReference(), 1);
    b->remember();
    EXPECT_EQ(b->getNbReference(), 2);
    b->forget();
    ASSERT_EQ(b->getNbReference(), 1);
    // Still alive and usable after the first forget.
    COffscreenContext dst(nullptr, 4, 4, kBlackCColor);
    CRect r(0, 0, 4, 4);
    b->draw(&dst, r, CPoint(0, 0));
    EXPECT_EQ(portOf(dst).getPixel(3, 3), patternAt(3, 3));
    b->forget();  // the last reference: deleted (leak and use checks run under the sanitizers)
}

TEST_F(BitmapTest, DrawCopiesTheOffsetAreaToTheMovedRectangle) {
    CBitmap* b = patterned(30, 30);
    COffscreenContext dst(nullptr, 40, 40, kWhiteCColor);
    dst.setOffset(CPoint(3, 2));
    CRect r(10, 10, 30, 20);
    b->draw(&dst, r, CPoint(0, 5));
    for (int y = 0; y < 40; y++)
        for (int x = 0; x < 40; x++) {
            bool inside = x >= 13 && x < 33 && y >= 12 && y < 22;
            platform::Rgb expected = inside ? patternAt(x - 13, y - 12 + 5) : platform::kWhite;
            ASSERT_EQ(portOf(dst).getPixel(x, y), expected) << x << "," << y;
        }
    b->forget();
}

TEST_F(BitmapTest, SourceAreaOutsideTheBitmapIsCutToIt) {
    CBitmap* b = patterned(10, 10);
    struct Case {
        CRect r;
        CPoint o;
        CRect copied;  // destination pixels that receive bitmap pixels
        CPoint from;   // bitmap pixel that lands on copied's corner
    };
    const Case cases[] = {
        {CRect(0, 0, 20, 20), CPoint(5, 5), CRect(0, 0, 5, 5), CPoint(5, 5)},
        {CRect(0, 0, 6, 6), CPoint(-3, -3), CRect(3, 3, 6, 6), CPoint(0, 0)},
        {CRect(2, 2, 30, 4), CPoint(0, 9), CRect(2, 2, 12, 3), CPoint(0, 9)},
    };
    for (const Case& k : cases) {
        COffscreenContext dst(nullptr, 30, 30, kWhiteCColor);
        CRect r = k.r;
        b->draw(&dst, r, k.o);
        for (int y = 0; y < 30; y++)
            for (int x = 0; x < 30; x++) {
                bool inside = CRect(k.copied).pointInside(CPoint(x, y));
                platform::Rgb expected = inside ? patternAt(k.from.h + x - k.copied.left, k.from.v + y - k.copied.top)
                                                : platform::kWhite;
                ASSERT_EQ(portOf(dst).getPixel(x, y), expected) << x << "," << y << " offset " << k.o.h;
            }
    }
    b->forget();
}

TEST_F(BitmapTest, DrawTransparentLeavesOutTheTransparentColour) {
    CBitmap* b = patterned(6, 6);
    platform::Port* world = static_cast<platform::Port*>(b->getHandle());
    world->setPixel(1, 1, platform::kWhite);
    world->setPixel(4, 2, platform::kWhite);
    world->setPixel(2, 4, platform::Rgb{255, 0, 0});
    COffscreenContext dst(nullptr, 6, 6, kGreenCColor);
    CRect r(0, 0, 6, 6);
    platform::Port& p = portOf(dst);
    p.setBackColor(platform::Rgb{1, 2, 3});
    p.setForeColor(platform::Rgb{4, 5, 6});
    b->drawTransparent(&dst, r, CPoint(0, 0));
    EXPECT_EQ(pixelOf(p, 1, 1), kGreenCColor);
    EXPECT_EQ(pixelOf(p, 4, 2), kGreenCColor);
    EXPECT_EQ(pixelOf(p, 2, 4), kRedCColor);
    EXPECT_EQ(p.getPixel(0, 0), patternAt(0, 0));
    // The port's colours are put back.
    EXPECT_EQ(p.backColor(), (platform::Rgb{1, 2, 3}));
    EXPECT_EQ(p.foreColor(), (platform::Rgb{4, 5, 6}));

    // Another transparent colour: now the red pixel is left out, white copied.
    b->setTransparentColor(kRedCColor);
    COffscreenContext dst2(nullptr, 6, 6, kGreenCColor);
    b->drawTransparent(&dst2, r, CPoint(0, 0));
    EXPECT_EQ(pixelOf(portOf(dst2), 2, 4), kGreenCColor);
    EXPECT_EQ(pixelOf(portOf(dst2), 1, 1), kWhiteCColor);
    b->forget();
}

TEST_F(BitmapTest, MaskDecidesOnceSetEvenWhenTheColourChanges) {
    CBitmap* b = patterned(6, 6);
    platform::Port* world = static_cast<platform::Port*>(b->getHandle());
    world->setPixel(1, 1, platform::kWhite);
    world->setPixel(2, 4, platform::Rgb{255, 0, 0});
    COffscreenContext source(nullptr, b, true);  // draws into the bitmap's own world
    b->setTransparencyMask(&source, CPoint(0, 0));
    ASSERT_TRUE(b->hasMask());
    b->setTransparentColor(kRedCColor);
    COffscreenContext dst(nullptr, 6, 6, kGreenCColor);
    CRect r(0, 0, 6, 6);
    b->drawTransparent(&dst, r, CPoint(0, 0));
    EXPECT_EQ(pixelOf(portOf(dst), 1, 1), kGreenCColor) << "masked off when the mask was made";
    EXPECT_EQ(pixelOf(portOf(dst), 2, 4), kRedCColor) << "the mask, not the new colour, decides";
    EXPECT_EQ(portOf(dst).getPixel(5, 5), patternAt(5, 5));
    b->forget();
}

TEST_F(BitmapTest, AlphaBlendWeightsSourceAndDestination) {
    CBitmap* b = patterned(4, 4);
    platform::Port* world = static_cast<platform::Port*>(b->getHandle());
    world->setPixel(0, 0, platform::Rgb{200, 0, 255});
    CRect r(0, 0, 4, 4);

    COffscreenContext full(nullptr, 4, 4, kWhiteCColor);
    b->drawAlphaBlend(&full, r, CPoint(0, 0), 255);
    COffscreenContext plain(nullptr, 4, 4, kWhiteCColor);
    b->draw(&plain, r, CPoint(0, 0));
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 4; x++) ASSERT_EQ(portOf(full).getPixel(x, y), portOf(plain).getPixel(x, y));

    COffscreenContext none(nullptr, 4, 4, kGreenCColor);
    b->drawAlphaBlend(&none, r, CPoint(0, 0), 0);
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 4; x++) ASSERT_EQ(pixelOf(portOf(none), x, y), kGreenCColor);

    COffscreenContext half(nullptr, 4, 4, CColor{100, 100, 100, 0});
    b->drawAlphaBlend(&half, r, CPoint(0, 0), 128);
    // 200 * 128 / 255 + 100 * 127 / 255 = 100 + 49; 0 -> 49; 255 -> 128 + 49.
    EXPECT_EQ(portOf(half).getPixel(0, 0), (platform::Rgb{149, 49, 177}));
    b->forget();
}

TEST_F(BitmapTest, FailuresDrawNothing) {
    CBitmap* b = patterned(4, 4);
    static_cast<platform::Port*>(b->getHandle())->setLockRefused(true);
    COffscreenContext dst(nullptr, 4, 4, kGreenCColor);
    CRect r(0, 0, 4, 4);
    b->draw(&dst, r, CPoint(0, 0));
    EXPECT_EQ(pixelOf(portOf(dst), 2, 2), kGreenCColor);
    EXPECT_FALSE(portOf(dst).isLocked());
    b->forget();

    platform::Port::setWorldPixelLimit(4);
    CBitmap* none = new CBitmap(frame, 10, 10);
    platform::Port::setWorldPixelLimit(0);
    EXPECT_FALSE(none->isLoaded());
    EXPECT_EQ(none->getWidth(), 10);
    none->draw(&dst, r, CPoint(0, 0));
    EXPECT_EQ(pixelOf(portOf(dst), 2, 2), kGreenCColor);
    none->forget();
}

} // namespace
