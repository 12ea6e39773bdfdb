#include "output/ZipService.hpp"

#include "OutputSandbox.hpp"
#include "core/AppError.hpp"
#include "output/OutputBuilder.hpp"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace ventora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ZipServiceTest : public ::testing::Test {
protected:
    ZipServiceTest() {
        fs::create_directories(source / "Backup");
        test::writeFile(source / "config.plist", std::string("<plist/>"));
        test::writeFile(source / "Backup" / "table.bin", Bytes{1, 2, 3});
        fs::create_symlink("config.plist", source / "link");
    }

    // Runs createZip and returns the AppError's message, or "" when it succeeded.
    std::string createZipMessage(const CancellationToken* token = nullptr) {
        try {
            ZipService::createZip(source, archive, token, sandbox.context(), shortTimeouts);
            return "";
        } catch (const AppError& error) {
            return error.message();
        }
    }

    void useFakeZip(const std::string& body) {
        sandbox.context().zipExecutable = sandbox.writeScript("zip", body);
    }

    test::OutputSandbox sandbox;
    fs::path source = sandbox.root() / "work";
    fs::path archive = sandbox.context().desktopDirectory / "out.zip";
    ZipTimeouts shortTimeouts{.archiveSeconds = 0.5, .validationSeconds = 0.5};
};

TEST_F(ZipServiceTest, archives_the_folder_contents_relative_to_it) {
    test::writeFile(archive, std::string("stale archive from an earlier run"));
    ASSERT_EQ(createZipMessage(), "");
    EXPECT_EQ(test::archiveEntries(archive),
              (std::vector<std::string>{"Backup/", "Backup/table.bin", "config.plist", "link"}));
    EXPECT_EQ(test::archiveMember(archive, "Backup/table.bin"), (Bytes{1, 2, 3}));
    // -y keeps the link a link: its listing line starts with the "l" file type.
    EXPECT_EQ(test::commandOutput("unzip -Z '" + archive.string() + "' link").substr(0, 1), "l");
    EXPECT_TRUE(sandbox.leftoverTemporaries().empty());
}

TEST_F(ZipServiceTest, refuses_a_missing_or_plain_file_source_before_running_zip) {
    const fs::path marker = sandbox.root() / "zip-ran";
    useFakeZip("touch '" + marker.string() + "'");
    for (const fs::path& badSource : {sandbox.root() / "absent", source / "config.plist"}) {
        source = badSource;
        EXPECT_EQ(createZipMessage(),
                  "ZIP source folder does not exist or is not a directory: " + badSource.string());
    }
    EXPECT_FALSE(fs::exists(marker));
}

