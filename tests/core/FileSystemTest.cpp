#include "core/FileSystem.hpp"

#include <filesystem>
#include <gtest/gtest.h>
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

// Only a final output is flushed: the temporary before the rename, the folder after it.
TEST_F(file_system_test, durable_writes_flush_around_the_rename_and_atomic_writes_never) {
    using Kind = FileSystem::Step::Kind;
    using Writer = void (*)(const fs::path&, ByteView);
    const fs::path target = m_dir / "out.bin";
    for (const auto& [writer, expected] : std::vector<std::pair<Writer, std::vector<Kind>>>{
             {FileSystem::writeFileAtomically, {Kind::rename}},
             {FileSystem::writeFileDurably,
              {Kind::flushFile, Kind::rename, Kind::flushDirectory}}}) {
        std::vector<FileSystem::Step> steps;
        FileSystem::setStepObserver(
            [&steps](const FileSystem::Step& step) { steps.push_back(step); });
        writer(target, Bytes{4, 2});
        FileSystem::setStepObserver({});
        std::vector<Kind> kinds;
        for (const FileSystem::Step& step : steps) {
            kinds.push_back(step.kind);
        }
        ASSERT_EQ(kinds, expected);
        const FileSystem::Step& rename = steps[expected.size() == 1 ? 0 : 1];
        EXPECT_EQ(rename.path.parent_path(), m_dir);
        EXPECT_EQ(rename.target, target);
        if (expected.size() == 3) {
            EXPECT_EQ(steps[0].path, rename.path);
            EXPECT_EQ(steps[2].path, m_dir);
        }
        EXPECT_EQ(FileSystem::readWholeFile(target), (Bytes{4, 2}));
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
