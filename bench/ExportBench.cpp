#include "core/PlatformContext.hpp"
#include "output/OutputBuilder.hpp"
#include "support/PowerPlayTables.hpp"
#include "support/RomBuilder.hpp"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>

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

void BM_WholeExport(benchmark::State& state) {
    BenchSandbox sandbox;
    const SpptDocument document = romDocument();
    for (auto _ : state) {
        const ExportResult result = OutputBuilder::exportPackage(
            document, PatchMode::zeroRpmPure, std::nullopt, nullptr, sandbox.context);
        benchmark::DoNotOptimize(result.report.data());
    }
}

// zip -qry and zip -T by hand on a copy of the export's own staged work folder.
void BM_ZipByHand(benchmark::State& state) {
    BenchSandbox sandbox;
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
    (void)OutputBuilder::exportPackage(romDocument(), PatchMode::zeroRpmPure, std::nullopt, nullptr,
                                       sandbox.context, options);
    const std::string archive = (sandbox.root / "Desktop" / "by-hand.zip").string();
    for (auto _ : state) {
        fs::remove(archive);
        if (runZip({"zip", "-qry", archive, "."}, staged) != 0 ||
            runZip({"zip", "-T", archive}, sandbox.root) != 0) {
            state.SkipWithError("zip failed");
            break;
        }
    }
}

BENCHMARK(BM_WholeExport)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_ZipByHand)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
