#include "core/PlatformContext.hpp"
#include "output/OutputBuilder.hpp"
#include "support/PowerPlayTables.hpp"
#include "support/RomBuilder.hpp"
#include "support/TemporaryFolder.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <stdexcept>
#include <sys/resource.h>
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
        for (const char* name : {"tmp", "Desktop", "resources", "staged"}) {
            fs::create_directory(root / name);
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

    test::TemporaryFolder folder;
    const fs::path root = folder.path();
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
    const Bytes rom = test::romImage(layout);
    document.originalRom = FileBuffer(rom.begin(), rom.end());
    document.sourceIdentity = PciIdentity{0x1002, 0x6985};
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

// Wall time and the processor time of this process and its children, in milliseconds. The
// processor time does not grow while others hold the processors; the wall time includes the
// waits for the disk.
struct Cost {
    double wall;
    double processor;
};

double processorMilliseconds() {
    double total = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        ::getrusage(who, &usage);
        for (const timeval& time : {usage.ru_utime, usage.ru_stime}) {
            total +=
                static_cast<double>(time.tv_sec) * 1e3 + static_cast<double>(time.tv_usec) / 1e3;
        }
    }
    return total;
}

template <typename Work> Cost costOf(Work&& work) {
    const double processorBefore = processorMilliseconds();
    const auto start = std::chrono::steady_clock::now();
    work();
    const auto end = std::chrono::steady_clock::now();
    return {std::chrono::duration<double, std::milli>(end - start).count(),
            processorMilliseconds() - processorBefore};
}

double minimum(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

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

void report(int rounds, const std::vector<Cost>& whole, const std::vector<Cost>& byHand) {
    const auto column = [](const std::vector<Cost>& costs, double Cost::*field) {
        std::vector<double> values;
        for (const Cost& cost : costs) {
            values.push_back(cost.*field);
        }
        return values;
    };
    std::vector<double> pairedWall;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        pairedWall.push_back(whole[i].wall / byHand[i].wall);
    }
    std::printf("%d rounds, ABBA order      wall min   wall median   processor min\n", rounds);
    for (const auto& [name, costs] : {std::pair{"whole export             ", &whole},
                                      std::pair{"zip -qry + zip -T by hand", &byHand}}) {
        std::printf("%s %8.2f ms   %8.2f ms      %8.2f ms\n", name,
                    minimum(column(*costs, &Cost::wall)), median(column(*costs, &Cost::wall)),
                    minimum(column(*costs, &Cost::processor)));
    }
    std::printf("ratio                     %8.2fx      %8.2fx         %8.2fx\n",
                minimum(column(whole, &Cost::wall)) / minimum(column(byHand, &Cost::wall)),
                median(column(whole, &Cost::wall)) / median(column(byHand, &Cost::wall)),
                minimum(column(whole, &Cost::processor)) /
                    minimum(column(byHand, &Cost::processor)));
    std::printf("median of the ratios of neighbouring runs (wall): %.2fx\n", median(pairedWall));
}

} // namespace

// The whole export of a 1 MiB ROM against the two zip runs it cannot avoid (zip -qry and
// zip -T by hand on the same staged folder). Both run in turn, in ABBA order so that a drift
// in the machine's load hits both alike. On a shared machine the minimum is the figure least
// disturbed by others, and the ratio of each pair of neighbouring runs the steadiest.
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
    std::vector<Cost> whole;
    std::vector<Cost> byHand;
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            whole.push_back(costOf(exportOnce));
            byHand.push_back(costOf(zipByHand));
        } else {
            byHand.push_back(costOf(zipByHand));
            whole.push_back(costOf(exportOnce));
        }
    }
    report(rounds, whole, byHand);
    return 0;
}
