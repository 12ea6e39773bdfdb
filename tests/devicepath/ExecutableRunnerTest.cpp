#include "devicepath/ExecutableRunner.hpp"

#include "core/FileSystem.hpp"
#include "support/FakeExecutable.hpp"

#include <chrono>
#include <gtest/gtest.h>
#include <regex>
#include <thread>

namespace ventora {
namespace {

using DevicePathDetector::runExecutable;
using Clock = std::chrono::steady_clock;
using Stream = test::FakeExecutableFolder::Stream;
namespace fs = std::filesystem;

PlatformContext contextWithTemporaryDirectory(const fs::path& directory) {
    PlatformContext context;
    context.temporaryDirectory = directory;
    return context;
}

class executable_runner_test : public testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(m_tools.temporaryEntries(), std::vector<std::string>{});
        EXPECT_FALSE(test::hasChildProcesses());
    }

    std::optional<std::string> run(const fs::path& executable, double timeout = 4.0,
                                   const CancellationToken* token = nullptr) {
        const auto start = Clock::now();
        auto result = runExecutable(executable, {}, timeout, token, "ioreg", m_context);
        m_seconds = std::chrono::duration<double>(Clock::now() - start).count();
        return result;
    }

    // Answers SIGTERM by exiting 0 after more output: only the watchdog knows it was stopped.
    [[nodiscard]] fs::path politeTool() const {
        return m_tools.writeScript(
            "polite", "trap 'echo bye; exit 0' TERM\necho hello\nwhile :; do sleep 0.02; done");
    }

    test::FakeExecutableFolder m_tools;
    PlatformContext m_context = contextWithTemporaryDirectory(m_tools.temporaryDirectory());
    double m_seconds = 0;
};

TEST_F(executable_runner_test, returns_what_the_tool_printed_on_either_stream) {
    EXPECT_EQ(run(m_tools.writePrinter("out", "+-o Root\n")), "+-o Root\n");
    EXPECT_EQ(run(m_tools.writePrinter("err", "only here\n", Stream::standardError)),
              "only here\n");
    EXPECT_EQ(run(m_tools.writeScript("both", "echo a\necho b >&2\necho c")), "a\nb\nc\n");
    EXPECT_EQ(run(m_tools.writeScript("silent", "exit 0")), "");
    EXPECT_EQ(run(m_tools.writePrinter("utf8", "Gr\xc3\xa4\x66ik \xe2\x9c\x93")),
              "Gr\xc3\xa4\x66ik \xe2\x9c\x93");
}

TEST_F(executable_runner_test, captures_in_a_private_uniquely_named_file) {
    // The tool hard-links what the temporary directory holds into `kept`, so the capture can
    // be examined after the runner removed it.
    const fs::path kept = m_tools.path() / "kept";
    fs::create_directory(kept);
    EXPECT_EQ(run(m_tools.writeScript("keep", "ln '" + m_tools.temporaryDirectory().string() +
                                                  "'/* '" + kept.string() + "'\necho hello")),
              "hello\n");
    const std::vector<fs::path> captures(fs::directory_iterator(kept), {});
    ASSERT_EQ(captures.size(), 1U);
    EXPECT_TRUE(std::regex_match(captures[0].filename().string(),
                                 std::regex("Ventora-[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-"
                                            "[89AB][0-9A-F]{3}-[0-9A-F]{12}\\.ioreg")))
        << captures[0];
    EXPECT_EQ(fs::status(captures[0]).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    const Bytes captured = FileSystem::readWholeFile(captures[0]);
    EXPECT_EQ(std::string(captured.begin(), captured.end()), "hello\n");
}

TEST_F(executable_runner_test, failures_give_absent) {
    const struct {
        const char* name;
        fs::path executable;
        double timeout = 4.0;
    } rows[] = {
        {"exit 1 after printing",
         m_tools.writePrinter("fails", "+-o Root\n", Stream::standardOutput, 1)},
        {"killed by a signal", m_tools.writeScript("crash", "echo partial\nkill -KILL $$")},
        {"invalid UTF-8", m_tools.writePrinter("binary", "ok \xff\xfe")},
        {"overlong UTF-8", m_tools.writePrinter("overlong", "\xc0\xaf")},
        {"missing executable", m_tools.path() / "missing"},
        {"a folder", m_tools.path()},
        {"time-out", m_tools.writeScript("slow", "echo started\nexec sleep 30"), 0.2},
        {"ignores SIGTERM", m_tools.writeScript("stubborn", "trap '' TERM\nexec sleep 30"), 0.2},
        {"time-out of a tool that then exits 0", politeTool(), 0.2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(run(row.executable, row.timeout), std::nullopt);
        EXPECT_EQ(m_tools.temporaryEntries(), std::vector<std::string>{});
    }
}

TEST_F(executable_runner_test, nothing_runs_when_cancelled_first_or_without_a_capture_file) {
    const fs::path marker = m_tools.path() / "ran";
    const auto script = m_tools.writeScript("tool", "touch '" + marker.string() + "'");
    CancellationToken token;
    token.cancel();
    EXPECT_EQ(run(script, 4.0, &token), std::nullopt);
    m_context.temporaryDirectory = m_tools.path() / "missing-folder";
    EXPECT_EQ(run(script), std::nullopt);
    EXPECT_FALSE(fs::exists(marker));
}

TEST_F(executable_runner_test, cancelling_during_the_run_gives_absent_even_for_exit_status_0) {
    CancellationToken token;
    std::thread canceller([&token] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        token.cancel();
    });
    EXPECT_EQ(run(politeTool(), 30.0, &token), std::nullopt);
    canceller.join();
    EXPECT_GE(m_seconds, 0.3);
    EXPECT_LT(m_seconds, 0.8);
}

} // namespace
} // namespace ventora
