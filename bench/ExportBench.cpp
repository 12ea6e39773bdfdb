#include "core/PlatformContext.hpp"
#include "output/OutputBuilder.hpp"
#include "support/PowerPlayTables.hpp"
#include "support/RomBuilder.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace ventora;

// A private sandbox: temporary folder, Desktop and resources, and no detection tool at all,
// so the export's own work is measured next to the two zip runs it cannot avoid.
struct BenchSandbox {
    BenchSandbox() {
        std::string pattern = (fs::temp_directory_path() / "export-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        root = pattern;
        for (const char* folder : {"tmp", "Desktop", "resources", "staged"}) {
            fs::create_directory(root / folder);
        }
        // The build puts the template next to the binaries, where fromSystem() finds it.
        fs::copy_file(PlatformContext::fromSystem().resourcesDirectory / "BaseConfig.plist",
                      root / "resources" / "BaseConfig.plist");
        context.temporaryDirectory = root / "tmp";
        context.desktopDirectory = root / "Desktop";
        context.resourcesDirectory = root / "resources";
        context.ioregExecutable = root / "no-ioreg";
        context.zipExecutable = "/usr/bin/zip";
    }
    ~BenchSandbox() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    BenchSandbox(const BenchSandbox&) = delete;
    BenchSandbox& operator=(const BenchSandbox&) = delete;

    fs::path root;
    PlatformContext context;
};

SpptDocument romDocument() {
    SpptDocument document;
    document.data = test::polarisTable();
    test::RomImageLayout layout;
    layout.length = 1 << 20;
    layout.deviceID = 0x6985;
    layout.table = document.data;
    layout.fill = 0x5A;
    document.originalRom = test::romImage(layout);
    document.sourceVendorID = 0x1002;
    document.sourceDeviceID = 0x6985;
    document.sourceDescription = "/bench/input.rom";
    return document;
}

int runZip(const std::vector<std::string>& words, const fs::path& workingDirectory) {
    std::vector<char*> argv;
    for (const std::string& word : words) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
    pid_t pid = 0;
    const int error = posix_spawn(&pid, "/usr/bin/zip", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (error != 0 || ::waitpid(pid, &status, 0) != pid) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs `work` once and returns the wall time it took in milliseconds.
template <typename Work> double millisecondsOf(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

struct Samples {
    std::vector<double> milliseconds;

    [[nodiscard]] double minimum() const { return std::ranges::min(milliseconds); }
    [[nodiscard]] double median() const {
        std::vector<double> sorted = milliseconds;
        std::ranges::sort(sorted);
        return sorted[sorted.size() / 2];
    }
};

// A copy of the export's own staged work folder, taken just before it is zipped.
fs::path stageCopy(BenchSandbox& sandbox, const SpptDocument& document) {
    const fs::path staged = sandbox.root / "staged" / "ZeroRPM_Work";
    ExportOptions options;
    options.beforeCheckpoint = [&](int step) {
        if (step != 16) {
            return;
        }
        for (const auto& entry : fs::directory_iterator(sandbox.context.temporaryDirectory)) {
            fs::copy(entry.path() / "ZeroRPM_Work", staged, fs::copy_options::recursive);
        }
    };
    (void)OutputBuilder::exportPackage(document, PatchMode::zeroRpmPure, std::nullopt, nullptr,
                                       sandbox.context, options);
    return staged;
}

} // namespace

// The whole export of a 1 MiB ROM against the two zip runs it cannot avoid (zip -qry and
// zip -T by hand on the same staged folder). Both run in turn, in ABBA order so that a drift
// in the machine's load hits both alike; the minimum is the figure least disturbed by others.
//   export_bench [rounds]
int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(2, std::atoi(argv[1])) : 40;
    BenchSandbox sandbox;
    const SpptDocument document = romDocument();
    const fs::path staged = stageCopy(sandbox, document);
    const std::string archive = (sandbox.root / "Desktop" / "by-hand.zip").string();

    const auto exportOnce = [&] {
        const ExportResult result = OutputBuilder::exportPackage(
            document, PatchMode::zeroRpmPure, std::nullopt, nullptr, sandbox.context);
        if (result.report.empty()) {
            throw std::runtime_error("empty report");
        }
    };
    const auto zipByHand = [&] {
        fs::remove(archive);
        if (runZip({"zip", "-qry", archive, "."}, staged) != 0 ||
            runZip({"zip", "-T", archive}, sandbox.root) != 0) {
            throw std::runtime_error("zip failed");
        }
    };
    exportOnce();
    zipByHand();
    Samples whole;
    Samples byHand;
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            whole.milliseconds.push_back(millisecondsOf(exportOnce));
            byHand.milliseconds.push_back(millisecondsOf(zipByHand));
        } else {
            byHand.milliseconds.push_back(millisecondsOf(zipByHand));
            whole.milliseconds.push_back(millisecondsOf(exportOnce));
        }
    }
    std::printf("%d rounds, interleaved      minimum     median\n", rounds);
    std::printf("whole export              %8.2f ms %8.2f ms\n", whole.minimum(), whole.median());
    std::printf("zip -qry + zip -T by hand %8.2f ms %8.2f ms\n", byHand.minimum(), byHand.median());
    std::printf("ratio                     %8.2fx   %8.2fx\n", whole.minimum() / byHand.minimum(),
                whole.median() / byHand.median());
    return 0;
}
