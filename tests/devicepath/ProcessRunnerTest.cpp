#include "devicepath/ProcessRunner.hpp"

#include "core/FileSystem.hpp"
#include "support/FakeExecutable.hpp"

#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <system_error>
#include <thread>

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

    // Runs `request` with both streams sent to "out" unless it names its own, and returns the
    // status and the seconds the call took.
    std::pair<int, double> timedRun(ProcessRunner::Request request) const {
        UniqueFd out = openOutput("out");
        if (request.standardOutputFd < 0) {
            request.standardOutputFd = request.standardErrorFd = out.get();
        }
        const auto start = Clock::now();
        const int status = ProcessRunner::run(request);
        return {status, std::chrono::duration<double>(Clock::now() - start).count()};
    }

    static ProcessRunner::Request request(fs::path executable, double timeout = 4.0,
                                          const CancellationToken* token = nullptr) {
        return {.executable = std::move(executable),
                .arguments = {},
                .workingDirectory = std::nullopt,
                .standardOutputFd = -1,
                .standardErrorFd = -1,
                .timeoutSeconds = timeout,
                .token = token};
    }

    test::FakeExecutableFolder m_tools;
};

TEST_F(process_runner_test, passes_arguments_routes_streams_and_returns_the_exit_status) {
    auto tool = request(m_tools.writeScript(
        "tool", "for a in \"$@\"; do printf '[%s]' \"$a\"; done\necho err >&2\nexit 3"));
    tool.arguments = {"-f", "GFX0", "a b", "$HOME", "", "*"};
    UniqueFd out = openOutput("stdout");
    UniqueFd err = openOutput("stderr");
    tool.standardOutputFd = out.get();
    tool.standardErrorFd = err.get();
    EXPECT_EQ(ProcessRunner::run(tool), 3);
    EXPECT_EQ(readOutput("stdout"), "[-f][GFX0][a b][$HOME][][*]");
    EXPECT_EQ(readOutput("stderr"), "err\n");

    EXPECT_EQ(timedRun(request(m_tools.writeScript("crash", "kill -KILL $$"))).first, -1);
}

TEST_F(process_runner_test, runs_in_the_requested_working_directory) {
    const fs::path folder = m_tools.path() / "work";
    fs::create_directory(folder);
    auto where = request(m_tools.writeScript("where", "pwd -P"));
    for (const auto& [directory, expected] :
         {std::pair{std::optional<fs::path>(folder), fs::canonical(folder)},
          std::pair{std::optional<fs::path>(), fs::canonical(fs::current_path())}}) {
        where.workingDirectory = directory;
        EXPECT_EQ(timedRun(where).first, 0);
        EXPECT_EQ(readOutput("out"), expected.string() + "\n");
    }
}

TEST_F(process_runner_test, launch_failures_throw_with_the_platform_text) {
    { UniqueFd created = openOutput("plain"); }
    auto inMissingFolder = request(m_tools.writeScript("tool", "exit 0"));
    inMissingFolder.workingDirectory = m_tools.path() / "no-such-folder";
    for (const auto& [launch, error] : {std::pair{request(m_tools.path() / "missing"), ENOENT},
                                        std::pair{request(m_tools.path() / "plain"), EACCES},
                                        std::pair{inMissingFolder, ENOENT}}) {
        SCOPED_TRACE(launch.executable.string());
        try {
            (void)timedRun(launch);
            ADD_FAILURE() << "no exception";
        } catch (const std::system_error& thrown) {
            EXPECT_EQ(thrown.code().value(), error);
            EXPECT_NE(std::string(thrown.what()).find(std::generic_category().message(error)),
                      std::string::npos);
        }
    }
}

// Generous upper bounds: each promise is "within a tick" or "0.5 s after SIGTERM", and the
// next step (the forced kill, the child's own 30 s) lies well beyond them.
TEST_F(process_runner_test, the_watchdog_ends_children_on_time_out_and_cancellation) {
    const struct {
        const char* name;
        fs::path script;
        double atLeast;
        double below;
    } rows[] = {
        {"terminated within a tick", m_tools.writeScript("slow", "exec sleep 30"), 0.3, 0.75},
        {"ignores SIGTERM, killed 0.5 s later",
         m_tools.writeScript("stubborn", "trap '' TERM\nexec sleep 30"), 0.8, 2.0},
        {"stops itself, killed 0.5 s after SIGTERM",
         m_tools.writeScript("stopped", "kill -STOP $$\nexec sleep 30"), 0.8, 2.0},
        {"answers SIGTERM with exit 0, still a failure",
         m_tools.writeScript("polite", "trap 'exit 0' TERM\nwhile :; do sleep 0.02; done"), 0.3,
         0.75},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto [status, seconds] = timedRun(request(row.script, 0.3));
        EXPECT_EQ(status, -1);
        EXPECT_GE(seconds, row.atLeast);
        EXPECT_LT(seconds, row.below);
    }

    CancellationToken token;
    std::thread canceller([&token] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        token.cancel();
    });
    const auto [status, seconds] = timedRun(request(rows[0].script, 30.0, &token));
    canceller.join();
    EXPECT_EQ(status, -1);
    EXPECT_GE(seconds, 0.2);
    EXPECT_LT(seconds, 0.65);
}

TEST_F(process_runner_test, a_quick_child_is_not_held_up_by_the_watchdog) {
    const auto quick = request(m_tools.writeScript("quick", "exit 0"));
    double quickest = 1e9;
    for (int i = 0; i < 5; ++i) {
        const auto [status, seconds] = timedRun(quick);
        EXPECT_EQ(status, 0);
        quickest = std::min(quickest, seconds);
    }
    // Waiting for the next tick would make every call last 0.05 s or more.
    EXPECT_LT(quickest, 0.045);
}

} // namespace
} // namespace ventora
