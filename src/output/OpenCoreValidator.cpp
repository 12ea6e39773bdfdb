#include "output/OpenCoreValidator.hpp"

#include "core/Ascii.hpp"
#include "core/Unicode.hpp"
#include "process/CapturedRun.hpp"

#include <chrono>
#include <exception>
#include <sstream>
#include <string_view>

namespace ventora::OpenCoreValidator {
namespace {

namespace fs = std::filesystem;

// ocvalidate prints a line per finding; this is far more than any real config produces.
constexpr std::size_t maximumOutputBytes = 4U << 20U;

// Every ocvalidate release ends a completed run with this line, found issues or not.
constexpr std::string_view completedPrefix = "Completed validating";

struct Output {
    std::string lastLine;      // the last line that is not blank
    std::string completedLine; // the last "Completed validating ..." line
};

Output readOutput(const Bytes& bytes) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    Output output;
    if (!Unicode::isValidUtf8(text)) {
        return output;
    }
    for (const std::string_view rawLine : Ascii::lines(text)) {
        const std::string_view line = Unicode::trimWhitespace(rawLine);
        if (line.empty()) {
            continue;
        }
        output.lastLine = std::string(line);
        if (line.starts_with(completedPrefix)) {
            output.completedLine = output.lastLine;
        }
    }
    return output;
}

std::string seconds(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

} // namespace

std::optional<fs::path> locate(const fs::path& configFolder, const PlatformContext& context) {
    if (const fs::path beside = configFolder / executableName; isExecutableFile(beside)) {
        return beside;
    }
    for (const fs::path& directory : context.searchPathDirectories()) {
        if (const fs::path candidate = directory / executableName; isExecutableFile(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
}

std::string check(const fs::path& validator, const fs::path& config, const CancellationToken* token,
                  const PlatformContext& context, double timeout) {
    const std::string tool = "ocvalidate (" + validator.string() + ")";
    const auto started = std::chrono::steady_clock::now();
    ProcessRunner::CapturedRun run{-1, {}};
    try {
        run = ProcessRunner::runCapturing(validator, {config.filename().string()},
                                          config.parent_path(), timeout, token, executableName,
                                          context, maximumOutputBytes);
    } catch (const std::exception& error) {
        return tool + " could not be run and was skipped: " + error.what() + ".";
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
    const Output output = readOutput(run.output);
    if (run.status == 0) {
        return tool + " found the merged config.plist valid: " +
               (output.lastLine.empty() ? "it printed no verdict." : output.lastLine);
    }
    if (run.status > 0 && !output.completedLine.empty()) {
        return tool + " reported issues in the merged config.plist: " + output.completedLine +
               " They do not block the export, because each ocvalidate build checks against "
               "one OpenCore release, which may not be the one you boot; run your own "
               "ocvalidate on the archive's config.plist to see them.";
    }
    if (run.status < 0 && isCancelled(token)) {
        return tool + " was stopped because the export was cancelled.";
    }
    if (run.status < 0) {
        return elapsed.count() >= timeout
                   ? tool + " did not finish within " + seconds(timeout) +
                         " seconds and was stopped; validation was skipped."
                   : tool + " was ended by a signal; validation was skipped.";
    }
    return tool + " failed with exit status " + std::to_string(run.status) + " and was skipped: " +
           (output.lastLine.empty() ? "it printed nothing." : output.lastLine);
}

std::string validateMergedConfig(const fs::path& config, const fs::path& configFolder,
                                 const CancellationToken* token, const PlatformContext& context,
                                 double timeout) {
    const auto validator = locate(configFolder, context);
    if (!validator) {
        return "ocvalidate was found neither beside the chosen config nor on PATH, so the "
               "merged config.plist was not checked with OpenCore's own validator.";
    }
    return check(*validator, config, token, context, timeout);
}

} // namespace ventora::OpenCoreValidator
