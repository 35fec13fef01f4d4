// Parameter displays: where the text comes from, the dirty rules of the
// setters, and what each style paints.
#include <cstring>
#include <string>

#include "CParamDisplay.h"
#include "EditorTestSupport.h"

namespace {

using editortest::FrameTest;

constexpr platform::Rgb kGrey{90, 90, 90};
constexpr platform::Rgb kBlue{0, 0, 160};
constexpr platform::Rgb kGreen{0, 170, 0};

const CColor kBlueColor{0, 0, 160, 0};
const CColor kGreenColor{0, 170, 0, 0};

// Converters that write a chosen text.
const char* literalText = "";
void writeLiteral(float, char* text) { std::strcpy(text, literalText); }

int plainCalls = 0;
int dataCalls = 0;
void* seenData = nullptr;
void countPlain(float, char* text) {
    ++plainCalls;
    std::strcpy(text, "plain");
}
void countData(float, char* text, void* data) {
    ++dataCalls;
    seenData = data;
    std::strcpy(text, "data");
}
void writeNothing(float, char*) {}

class Display : public FrameTest {
protected:
    const CRect box{20, 20, 80, 40};

    void SetUp() override {
        FrameTest::SetUp();
        plainCalls = dataCalls = 0;
        seenData = nullptr;
    }

    // Paints the window grey, draws display and returns the pixels of the
    // box grown by two on each side.
    std::vector<platform::Rgb> render(CParamDisplay& display) {
        platform::Port& port = screen();
        for (int v = 0; v < port.height(); ++v)
            for (int h = 0; h < port.width(); ++h)
                port.setPixel(h, v, kGrey);
        display.draw(context());
        std::vector<platform::Rgb> pixels;
        for (int v = box.top - 2; v <= box.bottom + 2; ++v)
            for (int h = box.left - 2; h <= box.right + 2; ++h)
                pixels.push_back(port.getPixel(h, v));
        return pixels;
    }

    // Pixels inside the box that carry a strong red component: the white or
    // red text over the blue or black fills used here.
    int textPixels(CRect* bounds = nullptr) {
        int count = 0;
        CRect b(10000, 10000, -1, -1);
        for (int v = box.top + 1; v < box.bottom; ++v)
            for (int h = box.left + 1; h < box.right; ++h)
                if (screen().getPixel(h, v).red > 100) {
                    ++count;
                    b.left = std::min<int32_t>(b.left, h);
                    b.right = std::max<int32_t>(b.right, h);
                    b.top = std::min<int32_t>(b.top, v);
                    b.bottom = std::max<int32_t>(b.bottom, v);
                }
        if (bounds)
            *bounds = b;
        return count;
    }

