// The Trellisor editor on the headless platform, driven through the plug-in
// record the way a host drives it: layout, starting values, gestures and
// what the host hears of them, parameter changes from the host, and the
// open/close life cycle.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "COnOffButton.h"
#include "CParamDisplay.h"
#include "CSlider.h"
#include "CVerticalSwitch.h"
#include "EditorTestSupport.h"
#include "TrellisorEdit.h"
#include "TrellisorEditor.h"
#include "ValueConverters.h"

namespace {

using editortest::HeadlessTest;
using editortest::HostCall;
using editortest::HostRecorder;

// The product's effect with read access to what the engine has in force.
class ProbedEffect : public TrellisorEdit {
public:
    using TrellisorEdit::TrellisorEdit;
    int waveTypeInForce() const { return waveType.load(); }
    int sizeIndexInForce() const { return sizeIndex; }
};

class EditorBinding : public HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        HostRecorder::calls().clear();
        effect.reset(new ProbedEffect(HostRecorder::callback));
        record = effect->getAeffect();
        editor = static_cast<TrellisorEditor*>(effect->editorPointer());
        ASSERT_NE(editor, nullptr);
        ASSERT_NE(editor->getBackgroundBitmap(), nullptr);
        ASSERT_TRUE(editor->getBackgroundBitmap()->isLoaded())
            << "picture 128 is missing from the embedded resources";
    }
    void TearDown() override {
        effect.reset();
        HeadlessTest::TearDown();
    }

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f) {
        return record->dispatcher(record, opcode, index, value, ptr, opt);
    }
    void openEditor() {
        ASSERT_EQ(dispatch(effEditOpen, 0, 0, &hostWindow), 1);
        ASSERT_NE(editor->getFrame(), nullptr);
        dispatch(effEditDraw);
        dispatch(effEditIdle);
        HostRecorder::calls().clear();
    }
    // A click (or a drag) at frame coordinates as effEditMouse delivers it.
    void mouseAt(CPoint where, long buttons = kMouseLeft) {
        click(where, buttons);
        dispatch(effEditMouse, where.h, where.v);
    }
    void dragFrom(CPoint from, CPoint to) {
        drag(from, to);
        dispatch(effEditMouse, from.h, from.v);
    }
    void hostSets(int32_t index, float value) { record->setParameter(record, index, value); }
    float parameter(int32_t index) { return record->getParameter(record, index); }
    // Runs enough audio for the engine to bring its parameters up to date.
    void runAudio() {
        std::vector<float> in(2048, 0.0f), out0(2048), out1(2048);
        float* inputs[2] = {in.data(), in.data()};
        float* outputs[2] = {out0.data(), out1.data()};
        record->processReplacing(record, inputs, outputs, 2048);
    }
    std::string display(int32_t index) {
        char text[64] = {};
        dispatch(effGetParamDisplay, index, 0, text);
        return text;
    }
    static std::vector<HostCall> gestureCalls() {
        return HostRecorder::filtered({audioMasterAutomate, audioMasterBeginEdit, audioMasterEndEdit});
    }

    platform::Port& screen() {
        return static_cast<platform::Window*>(editor->getFrame()->getSystemWindow())->port();
    }
    std::vector<platform::Rgb> pixels(platform::Port& port, const CRect& r) {
        std::vector<platform::Rgb> out;
        for (int v = r.top; v <= r.bottom; ++v)
            for (int h = r.left; h <= r.right; ++h)
                out.push_back(port.getPixel(h, v));
        return out;
    }
    // What a display of the editor's settings shows for text, drawn on a
    // frame of its own.
    std::vector<platform::Rgb> displayShowing(const CRect& r, const char* text) {
        static const char* literal;
        literal = text;
        int otherHost = 0;
        CFrame reference(CRect(0, 0, 240, 260), &otherHost, nullptr);
        CParamDisplay d(r, nullptr, 0);
        d.setFont(kFontVerySmall);
        d.setFontColor(kWhiteCColor);
        d.setBackColor(kBlackCColor);
        d.setFrameColor(kBlackCColor);
        d.setStringConvert([](float, char* t) { std::strcpy(t, literal); });
        d.draw(reference.getFrameContext());
        return pixels(static_cast<platform::Window*>(reference.getSystemWindow())->port(), r);
    }

    int hostWindow = 0;
    std::unique_ptr<ProbedEffect> effect;
    AEffect* record = nullptr;
    TrellisorEditor* editor = nullptr;
};

