#include "cli/CliSupport.hpp"

#include <iostream>

namespace ventora::cli {

std::optional<std::string> ParsedArguments::option(const std::string& name) const {
    const auto found = options.find(name);
    if (found == options.end()) {
        return std::nullopt;
    }
    return found->second;
}

ParsedArguments parseArguments(const std::vector<std::string>& args,
                               const std::set<std::string>& valueOptions,
                               const std::set<std::string>& flagOptions) {
    ParsedArguments parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (flagOptions.count(word) != 0) {
            parsed.flags.insert(word);
        } else if (valueOptions.count(word) != 0) {
            if (i + 1 >= args.size()) {
                throw UsageError("Option " + word + " needs a value.");
            }
            if (!parsed.options.emplace(word, args[++i]).second) {
                throw UsageError("Option " + word + " was given twice.");
            }
        } else if (word.size() > 1 && word.front() == '-') {
            throw UsageError("Unknown option " + word + ".");
        } else {
            parsed.positionals.push_back(word);
        }
    }
    return parsed;
}

PatchMode parsePreset(const std::string& word) {
    if (word == "zero-rpm-off") {
        return PatchMode::zeroRpmPure;
    }
    if (word == "fan35") {
        return PatchMode::fan35;
    }
    throw UsageError("Unknown preset " + word + "; use zero-rpm-off or fan35.");
}

std::string singleInput(const ParsedArguments& arguments) {
    if (arguments.positionals.size() != 1) {
        throw UsageError("Give exactly one input file.");
    }
    return arguments.positionals.front();
}

void printLines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        std::cout << line << '\n';
    }
    std::cout.flush();
}

int fail(const std::string& message, int code) {
    std::cerr << "ERROR: " << message << std::endl;
    return code;
}

} // namespace ventora::cli
