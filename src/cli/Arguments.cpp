#include "cli/Arguments.hpp"

#include "core/AppError.hpp"

#include <charconv>

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

namespace {

int wholeNumber(const ParsedArguments& arguments, const std::string& name) {
    const auto word = arguments.option(name);
    if (!word) {
        throw UsageError("The custom preset needs --start and --stop. " +
                         PatchMode::customRanges());
    }
    int value = 0;
    const char* end = word->data() + word->size();
    const auto [stop, error] = std::from_chars(word->data(), end, value);
    if (word->empty() || error != std::errc() || stop != end) {
        throw UsageError(name + " " + *word + " is not a whole number. " +
                         PatchMode::customRanges());
    }
    return value;
}

// The presets' command-line names in their order, the last joined by `last`.
std::string presetNames(std::string_view separator, std::string_view last) {
    std::string names;
    for (std::size_t i = 0; i < presetSpellings.size(); ++i) {
        if (i > 0) {
            names += i + 1 == presetSpellings.size() ? last : separator;
        }
        names += presetSpellings[i].cliName;
    }
    return names;
}

} // namespace

PatchMode parsePreset(const std::string& word, const ParsedArguments& arguments) {
    const std::string_view custom = spellingOf(PatchMode::Preset::custom).cliName;
    if (word == custom) {
        const int start = wholeNumber(arguments, "--start");
        const int stop = wholeNumber(arguments, "--stop");
        try {
            return PatchMode::custom(start, stop);
        } catch (const AppError& error) {
            throw UsageError(error.message());
        }
    }
    if (arguments.option("--start") || arguments.option("--stop")) {
        throw UsageError("--start and --stop go only with --preset " + std::string(custom) + ".");
    }
    for (const PatchMode fixed : {PatchMode::zeroRpmPure, PatchMode::fan35}) {
        if (word == spellingOf(fixed.preset()).cliName) {
            return fixed;
        }
    }
    throw UsageError("Unknown preset " + word + "; use " + presetNames(", ", " or ") + ".");
}

std::string presetSyntax() {
    return presetNames(" | ", " | ") + " --start START --stop STOP";
}

std::string singleInput(const ParsedArguments& arguments) {
    if (arguments.positionals.size() != 1) {
        throw UsageError("Give exactly one input file.");
    }
    return arguments.positionals.front();
}

} // namespace ventora::cli