TEST_F(EditorBinding, RecordAnnouncesTheEditorAndItsSize) {
    EXPECT_EQ(record->flags, effFlagsHasEditor | effFlagsCanReplacing);
    ERect* rect = nullptr;
    EXPECT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, editor->getBackgroundBitmap()->getHeight());
    EXPECT_EQ(rect->right, editor->getBackgroundBitmap()->getWidth());
    EXPECT_GE(rect->right, 193);
    EXPECT_GE(rect->bottom, 227);
}

TEST_F(EditorBinding, EntryPointEffectCarriesTheEditor) {
    std::unique_ptr<AudioEffect> made(createEffectInstance(HostRecorder::callback));
    ASSERT_NE(made, nullptr);
    EXPECT_NE(dynamic_cast<TrellisorEditor*>(made->editorPointer()), nullptr);
    EXPECT_EQ(made->getAeffect()->flags, 0x11);
    EXPECT_EQ(made->getAeffect()->uniqueID, ('K' << 24) | ('S' << 16) | ('V' << 8) | '0');
    EXPECT_FALSE(oome);
}

TEST_F(EditorBinding, OpenBuildsTheTenViewsInLayoutOrder) {
    openEditor();
    CFrame* frame = editor->getFrame();
    CRect size;
    frame->getViewSize(size);
    EXPECT_EQ(size, CRect(0, 0, editor->getBackgroundBitmap()->getWidth(),
                          editor->getBackgroundBitmap()->getHeight()));
    EXPECT_EQ(frame->getBackground(), editor->getBackgroundBitmap());

    struct Expected {
        CView* view;
        CRect rect;
        long tag;   // -1: a display, tag 0 and no listener
    };
    const Expected layout[] = {
        {editor->getFreqNudgeSlider(), CRect(71, 87, 92, 209), 0},
        {editor->getFreqNudgeDisplay(), CRect(71, 215, 91, 227), -1},
        {editor->getRegenSlider(), CRect(123, 87, 144, 209), 1},
        {editor->getRegenDisplay(), CRect(123, 215, 143, 227), -1},
        {editor->getTypeSwitch(), CRect(10, 83, 66, 208), 2},
        {editor->getKeepFreqsButton(), CRect(55, 59, 126, 83), 3},
        {editor->getFftSizeSwitch(), CRect(150, 107, 190, 217), 4},
        {editor->getThreshSlider(), CRect(97, 87, 118, 209), 5},
        {editor->getThreshDisplay(), CRect(97, 215, 117, 227), -1},
        {editor->getWinTypeButton(), CRect(122, 59, 193, 83), 6},
    };
    ASSERT_EQ(frame->getNbViews(), 10);
    for (long i = 0; i < 10; ++i) {
        SCOPED_TRACE("view " + std::to_string(i));
        ASSERT_NE(layout[i].view, nullptr);
        EXPECT_EQ(frame->getView(i), layout[i].view);
        CRect r;
        layout[i].view->getViewSize(r);
        EXPECT_EQ(r, layout[i].rect);
        auto* control = static_cast<CControl*>(layout[i].view);
        if (layout[i].tag >= 0) {
            EXPECT_EQ(control->getTag(), layout[i].tag);
            EXPECT_EQ(control->getListener(), static_cast<CControlListener*>(editor));
        } else {
            EXPECT_EQ(control->getTag(), 0);
            EXPECT_EQ(control->getListener(), nullptr);
        }
    }

    for (CSlider* s : {static_cast<CSlider*>(editor->getFreqNudgeSlider()),
                       static_cast<CSlider*>(editor->getRegenSlider()),
                       static_cast<CSlider*>(editor->getThreshSlider())}) {
        EXPECT_EQ(s->getStyle(), kStyleBottom | kStyleVertical);
        EXPECT_EQ(s->getHandleRange(), 104);
        EXPECT_EQ(s->getOffsetHandle(), CPoint(1, 0));
        ASSERT_NE(s->getHandle(), nullptr);
        EXPECT_EQ(s->getHandle()->getHeight(), 18);
        EXPECT_LE(s->getHandle()->getWidth(), 20);
    }
    EXPECT_EQ(editor->getFreqNudgeSlider()->getHandle(), editor->getControlBitmap(130));
    EXPECT_EQ(editor->getFreqNudgeSlider()->getBackground(), editor->getControlBitmap(129));
    EXPECT_EQ(editor->getRegenSlider()->getHandle(), editor->getControlBitmap(132));
    EXPECT_EQ(editor->getRegenSlider()->getBackground(), editor->getControlBitmap(131));
    EXPECT_EQ(editor->getThreshSlider()->getHandle(), editor->getControlBitmap(137));
    EXPECT_EQ(editor->getThreshSlider()->getBackground(), editor->getControlBitmap(136));
    EXPECT_EQ(editor->getTypeSwitch()->getBackground(), editor->getControlBitmap(133));
    EXPECT_EQ(editor->getKeepFreqsButton()->getBackground(), editor->getControlBitmap(134));
    EXPECT_EQ(editor->getFftSizeSwitch()->getBackground(), editor->getControlBitmap(135));
    EXPECT_EQ(editor->getWinTypeButton()->getBackground(), editor->getControlBitmap(138));
    EXPECT_EQ(editor->getTypeSwitch()->getImageHeight(), 125);
    EXPECT_EQ(editor->getTypeSwitch()->getPositionCount(), 5);
    EXPECT_EQ(editor->getFftSizeSwitch()->getImageHeight(), 110);
    EXPECT_EQ(editor->getFftSizeSwitch()->getPositionCount(), 3);
    for (CParamDisplay* d : {editor->getFreqNudgeDisplay(), editor->getRegenDisplay(),
                             editor->getThreshDisplay()}) {
        EXPECT_EQ(d->getFont(), kFontVerySmall);
        EXPECT_EQ(d->getFontColor(), kWhiteCColor);
        EXPECT_EQ(d->getBackColor(), kBlackCColor);
        EXPECT_EQ(d->getFrameColor(), kBlackCColor);
        EXPECT_EQ(d->getHoriAlign(), kAlignCenter);
        EXPECT_EQ(d->getStyle(), 0);
        EXPECT_FALSE(d->getTransparency());
    }
}