    std::vector<platform::Rgb> renderLiteral(const char* text) {
        CParamDisplay reference(box);
        literalText = text;
        reference.setStringConvert(writeLiteral);
        return render(reference);
    }
};

TEST_F(Display, WithoutConverterTheValueIsFormattedWithTwoDecimals) {
    struct Case {
        float value;
        const char* text;
    };
    for (const Case c : {Case{0.5f, "0.50"}, Case{1.0f, "1.00"}, Case{0.126f, "0.13"},
                         Case{-0.5f, "-0.50"}}) {
        CParamDisplay display(box);
        display.setValue(c.value);
        const auto shown = render(display);
        ASSERT_GT(textPixels(), 10) << "no text was drawn: fonts missing?";
        EXPECT_EQ(shown, renderLiteral(c.text)) << "value " << c.value << " should show " << c.text;
    }
    EXPECT_NE(renderLiteral("0.50"), renderLiteral("0.13")) << "different texts differ";
}

TEST_F(Display, ConverterWithDataWinsOverThePlainOne) {
    CParamDisplay display(box);
    int token = 0;
    display.setStringConvert(countData, &token);
    display.setStringConvert(countPlain);   // installing one form keeps the other
    const auto shown = render(display);
    EXPECT_EQ(dataCalls, 1);
    EXPECT_EQ(plainCalls, 0);
    EXPECT_EQ(seenData, &token);
    EXPECT_EQ(shown, renderLiteral("data"));

    CParamDisplay plainOnly(box);
    plainOnly.setStringConvert(countPlain);
    EXPECT_EQ(render(plainOnly), renderLiteral("plain"));
    EXPECT_EQ(plainCalls, 1);
}

TEST_F(Display, ConverterThatWritesNothingShowsOnlyTheBackground) {
    CParamDisplay display(box);
    display.setBackColor(kBlueColor);
    display.setStringConvert(writeNothing);
    render(display);
    EXPECT_EQ(textPixels(), 0);
    EXPECT_EQ(screen().getPixel(50, 30), kBlue);
}

TEST_F(Display, DefaultStyleFillsOutlinesAndCentresTheText) {
    CParamDisplay display(box);
    display.setBackColor(kBlueColor);
    display.setFrameColor(kGreenColor);
    literalText = "88";
    display.setStringConvert(writeLiteral);
    render(display);
    platform::Port& p = screen();
    EXPECT_EQ(p.getPixel(box.left, 30), kGreen);
    EXPECT_EQ(p.getPixel(box.right, 30), kGreen);
    EXPECT_EQ(p.getPixel(50, box.top), kGreen);
    EXPECT_EQ(p.getPixel(50, box.bottom), kGreen);
    EXPECT_EQ(p.getPixel(box.left + 2, box.top + 2), kBlue);
    EXPECT_EQ(p.getPixel(box.left - 1, 30), kGrey) << "nothing outside the box";
    CRect bounds;
    ASSERT_GT(textPixels(&bounds), 10);
    const int centre = (bounds.left + bounds.right) / 2;
    EXPECT_NEAR(centre, (box.left + box.right) / 2, 2) << "centred text";
    EXPECT_FALSE(display.isDirty());
}

TEST_F(Display, ThreeDFramesColourTheirEdges) {
    struct Case {
        long style;
        platform::Rgb leftTop;
        platform::Rgb rightBottom;
    };
    const platform::Rgb black{0, 0, 0};
    const platform::Rgb white{255, 255, 255};
    for (const Case c : {Case{kStyle3DIn, black, white}, Case{kStyle3DOut, white, black},
                         Case{kStyle3DIn | kStyle3DOut, black, white}}) {
        CParamDisplay display(box, nullptr, c.style | kStyleNoText);
        display.setBackColor(kBlackCColor);
        display.setFrameColor(kWhiteCColor);
        render(display);
        platform::Port& p = screen();
        EXPECT_EQ(p.getPixel(box.left, 30), c.leftTop) << "style " << c.style;
        EXPECT_EQ(p.getPixel(50, box.top), c.leftTop) << "style " << c.style;
        EXPECT_EQ(p.getPixel(box.right, 30), c.rightBottom) << "style " << c.style;
        EXPECT_EQ(p.getPixel(50, box.bottom), c.rightBottom) << "style " << c.style;
        EXPECT_EQ(p.getPixel(50, 30), black) << "filled with the back colour";
    }
}

TEST_F(Display, NoDrawStartsCleanAndPaintsNothing) {
    CParamDisplay display(box, nullptr, kStyleNoDraw);
    EXPECT_FALSE(display.isDirty());
    display.setValue(0.7f);
    ASSERT_TRUE(display.isDirty());
    const auto shown = render(display);
    for (const platform::Rgb& px : shown)
        ASSERT_EQ(px, kGrey);
    EXPECT_FALSE(display.isDirty());
}

TEST_F(Display, NoTextPaintsTheBackgroundOnly) {
    CParamDisplay display(box, nullptr, kStyleNoText);
    display.setBackColor(kBlueColor);
    render(display);
    EXPECT_EQ(textPixels(), 0);
    EXPECT_EQ(screen().getPixel(50, 30), kBlue);
}

TEST_F(Display, ShadowTextAddsShadowColouredPixels) {
    CParamDisplay display(box, nullptr, kStyleShadowText);
    display.setBackColor(kBlueColor);
    literalText = "88";
    display.setStringConvert(writeLiteral);
    render(display);
    int red = 0;
    for (int v = box.top; v < box.bottom; ++v)
        for (int h = box.left; h < box.right; ++h) {
            const platform::Rgb px = screen().getPixel(h, v);
            if (px.red > 200 && px.green < 80 && px.blue < 80)
                ++red;
        }
    EXPECT_GT(red, 3) << "the red shadow shows beside the white text";
}

TEST_F(Display, TransparentViewWithoutBitmapPaintsNoBackground) {
    CParamDisplay display(box, nullptr, kStyleNoText);
    display.setTransparency(true);
    const auto shown = render(display);
    for (const platform::Rgb& px : shown)
        ASSERT_EQ(px, kGrey);
}

TEST_F(Display, BitmapBackgroundUsesTheBackOffset) {
    const platform::Rgb magenta{200, 0, 200};
    CBitmap* back = bandedBitmap(60, 10, {kGreen, magenta, kBlue});
    CParamDisplay display(box, back, kStyleNoText);
    EXPECT_EQ(back->getNbReference(), 2);
    CPoint offset(0, 10);
    display.setBackOffset(offset);
    render(display);
    EXPECT_EQ(screen().getPixel(box.left, box.top), magenta);
    EXPECT_EQ(screen().getPixel(box.left, box.top + 10), kBlue);
    back->forget();
}

TEST_F(Display, ColourSettersMarkDirtyOnlyForVisibleChanges) {
    using Setter = void (CParamDisplay::*)(CColor);
    using Getter = CColor (CParamDisplay::*)() const;
    struct Case {
        const char* name;
        Setter set;
        Getter get;
    };
    const Case cases[] = {
        {"font", &CParamDisplay::setFontColor, &CParamDisplay::getFontColor},
        {"back", &CParamDisplay::setBackColor, &CParamDisplay::getBackColor},
        {"frame", &CParamDisplay::setFrameColor, &CParamDisplay::getFrameColor},
        {"shadow", &CParamDisplay::setShadowColor, &CParamDisplay::getShadowColor},
    };
    for (const Case& c : cases) {
        CParamDisplay display(box);
        const CColor present = (display.*c.get)();
        display.setDirty(false);
        (display.*c.set)(present);
        EXPECT_FALSE(display.isDirty()) << c.name << ": same colour";

        CColor spareOnly = present;
        spareOnly.spare = 77;
        (display.*c.set)(spareOnly);
        EXPECT_FALSE(display.isDirty()) << c.name << ": spare byte only";
        EXPECT_EQ((display.*c.get)().spare, 77) << c.name << ": the spare byte is stored";

        CColor other = present;
        other.green = static_cast<uint8_t>(present.green ^ 0x40);
        (display.*c.set)(other);
        EXPECT_TRUE(display.isDirty()) << c.name << ": a new colour";
    }
}

TEST_F(Display, OtherSettersMarkDirtyOnlyForChanges) {
    CParamDisplay display(box);
    display.setDirty(false);
    display.setStyle(0);
    display.setFont(kFontNormal);
    display.setTxtFace(0);
    display.setHoriAlign(kAlignCenter);
    EXPECT_FALSE(display.isDirty()) << "present values";

    struct Case {
        const char* name;
        void (*change)(CParamDisplay&);
    };
    const Case cases[] = {
        {"style", [](CParamDisplay& d) { d.setStyle(kStyle3DIn); }},
        {"font", [](CParamDisplay& d) { d.setFont(kFontVerySmall); }},
        {"face", [](CParamDisplay& d) { d.setTxtFace(kTxtFaceBold); }},
        {"align", [](CParamDisplay& d) { d.setHoriAlign(kAlignLeft); }},
    };
    for (const Case& c : cases) {
        CParamDisplay changed(box);
        changed.setDirty(false);
        c.change(changed);
        EXPECT_TRUE(changed.isDirty()) << c.name;
    }
    // Plain stores: no redraw needed.
    CPoint offset(3, 4);
    display.setBackOffset(offset);
    display.setStringConvert(writeNothing);
    display.setTextTransparency(false);
    EXPECT_FALSE(display.isDirty());
}

}  // namespace
