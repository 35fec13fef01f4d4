// The plug-in's own window: three vertical sliders with a value display
// under each (FreqNudge, Regen, Thresh), a five-position Type switch, a
// three-position FFT Size switch and the keepfreqs and Win Type buttons, on
// a background picture whose size is the window's.
//
// Controls and parameters follow each other both ways: a user gesture
// becomes the effect's setParameterAutomated (valueChanged), and every
// parameter change of the effect reaches setParameter, which sets the
// controls of that parameter to the value read back from the effect.
// Control tags are the parameter indices.
//
// Ownership: the background bitmap (picture 128) is held from construction
// to destruction, so the window size is known while the editor is closed.
// The frame, the ten views and one reference on each control bitmap
// (pictures 129-138) exist only between open and close; every such member is
// null while the editor is closed.
//
// Threads: open, close, valueChanged and all drawing run on the host's
// user-interface thread. setParameter may run on the thread that sets
// parameters: it only stores floats into controls and raises the update
// flag; it never draws, allocates or locks.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "AEffGUIEditor.h"
#include "CControl.h"

class CBitmap;
class COnOffButton;
class CParamDisplay;
class CVerticalSlider;
class CVerticalSwitch;

class TrellisorEditor : public AEffGUIEditor, public CControlListener {
public:
    // Loads the background and takes the window size from it.
    explicit TrellisorEditor(AudioEffect* effect);
    // Closes, then releases the background.
    ~TrellisorEditor() override;

    // Builds the frame on the host's window with the ten views, each set
    // from the effect's present parameter values; answers 1. An editor that
    // is still open is closed first.
    int32_t open(void* ptr) override;
    // Removes and deletes the views, deletes the frame and releases the
    // control bitmaps. Harmless when already closed.
    void close() override;
    // Sets the controls of parameter index to the effect's present value
    // (the value argument is not used) and raises the update flag. Does
    // nothing while the editor is closed; other indices update no control.
    // Called on any other thread than the one that opened the editor (an
    // automation or audio thread), it touches no view: it marks the index
    // and raises the update flag, and the next idle sets the controls.
    void setParameter(int32_t index, float value) override;
    // Sets the controls of the parameters marked by other threads.
    void update() override;
    // A user gesture changed control: tags 0-6 become an automated
    // parameter change; the control is drawn at once when context is given.
    void valueChanged(CDrawContext* context, CControl* control) override;

    static constexpr long kBackgroundId = 128;
    static constexpr long kFirstControlBitmapId = 129;
    static constexpr int kNumControlBitmaps = 10;

    // For inspection.
    CBitmap* getBackgroundBitmap() const { return background; }
    CBitmap* getControlBitmap(long id) const;
    CVerticalSlider* getFreqNudgeSlider() const { return freqNudgeSlider; }
    CVerticalSlider* getRegenSlider() const { return regenSlider; }
    CVerticalSlider* getThreshSlider() const { return threshSlider; }
    CParamDisplay* getFreqNudgeDisplay() const { return freqNudgeDisplay; }
    CParamDisplay* getRegenDisplay() const { return regenDisplay; }
    CParamDisplay* getThreshDisplay() const { return threshDisplay; }
    CVerticalSwitch* getTypeSwitch() const { return typeSwitch; }
    COnOffButton* getKeepFreqsButton() const { return keepFreqsButton; }
    CVerticalSwitch* getFftSizeSwitch() const { return fftSizeSwitch; }
    COnOffButton* getWinTypeButton() const { return winTypeButton; }

private:
    CVerticalSlider* makeSlider(const CRect& size, long tag, long handleId, long backgroundId);
    CParamDisplay* makeDisplay(const CRect& size, long tag, void (*convert)(float, char*));
    CBitmap* bitmap(long id) const { return controlBitmaps[id - kFirstControlBitmapId]; }
    float parameter(long index);

    CVerticalSlider* freqNudgeSlider = nullptr;
    CVerticalSlider* regenSlider = nullptr;
    CVerticalSlider* threshSlider = nullptr;
    CParamDisplay* freqNudgeDisplay = nullptr;
    CParamDisplay* regenDisplay = nullptr;
    CParamDisplay* threshDisplay = nullptr;
    CVerticalSwitch* typeSwitch = nullptr;
    COnOffButton* keepFreqsButton = nullptr;
    CVerticalSwitch* fftSizeSwitch = nullptr;
    COnOffButton* winTypeButton = nullptr;
    CBitmap* background = nullptr;
    CBitmap* controlBitmaps[kNumControlBitmaps] = {};

    void setControls(int32_t index);
    // The thread that opened the editor, the parameter indices (bits) that
    // other threads changed since the last idle, and whether the views exist.
    std::atomic<std::thread::id> uiThread{};
    std::atomic<uint32_t> pendingParameters{0};
    std::atomic<bool> isOpen{false};
};