TEST_F(EditorBinding, ControlsStartAtTheEffectsDefaults) {
    openEditor();
    EXPECT_EQ(editor->getFreqNudgeSlider()->handleRect().top, 52);
    EXPECT_EQ(editor->getTypeSwitch()->imageIndex(), 0);
    EXPECT_EQ(editor->getFftSizeSwitch()->imageIndex(), 0);
    EXPECT_EQ(editor->getKeepFreqsButton()->sourceRow(), 0);
    EXPECT_EQ(editor->getWinTypeButton()->getValue(), 0.0f);
    EXPECT_EQ(editor->getWinTypeButton()->sourceRow(), 0);

    struct Text {
        CParamDisplay* display;
        const char* text;
    };
    for (const Text t : {Text{editor->getFreqNudgeDisplay(), "0.00"},
                         Text{editor->getRegenDisplay(), "25%"},
                         Text{editor->getThreshDisplay(), "85%"}}) {
        CRect r;
        t.display->getViewSize(r);
        EXPECT_EQ(pixels(screen(), r), displayShowing(r, t.text)) << "should read " << t.text;
        EXPECT_NE(pixels(screen(), r), displayShowing(r, "99%")) << "texts are told apart";
    }
}

TEST_F(EditorBinding, TypeSwitchClickSixtyRowsDownSelectsSaw) {
    openEditor();
    mouseAt(CPoint(30, 143));
    EXPECT_EQ(parameter(kType), 0.5f);
    const auto calls = gestureCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(calls[0].index, kType);
    EXPECT_EQ(calls[1].opcode, audioMasterAutomate);
    EXPECT_EQ(calls[1].index, kType);
    EXPECT_EQ(calls[1].opt, 0.5f);
    EXPECT_EQ(calls[2].opcode, audioMasterEndEdit);
    EXPECT_EQ(calls[2].index, kType);
    runAudio();
    EXPECT_EQ(effect->waveTypeInForce(), 2);
    EXPECT_EQ(display(kType), "Saw");
    EXPECT_EQ(editor->getTypeSwitch()->imageIndex(), 2);
}

