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

class ProcessRunner : public testing::Test {
protected:
    ProcessRunner() {
        m_request.timeoutSeconds = 10.0;
        // The watchdog's clock stands still until a test moves it.
        m_request.now = [this] {
            return m_start + m_elapsed.load();
        };
    }
    void TearDown() override { EXPECT_FALSE(test::hasChildProcesses()); }

    // Runs `tool` (or a script of that body) with both streams sent to the file "out".
    int run(const fs::path& tool) {
        const UniqueFd out(::open((m_tools.path() / "out").c_str(),
                                  O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        m_request.executable = tool;
        m_request.standardOutputFd = m_request.standardErrorFd = out.get();
        return ventora::ProcessRunner::run(m_request);
    }
    int runScript(const std::string& body) { return run(m_tools.writeScript("tool", body)); }

    [[nodiscard]] std::string output() const {
        const Bytes bytes = FileSystem::readWholeFile(m_tools.path() / "out");
        return {bytes.begin(), bytes.end()};
    }

    test::FakeExecutableFolder m_tools;
    ventora::ProcessRunner::Request m_request{};
    const Clock::time_point m_start = Clock::now();
    std::atomic<Clock::duration> m_elapsed{};
};

TEST_F(ProcessRunner, PassesArgumentsAndWorkingDirectoryReturnsTheStatusAndThrowsOnLaunchFailure) {
    m_request.arguments = {"-f", "GFX0", "a b", "$HOME", "", "*"};
    m_request.workingDirectory = m_tools.temporaryDirectory();
    EXPECT_EQ(runScript("for a in \"$@\"; do printf '[%s]' \"$a\"; done\npwd -P >&2\nexit 3"), 3);
    EXPECT_EQ(output(), "[-f][GFX0][a b][$HOME][][*]" +
                            fs::canonical(m_tools.temporaryDirectory()).string() + "\n");
    EXPECT_EQ(runScript("kill -KILL $$"), -1);
    EXPECT_THROW((void)run(m_tools.path() / "missing"), std::system_error);
    m_request.workingDirectory = m_tools.path() / "no-such-folder";
    EXPECT_THROW((void)runScript("exit 0"), std::system_error);
}

// The child answers SIGTERM by saying so and carrying on: only SIGKILL, 0.5 s later on the
// watchdog's clock, ends it.
TEST_F(ProcessRunner, TimeOutAsksFirstAndKillsAfterTheGrace) {
    auto status = std::async(std::launch::async, [this] {
        return runScript("trap 'echo term' TERM\necho started\nwhile :; do sleep 0.02; done");
    });
    EXPECT_EQ(status.wait_for(300ms), std::future_status::timeout);
    m_elapsed = 10s;
    for (int wait = 0; wait < 100 && output().find("term") == std::string::npos; ++wait) {
        std::this_thread::sleep_for(10ms);
    }
    m_elapsed = 10400ms;
    EXPECT_EQ(status.wait_for(200ms), std::future_status::timeout);
    m_elapsed = 10500ms;
    ASSERT_EQ(status.wait_for(2s), std::future_status::ready);
    EXPECT_EQ(status.get(), -1);
    EXPECT_EQ(output().substr(0, 13), "started\nterm\n");
}

TEST_F(ProcessRunner, ChildrenEndedByTheWatchdogOrCancellationNeverSucceed) {
    // An hour passes every real second: the time-out and the grace are over within a tick.
    m_request.now = [this] {
        return m_start + (Clock::now() - m_start) * 3600;
    };
    for (const char* script : {"exec sleep 30", "kill -STOP $$\nexec sleep 30",
                               "trap 'exit 0' TERM\nwhile :; do sleep 0.02; done"}) {
        EXPECT_EQ(runScript(script), -1) << script;
    }
    m_request.now = Clock::now;
    CancellationToken token;
    m_request.token = &token;
    std::thread canceller([&token] {
        std::this_thread::sleep_for(100ms);
        token.cancel();
    });
    EXPECT_EQ(runScript("exec sleep 30"), -1);
    canceller.join();
}

} // namespace
} // namespace ventora
