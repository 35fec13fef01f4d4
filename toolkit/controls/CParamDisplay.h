// CParamDisplay: a passive control that shows its value as one line of text
// over a filled and framed, or bitmap, background.
//
// The text comes from a conversion function that the owner installs (the
// form with user data wins over the plain one), or else from "%2.2f". A
// conversion function receives the value and a buffer of 256 characters,
// whose first character the display clears before the call, and writes a
// NUL-terminated text of at most 255 characters.
//
// The display has no listener and tag 0, and keeps the view's empty mouse
// handling. Setters of font, face, alignment, style and the colours mark it
// dirty only when the stored value changes (colours compare red, green and
// blue; the spare byte is stored but not compared).
//
// Threads: user-interface thread only (setValue excepted, see CControl).
#pragma once

#include "CControl.h"

class CParamDisplay : public CControl {
public:
    using StringConvert = void (*)(float value, char* string);
    using StringConvertWithData = void (*)(float value, char* string, void* userData);
    using String2FloatConvert = void (*)(char* string, float& output);

    // A display with the kStyleNoDraw bit starts clean.
    CParamDisplay(const CRect& size, CBitmap* background = nullptr, const long style = 0);
    ~CParamDisplay() override;

    void draw(CDrawContext* context) override;

    virtual void setFont(CFont fontID);
    virtual void setFontColor(CColor color);
    virtual void setBackColor(CColor color);
    virtual void setFrameColor(CColor color);
    virtual void setShadowColor(CColor color);
    virtual void setHoriAlign(CHoriTxtAlign hAlign);
    virtual void setBackOffset(CPoint& offset);
    virtual void setStringConvert(StringConvert convert);
    virtual void setStringConvert(StringConvertWithData convert, void* userData);
    virtual void setString2FloatConvert(String2FloatConvert convert);
    virtual void setStyle(long val);
    virtual void setTxtFace(CTxtFace val);
    virtual void setTextTransparency(bool val);

    CFont getFont() const { return fontID; }
    CColor getFontColor() const { return fontColor; }
    CColor getBackColor() const { return backColor; }
    CColor getFrameColor() const { return frameColor; }
    CColor getShadowColor() const { return shadowColor; }
    CHoriTxtAlign getHoriAlign() const { return horiTxtAlign; }
    long getStyle() const { return style; }
    CTxtFace getTxtFace() const { return txtFace; }
    bool getTextTransparency() const { return bTextTransparencyEnabled; }
    const CPoint& getBackOffset() const { return backOffset; }

    // Draws background, 3D frame and text for string, marking the display
    // clean first. bitmap, when given, replaces the display's background.
    void drawText(CDrawContext* context, char* string, CBitmap* newBack = nullptr);

protected:
    static bool sameColor(const CColor& a, const CColor& b);

    StringConvert stringConvert = nullptr;
    StringConvertWithData stringConvert2 = nullptr;
    String2FloatConvert string2FloatConvert = nullptr;
    void* userData = nullptr;
    CHoriTxtAlign horiTxtAlign = kAlignCenter;
    long style;
    CFont fontID = kFontNormal;
    CTxtFace txtFace = 0;
    CColor fontColor = kWhiteCColor;
    CColor backColor = kBlackCColor;
    CColor frameColor = kBlackCColor;
    CColor shadowColor = kRedCColor;
    CPoint backOffset;
    bool bTextTransparencyEnabled = true;
};