TEST_F(EditorBinding, FftSwitchThirds) {
    openEditor();
    struct Case {
        int y;
        float value;
        int sizeIndex;
    };
    for (const Case c : {Case{107 + 80, 1.0f, 2}, Case{107 + 50, 0.5f, 1}, Case{107 + 10, 0.0f, 0}}) {
        mouseAt(CPoint(170, c.y));
        EXPECT_EQ(parameter(kFftSize), c.value) << "row " << c.y;
        runAudio();
        EXPECT_EQ(effect->sizeIndexInForce(), c.sizeIndex) << "row " << c.y;
    }
}

TEST_F(EditorBinding, HostValuesBetweenStepsShowTheNearestImage) {
    openEditor();
    hostSets(kType, 0.4f);
    hostSets(kFftSize, 0.8f);
    dispatch(effEditIdle);
    EXPECT_EQ(editor->getTypeSwitch()->imageIndex(), 2);
    EXPECT_EQ(editor->getFftSizeSwitch()->imageIndex(), 2);
    EXPECT_FALSE(editor->getTypeSwitch()->isDirty()) << "drawn by the idle pass";
    runAudio();
    EXPECT_EQ(effect->waveTypeInForce(), 1);
    EXPECT_EQ(display(kType), "Tri");
    EXPECT_EQ(effect->sizeIndexInForce(), 1);
}

TEST_F(EditorBinding, RegenDragIsOneBracketedGesture) {
    openEditor();
    dragFrom(CPoint(133, 147), CPoint(133, 121));   // 0.5, then 0.75
    const auto calls = gestureCalls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(calls[1].opcode, audioMasterAutomate);
    EXPECT_EQ(calls[1].opt, 0.5f);
    EXPECT_EQ(calls[2].opcode, audioMasterAutomate);
    EXPECT_EQ(calls[2].opt, 0.75f);
    EXPECT_EQ(calls[3].opcode, audioMasterEndEdit);
    for (const HostCall& c : calls)
        EXPECT_EQ(c.index, kRegen);
    EXPECT_EQ(parameter(kRegen), 0.75f);
    EXPECT_EQ(editor->getRegenDisplay()->getValue(), 0.75f) << "the display follows the effect";
    EXPECT_FALSE(editor->getRegenSlider()->isDirty()) << "drawn at once by valueChanged";

    dispatch(effEditIdle);
    CRect r;
    editor->getRegenDisplay()->getViewSize(r);
    EXPECT_EQ(pixels(screen(), r), displayShowing(r, "75%"));
}

TEST_F(EditorBinding, ButtonsWheelAndDefaultClickAreNotBracketed) {
    openEditor();
    mouseAt(CPoint(60, 70));   // keepfreqs
    mouseAt(CPoint(124, 70));  // the overlap of both buttons: Win Type, the later view
    hostSets(kFreqNudge, 0.2f);
    dispatch(effEditIdle);     // the host's idle shows the new value first
    mouseAt(CPoint(80, 180), kMouseLeft | kModCommand);   // FreqNudge back to its default
    rest(CPoint(105, 150));                                // over Thresh
    editor->onWheel(1.0f);

    EXPECT_EQ(parameter(kKeepFreqs), 1.0f);
    EXPECT_EQ(parameter(kWinType), 1.0f);
    EXPECT_EQ(parameter(kFreqNudge), 0.5f);
    EXPECT_FLOAT_EQ(parameter(kThresh), 0.95f);
    EXPECT_TRUE(HostRecorder::filtered({audioMasterBeginEdit, audioMasterEndEdit}).empty());
    const auto automated = HostRecorder::filtered({audioMasterAutomate});
    ASSERT_EQ(automated.size(), 4u);
    EXPECT_EQ(automated[0].index, kKeepFreqs);
    EXPECT_EQ(automated[1].index, kWinType);
    EXPECT_EQ(automated[2].index, kFreqNudge);
    EXPECT_EQ(automated[2].opt, 0.5f);
    EXPECT_EQ(automated[3].index, kThresh);
}

