#include "TrellisorEditor.h"

#include <new>

#include "AudioEffect.h"
#include "CBitmap.h"
#include "CFrame.h"
#include "COnOffButton.h"
#include "CParamDisplay.h"
#include "CSlider.h"
#include "CVerticalSwitch.h"
#include "Trellisor.h"
#include "ValueConverters.h"

namespace {
// Picture ids of the controls.
constexpr long kFreqNudgeBack = 129;
constexpr long kFreqNudgeHandle = 130;
constexpr long kRegenBack = 131;
constexpr long kRegenHandle = 132;
constexpr long kTypeStrip = 133;
constexpr long kKeepFreqsFaces = 134;
constexpr long kFftSizeStrip = 135;
constexpr long kThreshBack = 136;
constexpr long kThreshHandle = 137;
constexpr long kWinTypeFaces = 138;

// The sliders' travel in frame rows: value 1.0 puts the handle's top edge on
// row 87, value 0.0 on row 191.
constexpr long kTravelTop = 87;
constexpr long kTravelBottom = 191;

constexpr long kTypeImages = 5;
constexpr long kTypeImageHeight = 125;
constexpr long kFftImages = 3;
constexpr long kFftImageHeight = 110;

template <typename View>
void dropView(CFrame* frame, View*& view) {
    if (!view)
        return;
    if (frame)
        frame->removeView(view, false);
    delete view;
    view = nullptr;
}
}  // namespace

TrellisorEditor::TrellisorEditor(AudioEffect* effect) : AEffGUIEditor(effect) {
    background = new (std::nothrow) CBitmap(kBackgroundId);
    rect.top = 0;
    rect.left = 0;
    rect.bottom = static_cast<int16_t>(background ? background->getHeight() : 0);
    rect.right = static_cast<int16_t>(background ? background->getWidth() : 0);
}

TrellisorEditor::~TrellisorEditor() {
    close();
    if (background)
        background->forget();
    background = nullptr;
}

CBitmap* TrellisorEditor::getControlBitmap(long id) const {
    if (id < kFirstControlBitmapId || id >= kFirstControlBitmapId + kNumControlBitmaps)
        return nullptr;
    return bitmap(id);
}

float TrellisorEditor::parameter(long index) {
    return effect ? effect->getParameter(static_cast<int32_t>(index)) : 0.0f;
}

CVerticalSlider* TrellisorEditor::makeSlider(const CRect& size, long tag, long handleId,
                                             long backgroundId) {
    CPoint offset(0, 0);
    auto* slider = new (std::nothrow) CVerticalSlider(size, this, tag, kTravelTop, kTravelBottom,
                                                       bitmap(handleId), bitmap(backgroundId),
                                                       offset, kStyleBottom);
    if (!slider)
        return nullptr;
    CPoint handleOffset(1, 0);
    slider->setOffsetHandle(handleOffset);
    slider->setValue(parameter(tag));
    frame->addView(slider);
    return slider;
}

CParamDisplay* TrellisorEditor::makeDisplay(const CRect& size, long tag,
                                            void (*convert)(float, char*)) {
    auto* display = new (std::nothrow) CParamDisplay(size, nullptr, 0);
    if (!display)
        return nullptr;
    display->setFont(kFontVerySmall);
    display->setFontColor(kWhiteCColor);
    display->setBackColor(kBlackCColor);
    display->setFrameColor(kBlackCColor);
    display->setValue(parameter(tag));
    display->setStringConvert(convert);
    frame->addView(display);
    return display;
}

