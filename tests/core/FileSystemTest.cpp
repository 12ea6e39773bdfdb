#include "core/FileSystem.hpp"

#include "support/TemporaryFolder.hpp"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>

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

// A pipe states no size, so the buffer grows as it is read; a large file is read in two halves
// and lands on 2 MiB boundaries where the system offers large pages.
TEST(FileSystem, ReadsWholeFilesIntoEitherBuffer) {
    const test::TemporaryFolder folder;
    Bytes content((5U << 20U) + 3);
    for (std::size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<std::uint8_t>(i * 7 + (i >> 12U));
    }
    const fs::path file = folder.write("large", content);
    const FileBuffer large = FileSystem::readWholeFile<FileBuffer>(file);
    EXPECT_TRUE(std::equal(large.begin(), large.end(), content.begin(), content.end()));
    EXPECT_EQ(FileSystem::readWholeFile<FileBuffer>(file, 4U << 20U).size(), (4U << 20U) + 1);
#ifdef __linux__
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(large.data()) % (std::uintptr_t{1} << 21U), 0U);
#endif
    const fs::path pipe = folder.path() / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::streamsize piped = 300000;
    const auto readPipe = [&](auto read) {
        std::thread writer([&] {
            std::ofstream(pipe, std::ios::binary)
                .write(reinterpret_cast<const char*>(content.data()), piped);
        });
        const auto bytes = read(pipe);
        writer.join();
        return Bytes(bytes.begin(), bytes.end());
    };
    const Bytes head(content.begin(), content.begin() + piped);
    EXPECT_EQ(readPipe([](const fs::path& p) { return FileSystem::readWholeFile<Bytes>(p); }),
              head);
    EXPECT_EQ(readPipe([](const fs::path& p) { return FileSystem::readWholeFile<FileBuffer>(p); }),
              head);
}

} // namespace
} // namespace ventora
