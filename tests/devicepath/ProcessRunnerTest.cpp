#include "devicepath/ProcessRunner.hpp"

#include "core/FileSystem.hpp"
#include "support/FakeExecutable.hpp"

#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace ventora {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class process_runner_test : public testing::Test {
protected:
    void TearDown() override { EXPECT_FALSE(test::hasChildProcesses()); }

    UniqueFd openOutput(const std::string& name) const {
        UniqueFd fd(::open((m_tools.path() / name).c_str(),
                           O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        EXPECT_TRUE(fd.valid());
        return fd;
    }

    std::string readOutput(const std::string& name) const {
        const Bytes bytes = FileSystem::readWholeFile(m_tools.path() / name);
        return {bytes.begin(), bytes.end()};
    }

    // Runs `script` with both streams sent to "out" and returns the status and the seconds
    // the call took.
    std::pair<int, double> timedRun(const fs::path& script, double timeout,
                                    const CancellationToken* token = nullptr) const {
        UniqueFd out = openOutput("out");
        const auto start = Clock::now();
        const int status = ProcessRunner::run({.executable = script,
                                               .arguments = {},
                                               .workingDirectory = std::nullopt,
                                               .standardOutputFd = out.get(),
                                               .standardErrorFd = out.get(),
                                               .timeoutSeconds = timeout,
                                               .token = token});
        return {status, std::chrono::duration<double>(Clock::now() - start).count()};
    }

    test::FakeExecutableFolder m_tools;
};

TEST_F(process_runner_test, routes_streams_and_returns_exit_status) {
    const auto script = m_tools.writeScript("tool", "echo out\necho err >&2\nexit 3");
    UniqueFd out = openOutput("stdout");
    UniqueFd err = openOutput("stderr");
    const int status = ProcessRunner::run({.executable = script,
                                           .arguments = {},
                                           .workingDirectory = std::nullopt,
                                           .standardOutputFd = out.get(),
                                           .standardErrorFd = err.get(),
                                           .timeoutSeconds = 4.0});
    EXPECT_EQ(status, 3);
    EXPECT_EQ(readOutput("stdout"), "out\n");
    EXPECT_EQ(readOutput("stderr"), "err\n");
}

TEST_F(process_runner_test, passes_arguments_without_a_shell) {
    const auto script =
        m_tools.writeScript("args", R"(for a in "$@"; do printf '[%s]' "$a"; done)");
    UniqueFd out = openOutput("out");
    const int status = ProcessRunner::run({.executable = script,
                                           .arguments = {"-f", "GFX0", "a b", "$HOME", "", "*"},
                                           .workingDirectory = std::nullopt,
                                           .standardOutputFd = out.get(),
                                           .standardErrorFd = out.get(),
                                           .timeoutSeconds = 4.0});
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readOutput("out"), "[-f][GFX0][a b][$HOME][][*]");
}

TEST_F(process_runner_test, runs_in_the_requested_working_directory) {
    const auto script = m_tools.writeScript("where", "pwd -P");
    const fs::path folder = m_tools.path() / "work";
    fs::create_directory(folder);
    for (const auto& [directory, expected] :
         {std::pair{std::optional<fs::path>(folder), fs::canonical(folder)},
          std::pair{std::optional<fs::path>(), fs::canonical(fs::current_path())}}) {
        UniqueFd out = openOutput("out");
        EXPECT_EQ(ProcessRunner::run({.executable = script,
                                      .arguments = {},
                                      .workingDirectory = directory,
                                      .standardOutputFd = out.get(),
                                      .standardErrorFd = out.get(),
                                      .timeoutSeconds = 4.0}),
                  0);
        EXPECT_EQ(readOutput("out"), expected.string() + "\n");
    }
}

TEST_F(process_runner_test, launch_failures_throw_with_the_platform_text) {
    const auto notExecutable = m_tools.path() / "plain";
    { UniqueFd created = openOutput("plain"); }
    const auto script = m_tools.writeScript("tool", "exit 0");
    struct Row {
        fs::path executable;
        std::optional<fs::path> workingDirectory;
        int error;
    };
    for (const auto& row : {Row{m_tools.path() / "missing", std::nullopt, ENOENT},
                            Row{notExecutable, std::nullopt, EACCES},
                            Row{script, m_tools.path() / "no-such-folder", ENOENT}}) {
        SCOPED_TRACE(row.executable.string());
        UniqueFd out = openOutput("out");
        try {
            (void)ProcessRunner::run({.executable = row.executable,
                                      .arguments = {},
                                      .workingDirectory = row.workingDirectory,
                                      .standardOutputFd = out.get(),
                                      .standardErrorFd = out.get(),
                                      .timeoutSeconds = 4.0});
            ADD_FAILURE() << "no exception";
        } catch (const std::system_error& error) {
            EXPECT_EQ(error.code().value(), row.error);
            EXPECT_NE(std::string(error.what()).find(std::generic_category().message(row.error)),
                      std::string::npos);
        }
    }
}

TEST_F(process_runner_test, a_child_ended_by_a_signal_gives_minus_one) {
    const auto [status, seconds] = timedRun(m_tools.writeScript("crash", "kill -KILL $$"), 4.0);
    EXPECT_EQ(status, -1);
    EXPECT_LT(seconds, 2.0);
}

TEST_F(process_runner_test, a_child_past_its_time_out_is_terminated_within_a_tick) {
    const auto [status, seconds] = timedRun(m_tools.writeScript("slow", "exec sleep 30"), 0.3);
    EXPECT_EQ(status, -1);
    EXPECT_GE(seconds, 0.3);
    EXPECT_LT(seconds, 0.75); // the forced kill would come at 0.8 s
}

TEST_F(process_runner_test, a_child_ignoring_sigterm_is_killed_half_a_second_later) {
    const auto [status, seconds] =
        timedRun(m_tools.writeScript("stubborn", "trap '' TERM\nexec sleep 30"), 0.3);
    EXPECT_EQ(status, -1);
    EXPECT_GE(seconds, 0.8);
    EXPECT_LT(seconds, 2.0);
}

TEST_F(process_runner_test, cancelling_ends_the_child_within_a_tick) {
    CancellationToken token;
    std::thread canceller([&token] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        token.cancel();
    });
    const auto [status, seconds] =
        timedRun(m_tools.writeScript("slow", "exec sleep 30"), 30.0, &token);
    canceller.join();
    EXPECT_EQ(status, -1);
    EXPECT_GE(seconds, 0.2);
    EXPECT_LT(seconds, 0.65);
}

TEST_F(process_runner_test, a_quick_child_is_not_held_up_by_the_watchdog) {
    const auto script = m_tools.writeScript("quick", "exit 0");
    double quickest = 1e9;
    for (int i = 0; i < 5; ++i) {
        const auto [status, seconds] = timedRun(script, 4.0);
        EXPECT_EQ(status, 0);
        quickest = std::min(quickest, seconds);
    }
    // Waiting for the next tick would make every call last 0.05 s or more.
    EXPECT_LT(quickest, 0.045);
}

} // namespace
} // namespace ventora
