#include "core/FileSystem.hpp"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <utility>
#include <vector>

namespace ventora {
namespace {

namespace fs = std::filesystem;

class file_system_test : public testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("ventora-fs-test-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    [[nodiscard]] std::size_t entryCount() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_dir), {}));
    }

    fs::path m_dir;
};

TEST_F(file_system_test, atomic_write_replaces_and_leaves_no_temporary) {
    const fs::path target = m_dir / "out.bin";
    FileSystem::writeFileAtomically(target, Bytes{1, 2, 3});
    FileSystem::writeFileAtomically(target, Bytes{9});
    EXPECT_EQ(FileSystem::readWholeFile(target), Bytes{9});
    EXPECT_EQ(entryCount(), 1u);
}

TEST_F(file_system_test, atomic_write_into_missing_folder_throws_and_leaves_nothing) {
    EXPECT_THROW(FileSystem::writeFileAtomically(m_dir / "missing" / "x", Bytes{1}),
                 std::system_error);
    EXPECT_EQ(entryCount(), 0u);
}

TEST_F(file_system_test, exclusive_create_is_private_and_refuses_existing_and_links) {
    const fs::path file = m_dir / "capture";
    { UniqueFd fd = FileSystem::createExclusiveFile(file); }
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_THROW((void)FileSystem::createExclusiveFile(file), std::system_error);
    fs::create_symlink(m_dir / "elsewhere", m_dir / "link");
    EXPECT_THROW((void)FileSystem::createExclusiveFile(m_dir / "link"), std::system_error);
    EXPECT_FALSE(fs::exists(m_dir / "elsewhere"));
}

TEST_F(file_system_test, private_directory_mode_and_read_errors) {
    FileSystem::createPrivateDirectory(m_dir / "stage");
    struct stat info {};
    ASSERT_EQ(::stat((m_dir / "stage").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_THROW(FileSystem::createPrivateDirectory(m_dir / "stage"), std::system_error);
    EXPECT_THROW((void)FileSystem::readWholeFile(m_dir / "absent"), std::system_error);
}

} // namespace
} // namespace ventora

namespace ventora {
namespace {

// The steps as words: the temporary beside the target is "temporary", the test folder "folder".
std::vector<std::string> describe(const std::vector<FileSystem::Step>& steps,
                                  const fs::path& folder) {
    const auto name = [&folder](const fs::path& path) -> std::string {
        if (path == folder) {
            return "folder";
        }
        const std::string file = path.filename().string();
        return path.parent_path() == folder && file.starts_with(".out.bin.Ventora-") ? "temporary"
                                                                                     : file;
    };
    std::vector<std::string> words;
    for (const FileSystem::Step& step : steps) {
        switch (step.kind) {
        case FileSystem::Step::Kind::flushFile:
            words.push_back("flush " + name(step.path));
            break;
        case FileSystem::Step::Kind::rename:
            words.push_back("rename " + name(step.path) + " to " + name(step.target));
            break;
        case FileSystem::Step::Kind::flushDirectory:
            words.push_back("flush folder " + name(step.path));
            break;
        }
    }
    return words;
}

// Only a final output is flushed: the temporary before the rename, the folder after it.
TEST_F(file_system_test, durable_writes_flush_around_the_rename_and_atomic_writes_never) {
    using Writer = void (*)(const fs::path&, ByteView);
    for (const auto& [writer, expected] : std::vector<std::pair<Writer, std::vector<std::string>>>{
             {FileSystem::writeFileAtomically, {"rename temporary to out.bin"}},
             {FileSystem::writeFileDurably,
              {"flush temporary", "rename temporary to out.bin", "flush folder folder"}}}) {
        const FileSystem::StepRecorder recorder;
        writer(m_dir / "out.bin", Bytes{4, 2});
        EXPECT_EQ(describe(recorder.steps(), m_dir), expected);
        EXPECT_EQ(FileSystem::readWholeFile(m_dir / "out.bin"), (Bytes{4, 2}));
        EXPECT_EQ(entryCount(), 1u);
    }
}

TEST_F(file_system_test, bounded_read_stops_one_byte_past_the_limit) {
    const fs::path file = m_dir / "big";
    FileSystem::writeFileAtomically(file, Bytes(1000, 7));
    EXPECT_EQ(FileSystem::readWholeFile(file, 10).size(), 11u);
    EXPECT_EQ(FileSystem::readWholeFile(file, 1000).size(), 1000u);
    EXPECT_EQ(FileSystem::readWholeFile(file).size(), 1000u);
    FileSystem::writeFileAtomically(file, Bytes{});
    EXPECT_TRUE(FileSystem::readWholeFile(file, 10).empty());
}

} // namespace
} // namespace ventora
