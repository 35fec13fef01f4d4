// A real host: Ardour's VST 2 scanner loads the plug-in and reports it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "ExpectedPlugin.h"

namespace {

constexpr const char* kScanner = "/usr/lib/ardour7/ardour-vst-scanner";

std::string run(const std::string& command, int& status) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        status = -1;
        return output;
    }
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, got);
    status = pclose(pipe);
    return output;
}

// The attributes (name="value") of the first <VST2Info ...> element.
std::map<std::string, std::string> vst2Info(const std::string& text) {
    std::map<std::string, std::string> fields;
    const size_t start = text.find("<VST2Info ");
    if (start == std::string::npos) return fields;
    const size_t end = text.find('>', start);
    if (end == std::string::npos) return fields;
    const std::string element = text.substr(start, end - start);
    size_t at = element.find(' ');
    while (at != std::string::npos) {
        const size_t equals = element.find("=\"", at);
        if (equals == std::string::npos) break;
        const size_t close = element.find('"', equals + 2);
        if (close == std::string::npos) break;
        std::string name = element.substr(at, equals - at);
        name.erase(0, name.find_first_not_of(" \t\r\n"));
        fields[name] = element.substr(equals + 2, close - equals - 2);
        at = close + 1;
    }
    return fields;
}

// The cache file that the scanner names after "cache to ".
std::string savedCacheFile(const std::string& output) {
    const std::string marker = "cache to ";
    const size_t at = output.find(marker);
    if (at == std::string::npos) return {};
    const size_t start = at + marker.size();
    const size_t end = output.find_first_of(" \r\n", start);
    return output.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

TEST(ArdourScannerTest, ReportsThePluginsIdentityAndBuses) {
    if (access(kScanner, X_OK) != 0)
        GTEST_SKIP() << kScanner << " is absent: install Ardour (scripts/install-deps.sh)";
#ifdef TRELLISOR_SANITIZED
    GTEST_SKIP() << "the scanner cannot load a sanitizer-instrumented Trellisor.so";
#endif

    // A private HOME keeps the scanner's cache out of the user's own Ardour set-up.
    char home[] = "/tmp/trellisor-scan-XXXXXX";
    ASSERT_NE(mkdtemp(home), nullptr);
    int status = 0;
    const std::string output = run(std::string("HOME='") + home + "' LD_LIBRARY_PATH=/usr/lib/ardour7 " + kScanner +
                                       " -f -v '" + TRELLISOR_PLUGIN_PATH + "' 2>&1",
                                   status);
    ASSERT_EQ(status, 0) << output;

    // The scanner prints the cache entry; if a version does not, the entry
    // is in the cache file it names.
    auto fields = vst2Info(output);
    if (fields.empty()) {
        const std::string saved = savedCacheFile(output);
        if (!saved.empty()) {
            std::ifstream file(saved);
            std::stringstream contents;
            contents << file.rdbuf();
            fields = vst2Info(contents.str());
        }
    }
    ASSERT_FALSE(fields.empty()) << "no VST2Info in the scanner's report:\n" << output;

    EXPECT_EQ(fields["creator"], expected::kVendor);
    EXPECT_EQ(fields["name"], expected::kProduct);
    EXPECT_EQ(fields["n_inputs"], "2");
    EXPECT_EQ(fields["n_outputs"], "2");
    EXPECT_EQ(fields["can_process_replace"], "1");
    EXPECT_EQ(fields["is_instrument"], "0");
    EXPECT_EQ(fields["id"], std::to_string(expected::kUniqueId));
    EXPECT_EQ(fields["has_editor"], expected::kHasEditor ? "1" : "0");
}

}  // namespace