TEST_F(EditorBinding, ButtonClicksAutomateTheirParameter) {
    openEditor();
    mouseAt(CPoint(60, 70));
    mouseAt(CPoint(124, 70));
    mouseAt(CPoint(190, 62));
    const auto calls = gestureCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].index, kKeepFreqs);
    EXPECT_EQ(calls[0].opt, 1.0f);
    EXPECT_EQ(calls[1].index, kWinType);
    EXPECT_EQ(calls[1].opt, 1.0f);
    EXPECT_EQ(calls[2].index, kWinType);
    EXPECT_EQ(calls[2].opt, 0.0f);
    for (const HostCall& c : calls)
        EXPECT_EQ(c.opcode, audioMasterAutomate);
}

TEST_F(EditorBinding, ArrowKeysReachThreshUntilASliderIsClicked) {
    openEditor();
    EXPECT_EQ(dispatch(effEditKeyDown, 0, 12), 1);   // up
    EXPECT_FLOAT_EQ(parameter(kThresh), 0.95f);
    EXPECT_TRUE(editor->getThreshSlider()->isDirty()) << "key changes wait for the idle pass";
    dispatch(effEditIdle);
    EXPECT_FALSE(editor->getThreshSlider()->isDirty());

    mouseAt(CPoint(133, 173));   // Regen to 0.25, and the keyboard focus
    EXPECT_EQ(dispatch(effEditKeyDown, 0, 12), 1);
    EXPECT_FLOAT_EQ(parameter(kRegen), 0.35f);
    EXPECT_EQ(dispatch(effEditKeyDown, 0, 14, nullptr, 1.0f), 1);   // down with shift
    EXPECT_FLOAT_EQ(parameter(kRegen), 0.34f);
    EXPECT_FLOAT_EQ(parameter(kThresh), 0.95f);

    mouseAt(CPoint(30, 100));   // a click elsewhere ends the focus
    EXPECT_EQ(dispatch(effEditKeyDown, 0, 13), 1);
    EXPECT_FLOAT_EQ(parameter(kThresh), 1.0f);
    EXPECT_EQ(dispatch(effEditKeyDown, 'x', 0), -1);
}

TEST_F(EditorBinding, SetParameterReadsTheValueBackFromTheEffect) {
    openEditor();
    effect->Trellisor::setParameter(kRegen, 0.7f);
    editor->setParameter(kRegen, 0.2f);
    EXPECT_EQ(editor->getRegenSlider()->getValue(), 0.7f);
    EXPECT_EQ(editor->getRegenDisplay()->getValue(), 0.7f);

    struct Case {
        int32_t index;
        CControl* first;
        CControl* second;
    };
    const Case cases[] = {
        {kFreqNudge, editor->getFreqNudgeSlider(), editor->getFreqNudgeDisplay()},
        {kType, editor->getTypeSwitch(), nullptr},
        {kKeepFreqs, editor->getKeepFreqsButton(), nullptr},
        {kFftSize, editor->getFftSizeSwitch(), nullptr},
        {kThresh, editor->getThreshSlider(), editor->getThreshDisplay()},
        {kWinType, editor->getWinTypeButton(), nullptr},
    };
    for (const Case& c : cases) {
        hostSets(c.index, 0.3f);
        EXPECT_EQ(c.first->getValue(), 0.3f) << "index " << c.index;
        if (c.second) {
            EXPECT_EQ(c.second->getValue(), 0.3f) << "index " << c.index;
        }
    }
}

TEST_F(EditorBinding, OtherIndicesAndTagsChangeNothing) {
    openEditor();
    auto snapshot = [this] {
        std::vector<float> values;
        for (long i = 0; i < editor->getFrame()->getNbViews(); ++i)
            values.push_back(static_cast<CControl*>(editor->getFrame()->getView(i))->getValue());
        return values;
    };
    const auto before = snapshot();
    for (int32_t index : {7, 8, -1, 1000}) {
        hostSets(index, 0.9f);
        editor->setParameter(index, 0.9f);
    }
    EXPECT_EQ(snapshot(), before);

    HostRecorder::calls().clear();
    for (long tag : {7L, -1L, 100L}) {
        COnOffButton stray(CRect(0, 0, 5, 5), editor, tag, nullptr);
        stray.setValue(1.0f);
        editor->valueChanged(nullptr, &stray);
    }
    EXPECT_TRUE(gestureCalls().empty());
}

