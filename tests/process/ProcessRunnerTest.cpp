#include "process/ProcessRunner.hpp"

#include "core/FileSystem.hpp"
#include "support/FakeExecutable.hpp"

#include <atomic>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <system_error>
#include <thread>

namespace ventora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ProcessRunner::Clock;
using ProcessRunner::Request;
using ProcessRunner::TimeSource;

class ProcessRunner : public testing::Test {
protected:
    void TearDown() override { EXPECT_FALSE(test::hasChildProcesses()); }

    // Runs `tool` (or a script of that body) with both streams sent to the file "out".
    int run(const fs::path& tool, double timeout = 10.0, const CancellationToken* token = nullptr) {
        const UniqueFd out(::open((m_tools.path() / "out").c_str(),
                                  O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        return ventora::ProcessRunner::run({.executable = tool,
                                            .arguments = m_arguments,
                                            .workingDirectory = m_workingDirectory,
                                            .standardOutputFd = out.get(),
                                            .standardErrorFd = out.get(),
                                            .timeoutSeconds = timeout,
                                            .token = token,
                                            .now = m_clock});
    }
    int runScript(const std::string& script, double timeout = 10.0,
                  const CancellationToken* token = nullptr) {
        return run(m_tools.writeScript("tool", script), timeout, token);
    }

    [[nodiscard]] std::string output() const {
        const Bytes bytes = FileSystem::readWholeFile(m_tools.path() / "out");
        return {bytes.begin(), bytes.end()};
    }

    test::FakeExecutableFolder m_tools;
    std::vector<std::string> m_arguments;
    std::optional<fs::path> m_workingDirectory;
    const Clock::time_point m_start = Clock::now();
    std::atomic<Clock::duration> m_elapsed{};
    // Stands still until the test moves it.
    TimeSource m_clock = [this] {
        return m_start + m_elapsed.load();
    };
};

TEST_F(ProcessRunner, PassesArgumentsAndWorkingDirectoryAndReturnsTheExitStatus) {
    m_arguments = {"-f", "GFX0", "a b", "$HOME", "", "*"};
    m_workingDirectory = m_tools.temporaryDirectory();
    EXPECT_EQ(runScript("for a in \"$@\"; do printf '[%s]' \"$a\"; done\npwd -P >&2\nexit 3"), 3);
    EXPECT_EQ(output(), "[-f][GFX0][a b][$HOME][][*]" +
                            fs::canonical(m_tools.temporaryDirectory()).string() + "\n");
    EXPECT_EQ(runScript("kill -KILL $$"), -1);
}

TEST_F(ProcessRunner, LaunchFailuresThrowThePlatformsError) {
    const auto errorOf = [this](const fs::path& tool) {
        try {
            (void)run(tool);
        } catch (const std::system_error& error) {
            return error.code().value();
        }
        return 0;
    };
    const fs::path plain = m_tools.writePrinter("plain", "");
    fs::permissions(plain, fs::perms::owner_read);
    EXPECT_EQ(errorOf(m_tools.path() / "missing"), ENOENT);
    EXPECT_EQ(errorOf(plain), EACCES);
    m_workingDirectory = m_tools.path() / "no-such-folder";
    EXPECT_EQ(errorOf(m_tools.writeScript("tool", "exit 0")), ENOENT);
}

// The child answers SIGTERM by saying so and carrying on: only SIGKILL, 0.5 s later on the
// watchdog's clock, ends it.
TEST_F(ProcessRunner, TimeOutAsksFirstAndKillsAfterTheGrace) {
    auto status = std::async(std::launch::async, [this] {
        return runScript("trap 'echo term' TERM\necho started\nwhile :; do sleep 0.02; done");
    });
    EXPECT_EQ(status.wait_for(300ms), std::future_status::timeout);
    m_elapsed = std::chrono::duration_cast<Clock::duration>(10s);
    for (int wait = 0; wait < 100 && output().find("term") == std::string::npos; ++wait) {
        std::this_thread::sleep_for(10ms);
    }
    m_elapsed = std::chrono::duration_cast<Clock::duration>(10.4s);
    EXPECT_EQ(status.wait_for(200ms), std::future_status::timeout);
    m_elapsed = std::chrono::duration_cast<Clock::duration>(10.5s);
    ASSERT_EQ(status.wait_for(2s), std::future_status::ready);
    EXPECT_EQ(status.get(), -1);
    EXPECT_EQ(output().substr(0, 13), "started\nterm\n");
}

TEST_F(ProcessRunner, ChildrenEndedByTheWatchdogNeverSucceed) {
    // An hour passes every real second: the time-out and the grace are over within a tick.
    m_clock = [this] {
        return m_start + (Clock::now() - m_start) * 3600;
    };
    for (const char* script : {"exec sleep 30", "kill -STOP $$\nexec sleep 30",
                               "trap 'exit 0' TERM\nwhile :; do sleep 0.02; done"}) {
        SCOPED_TRACE(script);
        EXPECT_EQ(runScript(script, 60.0), -1);
    }
}

TEST_F(ProcessRunner, CancellationEndsTheChildAndQuickChildrenAreNotHeldUp) {
    CancellationToken token;
    std::thread canceller([&token] {
        std::this_thread::sleep_for(100ms);
        token.cancel();
    });
    EXPECT_EQ(runScript("exec sleep 30", 30.0, &token), -1);
    canceller.join();

    auto quickest = Clock::duration::max();
    for (int i = 0; i < 5; ++i) {
        const auto start = Clock::now();
        EXPECT_EQ(runScript("exit 0"), 0);
        quickest = std::min(quickest, Clock::now() - start);
    }
    // Waiting for the next tick would make every call last 0.05 s or more.
    EXPECT_LT(quickest, 45ms);
}

} // namespace
} // namespace ventora
