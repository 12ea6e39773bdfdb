#include "process/CapturedRun.hpp"

#include "support/FakeExecutable.hpp"

#include <gtest/gtest.h>
#include <regex>
#include <system_error>

namespace ventora {
namespace {

namespace fs = std::filesystem;

TEST(CapturedRun, CapturesBothStreamsInAPrivateFileRemovedAfterwards) {
    test::FakeExecutableFolder tools;
    PlatformContext context;
    context.temporaryDirectory = tools.temporaryDirectory();
    // The tool hard-links the capture into `kept`, so it can be examined after its removal.
    const fs::path kept = tools.path() / "kept";
    fs::create_directory(kept);
    const auto tool = tools.writeScript("tool", "echo out\necho err >&2\nln '" +
                                                    context.temporaryDirectory.string() + "'/* '" +
                                                    kept.string() + "'\nexit 4");
    const auto run =
        ProcessRunner::runCapturing(tool, {}, std::nullopt, 4.0, nullptr, "ioreg", context, 6);
    EXPECT_EQ(run.status, 4);
    EXPECT_EQ(std::string(run.output.begin(), run.output.end()), "out\ner");
    const std::vector<fs::path> captures(fs::directory_iterator(kept), {});
    ASSERT_EQ(captures.size(), 1U);
    // The UUID's own shape is the foundation suite's concern.
    EXPECT_TRUE(std::regex_match(captures[0].filename().string(),
                                 std::regex("Ventora-[-0-9A-F]{36}\\.ioreg")));
    EXPECT_EQ(fs::status(captures[0]).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(tools.temporaryEntries(), std::vector<std::string>{});

    EXPECT_THROW((void)ProcessRunner::runCapturing(tools.path() / "missing", {}, std::nullopt, 4.0,
                                                   nullptr, "ioreg", context),
                 std::system_error);
    EXPECT_EQ(tools.temporaryEntries(), std::vector<std::string>{});
}

} // namespace
} // namespace ventora
