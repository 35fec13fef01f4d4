// trellisor-editor-png: draws the Trellisor editor without a display and
// writes it as a PNG file.
//
//   trellisor-editor-png [--set NAME=VALUE]... OUTPUT.png
//
// NAME is a parameter's name as the host shows it, without its padding and
// in any letter case ("Regen", "FFT Size", "win type"), or its index 0-6;
// VALUE is the normalised value. The editor is opened on an in-memory
// window after all values are set, drawn once, and saved; the file appears
// only when it was written completely (written beside it, then renamed).
//
// Exit codes: 0 written; 2 bad arguments; 1 the picture could not be made or
// written. Errors are one line on standard error.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "AEffGUIEditor.h"
#include "CFrame.h"
#include "HeadlessBackend.h"
#include "Picture.h"
#include "Port.h"
#include "TrellisorEdit.h"
#include "TrellisorEditor.h"

namespace {

intptr_t quietHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

std::string trimmedLower(const char* text) {
    std::string s(text);
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    s = s.substr(first, s.find_last_not_of(' ') - first + 1);
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The index of a parameter named by name or number, or -1.
int parameterIndex(AudioEffect& effect, const std::string& name) {
    char* end = nullptr;
    const long number = std::strtol(name.c_str(), &end, 10);
    if (!name.empty() && end && *end == 0)
        return number >= 0 && number < kNumRealParams ? static_cast<int>(number) : -1;
    const std::string wanted = trimmedLower(name.c_str());
    for (int i = 0; i < kNumRealParams; ++i) {
        char text[64] = {};
        effect.getParameterName(i, text);
        if (trimmedLower(text) == wanted)
            return i;
    }
    return -1;
}

struct Setting {
    int index;
    float value;
};

int usage(const char* message) {
    std::fprintf(stderr, "trellisor-editor-png: %s (usage: trellisor-editor-png [--set NAME=VALUE]... OUTPUT.png)\n",
                 message);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    platform::HeadlessBackend backend;
    platform::setBackend(&backend);

    std::unique_ptr<TrellisorEdit> effect(new (std::nothrow) TrellisorEdit(quietHost));
    if (!effect || !effect->editorPointer()) {
        std::fprintf(stderr, "trellisor-editor-png: the effect could not be created\n");
        return 1;
    }

    std::vector<Setting> settings;
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--set") {
            if (i + 1 >= argc)
                return usage("--set needs NAME=VALUE");
            const std::string assignment = argv[++i];
            const auto eq = assignment.find('=');
            if (eq == std::string::npos)
                return usage(("--set " + assignment + ": expected NAME=VALUE").c_str());
            const int index = parameterIndex(*effect, assignment.substr(0, eq));
            if (index < 0)
                return usage(("unknown parameter '" + assignment.substr(0, eq) + "'").c_str());
            const std::string number = assignment.substr(eq + 1);
            char* end = nullptr;
            errno = 0;
            const float value = std::strtof(number.c_str(), &end);
            if (number.empty() || *end != 0 || errno != 0 || !(value >= 0.0f && value <= 1.0f))
                return usage(("--set " + assignment + ": the value must be a number from 0 to 1").c_str());
            settings.push_back({index, value});
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usage(("unknown option " + arg).c_str());
        } else if (output) {
            return usage("only one output file");
        } else {
            output = argv[i];
        }
    }
    if (!output)
        return usage("no output file");

    for (const Setting& s : settings)
        effect->setParameter(s.index, s.value);

    auto* editor = static_cast<TrellisorEditor*>(effect->editorPointer());
    int hostWindow = 0;
    if (editor->open(&hostWindow) != 1 || !editor->getFrame() || !editor->getFrame()->getSystemWindow()) {
        std::fprintf(stderr, "trellisor-editor-png: the editor could not be opened\n");
        return 1;
    }
    editor->draw(nullptr);
    auto* window = static_cast<platform::Window*>(editor->getFrame()->getSystemWindow());

    const std::string temporary = std::string(output) + ".tmp";
    const bool written = platform::savePng(window->port(), temporary.c_str());
    editor->close();
    if (!written || std::rename(temporary.c_str(), output) != 0) {
        std::remove(temporary.c_str());
        std::fprintf(stderr, "trellisor-editor-png: cannot write %s\n", output);
        return 1;
    }
    return 0;
}