TEST_F(ZipServiceTest, failures_carry_the_operation_and_zips_own_words) {
    struct Case {
        const char* name;
        std::string script;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"stderr text is trimmed", "printf '\\n  zip error: disk full \\n\\n' >&2; exit 15",
         "zip failed: zip error: disk full"},
        {"Unicode blanks are trimmed too", "printf '\\302\\240boom\\342\\200\\250' >&2; exit 3",
         "zip failed: boom"},
        {"silent failure", "exit 2", "zip failed: Unknown error"},
        {"stderr not UTF-8", "printf '\\377\\376 bad' >&2; exit 2", "zip failed: Unknown error"},
        {"zip's own errors on stdout", "echo 'zip error: Nothing to do!'; exit 12",
         "zip failed: zip error: Nothing to do!"},
        {"time-out keeps what was written", "echo 'still working' >&2; exec sleep 10",
         "zip failed: still working"},
        {"empty archive", ": > \"$2\"", "zip produced an empty archive."},
        {"no archive at all", "exit 0", ""},
        {"damaged archive",
         "case \"$1\" in -T) echo 'bad CRC in table.bin' >&2; exit 8;; esac; "
         "echo garbage > \"$2\"",
         "zip validation failed: bad CRC in table.bin"},
        {"validation time-out", "case \"$1\" in -T) exec sleep 10;; esac; echo x > \"$2\"",
         "zip validation failed: Unknown error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        useFakeZip(c.script);
        const auto started = std::chrono::steady_clock::now();
        if (c.message.empty()) {
            // zip "succeeded" without writing anything: the platform's error passes through.
            EXPECT_THROW(createZipMessage(), fs::filesystem_error);
        } else {
            EXPECT_EQ(createZipMessage(), c.message);
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
        EXPECT_TRUE(sandbox.leftoverTemporaries().empty());
    }
}

TEST_F(ZipServiceTest, real_zip_rejects_a_damaged_archive) {
    // Info-ZIP prints its test verdict on standard output; it becomes the message's detail.
    ASSERT_EQ(createZipMessage(), "");
    Bytes bytes = test::readFile(archive);
    bytes.resize(bytes.size() / 2);
    test::writeFile(archive, bytes);
    try {
        ZipService::validateZip(archive, nullptr, sandbox.context(), shortTimeouts);
        ADD_FAILURE() << "no error";
    } catch (const AppError& error) {
        EXPECT_TRUE(error.message().starts_with("zip validation failed: ")) << error.message();
        EXPECT_NE(error.message().find("Zip file structure invalid"), std::string::npos)
            << error.message();
    }
}

TEST_F(ZipServiceTest, failures_before_zip_starts_leave_no_capture_file) {
    sandbox.context().zipExecutable = sandbox.root() / "tools" / "no-zip";
    EXPECT_EQ(createZipMessage(), "zip could not start: No such file or directory");
    EXPECT_TRUE(sandbox.leftoverTemporaries().empty());

    const fs::path marker = sandbox.root() / "zip-ran";
    useFakeZip("touch '" + marker.string() + "'");
    sandbox.context().temporaryDirectory = sandbox.root() / "no-such-folder";
    EXPECT_EQ(createZipMessage(), "zip could not create its diagnostic capture file.");
    EXPECT_FALSE(fs::exists(marker));
}

TEST_F(ZipServiceTest, capture_file_is_private_and_named_for_the_program) {
    // The fake zip hard-links what the temporary directory holds into `kept`, so the capture
    // can be examined after ZipService removed it.
    const fs::path temporary = sandbox.context().temporaryDirectory;
    const fs::path kept = sandbox.root() / "kept";
    fs::create_directory(kept);
    useFakeZip("echo 'zip error 15' >&2; ln '" + temporary.string() + "'/* '" + kept.string() +
               "'; exit 1");
    EXPECT_EQ(createZipMessage(), "zip failed: zip error 15");
    const std::vector<fs::path> captures(fs::directory_iterator(kept), {});
    ASSERT_EQ(captures.size(), 1U);
    const fs::path capture = captures[0];
    EXPECT_TRUE(capture.filename().string().starts_with("Ventora-"));
    EXPECT_EQ(capture.extension(), ".stderr");
    EXPECT_EQ(capture.filename().string().size(), std::string("Ventora-.stderr").size() + 36);
    EXPECT_EQ(fs::status(capture).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    const Bytes captured = test::readFile(capture);
    EXPECT_EQ(std::string(captured.begin(), captured.end()), "zip error 15\n");
    EXPECT_FALSE(fs::exists(temporary / capture.filename()));
}

TEST_F(ZipServiceTest, cancellation_before_and_during_the_run) {
    CancellationToken token;
    token.cancel();
    EXPECT_EQ(createZipMessage(&token), "ZIP creation cancelled.");

    for (const char* script : {"sleep 10; echo x > \"$2\"",
                               "case \"$1\" in -T) exec sleep 10;; esac; echo x > \"$2\""}) {
        SCOPED_TRACE(script);
        useFakeZip(script);
        CancellationToken running;
        std::thread canceller([&running] {
            std::this_thread::sleep_for(150ms);
            running.cancel();
        });
        shortTimeouts = {};
        const std::string message = createZipMessage(&running);
        canceller.join();
        EXPECT_EQ(message, std::string(script).starts_with("sleep") ? "zip cancelled."
                                                                    : "zip validation cancelled.");
        EXPECT_TRUE(sandbox.leftoverTemporaries().empty());
    }
}

TEST_F(ZipServiceTest, replace_atomically_swaps_in_one_step_or_not_at_all) {
    const fs::path finalArchive = sandbox.context().desktopDirectory / "ZeroRPM.zip";
    const fs::path temporary = sandbox.context().desktopDirectory / ".Ventora-x.tmp.zip";
    test::writeFile(finalArchive, std::string("old"));
    test::writeFile(temporary, std::string("new"));
    OutputBuilder::replaceAtomically(temporary, finalArchive);
    EXPECT_EQ(test::readFile(finalArchive), (Bytes{'n', 'e', 'w'}));
    EXPECT_FALSE(fs::exists(temporary));

    try {
        OutputBuilder::replaceAtomically(temporary, finalArchive);
        ADD_FAILURE() << "no error";
    } catch (const AppError& error) {
        EXPECT_EQ(error.message(),
                  "Could not replace the output ZIP atomically: No such file or directory");
    }
    EXPECT_EQ(test::readFile(finalArchive), (Bytes{'n', 'e', 'w'}));
}

} // namespace
} // namespace ventora
