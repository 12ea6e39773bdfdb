#include "core/FileSystem.hpp"

#include "support/TemporaryFolder.hpp"

#include <gtest/gtest.h>
#include <system_error>

namespace ventora {
namespace {

namespace fs = std::filesystem;
using Kind = FileSystem::Step::Kind;

// A write goes to a temporary beside the target and is renamed over it; only a final output
// is flushed: the temporary before the rename, the folder after it.
TEST(FileSystem, WritesReplaceThroughATemporary) {
    const test::TemporaryFolder folder;
    const fs::path target = folder.path() / "out.bin";
    FileSystem::writeFileAtomically(target, Bytes{1, 2, 3});
    const FileSystem::StepRecorder recorder;
    FileSystem::writeFileDurably(target, Bytes{4, 2});
    const auto& steps = recorder.steps();
    ASSERT_EQ(steps.size(), 3u);
    const fs::path temporary = steps[0].path;
    EXPECT_TRUE(temporary.parent_path() == folder.path() &&
                temporary.filename().string().starts_with(".out.bin.Ventora-"));
    EXPECT_TRUE(steps[0].kind == Kind::flushFile && steps[1].kind == Kind::rename &&
                steps[2].kind == Kind::flushDirectory);
    EXPECT_TRUE(steps[1].path == temporary && steps[1].target == target &&
                steps[2].path == folder.path());
    FileSystem::writeFileAtomically(target, Bytes{9});
    EXPECT_TRUE(steps.size() == 4 && steps[3].kind == Kind::rename);
    EXPECT_EQ(FileSystem::readWholeFile(target), Bytes{9});
    EXPECT_THROW(FileSystem::writeFileAtomically(folder.path() / "missing" / "x", Bytes{1}),
                 std::system_error);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 1);
}

TEST(FileSystem, CreatesPrivateFilesAndFoldersOnlyWhereNothingIs) {
    const test::TemporaryFolder folder;
    const fs::path file = folder.path() / "capture";
    (void)FileSystem::createExclusiveFile(file);
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_THROW((void)FileSystem::createExclusiveFile(file), std::system_error);
    fs::create_symlink(folder.path() / "elsewhere", folder.path() / "link");
    EXPECT_THROW((void)FileSystem::createExclusiveFile(folder.path() / "link"), std::system_error);
    EXPECT_FALSE(fs::exists(folder.path() / "elsewhere"));
    FileSystem::createPrivateDirectory(folder.path() / "stage");
    EXPECT_EQ(fs::status(folder.path() / "stage").permissions(), fs::perms::owner_all);
    EXPECT_THROW(FileSystem::createPrivateDirectory(folder.path() / "stage"), std::system_error);
}

TEST(FileSystem, BoundedReadStopsOneBytePastTheLimit) {
    const test::TemporaryFolder folder;
    const fs::path file = folder.write("big", Bytes(1000, 7));
    EXPECT_EQ(FileSystem::readWholeFile(file, 10).size(), 11u);
    EXPECT_EQ(FileSystem::readWholeFile(file, 1000).size(), 1000u);
    EXPECT_THROW((void)FileSystem::readWholeFile(folder.path() / "absent"), std::system_error);
}

} // namespace
} // namespace ventora