// The editor with its update hook counted, so that postUpdate shows.
class CountingEditor : public TrellisorEditor {
public:
    using TrellisorEditor::TrellisorEditor;
    void update() override { ++updates; }
    int updates = 0;
};

TEST_F(EditorBinding, ClosedEditorIgnoresParameterChanges) {
    delete effect->editorPointer();
    auto* counting = new CountingEditor(effect.get());   // now the effect's editor
    ASSERT_EQ(effect->editorPointer(), counting);
    editor = counting;

    hostSets(kRegen, 0.6f);
    EXPECT_EQ(parameter(kRegen), 0.6f) << "the effect stores it";
    EXPECT_EQ(counting->getRegenSlider(), nullptr);
    counting->idle();
    EXPECT_EQ(counting->updates, 0) << "no postUpdate while closed";

    openEditor();
    EXPECT_EQ(counting->updates, 1) << "open raises the update flag";
    EXPECT_EQ(counting->getRegenSlider()->getValue(), 0.6f) << "opened with the stored value";
    hostSets(7, 0.1f);
    counting->idle();
    EXPECT_EQ(counting->updates, 2) << "postUpdate also for an index outside 0 to 6";
}

TEST_F(EditorBinding, OpenCloseCyclesLoadAndReleaseControlBitmaps) {
    CBitmap* background = editor->getBackgroundBitmap();
    EXPECT_EQ(background->getNbReference(), 1);
    for (int cycle = 0; cycle < 3; ++cycle) {
        SCOPED_TRACE("cycle " + std::to_string(cycle));
        for (long id = 129; id <= 138; ++id)
            EXPECT_EQ(editor->getControlBitmap(id), nullptr);
        EXPECT_EQ(dispatch(effEditOpen, 0, 0, &hostWindow), 1);
        EXPECT_EQ(editor->getBackgroundBitmap(), background) << "loaded once, with the editor";
        EXPECT_EQ(background->getNbReference(), 2) << "the editor's and the frame's";
        for (long id = 129; id <= 138; ++id) {
            CBitmap* b = editor->getControlBitmap(id);
            ASSERT_NE(b, nullptr) << "id " << id;
            EXPECT_TRUE(b->isLoaded()) << "picture " << id << " is missing";
            EXPECT_EQ(b->getNbReference(), 2) << "the editor's and its control's, id " << id;
        }
        EXPECT_EQ(backend.windows().size(), 1u);
        dispatch(effEditClose);
        EXPECT_EQ(editor->getFrame(), nullptr);
        EXPECT_EQ(editor->getRegenSlider(), nullptr);
        EXPECT_EQ(editor->getWinTypeButton(), nullptr);
        EXPECT_EQ(background->getNbReference(), 1);
        EXPECT_TRUE(backend.windows().empty()) << "the window closes with the frame";
    }
}

TEST_F(EditorBinding, SecondOpenReplacesTheFirstWindow) {
    openEditor();
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, &hostWindow), 1);
    EXPECT_EQ(editor->getFrame()->getNbViews(), 10);
    EXPECT_EQ(backend.windows().size(), 1u);
    EXPECT_EQ(editor->getBackgroundBitmap()->getNbReference(), 2);
    EXPECT_EQ(editor->getControlBitmap(133)->getNbReference(), 2);
}

TEST_F(EditorBinding, ClosedEditorAnswersWithoutFrame) {
    EXPECT_EQ(dispatch(effEditMouse, 30, 143), 1);
    EXPECT_EQ(dispatch(effEditKeyDown, 0, 12), -1);
    EXPECT_EQ(parameter(kThresh), 0.85f);
    dispatch(effEditClose);   // closing a closed editor is harmless
    EXPECT_EQ(editor->getFrame(), nullptr);
}

}  // namespace
