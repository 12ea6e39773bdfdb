#include "output/ZipService.hpp"

#include "OutputSandbox.hpp"
#include "support/ErrorMessage.hpp"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace ventora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::appErrorOf;

class ZipService : public ::testing::Test {
protected:
    ZipService() {
        fs::create_directories(source / "Backup");
        sandbox.write(source / "config.plist", std::string("<plist/>"));
        sandbox.write(source / "Backup" / "table.bin", Bytes{1, 2, 3});
        fs::create_symlink("config.plist", source / "link");
    }

    // The AppError's message, or "<no AppError>" when createZip succeeded.
    std::string createZipMessage(const CancellationToken* token = nullptr) {
        return appErrorOf([&] {
            ventora::ZipService::createZip(source, archive, token, sandbox.context(), timeouts);
        });
    }
    void useFakeZip(const std::string& body) {
        sandbox.context().zipExecutable = sandbox.writeScript("zip", body);
    }

    test::OutputSandbox sandbox;
    fs::path source = sandbox.root() / "work";
    fs::path archive = sandbox.context().desktopDirectory / "out.zip";
    ZipTimeouts timeouts{.archiveSeconds = 0.5, .validationSeconds = 0.5};
};

TEST_F(ZipService, ArchivesTheFolderContentsRelativeToItAndKeepsLinks) {
    sandbox.write(archive, std::string("stale archive from an earlier run"));
    ASSERT_EQ(createZipMessage(), "<no AppError>");
    EXPECT_EQ(test::archiveEntries(archive),
              (std::vector<std::string>{"Backup/", "Backup/table.bin", "config.plist", "link"}));
    EXPECT_EQ(test::archiveMember(archive, "Backup/table.bin"), (Bytes{1, 2, 3}));
    // -y keeps the link a link: its listing line starts with the "l" file type.
    EXPECT_EQ(test::commandOutput("unzip -Z '" + archive.string() + "' link").substr(0, 1), "l");
    EXPECT_TRUE(sandbox.leftoverTemporaries().empty());

    // Info-ZIP prints its test verdict on standard output; it becomes the message's detail.
    Bytes bytes = test::readFile(archive);
    bytes.resize(bytes.size() / 2);
    sandbox.write(archive, bytes);
    const std::string damaged = appErrorOf(
        [&] { ventora::ZipService::validateZip(archive, nullptr, sandbox.context(), timeouts); });
    EXPECT_TRUE(damaged.starts_with("zip validation failed: ")) << damaged;
    EXPECT_NE(damaged.find("Zip file structure invalid"), std::string::npos) << damaged;
}

TEST_F(ZipService, FailuresCarryTheOperationAndZipsOwnWords) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"printf '\\n  zip error: disk full \\n\\n' >&2; exit 15",
         "zip failed: zip error: disk full"},
        {"printf '\\377\\376 bad' >&2; exit 2", "zip failed: Unknown error"},
        {"echo 'zip error: Nothing to do!'; exit 12", "zip failed: zip error: Nothing to do!"},
        {"echo 'still working' >&2; exec sleep 10", "zip failed: still working"},
        {": > \"$2\"", "zip produced an empty archive."},
        {"case \"$1\" in -T) echo 'bad CRC in table.bin' >&2; exit 8;; esac; echo x > \"$2\"",
         "zip validation failed: bad CRC in table.bin"},
        {"case \"$1\" in -T) exec sleep 10;; esac; echo x > \"$2\"",
         "zip validation failed: Unknown error"},
    };
    for (const auto& [script, message] : cases) {
        useFakeZip(script);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(createZipMessage(), message) << script;
        EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
        EXPECT_TRUE(sandbox.leftoverTemporaries().empty());
    }
    // zip "succeeded" without writing anything: the platform's error passes through.
    useFakeZip("exit 0");
    EXPECT_THROW((void)createZipMessage(), fs::filesystem_error);
}

TEST_F(ZipService, NothingRunsWithoutASourceFolderACaptureFileOrAZip) {
    const fs::path marker = sandbox.root() / "zip-ran", work = source;
    useFakeZip("touch '" + marker.string() + "'");
    for (const fs::path& badSource : {sandbox.root() / "absent", source / "config.plist"}) {
        source = badSource;
        EXPECT_EQ(createZipMessage(),
                  "ZIP source folder does not exist or is not a directory: " + badSource.string());
    }
    source = work;
    sandbox.context().temporaryDirectory = sandbox.root() / "no-such-folder";
    EXPECT_EQ(createZipMessage(), "zip could not create its diagnostic capture file.");
    EXPECT_FALSE(fs::exists(marker));
    sandbox.context().zipExecutable = sandbox.root() / "no-zip";
    sandbox.context().temporaryDirectory = sandbox.root();
    EXPECT_EQ(createZipMessage(), "zip could not start: No such file or directory");
    EXPECT_TRUE(sandbox.leftoverTemporaries().empty());
}

TEST_F(ZipService, CancellationBeforeAndDuringEitherRun) {
    CancellationToken cancelled;
    cancelled.cancel();
    EXPECT_EQ(createZipMessage(&cancelled), "ZIP creation cancelled.");
    timeouts = {};
    for (const auto& [script, message] : std::vector<std::pair<std::string, std::string>>{
             {"sleep 10; echo x > \"$2\"", "zip cancelled."},
             {"case \"$1\" in -T) exec sleep 10;; esac; echo x > \"$2\"",
              "zip validation cancelled."}}) {
        useFakeZip(script);
        CancellationToken token;
        std::thread canceller([&token] {
            std::this_thread::sleep_for(150ms);
            token.cancel();
        });
        EXPECT_EQ(createZipMessage(&token), message);
        canceller.join();
        EXPECT_TRUE(sandbox.leftoverTemporaries().empty());
    }
}

} // namespace
} // namespace ventora
