// A real host: Ardour's VST 2 scanner loads the plug-in and reports it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
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

// The attributes of the first <VST2Info .../> element in the text.
std::map<std::string, std::string> vst2Info(const std::string& text) {
    std::map<std::string, std::string> fields;
    std::smatch element;
    if (!std::regex_search(text, element, std::regex(R"(<VST2Info\s([^>]*)>)"))) return fields;
    const std::string attributes = element[1].str();
    const std::regex attribute(R"re(([A-Za-z_]+)="([^"]*)")re");
    for (auto it = std::sregex_iterator(attributes.begin(), attributes.end(), attribute);
         it != std::sregex_iterator(); ++it)
        fields[(*it)[1].str()] = (*it)[2].str();
    return fields;
}

TEST(ArdourScannerTest, ReportsThePluginsIdentityAndBuses) {
    if (access(kScanner, X_OK) != 0)
        GTEST_SKIP() << kScanner << " is absent: install Ardour (scripts/install-deps.sh)";

    int status = 0;
    const std::string output = run(std::string("LD_LIBRARY_PATH=/usr/lib/ardour7 ") + kScanner +
                                       " -f -v '" + TRELLISOR_PLUGIN_PATH + "' 2>&1",
                                   status);
    ASSERT_EQ(status, 0) << output;

    // The scanner prints the cache entry; if a version does not, the entry
    // is in the cache file it names.
    auto fields = vst2Info(output);
    if (fields.empty()) {
        std::smatch saved;
        if (std::regex_search(output, saved, std::regex(R"(cache to (\S+))"))) {
            std::ifstream file(saved[1].str());
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
