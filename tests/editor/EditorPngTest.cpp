// trellisor-editor-png end to end: the file it writes is the editor as the
// headless platform draws it, and bad arguments write nothing.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "EditorTestSupport.h"
#include "Picture.h"
#include "TrellisorEdit.h"
#include "TrellisorEditor.h"

namespace {

using editortest::HeadlessTest;
using editortest::HostRecorder;

std::string tempPath(const std::string& name) {
    return (::testing::TempDir().empty() ? std::string("/tmp/") : ::testing::TempDir()) +
           "editor-png-" + std::to_string(getpid()) + "-" + name;
}

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// Runs the tool with these arguments; answers its exit code.
int runTool(const std::string& arguments) {
    const std::string command = std::string("'") + EDITOR_PNG_TOOL + "' " + arguments + " 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::unique_ptr<platform::Picture> readPng(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return platform::Picture::decodePng(bytes.data(), bytes.size());
}

using EditorPng = HeadlessTest;

TEST_F(EditorPng, WritesTheEditorAsDrawnWithTheSetValues) {
    const std::string path = tempPath("set.png");
    std::remove(path.c_str());
    ASSERT_EQ(runTool("--set Regen=0.8 --set 'fft size=1' --set type=0.75 --set 3=1 '" + path + "'"), 0);
    auto picture = readPng(path);
    ASSERT_NE(picture, nullptr) << "no readable PNG at " << path;

    // The same editor drawn here.
    std::unique_ptr<TrellisorEdit> effect(new TrellisorEdit(HostRecorder::callback));
    effect->setParameter(kRegen, 0.8f);
    effect->setParameter(kFftSize, 1.0f);
    effect->setParameter(kType, 0.75f);
    effect->setParameter(kKeepFreqs, 1.0f);
    auto* editor = static_cast<TrellisorEditor*>(effect->editorPointer());
    int hostWindow = 0;
    ASSERT_EQ(editor->open(&hostWindow), 1);
    editor->draw(nullptr);
    platform::Port& port = static_cast<platform::Window*>(editor->getFrame()->getSystemWindow())->port();

    ASSERT_EQ(picture->width(), port.width());
    ASSERT_EQ(picture->height(), port.height());
    EXPECT_EQ(picture->width(), editor->getBackgroundBitmap()->getWidth());
    int different = 0;
    for (int v = 0; v < port.height(); ++v)
        for (int h = 0; h < port.width(); ++h)
            if (picture->pixel(h, v) != port.getPixel(h, v))
                ++different;
    EXPECT_EQ(different, 0);

    // And it is not simply the default picture.
    const std::string defaults = tempPath("default.png");
    ASSERT_EQ(runTool("'" + defaults + "'"), 0);
    auto plain = readPng(defaults);
    ASSERT_NE(plain, nullptr);
    int changed = 0;
    for (int v = 0; v < plain->height(); ++v)
        for (int h = 0; h < plain->width(); ++h)
            if (plain->pixel(h, v) != picture->pixel(h, v))
                ++changed;
    EXPECT_GT(changed, 100);
    std::remove(path.c_str());
    std::remove(defaults.c_str());
}

TEST_F(EditorPng, BadArgumentsWriteNothing) {
    const std::string path = tempPath("bad.png");
    std::remove(path.c_str());
    const char* cases[] = {
        "--set Bogus=0.5",  "--set Regen",       "--set Regen=abc", "--set Regen=2",
        "--set Regen=nan",  "--set 7=0.5",       "--set Regen=",    "--frobnicate",
        "--set",
    };
    for (const char* arguments : cases) {
        EXPECT_EQ(runTool(std::string(arguments) + " '" + path + "'"), 2) << arguments;
        EXPECT_FALSE(exists(path)) << arguments;
    }
    EXPECT_EQ(runTool(""), 2) << "no output file";
    EXPECT_EQ(runTool("'" + path + "' '" + path + "2'"), 2) << "two output files";
    EXPECT_FALSE(exists(path));
}

TEST_F(EditorPng, UnwritableOutputFailsAndKeepsNoPartialFile) {
    EXPECT_EQ(runTool("/nonexistent-directory/editor.png"), 1);
    EXPECT_FALSE(exists("/nonexistent-directory/editor.png.tmp"));
}

}  // namespace
