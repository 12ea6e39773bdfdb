#include "output/OpenCoreValidator.hpp"

#include "OutputSandbox.hpp"

#include <gtest/gtest.h>

namespace ventora {
namespace {

namespace fs = std::filesystem;

TEST(OpenCoreValidator, VerdictsAreReportedAndFailuresSkipped) {
    // Each fake validator first proves it was started in the config's folder with its name.
    const std::string startedRight = "[ \"$1\" = config.plist ] && [ -f config.plist ] || exit 9\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"echo 'NOTE: This version of ocvalidate is only compatible with OpenCore 1.0.7!'\n"
         "echo\necho \"Completed validating $1 in 1 ms. No issues found.\"",
         "found the merged config.plist valid: Completed validating config.plist in 1 ms. No "
         "issues found."},
        {"echo 'DeviceProperties->Add[PciRoot(0x0)] is borked!'\n"
         "echo \"Completed validating $1 in 2 ms. Found 1 issue requiring attention.\"\nexit 1",
         "reported issues in the merged config.plist: Completed validating config.plist in 2 ms. "
         "Found 1 issue requiring attention. They do not block the export, because each "
         "ocvalidate build checks against one OpenCore release, which may not be the one you "
         "boot; run your own ocvalidate on the archive's config.plist to see them."},
        {"echo 'Failed to read config.plist' >&2\nexit 255",
         "failed with exit status 255 and was skipped: Failed to read config.plist"},
        {"exec sleep 30",
         "did not finish within 0.3 seconds and was stopped; validation was skipped."},
    };
    test::OutputSandbox sandbox;
    const fs::path config = sandbox.root() / "config.plist";
    sandbox.write(config, std::string("<plist/>"));
    for (const auto& [body, messageEnd] : cases) {
        const fs::path validator = sandbox.writeScript("ocvalidate", startedRight + body);
        EXPECT_EQ(OpenCoreValidator::check(validator, config, nullptr, sandbox.context(), 0.3),
                  "ocvalidate (" + validator.string() + ") " + messageEnd);
        EXPECT_EQ(sandbox.leftoverTemporaries(), std::vector<std::string>{});
    }
}

TEST(OpenCoreValidator, FoundBesideTheConfigBeforeTheSearchPath) {
    test::OutputSandbox sandbox;
    const fs::path configFolder = sandbox.root() / "EFI";
    fs::create_directory(configFolder);
    const fs::path onPath = sandbox.writeScript("ocvalidate", "exit 0");
    sandbox.context().searchPath = "/nonexistent::" + onPath.parent_path().string();
    EXPECT_EQ(OpenCoreValidator::locate(configFolder, sandbox.context()), onPath);
    fs::copy_file(onPath, configFolder / "ocvalidate");
    EXPECT_EQ(OpenCoreValidator::locate(configFolder, sandbox.context()),
              configFolder / "ocvalidate");
    fs::remove(configFolder / "ocvalidate");
    sandbox.context().searchPath = std::nullopt;
    EXPECT_EQ(OpenCoreValidator::validateMergedConfig(configFolder / "config.plist", configFolder,
                                                      nullptr, sandbox.context()),
              "ocvalidate was found neither beside the chosen config nor on PATH, so the merged "
              "config.plist was not checked with OpenCore's own validator.");
}

} // namespace
} // namespace ventora
