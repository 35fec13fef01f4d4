// An effect whose editor cannot be created raises oome, so that the entry
// point discards it. A program of its own: oome is never cleared.
#include <gtest/gtest.h>

#include <memory>
#include <new>

#include "HeadlessBackend.h"
#include "TrellisorEdit.h"
#include "TrellisorEditor.h"

namespace {
bool refuseEditor = false;

intptr_t host(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}
}  // namespace

// The nothrow allocation refuses exactly the editor's size while asked to.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (refuseEditor && size == sizeof(TrellisorEditor))
        return nullptr;
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p, const std::nothrow_t&) noexcept { ::operator delete(p); }

namespace {

TEST(EditorOutOfMemory, EffectWithoutEditorRaisesOome) {
    platform::HeadlessBackend backend;
    platform::setBackend(&backend);
    ASSERT_FALSE(oome);
    refuseEditor = true;
    std::unique_ptr<TrellisorEdit> effect(new TrellisorEdit(host));
    refuseEditor = false;
    EXPECT_TRUE(oome);
    EXPECT_EQ(effect->editorPointer(), nullptr);
    EXPECT_EQ(effect->getAeffect()->flags & effFlagsHasEditor, 0);
    // Without an editor every parameter change still reaches the effect.
    effect->setParameter(kRegen, 0.4f);
    EXPECT_EQ(effect->getParameter(kRegen), 0.4f);
    effect.reset();
    platform::setBackend(nullptr);
}

}  // namespace
