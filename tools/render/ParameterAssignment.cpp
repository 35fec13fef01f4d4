#include "ParameterAssignment.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "RenderError.h"

namespace {

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

std::string ParameterAssignment::trimmed(const std::string& text) {
    std::string::size_type first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    std::string::size_type last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

ParameterAssignment ParameterAssignment::parse(const std::string& request) {
    std::string::size_type equals = request.rfind('=');
    if (equals == std::string::npos) {
        throw RenderError(kExitUsage, "--set " + request + ": expected NAME=VALUE");
    }
    ParameterAssignment assignment;
    assignment.name_ = trimmed(request.substr(0, equals));
    std::string valueText = trimmed(request.substr(equals + 1));
    if (assignment.name_.empty()) {
        throw RenderError(kExitUsage, "--set " + request + ": the parameter name is empty");
    }
    errno = 0;
    char* end = nullptr;
    double value = std::strtod(valueText.c_str(), &end);
    if (valueText.empty() || end == valueText.c_str() || *end != '\0' || errno == ERANGE ||
        !std::isfinite(value)) {
        throw RenderError(kExitUsage, "--set " + request + ": value '" + valueText + "' is not a number");
    }
    if (value < 0.0 || value > 1.0) {
        throw RenderError(kExitUsage, "--set " + request + ": value " + valueText +
                                          " is outside 0 to 1 (parameters are normalised)");
    }
    assignment.value_ = static_cast<float>(value);
    return assignment;
}

int32_t ParameterAssignment::resolve(const std::vector<std::string>& names) const {
    if (names.empty()) throw RenderError(kExitUsage, "--set " + name_ + "=...: the plug-in has no parameters");
    std::string wanted = lowered(name_);
    for (size_t i = 0; i < names.size(); ++i) {
        if (lowered(trimmed(names[i])) == wanted) return static_cast<int32_t>(i);
    }
    if (std::all_of(name_.begin(), name_.end(), [](unsigned char c) { return std::isdigit(c); })) {
        long index = name_.size() > 9 ? -1 : std::atol(name_.c_str());
        if (index >= 0 && static_cast<size_t>(index) < names.size()) return static_cast<int32_t>(index);
        throw RenderError(kExitUsage, "--set " + name_ + "=...: parameter index out of range 0 to " +
                                          std::to_string(static_cast<long>(names.size()) - 1));
    }
    std::string valid;
    std::vector<std::string> seen;
    for (const std::string& name : names) {
        std::string shown = trimmed(name);
        if (shown.empty() || std::find(seen.begin(), seen.end(), lowered(shown)) != seen.end()) continue;
        seen.push_back(lowered(shown));
        valid += (valid.empty() ? "" : ", ") + shown;
    }
    throw RenderError(kExitUsage, "unknown parameter '" + name_ + "'; valid names: " +
                                      (valid.empty() ? std::string("(none have names)") : valid));
}
