#pragma once

#include "core/PatchMode.hpp"

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace ventora::cli {

/// A command line that does not fit the command's grammar; main() prints usage for it.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Options with values, flags and positional words of one command line.
struct ParsedArguments {
    std::map<std::string, std::string> options;
    std::set<std::string> flags;
    std::vector<std::string> positionals;

    [[nodiscard]] std::optional<std::string> option(const std::string& name) const;
};

/// Splits `args` by the command's known options; anything unknown is a UsageError.
[[nodiscard]] ParsedArguments parseArguments(const std::vector<std::string>& args,
                                             const std::set<std::string>& valueOptions,
                                             const std::set<std::string>& flagOptions);

/// A preset's command-line name; "custom" with whole numbers in --start and --stop inside the
/// allowed ranges. Anything else, and --start/--stop with another preset, is a UsageError.
[[nodiscard]] PatchMode parsePreset(const std::string& word, const ParsedArguments& arguments);

/// What usage shows for PRESET: "zero-rpm-off | fan35 | custom --start START --stop STOP".
[[nodiscard]] std::string presetSyntax();

/// Exactly one positional word, the input file.
[[nodiscard]] std::string singleInput(const ParsedArguments& arguments);

} // namespace ventora::cli