int32_t TrellisorEditor::open(void* ptr) {
    // The host opens and closes in turn; an open on an open editor would
    // otherwise leak the first frame and its views.
    if (frame)
        close();

    AEffGUIEditor::open(ptr);
    uiThread.store(std::this_thread::get_id());
    pendingParameters.store(0);   // the controls start from the effect's values

    for (int i = 0; i < kNumControlBitmaps; ++i) {
        if (!controlBitmaps[i])
            controlBitmaps[i] = new (std::nothrow) CBitmap(kFirstControlBitmapId + i);
    }

    const long width = background ? background->getWidth() : 0;
    const long height = background ? background->getHeight() : 0;
    frame = new (std::nothrow)
        CFrame(CRect(0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)), ptr,
               static_cast<AEffGUIEditor*>(this));
    if (!frame) {
        close();
        return 0;
    }
    frame->setBackground(background);

    CPoint origin(0, 0);

    freqNudgeSlider = makeSlider(CRect(71, 87, 92, 209), kFreqNudge, kFreqNudgeHandle,
                                 kFreqNudgeBack);
    freqNudgeDisplay = makeDisplay(CRect(71, 215, 91, 227), kFreqNudge, detuneStringConvert);
    regenSlider = makeSlider(CRect(123, 87, 144, 209), kRegen, kRegenHandle, kRegenBack);
    regenDisplay = makeDisplay(CRect(123, 215, 143, 227), kRegen, percentStringConvert);

    typeSwitch = new (std::nothrow) CVerticalSwitch(CRect(10, 83, 66, 208), this, kType,
                                                    kTypeImages, kTypeImageHeight, kTypeImages,
                                                    bitmap(kTypeStrip), origin);
    if (typeSwitch) {
        typeSwitch->setValue(parameter(kType));
        frame->addView(typeSwitch);
    }

    keepFreqsButton = new (std::nothrow)
        COnOffButton(CRect(55, 59, 126, 83), this, kKeepFreqs, bitmap(kKeepFreqsFaces));
    if (keepFreqsButton) {
        keepFreqsButton->setValue(parameter(kKeepFreqs));
        frame->addView(keepFreqsButton);
    }

    fftSizeSwitch = new (std::nothrow) CVerticalSwitch(CRect(150, 107, 190, 217), this, kFftSize,
                                                       kFftImages, kFftImageHeight, kFftImages,
                                                       bitmap(kFftSizeStrip), origin);
    if (fftSizeSwitch) {
        fftSizeSwitch->setValue(parameter(kFftSize));
        frame->addView(fftSizeSwitch);
    }

    threshSlider = makeSlider(CRect(97, 87, 118, 209), kThresh, kThreshHandle, kThreshBack);
    threshDisplay = makeDisplay(CRect(97, 215, 117, 227), kThresh, percentStringConvert);

    winTypeButton = new (std::nothrow)
        COnOffButton(CRect(122, 59, 193, 83), this, kWinType, bitmap(kWinTypeFaces));
    if (winTypeButton) {
        winTypeButton->setValue(parameter(kWinType));
        frame->addView(winTypeButton);
    }
    isOpen.store(true);
    return 1;
}

void TrellisorEditor::close() {
    isOpen.store(false);
    dropView(frame, freqNudgeDisplay);
    dropView(frame, freqNudgeSlider);
    dropView(frame, regenDisplay);
    dropView(frame, regenSlider);
    dropView(frame, typeSwitch);
    dropView(frame, keepFreqsButton);
    dropView(frame, fftSizeSwitch);
    dropView(frame, threshDisplay);
    dropView(frame, threshSlider);
    dropView(frame, winTypeButton);

    delete frame;
    frame = nullptr;

    for (auto*& bitmapRef : controlBitmaps) {
        if (bitmapRef)
            bitmapRef->forget();
        bitmapRef = nullptr;
    }
}

void TrellisorEditor::setParameter(int32_t index, float value) {
    (void)value;   // the controls take the value the effect holds
    if (std::this_thread::get_id() != uiThread.load()) {
        // Another thread: the views may be built or torn down meanwhile.
        if (!isOpen.load())
            return;
        if (index >= 0 && index <= kWinType)
            pendingParameters.fetch_or(1u << index);
        postUpdate();
        return;
    }
    setControls(index);
}

void TrellisorEditor::update() {
    uint32_t pending = pendingParameters.exchange(0);
    for (int32_t index = 0; pending != 0; ++index, pending >>= 1)
        if (pending & 1u)
            setControls(index);
}

void TrellisorEditor::setControls(int32_t index) {
    if (!frame)
        return;

    auto set = [this, index](CControl* control) {
        if (control)
            control->setValue(parameter(index));
    };
    switch (index) {
    case kFreqNudge:
        set(freqNudgeSlider);
        set(freqNudgeDisplay);
        break;
    case kRegen:
        set(regenSlider);
        set(regenDisplay);
        break;
    case kType:
        set(typeSwitch);
        break;
    case kKeepFreqs:
        set(keepFreqsButton);
        break;
    case kFftSize:
        set(fftSizeSwitch);
        break;
    case kThresh:
        set(threshSlider);
        set(threshDisplay);
        break;
    case kWinType:
        set(winTypeButton);
        break;
    default:
        break;
    }
    postUpdate();
}

void TrellisorEditor::valueChanged(CDrawContext* context, CControl* control) {
    if (!control)
        return;
    const long tag = control->getTag();
    if (static_cast<unsigned long>(tag) > static_cast<unsigned long>(kWinType))
        return;
    if (effect)
        effect->setParameterAutomated(static_cast<int32_t>(tag), control->getValue());
    if (context)
        control->update(context);
}
