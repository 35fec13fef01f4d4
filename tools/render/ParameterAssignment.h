// One --set NAME=VALUE request, resolved against the plug-in's parameter
// names. NAME matches a parameter name case-insensitively with surrounding
// spaces ignored (the first parameter of that name wins), or is an index.
// VALUE is a normalised value from 0 to 1.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ParameterAssignment {
public:
    // Splits "NAME=VALUE" at its last '=' and checks the value; throws
    // RenderError (kExitUsage) for a missing '=', an empty name, a value
    // that is not a number or lies outside 0 to 1.
    static ParameterAssignment parse(const std::string& request);

    // Finds the parameter index among `names` (the plug-in's names by index);
    // throws RenderError (kExitUsage) naming the valid names when none matches.
    int32_t resolve(const std::vector<std::string>& names) const;

    const std::string& name() const { return name_; }
    float value() const { return value_; }

    static std::string trimmed(const std::string& text);

private:
    std::string name_;
    float value_ = 0.0f;
};
